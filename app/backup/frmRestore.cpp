#include "frmRestore.h"
#include "RollBackup.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int RestorableRole = Qt::UserRole + 1;

QString kindText(BackupFolder::Reason reason) {
    switch (reason) {
    case BackupFolder::Reason::Automatic:
        return QStringLiteral("Automatic");
    case BackupFolder::Reason::BeforeMigration:
        return QStringLiteral("Before an update of the roll");
    case BackupFolder::Reason::BeforeRestore:
        return QStringLiteral("Before a restore");
    case BackupFolder::Reason::BeforeImport:
        return QStringLiteral("Before an import");
    }
    return {};
}

QString stateText(const RollSummary &s) {
    using State = DatabaseSummary::State;
    switch (s.state) {
    case State::Sound:
        return s.newer ? QStringLiteral("Newer version") : QStringLiteral("Sound");
    case State::Foreign:
        return QStringLiteral("Not a roll");
    case State::Damaged:
        return QStringLiteral("Damaged");
    case State::Unreadable:
        return QStringLiteral("Cannot be read");
    }
    return {};
}

QString dateText(const QDateTime &t) {
    const QLocale l;
    return l.toString(t.date(), QLocale::ShortFormat) + u' '
           + l.toString(t.time(), QLocale::ShortFormat);
}

} // namespace

frmRestore::frmRestore(OpenWindows openWindows, QWidget *parent)
    : QWidget(parent)
    , m_openWindows(std::move(openWindows)) {
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(appTitle() + QStringLiteral(" - Restore From Backup"));
    lblHint = new QLabel(QStringLiteral("Choose the backup to put in place of the roll. The roll "
                                        "as it is now is backed up first."),
                         this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setWordWrap(true);
    lvBackups = new QTreeWidget(this);
    lvBackups->setObjectName(QStringLiteral("lvBackups"));
    lvBackups->setAccessibleName(QStringLiteral("Backups"));
    lvBackups->setRootIsDecorated(false);
    lvBackups->setUniformRowHeights(true);
    lvBackups->setAllColumnsShowFocus(true);
    lvBackups->setHeaderLabels({QStringLiteral("Made"), QStringLiteral("Members"),
                                QStringLiteral("Club"), QStringLiteral("Condition"),
                                QStringLiteral("Kind"), QStringLiteral("File")});
    lvBackups->headerItem()->setTextAlignment(MembersColumn, Qt::AlignRight | Qt::AlignVCenter);
    cmdOtherFile =
        formButton(this, QStringLiteral("Other &File..."), QStringLiteral("cmdOtherFile"));
    cmdRestore = formButton(this, QStringLiteral("Rest&ore"), QStringLiteral("cmdRestore"));
    cmdClose = formButton(this, QStringLiteral("&Close"), QStringLiteral("cmdClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOtherFile);
    buttons->addStretch(1);
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHint);
    layout->addWidget(lvBackups, 1);
    layout->addLayout(buttons);

    connect(cmdOtherFile, &QPushButton::clicked, this, [this] { guarded([this] { pickFile(); }); });
    connect(cmdRestore, &QPushButton::clicked, this, [this] { guarded([this] { Restore(); }); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { UnloadForm(this); });
    connect(lvBackups, &QTreeWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
    connect(lvBackups, &QTreeWidget::itemDoubleClicked, this,
            [this] { guarded([this] { Restore(); }); });
    skipOnFailure([] { NewClub(); });
    guarded([this] { FillBackupList(); });
}

QSize frmRestore::sizeHint() const {
    return {fontMetrics().averageCharWidth() * 110, fontMetrics().height() * 22};
}

void frmRestore::FillBackupList() {
    setPointer(Pointer::Busy);
    const QString chosen = selectedPath();
    lvBackups->clear();
    for (const QString &path : std::as_const(m_picked))
        addRow(path, QStringLiteral("Picked file"));
    for (const BackupFolder::Entry &e : rollBackups().entries())
        if (!m_picked.contains(e.path))
            addRow(e.path, kindText(e.reason));
    for (int c = 0; c < lvBackups->columnCount(); ++c)
        lvBackups->resizeColumnToContents(c);
    QTreeWidgetItem *select = lvBackups->topLevelItemCount() ? lvBackups->topLevelItem(0) : nullptr;
    for (int i = 0; i < lvBackups->topLevelItemCount(); ++i)
        if (lvBackups->topLevelItem(i)->data(DateColumn, PathRole).toString() == chosen)
            select = lvBackups->topLevelItem(i);
    lvBackups->setCurrentItem(select);
    selectionChanged();
    setPointer(Pointer::Default);
}

void frmRestore::addRow(const QString &path, const QString &kind) {
    const RollSummary s = readRollSummary(path);
    auto *item = new QTreeWidgetItem(lvBackups);
    item->setText(DateColumn, dateText(backupDate(path)));
    if (s.state == DatabaseSummary::State::Sound) {
        item->setText(MembersColumn, QLocale().toString(s.members));
        item->setText(ClubColumn, s.clubName);
    }
    item->setTextAlignment(MembersColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(StateColumn, stateText(s));
    item->setText(KindColumn, kind);
    item->setText(FileColumn, QDir::toNativeSeparators(path));
    item->setData(DateColumn, PathRole, path);
    item->setData(DateColumn, RestorableRole, s.restorable());
    const QString tip = s.problem.isEmpty() ? QDir::toNativeSeparators(path) : s.problem;
    for (int c = 0; c < lvBackups->columnCount(); ++c) {
        item->setToolTip(c, tip);
        if (!s.restorable())
            item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
    }
}

QString frmRestore::selectedPath() const {
    const QTreeWidgetItem *item = lvBackups->currentItem();
    return item && item->isSelected() ? item->data(DateColumn, PathRole).toString() : QString();
}

void frmRestore::selectionChanged() {
    const QTreeWidgetItem *item = lvBackups->currentItem();
    cmdRestore->setEnabled(item && item->isSelected()
                           && item->data(DateColumn, RestorableRole).toBool());
}

void frmRestore::pickFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Restore From Backup - Other File"), QString(),
        QStringLiteral("Rolls and backups (*.qmr);;All files (*)"));
    if (!path.isEmpty())
        addFile(path);
}

void frmRestore::addFile(const QString &path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    m_picked.removeAll(file);
    m_picked.prepend(file);
    FillBackupList();
    for (int i = 0; i < lvBackups->topLevelItemCount(); ++i)
        if (lvBackups->topLevelItem(i)->data(DateColumn, PathRole).toString() == file)
            lvBackups->setCurrentItem(lvBackups->topLevelItem(i));
}

void frmRestore::Restore() {
    const QString path = selectedPath();
    if (path.isEmpty()) {
        MsgBox(QStringLiteral("Choose the backup to restore in the list first."),
               Mb::Exclamation | Mb::OKOnly);
        return;
    }
    if (!otherWindowsClosed(m_openWindows, QStringLiteral("restoring the roll")))
        return;
    // Read again: the file may have changed since it was listed.
    const RollSummary backup = readRollSummary(path);
    if (!backup.restorable()) {
        MsgBox(QStringLiteral("This file cannot be restored; the roll is unchanged.") + LineBreak
                   + LineBreak + backup.problem,
               Mb::Critical | Mb::OKOnly);
        FillBackupList();
        return;
    }
    const QString when = dateText(backupDate(path));
    if (MsgBox(QStringLiteral("Replace the roll with the backup made %1?").arg(when) + LineBreak
                   + LineBreak
                   + QStringLiteral("%1, %2.").arg(backup.clubName, membersText(backup.members))
                   + LineBreak + LineBreak
                   + QStringLiteral("The roll as it is now is backed up first."),
               Mb::Question | Mb::YesNo | Mb::DefaultButton2)
        != Mb::Yes)
        return;
    setPointer(Pointer::Busy);
    bool restored = false;
    QString failure;
    try {
        restored = club2().RestoreRoll(path);
    } catch (...) {
        failure = currentFailure(std::current_exception()).description();
    }
    setPointer(Pointer::Default);
    if (!restored) {
        // The library's own words say what happened to the roll; without them the contract does.
        MsgBox(failure.isEmpty()
                   ? QStringLiteral("The backup was not restored; the roll is as it was.")
                   : QStringLiteral("The backup was not restored.") + QString(2, LineBreak)
                         + failure,
               Mb::Critical | Mb::OKOnly);
        FillBackupList();
        return;
    }
    // What the roll holds now, read from the roll itself.
    const RollSummary now = readRollSummary(rollFile());
    const RollSummary &shown = now.state == DatabaseSummary::State::Sound ? now : backup;
    strClubName = shown.clubName;
    MsgBox(QStringLiteral("The roll was restored from the backup made %1.").arg(when) + LineBreak
               + LineBreak + QStringLiteral("Club: ") + shown.clubName + LineBreak
               + QStringLiteral("Members: ") + QLocale().toString(shown.members),
           Mb::Information | Mb::OKOnly);
    FillBackupList();
}
