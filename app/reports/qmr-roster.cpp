// Writes one roster of a roll to a PDF file without opening a window:
//   qmr-roster --roster NAME --out FILE.pdf [--app-folder DIR]
// NAME is all, regular, family, life, senior, sports, pool or junior; the application folder
// defaults to the program's own.
#include "DataReport.h"
#include "ProgramNames.h"
#include "Rosters.h"
#include "system/System.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

namespace {
int usage(const char *problem) {
    if (problem)
        std::fprintf(stderr, "qmr-roster: %s\n", problem);
    std::fprintf(stderr, "usage: qmr-roster --roster all|regular|family|life|senior|sports|"
                         "pool|junior --out FILE.pdf [--app-folder DIR]\n");
    return 2;
}
} // namespace

int main(int argc, char **argv) {
    // Fonts need a GUI application, but never a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    nameTheProgram();

    QString rosterName, out, folder = QCoreApplication::applicationDirPath();
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        bool ok = true;
        if (a == u"--roster")
            ok = value(rosterName);
        else if (a == u"--out" || a == u"--pdf")
            ok = value(out);
        else if (a == u"--app-folder")
            ok = value(folder);
        else if (a == u"--help" || a == u"-h")
            return usage(nullptr);
        else
            return usage(qPrintable(QStringLiteral("unknown argument %1").arg(a)));
        if (!ok)
            return usage(qPrintable(QStringLiteral("%1 needs a value").arg(a)));
    }
    if (rosterName.isEmpty() || out.isEmpty())
        return usage("--roster and --out are required");
    const std::optional<Roster> roster = rosterByName(rosterName);
    if (!roster)
        return usage(qPrintable(QStringLiteral("unknown roster \"%1\"").arg(rosterName)));

    const QString outPath = QFileInfo(out).absoluteFilePath();
    folder = QFileInfo(folder).absoluteFilePath();
    setAppFolder(folder);
    // The data source is relative to the working folder, as in the program.
    if (!QDir::setCurrent(folder)) {
        std::fprintf(stderr, "qmr-roster: no application folder at %s\n", qPrintable(folder));
        return 1;
    }
    DataReportEnvironment env;
    const QString roll = env.conReport.dataSource();
    if (!QFileInfo(roll).isFile()) {
        std::fprintf(stderr, "qmr-roster: no roll at %s\n", qPrintable(roll));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    try {
        env.execute(*roster);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qmr-roster: cannot read the roll %s: %s\n", qPrintable(roll),
                     e.what());
        return 1;
    }
    const auto report = buildRosterReport(rosterInfo(*roster), env.rs(*roster));
    const int pages = report->writePdf(outPath);
    if (pages < 0) {
        std::fprintf(stderr, "qmr-roster: cannot write %s\n", qPrintable(outPath));
        return 1;
    }
    std::printf("%d pages, %d members written to %s in %lld ms\n", pages,
                env.rs(*roster)->recordCount(), qPrintable(outPath),
                static_cast<long long>(timer.elapsed()));
    return 0;
}
