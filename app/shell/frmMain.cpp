#include "frmMain.h"
#include "backup/RollBackup.h"
#include "backup/frmRestore.h"
#include "clubdetails/frmEditClubData.h"
#include "common/modGlobal.h"
#include "dues/frmDues.h"
#include "dues/frmRecordPayment.h"
#include "exchange/UndoImport.h"
#include "exchange/frmCopyEmails.h"
#include "exchange/frmExportMembers.h"
#include "exchange/frmImportMembers.h"
#include "frmAbout.h"
#include "help/HelpWindow.h"
#include "history/frmDeletedMembers.h"
#include "history/frmMemberHistory.h"
#include "labels/frmMailingLabels.h"
#include "members/frmAddMem.h"
#include "members/frmDeleteMem.h"
#include "members/frmEditMem.h"
#include "members/frmFindMember.h"
#include "modMain.h"
#include "reports/ReportCommands.h"
#include "reports/Rosters.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QMdiArea>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>

namespace {
QPointer<frmMain> g_main;

enum class Row { Menu, Item, Separator };

struct MenuEntry {
    Row row;
    const char *caption;
    const char *control;
    MenuCommand command = MenuCommand::None;
    Roster roster = Roster::All;
    QKeySequence::StandardKey key = QKeySequence::UnknownKey;
};

// The menu bar, top to bottom. Separators are named because they are controls of the window.
constexpr MenuEntry MenuTable[] = {
    {Row::Menu, "&Add", "mnuAdd"},
    {Row::Item, "Add New Member", "mnuAddNewMember", MenuCommand::AddNewMember},
    {Row::Separator, "-", "A0"},
    {Row::Item, "e&Xit", "mnuAddExit", MenuCommand::Exit},
    {Row::Menu, "&Edit", "mnuEdit"},
    {Row::Item, "Edit Member", "mnuEditMember", MenuCommand::EditMember},
    {Row::Separator, "-", "E0"},
    {Row::Item, "Edit Club Details", "mnuEditClubDetails", MenuCommand::EditClubDetails},
    {Row::Menu, "&Utils", "mnuUtils"},
    {Row::Item, "Delete Member Record", "mnuUtilsDeleteMember", MenuCommand::DeleteMember},
    {Row::Menu, "&Reports", "mnuReports"},
    {Row::Item, "Membership Roster", "mnuReportsMembershipRoll", MenuCommand::Report, Roster::All},
    {Row::Separator, "-", "R0"},
    {Row::Item, "Regular Members", "mnuReportsRegularMembers", MenuCommand::Report,
     Roster::Regular},
    {Row::Separator, "-", "R1"},
    {Row::Item, "Family Members", "mnuReportsFamilyMembers", MenuCommand::Report, Roster::Family},
    {Row::Separator, "-", "H6"},
    {Row::Item, "Life Members", "mnuReportsLifeMembers", MenuCommand::Report, Roster::Life},
    {Row::Separator, "-", "R2"},
    {Row::Item, "Senior Members", "mnuReportsSeniorMembers", MenuCommand::Report, Roster::Senior},
    {Row::Separator, "-", "R3"},
    {Row::Item, "Sports Members", "mnuReportsSportsMembers", MenuCommand::Report, Roster::Sports},
    {Row::Separator, "-", "R4"},
    {Row::Item, "Pool Members", "mnuReportsPoolMembers", MenuCommand::Report, Roster::Pool},
    {Row::Separator, "-", "R5"},
    {Row::Item, "Junior Members", "mnuReportsJuniorMembers", MenuCommand::Report, Roster::Junior},
    {Row::Menu, "&Tools", "mnuTools"},
    {Row::Item, "Find Member...", "mnuToolsFindMember", MenuCommand::FindMember, Roster::All,
     QKeySequence::Find},
    {Row::Separator, "-", "T0"},
    {Row::Item, "Member History...", "mnuToolsMemberHistory", MenuCommand::MemberHistory},
    {Row::Item, "Recently Deleted", "mnuToolsRecentlyDeleted", MenuCommand::RecentlyDeleted},
    {Row::Separator, "-", "T1"},
    {Row::Item, "Back Up Now...", "mnuToolsBackUpNow", MenuCommand::BackUpNow},
    {Row::Item, "Restore From Backup...", "mnuToolsRestore", MenuCommand::RestoreFromBackup},
    {Row::Separator, "-", "T2"},
    {Row::Item, "Import Members...", "mnuToolsImportMembers", MenuCommand::ImportMembers},
    {Row::Item, "Undo Last Import", "mnuToolsUndoImport", MenuCommand::UndoLastImport},
    {Row::Separator, "-", "T3"},
    {Row::Item, "Export Members...", "mnuToolsExportMembers", MenuCommand::ExportMembers},
    {Row::Item, "Copy E-mail Addresses", "mnuToolsCopyEmails", MenuCommand::CopyEmailAddresses},
    {Row::Separator, "-", "T4"},
    {Row::Item, "Record Dues Payment...", "mnuToolsRecordPayment", MenuCommand::RecordDuesPayment},
    {Row::Item, "Dues and Renewals...", "mnuToolsDues", MenuCommand::DuesAndRenewals},
    {Row::Separator, "-", "T5"},
    {Row::Item, "Mailing Labels...", "mnuToolsMailingLabels", MenuCommand::MailingLabels},
    {Row::Menu, "&Window", "mnuWindow"},
    {Row::Item, "Cascade", "mnuWindowCascade", MenuCommand::Cascade},
    {Row::Separator, "-", "W0"},
    {Row::Item, "Tile Vertically", "mnuWindowV", MenuCommand::TileVertically},
    {Row::Separator, "-", "W1"},
    {Row::Item, "Tile Horizontally", "mnuWindowH", MenuCommand::TileHorizontally},
    {Row::Separator, "-", "W2"},
    {Row::Item, "Arrange Icons", "mnuWindowArrangeIcons", MenuCommand::ArrangeIcons},
    {Row::Menu, "&Help", "mnuHelp"},
    {Row::Item, "User Help", "mnuShowHelp", MenuCommand::UserHelp},
    {Row::Separator, "-", "H0"},
    {Row::Item, "Check For Update", "mnuHelpCheckUpdates", MenuCommand::CheckForUpdate},
    {Row::Separator, "-", "H2"},
    {Row::Item, "About", "mnuHelpAbout", MenuCommand::About},
};

// The client area paints the club's picture scaled to fill it, behind the child windows.
class ClubArea : public QMdiArea {
public:
    using QMdiArea::QMdiArea;
    QPixmap picture;

protected:
    void paintEvent(QPaintEvent *event) override {
        QMdiArea::paintEvent(event);
        if (picture.isNull())
            return;
        QPainter p(viewport());
        const QSize size =
            picture.size().scaled(viewport()->size(), Qt::KeepAspectRatioByExpanding);
        QRect target(QPoint(), size);
        target.moveCenter(viewport()->rect().center());
        p.drawPixmap(target, picture);
    }
};

QString helpFolderFile(const char *name) {
    return appPath(QStringLiteral("\\help\\") + QString::fromLatin1(name));
}
} // namespace

frmMain *frmMain::load() {
    if (!g_main) {
        g_main = new frmMain;
        setWindowHost({
            [] { return static_cast<QWidget *>(frmMain::instance()); },
            [](QWidget *form) {
                frmMain *main = frmMain::instance();
                if (!main || !main->mdiArea())
                    return false;
                QMdiSubWindow *sub = main->mdiArea()->addSubWindow(form);
                sub->setAttribute(Qt::WA_DeleteOnClose);
                sub->show();
                main->mdiArea()->setActiveSubWindow(sub);
                return true;
            },
            [] {
                if (frmMain *main = frmMain::instance())
                    main->mdiArea()->cascadeSubWindows();
            },
        });
        g_main->Form_Load();
    }
    return g_main;
}

frmMain *frmMain::instance() {
    return g_main;
}

frmMain::frmMain()
    : m_mdi(new ClubArea(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(m_mdi);
    // A form larger than the client area scrolls into view instead of being cut off.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    buildMenus();
    // The window opens on the screen the user works on.
    if (QScreen *s = QGuiApplication::screenAt(QCursor::pos()))
        setScreen(s);
    fitClientArea(preferredClientSize());
    installContextHelp([] {
        const QString file = appHelpFile();
        return file.isEmpty() ? helpFolderFile("qmr.hlp") : file;
    });
}

void frmMain::buildMenus() {
    QMenu *menu = nullptr;
    for (const MenuEntry &e : MenuTable) {
        const QString caption = QString::fromLatin1(e.caption);
        const QString control = QString::fromLatin1(e.control);
        switch (e.row) {
        case Row::Menu:
            menu = menuBar()->addMenu(caption);
            menu->setObjectName(control);
            menu->menuAction()->setObjectName(control);
            break;
        case Row::Separator:
            menu->addSeparator()->setObjectName(control);
            break;
        case Row::Item: {
            QAction *a = menu->addAction(caption);
            a->setObjectName(control);
            if (e.key != QKeySequence::UnknownKey)
                a->setShortcut(e.key);
            const MenuCommand command = e.command;
            const Roster roster = e.roster;
            connect(a, &QAction::triggered, this,
                    [this, command, roster] { run(command, roster); });
            break;
        }
        }
    }
}

QPixmap frmMain::backgroundPicture() const {
    return static_cast<ClubArea *>(m_mdi)->picture;
}

void frmMain::Form_Load() {
    setPointer(Pointer::Arrow);
    const std::function<void()> steps[] = {
        [] { QApplication::clipboard()->clear(); },
        [] { NewClub(); },
        [this] { setWindowTitle(QStringLiteral("Quillmere v") + versionText()); },
        [this] {
            auto *area = static_cast<ClubArea *>(m_mdi);
            area->picture = QPixmap();
            area->picture = loadPicture(appPath(QStringLiteral("\\images\\Club_01.jpg")));
            area->viewport()->update();
        },
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

void frmMain::run(MenuCommand command, Roster roster) {
    // Every command skips what fails; nothing may escape into the event loop.
    skipOnFailure([&] {
        switch (command) {
        case MenuCommand::None:
            break;
        case MenuCommand::AddNewMember:
            showChild(m_addMem);
            break;
        case MenuCommand::Exit:
            EndProgram();
            break;
        case MenuCommand::EditMember:
            openMemberList(true);
            break;
        case MenuCommand::DeleteMember:
            openMemberList(false);
            break;
        case MenuCommand::EditClubDetails:
            setWindowPointer(this, Pointer::Default);
            showChild(m_editClub);
            break;
        case MenuCommand::Report:
            RunRosterCommand(roster);
            break;
        case MenuCommand::FindMember:
            openFindMember();
            break;
        case MenuCommand::MemberHistory:
            showChild(m_history);
            break;
        case MenuCommand::RecentlyDeleted:
            openRecentlyDeleted();
            break;
        case MenuCommand::BackUpNow:
            BackUpNow(this);
            break;
        case MenuCommand::RestoreFromBackup:
            showChild<frmRestore>(m_restore, [this](frmRestore *form) {
                form->setOpenWindows([this, form] { return otherChildTitles(form); });
            });
            break;
        case MenuCommand::ImportMembers:
            showChild<frmImportMembers>(m_import, [this](frmImportMembers *form) {
                form->setOpenWindows([this, form] { return otherChildTitles(form); });
            });
            break;
        case MenuCommand::UndoLastImport:
            exchange::undoLastImport([this] { return otherChildTitles(nullptr); });
            break;
        case MenuCommand::ExportMembers: {
            frmExportMembers form(this);
            form.exec();
            break;
        }
        case MenuCommand::CopyEmailAddresses: {
            frmCopyEmails form(this);
            form.exec();
            break;
        }
        case MenuCommand::RecordDuesPayment:
            openRecordPayment();
            break;
        case MenuCommand::DuesAndRenewals:
            openDues();
            break;
        case MenuCommand::MailingLabels:
            showChild(m_labels);
            break;
        case MenuCommand::Cascade:
            Arrange(ArrangeCode::Cascade);
            break;
        case MenuCommand::TileVertically:
            Arrange(ArrangeCode::TileVertical);
            break;
        case MenuCommand::TileHorizontally:
            Arrange(ArrangeCode::TileHorizontal);
            break;
        case MenuCommand::ArrangeIcons:
            Arrange(ArrangeCode::ArrangeIcons);
            break;
        case MenuCommand::UserHelp:
            HelpWindow::showContents(helpFolderFile("Tarnwell.hlp"));
            break;
        case MenuCommand::CheckForUpdate:
            checkForUpdate();
            break;
        case MenuCommand::About:
            frmAbout::showModal(this);
            break;
        }
    });
}

void frmMain::openMemberList(bool forEditing) {
    setWindowPointer(this, Pointer::Busy);
    bool none = true;
    // A list that cannot be read counts as no members.
    skipOnFailure([&] {
        rsClub = std::make_shared<Recordset>();
        rsClub = club().RefreshMembers();
        none = !rsClub || rsClub->isEmpty();
    });
    CloseRecordset();
    setWindowPointer(this, Pointer::Default);
    if (none) {
        MsgBox(forEditing ? QStringLiteral("No Member records were found to edit! ")
                          : QStringLiteral("No Member records were found to delete! "),
               Mb::Exclamation | Mb::OKOnly, appTitle());
        return;
    }
    if (forEditing)
        showChild(m_editMem);
    else
        showChild(m_deleteMem);
}

void frmMain::openFindMember() {
    // Members may have been added or changed since an open one was filled.
    if (m_findMem)
        m_findMem->FillMemberList();
    showChild<frmFindMember>(m_findMem, [this](frmFindMember *form) {
        connect(form, &frmFindMember::memberChosen, this, [this](const QString &id) {
            skipOnFailure([&] {
                openMemberList(true);
                if (m_editMem)
                    m_editMem->pickMember(id);
            });
        });
    });
}

void frmMain::openRecentlyDeleted() {
    showChild<frmDeletedMembers>(m_deleted, [this](frmDeletedMembers *form) {
        connect(form, &frmDeletedMembers::historyAsked, this, [this](const QString &id) {
            skipOnFailure([&] { showChild(m_history)->showMember(id); });
        });
    });
}

void frmMain::openRecordPayment(const QString &memberId) {
    // Members may have been added or changed since an open one was filled.
    if (m_recordPayment)
        m_recordPayment->FillMemberList();
    frmRecordPayment *form = showChild(m_recordPayment);
    if (!memberId.isEmpty())
        form->chooseMember(memberId);
}

void frmMain::openDues() {
    showChild<frmDues>(m_dues, [this](frmDues *form) {
        connect(form, &frmDues::recordPaymentFor, this,
                [this](const QString &id) { skipOnFailure([&] { openRecordPayment(id); }); });
    });
}

QStringList frmMain::otherChildTitles(const QWidget *except) const {
    QStringList titles;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (sub->widget() && sub->widget() != except)
            titles << sub->widget()->windowTitle();
    return titles;
}

void frmMain::checkForUpdate() {
    const QString opener = GetRegString(QStringLiteral("htmlfile\\shell\\open\\command"), QString(),
                                        true, false, false, false, false, false, false, false);
    // Without an opener the command line would be the address alone, started as a program.
    if (opener.isEmpty())
        return;
    startCommand(opener + u' ' + QString::fromLatin1(UpdatePage), false);
}

void frmMain::Arrange(int code) {
    switch (code) {
    case ArrangeCode::Cascade:
        cascade();
        break;
    case ArrangeCode::TileHorizontal:
        tile(false);
        break;
    case ArrangeCode::TileVertical:
        tile(true);
        break;
    case ArrangeCode::ArrangeIcons:
        arrangeIcons();
        break;
    default:
        break;
    }
}

namespace {
// The windows a cascade arranges, in the order they were opened.
QList<QMdiSubWindow *> cascaded(QMdiArea *area) {
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sub : area->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && !sub->isMinimized())
            windows << sub;
    return windows;
}

// Each window of a cascade stands one title bar lower and further right than the one before.
QPoint cascadeStep(QMdiSubWindow *sub) {
    const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    return {step, step};
}
} // namespace

void frmMain::cascade() {
    const QList<QMdiSubWindow *> windows = cascaded(m_mdi);
    if (windows.isEmpty())
        return;
    for (QMdiSubWindow *sub : windows)
        if (sub->isMaximized())
            sub->showNormal();
    auto least = [](QMdiSubWindow *sub) {
        return sub->minimumSizeHint().expandedTo(sub->minimumSize());
    };
    // The area less the scroll bars that a window larger than it brings; one scroll bar may
    // make room for the other.
    QSize needed;
    for (QMdiSubWindow *sub : windows)
        needed = needed.expandedTo(least(sub));
    const QSize full = m_mdi->maximumViewportSize();
    const int bar = m_mdi->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_mdi);
    QSize room = full;
    for (int pass = 0; pass < 2; ++pass)
        room = QSize(needed.height() > room.height() ? full.width() - bar : full.width(),
                     needed.width() > room.width() ? full.height() - bar : full.height());
    const QRect area(QPoint(), room);
    const QPoint step = cascadeStep(windows.first());
    for (int i = 0; i < int(windows.size()); ++i) {
        QMdiSubWindow *sub = windows[i];
        // Smaller than it asks to be where the area is small, never smaller than it can be.
        const QSize size = sub->sizeHint().boundedTo(area.size()).expandedTo(least(sub));
        // A window that would run past the area steps back into it, so that its buttons stay
        // in sight; one larger than the area starts at its corner and the area scrolls.
        QPoint at = area.topLeft() + step * i;
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
        sub->setGeometry(QRect(at, size));
    }
}

void frmMain::tile(bool sideBySide) {
    QList<QMdiSubWindow *> windows;
    int iconRow = 0;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isVisible())
            continue;
        if (sub->isMinimized())
            iconRow = std::max(iconRow, sub->height());
        else
            windows << sub;
    }
    if (windows.isEmpty())
        return;
    // The row of minimized windows along the bottom stays free.
    QRect area = m_mdi->viewport()->rect();
    area.setBottom(area.bottom() - iconRow);
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = windows[i];
        if (sub->isMaximized())
            sub->showNormal();
        QRect r;
        if (sideBySide) {
            const int x0 = area.left() + area.width() * i / n;
            const int x1 = area.left() + area.width() * (i + 1) / n;
            r = QRect(x0, area.top(), x1 - x0, area.height());
        } else {
            const int y0 = area.top() + area.height() * i / n;
            const int y1 = area.top() + area.height() * (i + 1) / n;
            r = QRect(area.left(), y0, area.width(), y1 - y0);
        }
        sub->setGeometry(r);
    }
}

void frmMain::arrangeIcons() {
    QList<QMdiSubWindow *> icons;
    int rowHeight = 0;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isVisible() && sub->isMinimized()) {
            icons << sub;
            rowHeight = std::max(rowHeight, sub->height());
        }
    }
    const QRect area = m_mdi->viewport()->rect();
    int x = area.left();
    int y = area.bottom() + 1 - rowHeight;
    // Left to right along the bottom; a full row continues on the row above it.
    for (QMdiSubWindow *sub : icons) {
        if (x > area.left() && x + sub->width() > area.right() + 1) {
            x = area.left();
            y -= rowHeight;
        }
        sub->move(x, y + rowHeight - sub->height());
        x += sub->width();
    }
}

void frmMain::closeEvent(QCloseEvent *event) {
    // The child windows close first and may refuse; then the program ends.
    m_mdi->closeAllSubWindows();
    if (!m_mdi->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void frmMain::addChild(QWidget *form) {
    QMdiSubWindow *sub = m_mdi->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
}

void frmMain::raiseChild(QWidget *form) {
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        sub->show();
        m_mdi->setActiveSubWindow(sub);
    }
    form->show();
    // Room for the whole cascade, each window at the size it asks for, where the screen has it.
    const QList<QMdiSubWindow *> windows = cascaded(m_mdi);
    if (!windows.isEmpty()) {
        const QPoint step = cascadeStep(windows.first());
        QSize need;
        for (int i = 0; i < int(windows.size()); ++i)
            need = need.expandedTo(windows[i]->sizeHint() + QSize(step.x(), step.y()) * i);
        fitClientArea(need);
    }
    cascade();
}

QSize frmMain::preferredClientSize() const {
    // The edit form is as wide as its member list asks (at most 1000) and about fifty lines
    // of text high; the rest is room for the cascade.
    return {1100, fontMetrics().height() * 54};
}

void frmMain::fitClientArea(QSize client) {
    if (isMaximized() || isFullScreen())
        return;
    QScreen *s = screen();
    if (!s)
        return;
    const QRect available = s->availableGeometry();
    // The window manager's frame is known once the window is shown; until then a title bar
    // and a border are assumed.
    QSize frame = frameGeometry().size() - size();
    if (!isVisible()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        frame = QSize(2 * border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * border);
    }
    const QSize chrome =
        isVisible() ? size() - m_mdi->size() : QSize(0, menuBar()->sizeHint().height());
    QSize wanted = client + chrome;
    if (isVisible())
        wanted = wanted.expandedTo(size());
    const QSize room = available.size() - frame;
    if (wanted.width() > room.width() || wanted.height() > room.height()) {
        // The screen is too small for it: the window takes the whole of it, and restored it
        // still fits.
        resize(wanted.boundedTo(room));
        move(available.topLeft());
        if (isVisible())
            showMaximized();
        else
            setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    const QRect before = frameGeometry();
    resize(wanted);
    const QSize outer = wanted + frame;
    // A window opening is centred; one that grows stays where it is as far as the screen lets.
    QPoint at = isVisible() ? before.topLeft()
                            : available.topLeft()
                                  + QPoint((available.width() - outer.width()) / 2,
                                           (available.height() - outer.height()) / 2);
    at.setX(std::max(available.left(), std::min(at.x(), available.right() + 1 - outer.width())));
    at.setY(std::max(available.top(), std::min(at.y(), available.bottom() + 1 - outer.height())));
    move(at);
}
