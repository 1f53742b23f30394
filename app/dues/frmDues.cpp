#include "frmDues.h"
#include "DuesDialogs.h"
#include "DuesExport.h"
#include "DuesReports.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "exchange/ExchangeParts.h"
#include "exchange/MemberTable.h"
#include "members/ClubAccess.h"
#include "members/MemberFields.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using dues::Standing;

namespace {
constexpr const char *ShowTexts[] = {"All members", "Due and lapsed", "Paid", "Due",
                                     "Lapsed",      "Never paid",     "Life"};

QList<Standing> standingsOf(frmDues::Show show) {
    switch (show) {
    case frmDues::Show::All:
        return {Standing::Paid, Standing::Due, Standing::Lapsed, Standing::NeverPaid,
                Standing::Life};
    case frmDues::Show::DueAndLapsed:
        return {Standing::Due, Standing::Lapsed};
    case frmDues::Show::Paid:
        return {Standing::Paid};
    case frmDues::Show::Due:
        return {Standing::Due};
    case frmDues::Show::Lapsed:
        return {Standing::Lapsed};
    case frmDues::Show::NeverPaid:
        return {Standing::NeverPaid};
    case frmDues::Show::Life:
        return {Standing::Life};
    }
    return {};
}

// DuesStanding's columns, for an empty list when the roll could not be read.
const QStringList StandingColumns{"MemberID", "LName",    "FName",    "MName",    "Membership",
                                  "Dues",     "DuesPaid", "Address1", "Address2", "City",
                                  "State",    "Zip",      "Phone1",   "Email",    "PaidThrough"};

QTableWidget *totalsTable(QWidget *parent, const QString &name, const QString &heading) {
    auto *table = new QTableWidget(0, 2, parent);
    table->setObjectName(name);
    table->setAccessibleName(heading);
    table->setHorizontalHeaderLabels({heading, QStringLiteral("Collected")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table->setMinimumWidth(table->fontMetrics().averageCharWidth() * 34);
    // Room for every method, and for most membership types before it scrolls.
    const int rows = table->verticalHeader()->defaultSectionSize();
    table->setMinimumHeight(rows * 7);
    table->setMaximumHeight(rows * 11);
    return table;
}

void fillTotals(QTableWidget *table, const QMap<QString, double> &sums,
                const std::function<QString(const QString &)> &name) {
    table->setRowCount(int(sums.size()));
    int row = 0;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it, ++row) {
        table->setItem(row, 0, new QTableWidgetItem(name(it.key())));
        auto *amount = new QTableWidgetItem(dues::amountText(it.value()));
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, 1, amount);
    }
}

QString withSuffix(QString path) {
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    return path;
}

void tellFailure(const QString &what) {
    const Failure f = currentFailure(std::current_exception());
    setPointer(Pointer::Default);
    MsgBox(members::failureText(what, f), Mb::OKOnly | Mb::Critical);
}
} // namespace

frmDues::frmDues(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmDues"));
    setWindowTitle(appTitle() + QStringLiteral(" - Dues and Renewals"));
    m_model = new dues::DuesListModel(this);

    askPaidThrough = [this](int members, const QDate &suggested) {
        frmMarkPaidThrough dialog(members, suggested, this);
        return dialog.exec() == QDialog::Accepted ? dialog.dtpPaidThrough->date() : QDate();
    };
    askExportPath = [this](const QString &title, const QString &suggested) {
        return QFileDialog::getSaveFileName(
            this, title, suggested,
            QStringLiteral("CSV files (*.csv);;Excel workbooks (*.xlsx);;All files (*)"));
    };

    auto *layout = new QVBoxLayout(this);
    buildList();
    buildButtons();
    buildTotals();
    layout->addWidget(fraFirstUse);
    auto *filters = new QHBoxLayout;
    auto *showCaption = new QLabel(QStringLiteral("S&how:"), this);
    showCaption->setBuddy(cboShow);
    auto *typeCaption = new QLabel(QStringLiteral("Mem&bership:"), this);
    typeCaption->setBuddy(cboMembership);
    auto *daysCaption = new QLabel(QStringLiteral("Due &within"), this);
    daysCaption->setBuddy(spnDueDays);
    filters->addWidget(showCaption);
    filters->addWidget(cboShow);
    filters->addSpacing(12);
    filters->addWidget(typeCaption);
    filters->addWidget(cboMembership);
    filters->addSpacing(12);
    filters->addWidget(daysCaption);
    filters->addWidget(spnDueDays);
    filters->addStretch(1);
    filters->addWidget(cmdRefresh);
    layout->addLayout(filters);
    layout->addWidget(lblCounts);
    layout->addWidget(tvDues, 1);
    layout->addWidget(lblShown);
    auto *commands = new QHBoxLayout;
    commands->addWidget(cmdRecordPayment);
    commands->addWidget(cmdMarkPaid);
    commands->addStretch(1);
    for (QPushButton *b : {cmdRoster, cmdLetters, cmdLetterText, cmdExport, cmdCopyEmails})
        commands->addWidget(b);
    layout->addLayout(commands);
    layout->addWidget(grpTotals);

    // The tab order is the order the parts are made in, the banner's button first.
    skipOnFailure([] { NewClub(); });
    reload();
    // A roll without payments first shows everyone, so the opening balances can be marked;
    // after that the secretary comes here to chase the members who owe.
    cboShow->setCurrentIndex(int(m_firstUse ? Show::All : Show::DueAndLapsed));
    // The list first: on a large roll the year's payments take a moment more to add up, so
    // they are read once the list is on screen.
    lblTotals->setText(QStringLiteral("Adding up the payments received..."));
    m_totalsPending = true;
    tvDues->viewport()->installEventFilter(this);
    tvDues->setFocus(Qt::OtherFocusReason);
}

void frmDues::buildList() {
    fraFirstUse = new QFrame(this);
    fraFirstUse->setObjectName(QStringLiteral("fraFirstUse"));
    fraFirstUse->setFrameShape(QFrame::StyledPanel);
    fraFirstUse->setAutoFillBackground(true);
    QPalette note = fraFirstUse->palette();
    note.setColor(QPalette::Window, QColor(255, 246, 204));
    note.setColor(QPalette::WindowText, QColor(Qt::black));
    fraFirstUse->setPalette(note);
    lblFirstUse = new QLabel(
        QStringLiteral("No member has a payment recorded yet, so everyone shows as never paid. "
                       "Start by marking the members paid through the date your old records "
                       "show, for example the end of last month: it is kept as an opening "
                       "balance, not as money received. Select members to mark some of them; "
                       "with none selected, all shown are marked."),
        fraFirstUse);
    lblFirstUse->setObjectName(QStringLiteral("lblFirstUse"));
    lblFirstUse->setWordWrap(true);
    cmdFirstUse = formButton(fraFirstUse, QStringLiteral("Mark as Paid Through..."),
                             QStringLiteral("cmdFirstUse"));
    auto *banner = new QHBoxLayout(fraFirstUse);
    banner->addWidget(lblFirstUse, 1);
    banner->addWidget(cmdFirstUse, 0, Qt::AlignVCenter);
    exchange::setHelpTopic(fraFirstUse, QStringLiteral("first-use"));
    fraFirstUse->hide();

    cboShow = new QComboBox(this);
    cboShow->setObjectName(QStringLiteral("cboShow"));
    for (const char *text : ShowTexts)
        cboShow->addItem(QString::fromLatin1(text));
    cboMembership = new QComboBox(this);
    cboMembership->setObjectName(QStringLiteral("cboMembership"));
    cboMembership->addItem(QStringLiteral("All types"), QString());
    for (const char *type : members::MembershipItems)
        cboMembership->addItem(QString::fromLatin1(type), QString::fromLatin1(type));
    spnDueDays = new QSpinBox(this);
    spnDueDays->setObjectName(QStringLiteral("spnDueDays"));
    spnDueDays->setRange(0, 366);
    spnDueDays->setValue(dues::DefaultDueDays);
    spnDueDays->setSuffix(QStringLiteral(" days"));
    spnDueDays->setAccessibleName(QStringLiteral("Due within this many days"));
    spnDueDays->setToolTip(QStringLiteral(" A member paid through today or up to this many days "
                                          "from today is due "));
    cmdRefresh = formButton(this, QStringLiteral("R&efresh"), QStringLiteral("cmdRefresh"));
    cmdRefresh->setToolTip(QStringLiteral(" Reads the roll again (F5) "));

    lblCounts = new QLabel(this);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));
    lblCounts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblShown = new QLabel(this);
    lblShown->setObjectName(QStringLiteral("lblShown"));

    tvDues = new QTableView(this);
    tvDues->setObjectName(QStringLiteral("tvDues"));
    tvDues->setAccessibleName(QStringLiteral("Members and their dues"));
    tvDues->setModel(m_model);
    tvDues->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvDues->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvDues->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvDues->setWordWrap(false);
    tvDues->setTabKeyNavigation(false);
    tvDues->verticalHeader()->hide();
    // Fixed heights keep a list of 100,000 members from measuring each row.
    tvDues->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tvDues->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    tvDues->horizontalHeader()->setStretchLastSection(true);
    tvDues->horizontalHeader()->setHighlightSections(false);
    const QFontMetrics fm = tvDues->fontMetrics();
    const int pad = fm.averageCharWidth() * 3;
    const std::pair<dues::DuesColumn, int> widths[] = {
        {dues::DuesColumn::MemberID, fm.horizontalAdvance(QStringLiteral("M-100000")) + pad},
        {dues::DuesColumn::Name, fm.averageCharWidth() * 30},
        {dues::DuesColumn::Membership, fm.horizontalAdvance(QStringLiteral("Membership")) + pad},
        {dues::DuesColumn::Amount, fm.horizontalAdvance(QStringLiteral("$10,000.00")) + pad},
        {dues::DuesColumn::PaidThrough, fm.horizontalAdvance(QStringLiteral("Paid Through")) + pad},
        {dues::DuesColumn::Standing,
         fm.horizontalAdvance(QStringLiteral("Lapsed 10 months")) + pad},
        {dues::DuesColumn::Phone, fm.horizontalAdvance(QStringLiteral("(555) 555-5555")) + pad},
    };
    for (const auto &[column, width] : widths)
        tvDues->setColumnWidth(int(column), width);
    tvDues->installEventFilter(this);

    connect(cboShow, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { applyFilter(); }); });
    connect(cboMembership, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { applyFilter(); }); });
    connect(spnDueDays, &QSpinBox::valueChanged, this, [this] {
        guarded([this] {
            m_list.judge(currentDateTime().date(), spnDueDays->value());
            applyFilter();
        });
    });
    connect(cmdRefresh, &QPushButton::clicked, this, [this] { guarded([this] { refresh(); }); });
    auto *f5 = new QAction(this);
    f5->setShortcut(QKeySequence::Refresh);
    f5->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(f5);
    connect(f5, &QAction::triggered, this, [this] { guarded([this] { refresh(); }); });
    connect(tvDues, &QTableView::doubleClicked, this,
            [this] { guarded([this] { recordPayment(); }); });
    connect(cmdFirstUse, &QPushButton::clicked, this,
            [this] { guarded([this] { markPaidThrough(); }); });
}

void frmDues::buildButtons() {
    cmdRecordPayment =
        formButton(this, QStringLiteral("&Record Payment..."), QStringLiteral("cmdRecordPayment"));
    cmdRecordPayment->setToolTip(
        QStringLiteral(" Records a payment of the member the list stands on (Enter) "));
    cmdMarkPaid =
        formButton(this, QStringLiteral("&Mark as Paid Through..."), QStringLiteral("cmdMarkPaid"));
    cmdMarkPaid->setToolTip(QStringLiteral(" Opening balances for the selected members, or for "
                                           "all shown when none is selected "));
    cmdRoster = formButton(this, QStringLiteral("Renewal Ro&ster"), QStringLiteral("cmdRoster"));
    cmdRoster->setToolTip(QStringLiteral(" The members shown, to preview, print or save as PDF "));
    cmdLetters =
        formButton(this, QStringLiteral("Reminder &Letters"), QStringLiteral("cmdLetters"));
    cmdLetters->setToolTip(QStringLiteral(" One letter for each member shown "));
    cmdLetterText =
        formButton(this, QStringLiteral("Letter &Text..."), QStringLiteral("cmdLetterText"));
    cmdExport = formButton(this, QStringLiteral("E&xport..."), QStringLiteral("cmdExport"));
    cmdExport->setToolTip(QStringLiteral(" The members shown, to a CSV file or a workbook "));
    cmdCopyEmails =
        formButton(this, QStringLiteral("Copy E-mail &Addresses"), QStringLiteral("cmdCopyEmails"));
    cmdCopyEmails->setToolTip(QStringLiteral(" The e-mail addresses of the members shown, ready "
                                             "to paste into Bcc "));

    connect(cmdRecordPayment, &QPushButton::clicked, this,
            [this] { guarded([this] { recordPayment(); }); });
    connect(cmdMarkPaid, &QPushButton::clicked, this,
            [this] { guarded([this] { markPaidThrough(); }); });
    connect(cmdRoster, &QPushButton::clicked, this,
            [this] { guarded([this] { showRenewalRoster(); }); });
    connect(cmdLetters, &QPushButton::clicked, this,
            [this] { guarded([this] { showReminderLetters(); }); });
    connect(cmdLetterText, &QPushButton::clicked, this,
            [this] { guarded([this] { editLetterText(); }); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { guarded([this] { exportList(); }); });
    connect(cmdCopyEmails, &QPushButton::clicked, this,
            [this] { guarded([this] { copyEmails(); }); });
}

void frmDues::buildTotals() {
    grpTotals = new QGroupBox(QStringLiteral("Money received"), this);
    grpTotals->setObjectName(QStringLiteral("grpTotals"));
    const QDate today = currentDateTime().date();
    auto dateBox = [this](const QString &name, const QDate &date) {
        auto *box = new QDateEdit(date, grpTotals);
        box->setObjectName(name);
        box->setDisplayFormat(dues::dateFormat());
        box->setCalendarPopup(true);
        return box;
    };
    dtpFrom = dateBox(QStringLiteral("dtpFrom"), QDate(today.year(), 1, 1));
    dtpTo = dateBox(QStringLiteral("dtpTo"), today);
    lblTotals = new QLabel(grpTotals);
    lblTotals->setObjectName(QStringLiteral("lblTotals"));
    lblTotals->setWordWrap(true);
    lblTotals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblOpening = new QLabel(grpTotals);
    lblOpening->setObjectName(QStringLiteral("lblOpening"));
    tblByMethod = totalsTable(grpTotals, QStringLiteral("tblByMethod"), QStringLiteral("Method"));
    tblByMembership =
        totalsTable(grpTotals, QStringLiteral("tblByMembership"), QStringLiteral("Membership"));
    cmdExportPayments = formButton(grpTotals, QStringLiteral("Export &Payments..."),
                                   QStringLiteral("cmdExportPayments"));
    cmdExportPayments->setToolTip(QStringLiteral(" Every payment of the period with these "
                                                 "totals, to a CSV file or a workbook "));

    auto *fromCaption = new QLabel(QStringLiteral("&From"), grpTotals);
    fromCaption->setBuddy(dtpFrom);
    auto *toCaption = new QLabel(QStringLiteral("t&o"), grpTotals);
    toCaption->setBuddy(dtpTo);
    auto *period = new QHBoxLayout;
    period->addWidget(fromCaption);
    period->addWidget(dtpFrom);
    period->addWidget(toCaption);
    period->addWidget(dtpTo);
    period->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addLayout(period);
    left->addWidget(lblTotals);
    left->addWidget(lblOpening);
    left->addStretch(1);
    left->addWidget(cmdExportPayments, 0, Qt::AlignLeft);
    auto *layout = new QHBoxLayout(grpTotals);
    layout->addLayout(left, 1);
    layout->addWidget(tblByMethod);
    layout->addWidget(tblByMembership);
    exchange::setHelpTopic(grpTotals, QStringLiteral("totals"));

    // A date typed digit by digit passes through dates nobody meant; read once it settles.
    auto *settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(300);
    connect(settle, &QTimer::timeout, this, [this] { guarded([this] { showTotals(); }); });
    for (QDateEdit *box : {dtpFrom, dtpTo})
        connect(box, &QDateEdit::dateChanged, settle, qOverload<>(&QTimer::start));
    connect(cmdExportPayments, &QPushButton::clicked, this,
            [this] { guarded([this] { exportPayments(); }); });
}

void frmDues::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    watchActivation();
}

void frmDues::watchActivation() {
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    QMdiArea *area = sub ? sub->mdiArea() : nullptr;
    if (m_watching || !area)
        return;
    m_watching = true;
    // A payment recorded or a member changed in another window shows when the secretary comes
    // back here. Only a change of child window counts: a dialog or another program coming and
    // going changes nothing in the roll, and a large roll is not read again for it.
    connect(area, &QMdiArea::subWindowActivated, this, [this, sub](QMdiSubWindow *active) {
        if (!active)
            return;
        if (active != sub) {
            m_away = true;
            return;
        }
        if (std::exchange(m_away, false))
            guarded([this] { refresh(); });
    });
}

bool frmDues::eventFilter(QObject *watched, QEvent *event) {
    if (watched == tvDues->viewport() && event->type() == QEvent::Paint && m_totalsPending) {
        m_totalsPending = false;
        QTimer::singleShot(0, this, [this] { guarded([this] { showTotals(); }); });
    }
    if (watched == tvDues && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] { recordPayment(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmDues::refresh() {
    if (reload())
        showTotals();
}

bool frmDues::reload() {
    const QString standing = currentMemberId();
    setPointer(Pointer::Busy);
    RecordsetPtr rows;
    bool read = true;
    try {
        rows = club2().DuesStanding();
        if (!rows)
            throwObjectNotSet();
    } catch (...) {
        tellFailure(QStringLiteral("The dues of the members could not be read."));
        rows = std::make_shared<Recordset>(StandingColumns, QVector<QVector<QVariant>>{});
        read = false;
    }
    // The model lets go of the old rows before the list takes the new ones.
    m_model->show(&m_list, {});
    m_list.setRows(rows);
    m_list.judge(currentDateTime().date(), spnDueDays->value());
    m_idColumn = rows->columnIndex(QStringLiteral("MemberID"));
    m_firstUse = false;
    if (m_list.size() > 0) {
        m_firstUse = true;
        for (int r = 0; r < m_list.size() && m_firstUse; ++r)
            m_firstUse = !m_list.paidThrough(r).isValid();
    }
    applyFilter();
    standOn(standing);
    setPointer(Pointer::Default);
    return read;
}

void frmDues::applyFilter() {
    const QString standing = currentMemberId();
    const auto show = Show(std::max(0, cboShow->currentIndex()));
    m_model->show(&m_list,
                  m_list.select(standingsOf(show), cboMembership->currentData().toString()));
    showCounts();
    standOn(standing);
}

void frmDues::showCounts() {
    const auto counts = m_list.counts();
    auto count = [&counts](Standing s) {
        return QLocale().toString(counts[size_t(s)]);
    };
    lblCounts->setText(QStringLiteral("%1: %2 paid, %3 due, %4 lapsed, %5 never paid, %6 life")
                           .arg(membersText(m_list.size()), count(Standing::Paid),
                                count(Standing::Due), count(Standing::Lapsed),
                                count(Standing::NeverPaid), count(Standing::Life)));
    const int shown = m_model->rowCount();
    lblShown->setText(
        shown == 0 ? QStringLiteral("No member is shown: none matches \"%1\"%2.")
                         .arg(cboShow->currentText(),
                              cboMembership->currentIndex() > 0
                                  ? QStringLiteral(" and \"") + cboMembership->currentText() + u'"'
                                  : QString())
                   : QStringLiteral("Showing %1 of %2.")
                         .arg(QLocale().toString(shown), membersText(m_list.size())));
    fraFirstUse->setVisible(m_firstUse);
    for (QPushButton *b :
         {cmdRecordPayment, cmdMarkPaid, cmdRoster, cmdLetters, cmdExport, cmdCopyEmails})
        b->setEnabled(shown > 0);
    cmdFirstUse->setEnabled(shown > 0);
}

QString frmDues::memberIdOf(int listRow) const {
    return m_idColumn < 0 ? QString() : m_list.rows()->value(listRow, m_idColumn).toString();
}

QString frmDues::currentMemberId() const {
    const QModelIndex current = tvDues->currentIndex();
    return current.isValid() ? memberIdOf(m_model->listRow(current.row())) : QString();
}

void frmDues::standOn(const QString &memberId) {
    if (memberId.isEmpty())
        return;
    const std::vector<int> &shown = m_model->shown();
    for (size_t i = 0; i < shown.size(); ++i)
        if (memberIdOf(shown[i]) == memberId) {
            const QModelIndex at = m_model->index(int(i), 0);
            tvDues->setCurrentIndex(at);
            tvDues->scrollTo(at);
            return;
        }
}

QStringList frmDues::shownMemberIds() const {
    QStringList ids;
    ids.reserve(qsizetype(m_model->shown().size()));
    for (int row : m_model->shown())
        ids << memberIdOf(row);
    return ids;
}

std::vector<int> frmDues::chosenRows() const {
    const QModelIndexList selected = tvDues->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return m_model->shown();
    std::vector<int> rows;
    rows.reserve(size_t(selected.size()));
    for (const QModelIndex &index : selected)
        rows.push_back(m_model->listRow(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList frmDues::chosenMemberIds() const {
    QStringList ids;
    for (int row : chosenRows())
        ids << memberIdOf(row);
    return ids;
}

RecordsetPtr frmDues::shownSelection() const {
    if (m_model->shown().empty()) {
        MsgBox(QStringLiteral("No member is shown. Choose others under \"Show\" or "
                              "\"Membership\"."),
               Mb::OKOnly | Mb::Exclamation);
        return nullptr;
    }
    return m_list.selection(m_model->shown());
}

QDate frmDues::suggestedPaidThrough(const QDate &today) {
    return QDate(today.year(), today.month(), 1).addDays(-1);
}

bool frmDues::markPaidThrough() {
    QStringList ids;
    int life = 0;
    // Life members never fall due: an opening balance would tell nothing.
    for (int row : chosenRows()) {
        if (m_list.standingOf(row) == Standing::Life)
            ++life;
        else
            ids << memberIdOf(row);
    }
    if (ids.isEmpty()) {
        MsgBox(life > 0 ? QStringLiteral("Life members never fall due, so they need no "
                                         "opening balance.")
                        : QStringLiteral("No member is shown, so none can be marked."),
               Mb::OKOnly | Mb::Exclamation);
        return false;
    }
    const QDate date =
        askPaidThrough
            ? askPaidThrough(int(ids.size()), suggestedPaidThrough(currentDateTime().date()))
            : QDate();
    if (!date.isValid())
        return false;
    qsizetype marked = 0;
    try {
        setPointer(Pointer::Busy);
        marked = club2().MarkPaidThrough(ids, date);
        setPointer(Pointer::Default);
    } catch (...) {
        tellFailure(QStringLiteral("No member was marked as paid."));
        return false;
    }
    refresh();
    QString said = counted(marked, QStringLiteral("member was"), QStringLiteral("members were"))
                   + QStringLiteral(" marked as paid through ") + dues::dateText(date)
                   + QStringLiteral(", as opening balances (no money received).");
    if (const qsizetype kept = ids.size() - marked; kept > 0)
        said += QString(LineBreak) + LineBreak
                + counted(kept,
                          QStringLiteral("member already paid through that date or later "
                                         "was"),
                          QStringLiteral("members already paid through that date or later "
                                         "were"))
                + QStringLiteral(" left as they were.");
    if (life > 0)
        said += QString(LineBreak) + LineBreak
                + counted(life, QStringLiteral("life member needs"),
                          QStringLiteral("life members need"))
                + QStringLiteral(" none.");
    MsgBox(said, Mb::OKOnly | Mb::Information);
    return true;
}

void frmDues::recordPayment() {
    QString id = currentMemberId();
    if (id.isEmpty()) {
        const QModelIndexList selected = tvDues->selectionModel()->selectedRows();
        if (!selected.isEmpty())
            id = memberIdOf(m_model->listRow(selected.first().row()));
    }
    if (id.isEmpty()) {
        MsgBox(QStringLiteral("Choose the member in the list first."),
               Mb::OKOnly | Mb::Information);
        return;
    }
    Q_EMIT recordPaymentFor(id);
}

namespace {
dues::ClubLetterhead letterhead() {
    dues::ClubLetterhead club;
    club.name = strClubName;
    try {
        const RecordsetPtr rs = ::club().LoadEditClub();
        if (!rs || rs->isEmpty())
            return club;
        const QString named = club.name;
        club = dues::clubLetterhead(*rs);
        if (club.name.isEmpty())
            club.name = named;
    } catch (...) {
        // Letters without the club's address still remind; the name read at start-up stays.
        const Failure f = currentFailure(std::current_exception());
        MsgBox(members::failureText(QStringLiteral("The club's details could not be read; the "
                                                   "letters are headed with its name only."),
                                    f),
               Mb::OKOnly | Mb::Exclamation);
    }
    return club;
}

QWidget *showPreview(QPointer<QWidget> &slot, const QString &name, const QString &caption,
                     std::shared_ptr<Report> report) {
    // A preview shows the list as of this request: the old one goes.
    if (slot)
        UnloadForm(slot);
    auto *window = new rptDues(name, caption, std::move(report));
    slot = window;
    showInMainWindow(window);
    return window;
}
} // namespace

QWidget *frmDues::showRenewalRoster() {
    const RecordsetPtr rows = shownSelection();
    if (!rows)
        return nullptr;
    const dues::ClubLetterhead club = letterhead();
    QString title = QStringLiteral("Renewal Roster: ") + cboShow->currentText();
    if (cboMembership->currentIndex() > 0)
        title += QStringLiteral(", ") + cboMembership->currentText();
    setPointer(Pointer::Busy);
    auto report = dues::buildRenewalRoster(club.name, title, rows);
    QWidget *window = showPreview(m_roster, QStringLiteral("rptRenewalRoster"),
                                  club.name + QStringLiteral(" - Renewal Roster"), report);
    setPointer(Pointer::Default);
    return window;
}

QWidget *frmDues::showReminderLetters() {
    const RecordsetPtr rows = shownSelection();
    if (!rows)
        return nullptr;
    const dues::ClubLetterhead club = letterhead();
    QString text;
    try {
        text = club2().Setting(QString::fromLatin1(SettingName::ReminderText));
    } catch (...) {
        tellFailure(QStringLiteral("The saved letter text could not be read; the default is "
                                   "used."));
    }
    setPointer(Pointer::Busy);
    auto report = dues::buildReminderLetters(club, dues::reminderText(text), rows);
    QWidget *window = showPreview(m_letters, QStringLiteral("rptReminderLetters"),
                                  club.name + QStringLiteral(" - Reminder Letters"), report);
    setPointer(Pointer::Default);
    return window;
}

void frmDues::editLetterText() {
    frmReminderText dialog(this);
    dialog.exec();
}

QString frmDues::suggestedFile(const QString &stem) const {
    return QDir(exchange::exportFolder()).filePath(stem + QStringLiteral(".csv"));
}

bool frmDues::exportList() {
    const RecordsetPtr rows = shownSelection();
    if (!rows)
        return false;
    const QString stem =
        QStringLiteral("renewals-") + currentDateTime().date().toString(Qt::ISODate);
    QString path = askExportPath
                       ? askExportPath(QStringLiteral("Export Renewal List"), suggestedFile(stem))
                       : QString();
    if (path.isEmpty())
        return false;
    path = withSuffix(path);
    return exchange::writeAndTell(path, [&] { return dues::exportRenewalList(*rows, path); },
                                  {QStringLiteral("The list was not exported."),
                                   QStringLiteral("member was"), QStringLiteral("members were")});
}

bool frmDues::copyEmails() {
    const RecordsetPtr rows = shownSelection();
    return rows && exchange::copyEmailAddresses(*rows);
}

void frmDues::showTotals() {
    m_totalsPending = false;
    const QDate from = dtpFrom->date(), to = dtpTo->date();
    tblByMethod->setRowCount(0);
    tblByMembership->setRowCount(0);
    lblOpening->clear();
    if (from > to) {
        lblTotals->setText(QStringLiteral("The period ends before it begins."));
        return;
    }
    dues::DuesTotals totals;
    try {
        setPointer(Pointer::Busy);
        const RecordsetPtr rows = club2().PaymentsReceived(from, to);
        if (!rows)
            throwObjectNotSet();
        totals = dues::totalsOf(*rows);
        setPointer(Pointer::Default);
    } catch (...) {
        lblTotals->setText(QStringLiteral("The payments could not be read."));
        tellFailure(QStringLiteral("The payments received could not be read."));
        return;
    }
    lblTotals->setText(
        counted(totals.payments, QStringLiteral("payment"), QStringLiteral("payments"))
        + QStringLiteral(" received from %1 to %2: %3 collected.")
              .arg(dues::dateText(from), dues::dateText(to), dues::amountText(totals.collected)));
    fillTotals(tblByMethod, totals.byMethod, dues::methodCaption);
    fillTotals(tblByMembership, totals.byMembership, [](const QString &type) {
        return type.isEmpty() ? QStringLiteral("(none)") : type;
    });
    if (totals.openingBalances > 0)
        lblOpening->setText(counted(totals.openingBalances, QStringLiteral("opening balance"),
                                    QStringLiteral("opening balances"))
                            + QStringLiteral(" (no money)"));
}

bool frmDues::exportPayments() {
    const QDate from = dtpFrom->date(), to = dtpTo->date();
    if (from > to) {
        MsgBox(QStringLiteral("The period ends before it begins."), Mb::OKOnly | Mb::Exclamation);
        return false;
    }
    RecordsetPtr rows;
    try {
        rows = club2().PaymentsReceived(from, to);
        if (!rows)
            throwObjectNotSet();
    } catch (...) {
        tellFailure(QStringLiteral("The payments received could not be read."));
        return false;
    }
    if (rows->isEmpty()) {
        MsgBox(QStringLiteral("No payment was received from %1 to %2; nothing was written.")
                   .arg(dues::dateText(from), dues::dateText(to)),
               Mb::OKOnly | Mb::Exclamation);
        return false;
    }
    const QString stem = QStringLiteral("payments-%1-to-%2")
                             .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
    QString path = askExportPath
                       ? askExportPath(QStringLiteral("Export Payments"), suggestedFile(stem))
                       : QString();
    if (path.isEmpty())
        return false;
    path = withSuffix(path);
    return exchange::writeAndTell(path, [&] { return dues::exportPayments(*rows, from, to, path); },
                                  {QStringLiteral("The payments were not exported."),
                                   QStringLiteral("payment was"), QStringLiteral("payments were"),
                                   QStringLiteral(" written, with their totals, to:")});
}

QSize frmDues::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 160, fm.height() * 50};
}
