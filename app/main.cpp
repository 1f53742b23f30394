#include "shell/modMain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(QMR_VERSION_MAJOR).arg(QMR_VERSION_MINOR));
    if (!Main())
        return 0;
    return app.exec();
}
