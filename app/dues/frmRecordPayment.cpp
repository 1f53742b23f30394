#include "frmRecordPayment.h"
#include "DuesPeriods.h"
#include "DuesRoll.h"
#include "club/Dues.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "members/ClubAccess.h"
#include "members/MemberFinder.h"
#include "members/MemberForm.h"
#include "members/MemberList.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"
#include "ui/TextLimit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <tuple>

using namespace members;
using dues::dateText;

namespace {
inline constexpr std::array<ListColumn, 6> PaymentListColumns{{
    {"ID", "MemberID", 2, false, false, WidestID},
    {"Last Name", "LName", 4, false, false},
    {"First Name", "FName", 4, false, false},
    {"Membership", "Membership", 3, false, false},
    {"Dues Amt", "Dues", 2, true, true, WidestDues},
    {"Paid", "DuesPaid", 2.4, false, false, "Semi Annual"},
}};
enum MemberColumn { IdColumn, LastColumn, FirstColumn, MembershipColumn, DuesColumn, PaidColumn };

enum PaymentColumn { ReceivedColumn, AmountColumn, PeriodColumn, MethodColumn, ReferenceColumn };
constexpr int PaymentIdRole = Qt::UserRole;
constexpr int AmountRole = Qt::UserRole + 1;
// The last payments shown: enough to see a year of monthly ones at a glance.
constexpr int ShownPayments = 5;

QDate storedDateOf(const QVariant &v) {
    return QDate::fromString(v.toString(), Qt::ISODate);
}

QLabel *valueLabel(QWidget *form, const char *name, const QString &spoken) {
    auto *label = new QLabel(form);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(spoken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLineEdit *field(QWidget *form, const char *name, int maxLength, const QString &spoken) {
    auto *box = new QLineEdit(form);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(maxLength);
    box->setAccessibleName(spoken);
    guardOneLineBox(box);
    return box;
}

// A date typed in the locale's short form (two-digit years are this century's) or as
// 2027-01-31; invalid otherwise.
QDate readDate(const QString &text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return {};
    QDate date = QDate::fromString(typed, Qt::ISODate);
    if (date.isValid())
        return date;
    const QLocale locale;
    date = locale.toDate(typed, dues::dateFormat());
    // A two-digit year read as a whole one would be in the first century.
    if (date.isValid() && date.year() >= 1000)
        return date;
    QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    if (shortFormat.contains(QLatin1String("yyyy")))
        shortFormat.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    date = locale.toDate(typed, shortFormat);
    if (date.isValid() && date.year() < 2000)
        date = date.addYears(100);
    return date;
}

// "January 31, 2027": the locale's long date without the day of the week.
QString longDateText(const QDate &date) {
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::LongFormat);
    // The day of the week says nothing about how long a member is paid for.
    format.remove(QRegularExpression(QStringLiteral("[,\\s]*dddd[,\\s]*")));
    return locale.toString(date, format.trimmed());
}

// A caption whose mnemonic puts the focus in its field.
QLabel *caption(QWidget *form, const QString &text, QWidget *buddy) {
    auto *label = new QLabel(text, form);
    label->setBuddy(buddy);
    return label;
}
} // namespace

frmRecordPayment::frmRecordPayment(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmRecordPayment"));
    setWindowTitle(appTitle() + QStringLiteral(" - Record Dues Payment"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(formTitle(this, QStringLiteral("Record Dues Payment"), 1.4));

    auto *body = new QHBoxLayout;
    layout->addLayout(body, 1);
    auto *left = new QVBoxLayout;
    // The list as wide as its columns; the rest is the member's and the payment's.
    body->addLayout(left, 0);
    std::tie(finder, lvMember) =
        addFindableList(this, left, PaymentListColumns, QStringLiteral("Members found"),
                        QStringLiteral(" Choose the member who paid "));
    auto *right = new QVBoxLayout;
    body->addLayout(right, 1);

    // The member chosen.
    auto *grpMember = new QGroupBox(QStringLiteral("Member"), this);
    grpMember->setObjectName(QStringLiteral("grpMember"));
    auto *memberGrid = new QGridLayout(grpMember);
    lblName = valueLabel(this, "lblName", QStringLiteral("Member"));
    QFont bold = lblName->font();
    bold.setBold(true);
    lblName->setFont(bold);
    lblName->setWordWrap(true);
    lblMembership = valueLabel(this, "lblMembership", QStringLiteral("Membership"));
    lblDues = valueLabel(this, "lblDues", QStringLiteral("Dues amount"));
    lblPaid = valueLabel(this, "lblPaid", QStringLiteral("Paid"));
    lblPaidThrough = valueLabel(this, "lblPaidThrough", QStringLiteral("Paid through"));
    lblStanding = valueLabel(this, "lblStanding", QStringLiteral("Standing"));
    lblStanding->setFont(bold);
    memberGrid->addWidget(lblName, 0, 0, 1, 4);
    memberGrid->addWidget(new QLabel(QStringLiteral("Membership:"), this), 1, 0);
    memberGrid->addWidget(lblMembership, 1, 1);
    memberGrid->addWidget(new QLabel(QStringLiteral("Dues:"), this), 1, 2);
    memberGrid->addWidget(lblDues, 1, 3);
    memberGrid->addWidget(new QLabel(QStringLiteral("Paid:"), this), 2, 0);
    memberGrid->addWidget(lblPaid, 2, 1);
    memberGrid->addWidget(new QLabel(QStringLiteral("Paid through:"), this), 2, 2);
    memberGrid->addWidget(lblPaidThrough, 2, 3);
    memberGrid->addWidget(new QLabel(QStringLiteral("Standing:"), this), 3, 0);
    memberGrid->addWidget(lblStanding, 3, 1, 1, 3);
    memberGrid->setColumnStretch(1, 1);
    memberGrid->setColumnStretch(3, 2);

    lvPayments = new QTreeWidget(this);
    lvPayments->setObjectName(QStringLiteral("lvPayments"));
    lvPayments->setAccessibleName(QStringLiteral("Last payments"));
    lvPayments->setHeaderLabels({QStringLiteral("Received"), QStringLiteral("Amount"),
                                 QStringLiteral("Period"), QStringLiteral("Method"),
                                 QStringLiteral("Reference")});
    lvPayments->setRootIsDecorated(false);
    lvPayments->setAllColumnsShowFocus(true);
    lvPayments->setUniformRowHeights(true);
    lvPayments->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPayments->header()->setStretchLastSection(true);
    const int digit = lvPayments->fontMetrics().horizontalAdvance(u'0');
    const int widths[] = {10, 9, 21, 8};
    for (int c = 0; c < int(std::size(widths)); ++c)
        lvPayments->header()->resizeSection(c, digit * widths[c]);
    lvPayments->setMinimumHeight(lvPayments->fontMetrics().height() * (ShownPayments + 3));
    auto *lblPayments = new QLabel(QStringLiteral("&Last payments:"), this);
    lblPayments->setBuddy(lvPayments);
    cmdDeletePayment =
        formButton(this, QStringLiteral("&Delete Payment..."), QStringLiteral("cmdDeletePayment"),
                   QStringLiteral("Delete payment"));
    cmdDeletePayment->setToolTip(QStringLiteral(" Deletes a payment recorded by mistake "));
    memberGrid->addWidget(lblPayments, 4, 0, 1, 4);
    memberGrid->addWidget(lvPayments, 5, 0, 1, 4);
    auto *deleteRow = new QHBoxLayout;
    deleteRow->addStretch(1);
    deleteRow->addWidget(cmdDeletePayment);
    memberGrid->addLayout(deleteRow, 6, 0, 1, 4);
    right->addWidget(grpMember, 1);

    // The new payment.
    auto *grpPayment = new QGroupBox(QStringLiteral("New payment"), this);
    grpPayment->setObjectName(QStringLiteral("grpPayment"));
    auto *grid = new QGridLayout(grpPayment);
    txtReceived = field(this, "txtReceived", 20, QStringLiteral("Received on"));
    txtAmount = field(this, "txtAmount", 12, QStringLiteral("Amount"));
    txtAmount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtFrom = field(this, "txtFrom", 20, QStringLiteral("Period from"));
    txtTo = field(this, "txtTo", 20, QStringLiteral("Period to"));
    const QString example = dateText(currentDateTime().date());
    txtReceived->setToolTip(QStringLiteral(" A date such as ") + example + u' ');
    txtFrom->setToolTip(txtReceived->toolTip());
    txtTo->setToolTip(QStringLiteral(" The last day the payment covers, such as ") + example
                      + u' ');
    cboMethod = new QComboBox(this);
    cboMethod->setObjectName(QStringLiteral("cboMethod"));
    cboMethod->setAccessibleName(QStringLiteral("Method"));
    for (size_t i = 0; i < PaymentMethods.size(); ++i)
        cboMethod->addItem(QString::fromLatin1(dues::MethodCaptions[i]),
                           QString::fromLatin1(PaymentMethods[i]));
    txtReference = field(this, "txtReference", 50, QStringLiteral("Reference"));
    txtReference->setToolTip(QStringLiteral(" The cheque's number, or the transfer's reference "));
    txtNote = field(this, "txtNote", 250, QStringLiteral("Note"));
    lblPeriodNote = new QLabel(this);
    lblPeriodNote->setObjectName(QStringLiteral("lblPeriodNote"));
    lblPeriodNote->setWordWrap(true);
    cmdSave = formButton(this, QStringLiteral("&Save"), QStringLiteral("cmdSave"),
                         QStringLiteral("Save the payment"));
    cmdSave->setToolTip(QStringLiteral(" Records the payment (Ctrl+S, or Enter in the Note) "));

    grid->addWidget(caption(this, QStringLiteral("&Received on:"), txtReceived), 0, 0);
    grid->addWidget(txtReceived, 0, 1);
    grid->addWidget(caption(this, QStringLiteral("&Amount:"), txtAmount), 0, 2);
    grid->addWidget(txtAmount, 0, 3);
    grid->addWidget(caption(this, QStringLiteral("P&eriod from:"), txtFrom), 1, 0);
    grid->addWidget(txtFrom, 1, 1);
    grid->addWidget(caption(this, QStringLiteral("&To:"), txtTo), 1, 2);
    grid->addWidget(txtTo, 1, 3);
    grid->addWidget(lblPeriodNote, 2, 0, 1, 4);
    grid->addWidget(caption(this, QStringLiteral("&Method:"), cboMethod), 3, 0);
    grid->addWidget(cboMethod, 3, 1);
    grid->addWidget(caption(this, QStringLiteral("Referen&ce:"), txtReference), 3, 2);
    grid->addWidget(txtReference, 3, 3);
    grid->addWidget(caption(this, QStringLiteral("&Note:"), txtNote), 4, 0);
    grid->addWidget(txtNote, 4, 1, 1, 3);
    auto *saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(cmdSave);
    grid->addLayout(saveRow, 5, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    right->addWidget(grpPayment);

    lblRecorded = new QLabel(this);
    lblRecorded->setObjectName(QStringLiteral("lblRecorded"));
    lblRecorded->setAccessibleName(QStringLiteral("Last recorded"));
    lblRecorded->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblRecorded);

    m_fields = {txtReceived, txtAmount, txtFrom, txtTo, cboMethod, txtReference, txtNote};
    QWidget::setTabOrder(lvMember, txtReceived);
    for (int i = 1; i < int(m_fields.size()); ++i)
        QWidget::setTabOrder(m_fields[i - 1], m_fields[i]);
    QWidget::setTabOrder(txtNote, cmdSave);
    QWidget::setTabOrder(cmdSave, lvPayments);
    QWidget::setTabOrder(lvPayments, cmdDeletePayment);
    for (QWidget *w : m_fields)
        w->installEventFilter(this);
    lvMember->installEventFilter(this);
    lvPayments->installEventFilter(this);

    auto *save = new QShortcut(QKeySequence::Save, this);
    save->setContext(Qt::WidgetWithChildrenShortcut);
    connect(save, &QShortcut::activated, this, [this] { guarded([this] { cmdSave_Click(); }); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { guarded([this] { cmdSave_Click(); }); });
    connect(cmdDeletePayment, &QPushButton::clicked, this,
            [this] { guarded([this] { cmdDeletePayment_Click(); }); });
    connect(lvPayments, &QTreeWidget::itemSelectionChanged, this,
            &frmRecordPayment::updateDeleteButton);
    connect(lvMember, &MemberList::rowChosen, this, [this] {
        showChosenRow(*lvMember, [this](const QStringList &row) { showMember(row); });
    });
    connect(finder, &MemberFinder::picked, this, [this] {
        if (m_ready)
            focusAmount();
    });
    connect(lvMember, &MemberList::headerClicked, this,
            [this](int column) { sortByColumn(*lvMember, column); });
    // A period the user has not typed follows the dates it is reckoned from.
    connect(txtReceived, &QLineEdit::textEdited, this, [this] { recomputePeriod(); });
    connect(txtFrom, &QLineEdit::textEdited, this, [this] {
        m_fromEdited = true;
        recomputePeriod();
    });
    connect(txtTo, &QLineEdit::textEdited, this, [this] { m_toEdited = true; });

    lblName->setText(QStringLiteral("Type part of the member's name in the Find box, then Enter."));
    cboMethod->setCurrentIndex(m_lastMethod);
    enablePayment(false);
    updateDeleteButton();
    skipOnFailure([] { NewClub(); });
    FillMemberList();
}

void frmRecordPayment::FillMemberList() {
    fillFromRoll(*lvMember);
    skipOnFailure([this] {
        lvMember->rows()->sortByText(FirstColumn, Qt::AscendingOrder);
        lvMember->rows()->sortByText(LastColumn, Qt::AscendingOrder);
    });
}

bool frmRecordPayment::chooseMember(const QString &memberId) {
    if (!lvMember->pick(memberId)) {
        // Hidden by what the box finds, or added since the list was filled.
        finder->txtFind->clear();
        if (!lvMember->pick(memberId)) {
            FillMemberList();
            if (!lvMember->pick(memberId)) {
                MsgBox(QStringLiteral("No member on the roll has the ID ") + memberId
                           + QStringLiteral("."),
                       Mb::OKOnly | Mb::Exclamation, QStringLiteral("Record Dues Payment"));
                return false;
            }
        }
    }
    const bool ready = m_ready && m_member.id == memberId;
    if (ready)
        focusAmount();
    return ready;
}

void frmRecordPayment::showMember(const QStringList &row) {
    const QString id = row.value(IdColumn);
    if (id.isEmpty())
        return;
    // The same member picked again keeps what was typed for them.
    const bool same = m_ready && id == m_member.id;
    m_member.id = id;
    m_member.name = row.value(LastColumn);
    if (!row.value(FirstColumn).isEmpty())
        m_member.name += QStringLiteral(", ") + row.value(FirstColumn);
    m_member.membership = row.value(MembershipColumn);
    m_member.duesText = row.value(DuesColumn);
    m_member.duesPaid = row.value(PaidColumn);
    lblName->setText(m_member.name + QStringLiteral(" (") + id + u')');
    lblMembership->setText(m_member.membership);
    const std::optional<double> dues = parseDues(m_member.duesText);
    lblDues->setText(dues ? dues::amountText(*dues) : m_member.duesText);
    lblPaid->setText(m_member.duesPaid);
    if (!loadPayments()) {
        // Without the payments the period cannot be reckoned: nothing to record against.
        m_ready = false;
        enablePayment(false);
        return;
    }
    if (same)
        recomputePeriod();
    else
        startPayment();
}

bool frmRecordPayment::loadPayments() {
    lvPayments->clear();
    m_member.paidThrough = QDate();
    RecordsetPtr rs;
    try {
        rs = club2().MemberPayments(m_member.id);
        if (!rs)
            throwObjectNotSet();
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        lblPaidThrough->clear();
        lblStanding->clear();
        MsgBox(failureText(QStringLiteral("The member's payments could not be read."), f),
               Mb::OKOnly | Mb::Critical, QStringLiteral("Record Dues Payment"));
        return false;
    }
    const int idCol = rs->columnIndex(QStringLiteral("PaymentID"));
    const int receivedCol = rs->columnIndex(QStringLiteral("ReceivedOn"));
    const int amountCol = rs->columnIndex(QStringLiteral("Amount"));
    const int fromCol = rs->columnIndex(QStringLiteral("PeriodFrom"));
    const int toCol = rs->columnIndex(QStringLiteral("PeriodTo"));
    const int methodCol = rs->columnIndex(QStringLiteral("Method"));
    const int referenceCol = rs->columnIndex(QStringLiteral("Reference"));
    const int noteCol = rs->columnIndex(QStringLiteral("Note"));
    auto cell = [&rs](int row, int column) {
        return column >= 0 ? rs->value(row, column) : QVariant();
    };
    QList<QTreeWidgetItem *> items;
    for (int r = 0; r < rs->recordCount(); ++r) {
        const QDate to = storedDateOf(cell(r, toCol));
        if (to.isValid() && (!m_member.paidThrough.isValid() || to > m_member.paidThrough))
            m_member.paidThrough = to;
        if (r >= ShownPayments)
            continue;
        const QString method = cell(r, methodCol).toString();
        const bool opening = method == QLatin1String(OpeningMethod);
        const QDate from = storedDateOf(cell(r, fromCol));
        auto *item = new QTreeWidgetItem;
        item->setText(ReceivedColumn, dateText(storedDateOf(cell(r, receivedCol))));
        item->setText(AmountColumn,
                      opening ? QString() : dues::amountText(cell(r, amountCol).toDouble()));
        item->setTextAlignment(AmountColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(PeriodColumn, from.isValid()
                                        ? dateText(from) + QStringLiteral(" to ") + dateText(to)
                                        : QStringLiteral("to ") + dateText(to));
        item->setText(MethodColumn, dues::methodCaption(method));
        item->setText(ReferenceColumn, cell(r, referenceCol).toString());
        item->setToolTip(ReferenceColumn, cell(r, noteCol).toString());
        item->setData(ReceivedColumn, PaymentIdRole, cell(r, idCol).toLongLong());
        item->setData(AmountColumn, AmountRole, cell(r, amountCol).toDouble());
        items << item;
    }
    lvPayments->addTopLevelItems(items);
    const QDate today = currentDateTime().date();
    lblPaidThrough->setText(m_member.paidThrough.isValid() ? longDateText(m_member.paidThrough)
                                                           : QStringLiteral("never paid"));
    const dues::Standing s =
        dues::standing(m_member.paidThrough, m_member.membership, today, dues::DefaultDueDays);
    QString standing = dues::standingName(s);
    if (s == dues::Standing::Lapsed)
        standing += QStringLiteral(" for ") + dues::lapsedFor(m_member.paidThrough, today);
    else if (s == dues::Standing::Life)
        standing += QStringLiteral(": never falls due");
    lblStanding->setText(standing);
    updateDeleteButton();
    return true;
}

void frmRecordPayment::startPayment() {
    m_fromEdited = m_toEdited = false;
    txtReceived->setText(dateText(currentDateTime().date()));
    txtAmount->setText(m_member.duesText);
    txtFrom->clear();
    txtTo->clear();
    cboMethod->setCurrentIndex(m_lastMethod);
    txtReference->clear();
    txtNote->clear();
    lblPeriodNote->setText(
        dues::periodMonths(m_member.duesPaid)
            ? QString()
            : QStringLiteral("Paid \"") + m_member.duesPaid
                  + QStringLiteral("\" has no set length: type the last day this payment covers "
                                   "in To."));
    lblPeriodNote->setVisible(!lblPeriodNote->text().isEmpty());
    m_ready = true;
    enablePayment(true);
    recomputePeriod();
}

void frmRecordPayment::recomputePeriod() {
    if (!m_ready)
        return;
    const QDate received = readDate(txtReceived->text());
    if (!received.isValid())
        return;
    const dues::Period next = dues::nextPeriod(m_member.duesPaid, m_member.paidThrough, received);
    QDate from = next.from;
    if (m_fromEdited)
        from = readDate(txtFrom->text());
    else
        txtFrom->setText(dateText(from));
    if (m_toEdited)
        return;
    const std::optional<int> months = dues::periodMonths(m_member.duesPaid);
    txtTo->setText(months && from.isValid() ? dateText(dues::periodEnd(from, *months)) : QString());
}

void frmRecordPayment::enablePayment(bool on) {
    for (QWidget *w : m_fields)
        w->setEnabled(on);
    if (on)
        return;
    for (QLineEdit *box : {txtReceived, txtAmount, txtFrom, txtTo, txtReference, txtNote})
        box->clear();
    lblPeriodNote->clear();
    lblPeriodNote->hide();
}

bool frmRecordPayment::refuse(QWidget *field, const QString &prompt) {
    setPointer(Pointer::Default);
    MsgBox(prompt, Mb::OKOnly | Mb::Exclamation, QStringLiteral("Record Dues Payment"));
    field->setFocus(Qt::OtherFocusReason);
    if (auto *box = qobject_cast<QLineEdit *>(field))
        box->selectAll();
    return false;
}

bool frmRecordPayment::cmdSave_Click() {
    if (!m_ready)
        return refuse(finder->txtFind,
                      QStringLiteral("Choose the member who paid first: type part of their name "
                                     "in the Find box, then press Enter."));
    const QString dateHint = QStringLiteral(" Type a date such as ")
                             + dateText(currentDateTime().date()) + QStringLiteral(".");
    const QDate received = readDate(txtReceived->text());
    if (!received.isValid())
        return refuse(txtReceived, QStringLiteral("Received on is not a date.") + dateHint);
    const std::optional<double> amount = parseDues(txtAmount->text().trimmed());
    if (!amount)
        return refuse(txtAmount, QStringLiteral("The amount is not a number. Type it as ")
                                     + formatDues(25)
                                     + QStringLiteral(", without a currency sign."));
    if (*amount < 0)
        return refuse(txtAmount, QStringLiteral("The amount cannot be below zero."));
    const QDate from = readDate(txtFrom->text());
    if (!from.isValid())
        return refuse(txtFrom, QStringLiteral("Period from is not a date.") + dateHint);
    if (txtTo->text().trimmed().isEmpty())
        return refuse(txtTo, QStringLiteral("Type the last day this payment covers in To.")
                                 + (dues::periodMonths(m_member.duesPaid)
                                        ? QString()
                                        : QStringLiteral(" Paid \"") + m_member.duesPaid
                                              + QStringLiteral("\" has no set length.")));
    const QDate to = readDate(txtTo->text());
    if (!to.isValid())
        return refuse(txtTo, QStringLiteral("To is not a date.") + dateHint);
    if (to < from)
        return refuse(txtTo, QStringLiteral("The period ends before it begins: To (") + dateText(to)
                                 + QStringLiteral(") is before From (") + dateText(from)
                                 + QStringLiteral(")."));

    DuesPayment payment;
    payment.memberId = m_member.id;
    payment.receivedOn = received;
    payment.amount = *amount;
    payment.periodFrom = from;
    payment.periodTo = to;
    payment.method = cboMethod->currentData().toString();
    payment.reference = trimBlanks(txtReference->text());
    payment.note = trimBlanks(txtNote->text());
    try {
        setPointer(Pointer::Busy);
        club2().RecordPayment(payment);
        setPointer(Pointer::Default);
    } catch (...) {
        // What was typed stays for another try.
        const Failure f = currentFailure(std::current_exception());
        setPointer(Pointer::Default);
        MsgBox(failureText(QStringLiteral("The payment was NOT recorded."), f),
               Mb::OKOnly | Mb::Critical, QStringLiteral("Record Dues Payment"));
        return false;
    }
    m_lastMethod = cboMethod->currentIndex();
    // The payment is spent: a second Save records nothing until a member is chosen again.
    m_ready = false;
    enablePayment(false);
    QString recorded = QStringLiteral("Recorded ") + dues::amountText(*amount)
                       + QStringLiteral(" from ") + m_member.name;
    if (loadPayments() && m_member.paidThrough.isValid())
        recorded += QStringLiteral(": paid through ") + longDateText(m_member.paidThrough);
    lblRecorded->setText(recorded);
    backToFind();
    finder->txtFind->clear();
    return true;
}

void frmRecordPayment::cmdDeletePayment_Click() {
    QTreeWidgetItem *item = lvPayments->currentItem();
    if (m_member.id.isEmpty() || !item || !item->isSelected())
        return;
    const qint64 paymentId = item->data(ReceivedColumn, PaymentIdRole).toLongLong();
    const QString title = QStringLiteral("Delete Payment");
    const QString what =
        item->text(MethodColumn) == dues::methodCaption(QLatin1String(OpeningMethod))
            ? QStringLiteral("the opening balance")
            : QStringLiteral("the payment of ")
                  + dues::amountText(item->data(AmountColumn, AmountRole).toDouble());
    const QString question =
        QStringLiteral("Delete ") + what + QStringLiteral(" received on ")
        + item->text(ReceivedColumn) + QStringLiteral(" from ") + m_member.name
        + QStringLiteral(" (period ") + item->text(PeriodColumn) + QStringLiteral(")?") + LineBreak
        + LineBreak
        + QStringLiteral("Delete a payment only when it was recorded by mistake: it leaves the "
                         "totals, and the paid-through date goes back to that of the payments "
                         "left. The history keeps a record of it.");
    if (MsgBox(question, Mb::YesNo | Mb::Question | Mb::DefaultButton2, title) != Mb::Yes)
        return;
    try {
        setPointer(Pointer::Busy);
        club2().DeletePayment(paymentId);
        setPointer(Pointer::Default);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        setPointer(Pointer::Default);
        MsgBox(failureText(QStringLiteral("The payment was NOT deleted."), f),
               Mb::OKOnly | Mb::Critical, title);
    }
    // What the roll holds now, whichever way it went.
    if (!loadPayments())
        return;
    recomputePeriod();
    lblRecorded->setText(
        QStringLiteral("Deleted ") + what + QStringLiteral(" from ") + m_member.name
        + QStringLiteral(": ")
        + (m_member.paidThrough.isValid()
               ? QStringLiteral("paid through ") + longDateText(m_member.paidThrough)
               : QStringLiteral("never paid")));
}

void frmRecordPayment::updateDeleteButton() {
    const QTreeWidgetItem *item = lvPayments->currentItem();
    cmdDeletePayment->setEnabled(item && item->isSelected());
}

void frmRecordPayment::focusAmount() {
    txtAmount->setFocus(Qt::OtherFocusReason);
    txtAmount->selectAll();
}

void frmRecordPayment::backToFind() {
    finder->txtFind->setFocus(Qt::ShortcutFocusReason);
    finder->txtFind->selectAll();
}

bool frmRecordPayment::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return QWidget::eventFilter(watched, event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool escape = key->key() == Qt::Key_Escape;
    if (!enter && !escape && !(watched == lvPayments && key->key() == Qt::Key_Delete))
        return QWidget::eventFilter(watched, event);
    if (escape) {
        backToFind();
        return true;
    }
    if (watched == lvPayments) {
        if (enter)
            return QWidget::eventFilter(watched, event);
        guarded([this] { cmdDeletePayment_Click(); });
        return true;
    }
    if (watched == lvMember) {
        // Enter on a row: that member pays; the focus goes to what is likeliest to change.
        guarded([this] {
            const QStringList row = lvMember->selectedRow();
            if (!row.isEmpty() && !(m_ready && m_member.id == row.value(IdColumn)))
                showMember(row);
            if (m_ready && m_member.id == row.value(IdColumn))
                focusAmount();
        });
        return true;
    }
    const int at = int(m_fields.indexOf(static_cast<QWidget *>(watched)));
    if (at < 0)
        return QWidget::eventFilter(watched, event);
    // Enter walks the fields as in the member forms; on the last one it saves.
    if (at == int(m_fields.size()) - 1) {
        guarded([this] { cmdSave_Click(); });
        return true;
    }
    QWidget *next = m_fields[at + 1];
    next->setFocus(Qt::TabFocusReason);
    if (auto *box = qobject_cast<QLineEdit *>(next))
        box->selectAll();
    return true;
}

QSize frmRecordPayment::sizeHint() const {
    const int em = fontMetrics().horizontalAdvance(u'0');
    return {lvMember->sizeHint().width() + em * 75, fontMetrics().height() * 34};
}
