// Claims the single-instance lock of an application folder's roll, as the program does, and
// keeps it until killed. Named like the program, so a live holder is never taken for stale.
#include "system/System.h"

#include <QCoreApplication>
#include <cstdio>
#include <thread>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    setInstanceLockSuffix(QStringLiteral(".inuse"));
    setAppFolder(app.arguments().value(1));
    std::puts(anotherInstanceRunning(appPath(QStringLiteral("\\club\\club.qmr"))) ? "refused"
                                                                                  : "claimed");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
