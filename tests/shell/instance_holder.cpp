// Claims the single-instance lock of an application folder and keeps it until killed.
#include "system/System.h"

#include <QCoreApplication>
#include <cstdio>
#include <thread>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    setAppFolder(app.arguments().value(1));
    std::puts(anotherInstanceRunning() ? "refused" : "claimed");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
