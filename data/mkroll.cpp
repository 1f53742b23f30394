// Builds a new roll from the schema and the lookup rows. An existing roll is left as it is:
// it may hold the club's members.
#include "db/Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: qmr-mkroll <roll file> <sql file>...\n");
        return 2;
    }
    const QString target = args[1];
    if (QFileInfo::exists(target))
        return 0;
    QString script;
    for (int i = 2; i < args.size(); ++i) {
        QFile f(args[i]);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "qmr-mkroll: cannot read %s\n", qPrintable(args[i]));
            return 1;
        }
        script += QString::fromUtf8(f.readAll()) + u'\n';
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Built beside the target and renamed, so an interrupted build leaves no half roll.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        createDatabaseFromScript(partial,
                                 QStringLiteral("BEGIN;") + script + QStringLiteral("COMMIT;"));
    } catch (const DbError &e) {
        std::fprintf(stderr, "qmr-mkroll: %s\n", e.what());
        return 1;
    }
    if (!QFile::rename(partial, target)) {
        std::fprintf(stderr, "qmr-mkroll: cannot create %s\n", qPrintable(target));
        return 1;
    }
    return 0;
}
