#include "frmMain.h"
#include "modGlobal.h"
#include "modMain.h"
#include "system/System.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiArea>

namespace {
QPointer<frmMain> g_main;
}

frmMain *frmMain::load()
{
    if (!g_main) {
        g_main = new frmMain;
        g_main->Form_Load();
    }
    return g_main;
}

frmMain *frmMain::instance()
{
    return g_main;
}

frmMain::frmMain() : m_mdi(new QMdiArea(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(m_mdi);
}

void frmMain::Form_Load()
{
    setPointer(Pointer::Arrow);
    const std::function<void()> steps[] = {
        [] { QApplication::clipboard()->clear(); },
        [] { NewClub(); },
        [this] { setWindowTitle(QStringLiteral("Quillmere v") + versionText()); },
        [] { setPointer(Pointer::Arrow); },
    };
    for (const auto &step : steps) {
        try {
            step();
        } catch (const Failure &f) {
            if (f.number() == ErrNo::ObjectNotSet || f.number() == ErrNo::InterfaceNotSupported)
                startCommand(QString::fromLatin1(RegisterCommand), true);
            // A failure here reaches the start-up handler.
            NewClub();
        }
    }
}

void frmMain::addChild(QWidget *form)
{
    QMdiSubWindow *sub = m_mdi->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
}

void frmMain::raiseChild(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        sub->show();
        m_mdi->setActiveSubWindow(sub);
    }
    form->show();
    m_mdi->cascadeSubWindows();
}

void UnloadForm(QWidget *form)
{
    if (!form)
        return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        sub->close();
    else
        form->close();
}
