#include "ProgramNames.h"
#include "core/Failure.h"
#include "shell/modMain.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QIcon>

namespace {
// The last line of defence: a failure that a window did not handle is shown and the window
// stays usable, instead of unwinding through the event loop.
class TarnwellApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            const Failure f = currentFailure(std::current_exception());
            skipOnFailure([&] {
                MsgBox(QStringLiteral("ERROR # ") + QString::number(f.number()) + LineBreak
                           + LineBreak + f.description(),
                       Mb::Critical | Mb::OKOnly);
            });
            return false;
        }
    }
};
} // namespace

int main(int argc, char **argv) {
    TarnwellApplication app(argc, argv);
    nameTheProgram();
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.velliscar.Quillmere"));
    QApplication::setWindowIcon(QIcon(appPath(QStringLiteral("/images/quillmere.png"))));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(QMR_VERSION_MAJOR).arg(QMR_VERSION_MINOR));
    if (!Main())
        return 0;
    return app.exec();
}
