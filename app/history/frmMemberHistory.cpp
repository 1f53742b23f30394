#include "frmMemberHistory.h"
#include "HistoryText.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "members/ClubAccess.h"
#include "members/MemberFinder.h"
#include "members/MemberList.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <tuple>

using namespace members;
using namespace history;

namespace {
inline constexpr std::array<ListColumn, 6> HistoryListColumns{{
    {"ID", "MemberID", 2, false, false, WidestID},
    {"Last Name", "LName", 4, false, false},
    {"First Name", "FName", 4, false, false},
    {"Mid Name", "MName", 3, false, false},
    {"City", "City", 4, false, false},
    {"Membership", "Membership", 3, false, false},
}};
constexpr int LastNameColumn = 1, FirstNameColumn = 2, MiddleNameColumn = 3;

enum HistoryColumn { WhenColumn, WhoColumn, WhatColumn, DetailsColumn };

QJsonObject recordObject(const Recordset &rs, int row) {
    QJsonObject record;
    for (int c = 0; c < rs.columns().size(); ++c)
        record.insert(rs.columns()[c], QJsonValue::fromVariant(rs.value(row, c)));
    return record;
}
} // namespace

frmMemberHistory::frmMemberHistory(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmMemberHistory"));
    setWindowTitle(appTitle() + QStringLiteral(" - Member History"));
    auto *layout = new QVBoxLayout(this);

    std::tie(finder, lvMember) =
        addFindableList(this, layout, HistoryListColumns, QStringLiteral("Members found"),
                        QStringLiteral(" Select a member to see their history "));

    lblMember = new QLabel(QStringLiteral("Choose a member to see their history."), this);
    lblMember->setObjectName(QStringLiteral("lblMember"));
    QFont bold = lblMember->font();
    bold.setBold(true);
    lblMember->setFont(bold);
    lblMember->setWordWrap(true);
    layout->addWidget(lblMember);

    lvHistory = new QTreeWidget(this);
    lvHistory->setObjectName(QStringLiteral("lvHistory"));
    lvHistory->setAccessibleName(QStringLiteral("Member history"));
    lvHistory->setHeaderLabels({QStringLiteral("When"), QStringLiteral("By"),
                                QStringLiteral("What"), QStringLiteral("Details")});
    lvHistory->setRootIsDecorated(false);
    lvHistory->setAllColumnsShowFocus(true);
    lvHistory->setWordWrap(true);
    lvHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    lvHistory->header()->setStretchLastSection(true);
    const QFontMetrics fm = lvHistory->fontMetrics();
    lvHistory->header()->resizeSection(WhenColumn, fm.horizontalAdvance(u'0') * 22);
    lvHistory->header()->resizeSection(WhoColumn, fm.horizontalAdvance(u'0') * 12);
    lvHistory->header()->resizeSection(WhatColumn, fm.horizontalAdvance(u'0') * 10);
    layout->addWidget(lvHistory, 2);

    auto *buttons = new QHBoxLayout;
    cmdExport =
        formButton(this, QStringLiteral("E&xport This Member's Data..."),
                   QStringLiteral("cmdExport"), QStringLiteral("Export this member's data"));
    cmdErase = formButton(this, QStringLiteral("Era&se..."), QStringLiteral("cmdErase"),
                          QStringLiteral("Erase this member"));
    cmdErase->setToolTip(
        QStringLiteral(" Deletes the member and their personal data in the history, for good "));
    buttons->addWidget(cmdExport);
    buttons->addStretch(1);
    buttons->addWidget(cmdErase);
    layout->addLayout(buttons);
    cmdExport->setEnabled(false);
    cmdErase->setEnabled(false);

    QWidget::setTabOrder(lvMember, lvHistory);
    QWidget::setTabOrder(lvHistory, cmdExport);
    QWidget::setTabOrder(cmdExport, cmdErase);

    askExportPath = [this](const QString &suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export This Member's Data"),
                                            suggested,
                                            QStringLiteral("JSON files (*.json);;All files (*)"));
    };

    connect(lvMember, &MemberList::rowChosen, this, [this] {
        if (m_picking)
            return;
        const QString id = lvMember->selectedRow().value(0);
        if (!id.isEmpty())
            loadHistory(id);
    });
    connect(finder, &MemberFinder::picked, this,
            [this] { lvHistory->setFocus(Qt::OtherFocusReason); });
    connect(lvMember, &MemberList::headerClicked, this,
            [this](int column) { sortByColumn(*lvMember, column); });
    connect(cmdExport, &QPushButton::clicked, this, &frmMemberHistory::cmdExport_Click);
    connect(cmdErase, &QPushButton::clicked, this, &frmMemberHistory::cmdErase_Click);

    skipOnFailure([] { NewClub(); });
    FillMemberList();
}

void frmMemberHistory::FillMemberList() {
    const QScopedValueRollback picking(m_picking, true);
    fillFromRoll(*lvMember);
    skipOnFailure([this] {
        lvMember->rows()->sortByText(FirstNameColumn, Qt::AscendingOrder);
        lvMember->rows()->sortByText(LastNameColumn, Qt::AscendingOrder);
    });
}

void frmMemberHistory::showMember(const QString &memberId) {
    {
        const QScopedValueRollback picking(m_picking, true);
        if (!lvMember->pick(memberId)) {
            // Hidden by what the box finds, added since the list was filled, or deleted.
            finder->txtFind->clear();
            if (!lvMember->pick(memberId)) {
                FillMemberList();
                if (!lvMember->pick(memberId))
                    lvMember->clearSelection();
            }
        }
    }
    loadHistory(memberId);
}

void frmMemberHistory::loadHistory(const QString &memberId) {
    setPointer(Pointer::Busy);
    m_memberId = memberId;
    m_name.clear();
    lvHistory->clear();
    QVector<HistoryRow> rows;
    try {
        const RecordsetPtr rs = club2().MemberHistory(memberId);
        if (!rs)
            throwObjectNotSet();
        rows = historyRows(*rs);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(failureText(QStringLiteral("The member's history could not be read."), f),
               Mb::OKOnly | Mb::Critical);
    }
    // Oldest first, as the library keeps it: the member's story reads from being added to
    // the present, and the list scrolls to its end, where the latest change stands.
    QList<QTreeWidgetItem *> items;
    for (const HistoryRow &row : rows) {
        auto *item = new QTreeWidgetItem;
        item->setText(WhenColumn, whenText(row.changedAt));
        item->setText(WhoColumn, row.userName);
        item->setText(WhatColumn, operationText(row.operation));
        item->setText(DetailsColumn, changeLines(row).join(u'\n'));
        item->setData(WhenColumn, Qt::UserRole, row.historyId);
        for (int c = WhenColumn; c < DetailsColumn; ++c)
            item->setTextAlignment(c, Qt::AlignLeft | Qt::AlignTop);
        items << item;
        // A member no longer on the roll is known by the record their deletion kept.
        if (row.operation == QLatin1String("delete"))
            m_name = memberName(row.changeObject());
    }
    lvHistory->addTopLevelItems(items);
    if (!items.isEmpty())
        lvHistory->scrollToItem(items.last());

    // The history knows best whether the member is on the roll: the list may predate a
    // deletion made in another window.
    const int shown = lvMember->rows()->rowOf(memberId);
    const QString last = rows.isEmpty() ? QString() : rows.last().operation;
    const bool onRoll = rows.isEmpty()
                            ? shown >= 0
                            : last != QLatin1String("delete") && last != QLatin1String("erase");
    if (onRoll && shown >= 0) {
        const QStringList texts = lvMember->rows()->rowTexts(shown);
        QJsonObject listed{{QStringLiteral("LName"), texts.value(LastNameColumn)},
                           {QStringLiteral("FName"), texts.value(FirstNameColumn)},
                           {QStringLiteral("MName"), texts.value(MiddleNameColumn)}};
        m_name = memberName(listed);
    }
    QString caption = QStringLiteral("History of ") + memberTitle();
    if (!onRoll)
        caption += QStringLiteral(", no longer on the roll");
    if (rows.isEmpty())
        caption += QStringLiteral(": no change recorded since the history was begun");
    lblMember->setText(caption);
    cmdExport->setEnabled(!m_memberId.isEmpty());
    cmdErase->setEnabled(!m_memberId.isEmpty());
    setPointer(Pointer::Default);
}

QString frmMemberHistory::memberTitle() const {
    return m_name.isEmpty() ? m_memberId : m_name + QStringLiteral(" (") + m_memberId + u')';
}

void frmMemberHistory::cmdExport_Click() {
    if (m_memberId.isEmpty())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(m_memberId + QStringLiteral(" data.json"));
    const QString path = askExportPath ? askExportPath(suggested) : QString();
    if (path.isEmpty())
        return;
    if (exportMember(path))
        MsgBox(QStringLiteral("Everything held about ") + memberTitle()
                   + QStringLiteral(" was written to") + LineBreak + QDir::toNativeSeparators(path),
               Mb::OKOnly | Mb::Information, QStringLiteral("Export This Member's Data"));
}

// JSON: data-protection law asks for a structured, common, machine-readable format the member
// can take elsewhere, and indented JSON in UTF-8 reads in any text editor as well. Values and
// names are the roll's own, so nothing is lost in translation.
bool frmMemberHistory::exportMember(const QString &path) {
    try {
        setPointer(Pointer::Busy);
        QJsonObject out;
        out.insert(QStringLiteral("memberId"), m_memberId);
        if (!strClubName.isEmpty())
            out.insert(QStringLiteral("club"), strClubName);
        const QDateTime now = currentDateTime();
        out.insert(QStringLiteral("exportedAt"),
                   now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate));

        const RecordsetPtr all = club().LoadMembers();
        if (!all)
            throw Failure(ErrNo::Unexpected, QStringLiteral("The roll could not be read."));
        QJsonValue record = QJsonValue::Null;
        const int idColumn = all->columnIndex(QStringLiteral("MemberID"));
        for (int r = 0; idColumn >= 0 && r < all->recordCount(); ++r)
            if (all->value(r, idColumn).toString() == m_memberId)
                record = recordObject(*all, r);
        out.insert(QStringLiteral("record"), record);

        const RecordsetPtr rs = club2().MemberHistory(m_memberId);
        if (!rs)
            throwObjectNotSet();
        QJsonArray changes;
        for (const HistoryRow &row : historyRows(*rs)) {
            const QJsonDocument held = QJsonDocument::fromJson(row.changes.toUtf8());
            changes.append(QJsonObject{
                {QStringLiteral("historyId"), row.historyId},
                {QStringLiteral("changedAt"), row.changedAt},
                {QStringLiteral("userName"), row.userName},
                {QStringLiteral("operation"), row.operation},
                {QStringLiteral("changes"),
                 held.isObject() ? QJsonValue(held.object()) : QJsonValue(row.changes)},
            });
        }
        out.insert(QStringLiteral("history"), changes);

        // A file is whole or not written: an export cut short never passes for a copy.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(QJsonDocument(out).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
            throw Failure(ErrNo::PathFileAccess, file.errorString());
        setPointer(Pointer::Default);
        return true;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(failureText(QStringLiteral("The member's data was NOT exported."), f),
               Mb::OKOnly | Mb::Critical, QStringLiteral("Export This Member's Data"));
        return false;
    }
}

void frmMemberHistory::cmdErase_Click() {
    if (m_memberId.isEmpty())
        return;
    const QString id = m_memberId;
    const QString who = memberTitle();
    const QString title = QStringLiteral("Erase Member");
    const QString question =
        QStringLiteral("Erase ") + who + QStringLiteral("?") + LineBreak + LineBreak
        + QStringLiteral("This deletes the member from the roll and replaces their personal data "
                         "in the history with \"(erased)\", for good: it cannot be undone, and "
                         "the member cannot be restored. Only the dates, who made each change "
                         "and what was done are kept.")
        + LineBreak + LineBreak
        + QStringLiteral("If the member asked for a copy of their data, export it first.");
    if (MsgBox(question, Mb::YesNo | Mb::Exclamation | Mb::DefaultButton2, title) != Mb::Yes)
        return;
    const QString notErased = who + QStringLiteral(" was NOT erased.");
    try {
        setPointer(Pointer::Busy);
        const bool erased = club2().EraseMember(id);
        setPointer(Pointer::Default);
        if (erased)
            MsgBox(who + QStringLiteral(" was erased."), Mb::OKOnly | Mb::Information, title);
        else
            MsgBox(notErased, Mb::OKOnly | Mb::Critical, title);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(failureText(notErased, f), Mb::OKOnly | Mb::Critical, title);
    }
    // What the roll holds now, whichever way it went.
    FillMemberList();
    showMember(id);
}

QSize frmMemberHistory::sizeHint() const {
    const QSize list = lvMember->sizeHint();
    return {std::max(list.width(), fontMetrics().horizontalAdvance(u'0') * 90) + 24,
            fontMetrics().height() * 36};
}
