#include "modGlobal.h"
#include "component/Component.h"
#include "core/Failure.h"
#include "system/System.h"
#include "ui/Pointer.h"
#include "ui/TextLimit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <vector>

std::unique_ptr<_libClub> objClub;
RecordsetPtr rsClub;
QString strClubName;
QString strProcedure;
QStringList itmMember;

namespace {
std::vector<std::function<void()>> &releases() {
    static std::vector<std::function<void()>> list;
    return list;
}
WindowHost g_host;
} // namespace

void NewClub() {
    objClub.reset();
    objClub.reset(createObjectAs<_libClub>(QString::fromLatin1(libClubClassName)));
}

_libClub &club() {
    if (!objClub)
        throwObjectNotSet();
    return *objClub;
}

_libClub2 &club2() {
    auto *i = qobject_cast<_libClub2 *>(dynamic_cast<QObject *>(&club()));
    if (!i)
        throwInterfaceNotSupported(QString::fromLatin1(libClubClassName));
    return *i;
}

void CloseRecordset() {
    skipOnFailure([] {
        if (rsClub && rsClub->isOpen())
            rsClub->close();
    });
    rsClub.reset();
}

void TrimTextFields(QWidget *form) {
    if (!form)
        return;
    const auto children = form->findChildren<QWidget *>();
    for (QWidget *w : children) {
        skipOnFailure([&] {
            if (auto *t = qobject_cast<QTextEdit *>(w)) {
                const QString trimmed = trimBlanks(t->toPlainText());
                if (trimmed != t->toPlainText())
                    t->setPlainText(trimmed);
            } else if (auto *p = qobject_cast<QPlainTextEdit *>(w)) {
                const QString trimmed = trimBlanks(p->toPlainText());
                if (trimmed != p->toPlainText())
                    p->setPlainText(trimmed);
            } else if (auto *l = qobject_cast<QLineEdit *>(w)) {
                // A list's own edit line is part of the list, not a text box.
                if (!qobject_cast<QComboBox *>(l->parentWidget()))
                    l->setText(trimBlanks(l->text()));
            }
        });
    }
}

bool Pause(qint16 seconds) {
    auto wholeSeconds = [] {
        QDateTime t = currentDateTime();
        t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
        return t;
    };
    const QDateTime start = wholeSeconds();
    // Spins on purpose: the windows keep repainting while the clock is watched.
    while (start.secsTo(wholeSeconds()) <= seconds)
        processEvents();
    return true;
}

void EndProgram() {
    for (const auto &release : releases())
        skipOnFailure(release);
    skipOnFailure([] { objClub.reset(); });
    skipOnFailure([] { QDir::setCurrent(appFolder()); });
    skipOnFailure([] { setPointer(Pointer::Default); });
    endProcess(0);
}

void releaseAtEnd(std::function<void()> release) {
    releases().push_back(std::move(release));
}

void UnloadForm(QWidget *form) {
    if (!form)
        return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        sub->close();
    else
        form->close();
}

QPixmap loadPicture(const QString &path) {
    if (!QFileInfo::exists(path))
        throw Failure(ErrNo::FileNotFound, QStringLiteral("File not found"));
    QPixmap p;
    if (!p.load(path))
        throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    return p;
}

void setWindowHost(WindowHost host) {
    g_host = std::move(host);
}

QWidget *mainWindow() {
    return g_host.window ? g_host.window() : nullptr;
}

void showInMainWindow(QWidget *form) {
    if (g_host.add && g_host.add(form))
        return;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
}

void cascadeMainWindow() {
    if (g_host.cascade)
        g_host.cascade();
}

quint32 GetRootKey(bool r1, bool r2, bool r3, bool r4, bool r5, bool r6, bool r7) {
    if (r1)
        return Registry::ClassesRoot;
    if (r2)
        return Registry::CurrentConfig;
    if (r3)
        return Registry::CurrentUser;
    if (r4)
        return Registry::DynData;
    if (r5)
        return Registry::LocalMachine;
    if (r6)
        return Registry::PerformanceData;
    if (r7)
        return Registry::Users;
    return 0;
}

QString GetRegString(const QString &keyPath, const QString &valueName, bool r1, bool r2, bool r3,
                     bool r4, bool r5, bool r6, bool r7, bool addSeparator) {
    QString result;
    const Registry::Key key =
        Registry::openKey(GetRootKey(r1, r2, r3, r4, r5, r6, r7), keyPath, Registry::FullAccess);
    if (key) {
        if (const auto value = Registry::queryString(key, valueName)) {
            if (value->isEmpty()) {
                Registry::closeKey(key);
                throw Failure(ErrNo::Unexpected,
                              QStringLiteral("Invalid procedure call or argument"));
            }
            result = trimBlanks(*value);
            if (addSeparator && !result.endsWith(u'\\'))
                result += u'\\';
        }
    }
    Registry::closeKey(key);
    return result;
}

QString versionText() {
    return QStringLiteral("%1.%2").arg(QMR_VERSION_MAJOR).arg(QMR_VERSION_MINOR);
}
