// Start-up probe: the program's own start-up (Main) in a process that reports the moment the
// splash window is exposed, then ends at once. The product itself carries no timing hook;
// the parent notes the clock before it starts this process, so the difference covers exec,
// dynamic loading, the application object and Main up to the splash on screen.
//
//   qmr-splash-probe --app-folder DIR
// prints "splash <monotonic ns>" (or "main <ns>" when the main window came without a splash).
#include "shell/modMain.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

long long monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

class ExposeWatch : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Expose)
            return false;
        auto *window = qobject_cast<QWindow *>(watched);
        if (!window || !window->isExposed())
            return false;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->windowHandle() != window)
                continue;
            const char *what = w->inherits("frmSplash") ? "splash"
                               : w->inherits("frmMain") ? "main"
                                                        : nullptr;
            if (!what)
                return false;
            std::printf("%s %lld\n", what, monotonicNs());
            std::fflush(stdout);
            // Nothing after the splash is measured; skip the seven-second progress.
            _exit(0);
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv) {
    // Same application object and names as the program's own main().
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(QMR_VERSION_MAJOR).arg(QMR_VERSION_MINOR));
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--app-folder"));
    if (at < 0 || at + 1 >= args.size()) {
        std::fprintf(stderr, "usage: qmr-splash-probe --app-folder DIR\n");
        return 2;
    }
    setAppFolder(args[at + 1]);
    // A message box means start-up did not go its normal way; say which, do not wait for a person.
    setMsgBoxHandler([](const MsgBoxRequest &r) {
        std::printf("message %s\n", qPrintable(QString(r.prompt).replace(u'\n', u' ')));
        std::fflush(stdout);
        return Mb::OK;
    });
    ExposeWatch watch;
    app.installEventFilter(&watch);
    // Without a splash (its picture missing) the main window comes first; wait for it.
    if (Main()) {
        QTimer::singleShot(20000, &app, [] {
            std::printf("none %lld\n", monotonicNs());
            std::fflush(stdout);
            _exit(3);
        });
        app.exec();
    }
    std::printf("none %lld\n", monotonicNs());
    return 3;
}
