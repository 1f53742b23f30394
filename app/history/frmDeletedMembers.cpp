#include "frmDeletedMembers.h"
#include "HistoryText.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "members/ClubAccess.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace history;

namespace {
enum DeletedColumn { WhenColumn, WhoColumn, IdColumn, NameColumn, CityColumn };
constexpr int HistoryIdRole = Qt::UserRole;

// Whether a member on the roll holds this identifier now; false when that cannot be read.
bool heldNow(const QString &memberId) {
    bool held = false;
    skipOnFailure([&] {
        const RecordsetPtr ids = club().RefreshMembers();
        const int column = ids ? ids->columnIndex(QStringLiteral("MemberID")) : -1;
        for (int r = 0; column >= 0 && r < ids->recordCount() && !held; ++r)
            held = ids->value(r, column).toString() == memberId;
    });
    return held;
}
} // namespace

frmDeletedMembers::frmDeletedMembers(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmDeletedMembers"));
    setWindowTitle(appTitle() + QStringLiteral(" - Recently Deleted"));
    auto *layout = new QVBoxLayout(this);

    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    layout->addWidget(lblCount);

    lvDeleted = new QTreeWidget(this);
    lvDeleted->setObjectName(QStringLiteral("lvDeleted"));
    lvDeleted->setAccessibleName(QStringLiteral("Deleted members"));
    lvDeleted->setHeaderLabels({QStringLiteral("Deleted"), QStringLiteral("By"),
                                QStringLiteral("ID"), QStringLiteral("Name"),
                                QStringLiteral("City")});
    lvDeleted->setRootIsDecorated(false);
    lvDeleted->setAllColumnsShowFocus(true);
    lvDeleted->setUniformRowHeights(true);
    lvDeleted->setSelectionMode(QAbstractItemView::SingleSelection);
    const int digit = lvDeleted->fontMetrics().horizontalAdvance(u'0');
    const int widths[] = {22, 12, 9, 30, 18};
    for (int c = 0; c < int(std::size(widths)); ++c)
        lvDeleted->header()->resizeSection(c, digit * widths[c]);
    layout->addWidget(lvDeleted, 1);

    auto *buttons = new QHBoxLayout;
    cmdRestore = formButton(this, QStringLiteral("Restore &Member"), QStringLiteral("cmdRestore"),
                            QStringLiteral("Restore member"));
    cmdHistory = formButton(this, QStringLiteral("Member Hi&story..."),
                            QStringLiteral("cmdHistory"), QStringLiteral("Member history"));
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdHistory);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(lvDeleted, &QTreeWidget::itemSelectionChanged, this, &frmDeletedMembers::updateButtons);
    connect(cmdRestore, &QPushButton::clicked, this, &frmDeletedMembers::cmdRestore_Click);
    connect(cmdHistory, &QPushButton::clicked, this, [this] {
        if (const QTreeWidgetItem *item = lvDeleted->currentItem(); item && item->isSelected())
            Q_EMIT historyAsked(item->text(IdColumn));
    });

    skipOnFailure([] { NewClub(); });
    FillDeletedList();
}

void frmDeletedMembers::FillDeletedList() {
    setPointer(Pointer::Busy);
    lvDeleted->clear();
    QVector<HistoryRow> rows;
    try {
        const RecordsetPtr rs = club2().DeletedMembers();
        if (!rs)
            throwObjectNotSet();
        rows = historyRows(*rs);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(members::failureText(QStringLiteral("The deleted members could not be read."), f),
               Mb::OKOnly | Mb::Critical);
    }
    QList<QTreeWidgetItem *> items;
    for (const HistoryRow &row : rows) {
        const QJsonObject record = row.changeObject();
        auto *item = new QTreeWidgetItem;
        item->setText(WhenColumn, whenText(row.changedAt));
        item->setText(WhoColumn, row.userName);
        item->setText(IdColumn, row.memberId);
        item->setText(NameColumn, memberName(record));
        item->setText(CityColumn, record.value(QStringLiteral("City")).toString());
        item->setData(WhenColumn, HistoryIdRole, row.historyId);
        items << item;
    }
    lvDeleted->addTopLevelItems(items);
    const QLocale locale;
    lblCount->setText(
        items.isEmpty() ? QStringLiteral("No member has been deleted since the history was begun.")
        : items.size() == 1
            ? QStringLiteral("1 deleted member, newest first")
            : locale.toString(items.size()) + QStringLiteral(" deleted members, newest first"));
    updateButtons();
    setPointer(Pointer::Default);
}

void frmDeletedMembers::updateButtons() {
    const bool chosen = !lvDeleted->selectedItems().isEmpty();
    cmdRestore->setEnabled(chosen);
    cmdHistory->setEnabled(chosen);
}

void frmDeletedMembers::cmdRestore_Click() {
    const QList<QTreeWidgetItem *> chosen = lvDeleted->selectedItems();
    if (chosen.isEmpty()) {
        MsgBox(QStringLiteral("Select a member to restore! "), Mb::OKOnly | Mb::Exclamation);
        return;
    }
    const QTreeWidgetItem *item = chosen.first();
    const qint64 historyId = item->data(WhenColumn, HistoryIdRole).toLongLong();
    const QString id = item->text(IdColumn);
    const QString name = item->text(NameColumn).isEmpty() ? id : item->text(NameColumn);
    const QString who = name == id ? id : name + QStringLiteral(" (") + id + u')';
    const QString title = QStringLiteral("Restore Member");
    const QString question = QStringLiteral("Restore ") + who + QStringLiteral("?") + LineBreak
                             + LineBreak + QStringLiteral("The member goes back on the roll as ")
                             + id + QStringLiteral(", with the details they had when deleted on ")
                             + item->text(WhenColumn) + QStringLiteral(".");
    if (MsgBox(question, Mb::YesNo | Mb::Question, title) != Mb::Yes)
        return;
    bool restored = false;
    QString why;
    try {
        setPointer(Pointer::Busy);
        restored = club2().RestoreMember(historyId);
    } catch (...) {
        why = currentFailure(std::current_exception()).description();
    }
    setPointer(Pointer::Default);
    if (restored) {
        MsgBox(name + QStringLiteral(" is back on the roll as ") + id + u'.',
               Mb::OKOnly | Mb::Information, title);
    } else {
        QString text = who + QStringLiteral(" was NOT restored.");
        // The failure a secretary is most likely to meet, in plain words; the library's own
        // account of it names the history row rather than the member.
        if (heldNow(id))
            text += QString(LineBreak) + LineBreak + QStringLiteral("Another member holds ") + id
                    + QStringLiteral(" now, and an identifier is never given to two members.");
        else if (!why.isEmpty())
            text += QString(LineBreak) + LineBreak + why;
        MsgBox(text, Mb::OKOnly | Mb::Critical, title);
    }
    FillDeletedList();
}

QSize frmDeletedMembers::sizeHint() const {
    return {lvDeleted->header()->length() + 48, fontMetrics().height() * 24};
}
