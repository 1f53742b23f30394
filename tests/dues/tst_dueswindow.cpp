// "Dues and Renewals" on a real roll: the first use, the filters and counts, the treasurer's
// totals against the roll's own sums, and what the window hands on.
#include "MemberTestUtil.h"
#include "club/Dues.h"
#include "dues/DuesDialogs.h"
#include "dues/DuesReports.h"
#include "dues/frmDues.h"
#include "report/ReportPreview.h"
#include "system/System.h"
#include "table/TableFile.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <sqlite3.h>

namespace {
const QDate Today(2026, 12, 8);

StoredMember dueMember(const char *id, const char *last, const char *type, const char *email) {
    StoredMember m = member(QLatin1String(id), QLatin1String(last), QStringLiteral("Pat"));
    m.membership = QLatin1String(type);
    m.email = QLatin1String(email);
    m.address1 = QStringLiteral("1 Main St");
    m.city = QStringLiteral("Albany");
    return m;
}

// In name order: Ashby, Brook, Clay, Dale, Eve, Fox.
const QList<StoredMember> Roll{
    dueMember("M-1", "Ashby", "Regular", "ashby@x.org"),
    dueMember("M-2", "Brook", "Regular", ""),
    dueMember("M-3", "Clay", "Family", "clay@x.org"),
    dueMember("M-4", "Dale", "Life", ""),
    dueMember("M-5", "Eve", "Senior", "eve@x.org"),
    dueMember("M-6", "Fox", "Regular", "fox@x.org"),
};

void pay(const QString &id, const QDate &received, double amount, const char *method) {
    DuesPayment p;
    p.memberId = id;
    p.receivedOn = received;
    p.amount = amount;
    p.periodFrom = received;
    p.periodTo = received.addYears(1).addDays(-1);
    p.method = QLatin1String(method);
    QVERIFY(club2().RecordPayment(p) > 0);
}

// The first column of every row of a query, read with SQLite itself.
QStringList sqlColumn(const QString &path, const QString &sql) {
    sqlite3 *db = nullptr;
    QStringList out;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                out << QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

QStringList tableRows(const QTableWidget *table) {
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows << table->item(r, 0)->text() + u'=' + table->item(r, 1)->text();
    return rows;
}
} // namespace

class tst_DuesWindow : public QObject, FormFixture<frmDues> {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        setClock([] { return QDateTime(Today, QTime(9, 30)); });
    }
    void init() {
        setUp();
        app->exec("INSERT INTO tblMain (ClubID,ClubName,Address1,City,State,Zip,Phone1,Email) "
                  "VALUES ('C-1','Harbour Club','2 Quay Rd','Albany','NY','12345','555-0100',"
                  "'club@x.org');");
    }
    void cleanup() {
        deletePreviewWindows();
        tearDown();
    }
    void firstUseMarksOpeningBalances();
    void filtersAndCounts_data();
    void filtersAndCounts();
    void totalsMatchTheRoll();
    void lettersAndHandingOn();
    void staysCurrent();

private:
    QStringList shownIds() const { return form->shownMemberIds(); }
    // The numbers of the counts line: the total, then each standing.
    QList<int> countsLine() const {
        QList<int> n;
        for (const QString &part :
             form->lblCounts->text().split(QRegularExpression("[^0-9]+"), Qt::SkipEmptyParts))
            n << part.toInt();
        return n;
    }
};

void tst_DuesWindow::firstUseMarksOpeningBalances() {
    openWith(Roll);
    QVERIFY(form->firstUse());
    QVERIFY(form->fraFirstUse->isVisible());
    QCOMPARE(form->cboShow->currentText(), QStringLiteral("All members"));
    QCOMPARE(form->lblCounts->text(),
             QStringLiteral("6 members: 0 paid, 0 due, 0 lapsed, 5 never paid, 1 life"));

    // Everyone shown, nobody selected: all but the life member, through the end of last month.
    QDate suggested;
    int asked = 0;
    form->askPaidThrough = [&](int members, const QDate &date) {
        asked = members;
        suggested = date;
        return date;
    };
    form->tvDues->clearSelection();
    form->cmdFirstUse->click();
    QCOMPARE(asked, 5);
    QCOMPARE(suggested, QDate(2026, 11, 30));
    QCOMPARE(boxes->prompts().last(),
             QStringLiteral("5 members were marked as paid through 11/30/2026, as opening "
                            "balances (no money received).\n\n1 life member needs none."));
    QVERIFY(!form->firstUse());
    QVERIFY(form->fraFirstUse->isHidden());
    QCOMPARE(form->lblCounts->text(),
             QStringLiteral("6 members: 0 paid, 0 due, 5 lapsed, 0 never paid, 1 life"));
    QCOMPARE(app->scalar("SELECT COUNT(*) FROM tblPayments WHERE Method = 'opening' AND Amount = 0 "
                         "AND PeriodTo = '2026-11-30'"),
             QStringLiteral("5"));

    // A selection is marked alone; a date no later than what members hold leaves them be.
    form->tvDues->selectRow(0);
    form->askPaidThrough = [](int members, const QDate &) {
        return members == 1 ? QDate(2026, 12, 20) : QDate();
    };
    form->cmdMarkPaid->click();
    QCOMPARE(form->lblCounts->text(),
             QStringLiteral("6 members: 0 paid, 1 due, 4 lapsed, 0 never paid, 1 life"));
    form->tvDues->clearSelection();
    form->askPaidThrough = [](int, const QDate &) {
        return QDate(2026, 11, 30);
    };
    form->cmdMarkPaid->click();
    QVERIFY(boxes->prompts().last().startsWith(
        QStringLiteral("0 members were marked as paid through 11/30/2026")));
    QVERIFY(boxes->prompts().last().contains(
        QStringLiteral("5 members already paid through that date or later were left as they "
                       "were.")));
}

void tst_DuesWindow::filtersAndCounts_data() {
    QTest::addColumn<int>("show");
    QTest::addColumn<QString>("membership");
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("ids");
    using S = frmDues::Show;
    // Paid ahead, due in 12 days, lapsed, life, never paid, due today.
    QTest::newRow("all") << int(S::All) << "" << 30
                         << QStringList{"M-1", "M-2", "M-3", "M-4", "M-5", "M-6"};
    QTest::newRow("due and lapsed")
        << int(S::DueAndLapsed) << "" << 30 << QStringList{"M-2", "M-3", "M-6"};
    QTest::newRow("paid") << int(S::Paid) << "" << 30 << QStringList{"M-1"};
    QTest::newRow("due") << int(S::Due) << "" << 30 << QStringList{"M-2", "M-6"};
    QTest::newRow("lapsed") << int(S::Lapsed) << "" << 30 << QStringList{"M-3"};
    QTest::newRow("never paid") << int(S::NeverPaid) << "" << 30 << QStringList{"M-5"};
    QTest::newRow("life") << int(S::Life) << "" << 30 << QStringList{"M-4"};
    QTest::newRow("due within 5 days") << int(S::Due) << "" << 5 << QStringList{"M-6"};
    QTest::newRow("due today only") << int(S::Due) << "" << 0 << QStringList{"M-6"};
    QTest::newRow("paid within 5 days") << int(S::Paid) << "" << 5 << QStringList{"M-1", "M-2"};
    QTest::newRow("regular owing")
        << int(S::DueAndLapsed) << "Regular" << 30 << QStringList{"M-2", "M-6"};
    QTest::newRow("golf: none") << int(S::All) << "Golf" << 30 << QStringList{};
}

void tst_DuesWindow::filtersAndCounts() {
    QFETCH(int, show);
    QFETCH(QString, membership);
    QFETCH(int, days);
    QFETCH(QStringList, ids);
    for (const StoredMember &m : Roll)
        storeMember(*app, m);
    NewClub();
    QCOMPARE(club2().MarkPaidThrough({"M-1"}, QDate(2027, 6, 30)), 1);
    QCOMPARE(club2().MarkPaidThrough({"M-2"}, Today.addDays(12)), 1);
    QCOMPARE(club2().MarkPaidThrough({"M-3"}, QDate(2026, 10, 31)), 1);
    QCOMPARE(club2().MarkPaidThrough({"M-6"}, Today), 1);
    form = host->open<frmDues>();
    QCOMPARE(form->cboShow->currentText(), QStringLiteral("Due and lapsed"));
    QVERIFY(form->fraFirstUse->isHidden());

    form->spnDueDays->setValue(days);
    form->cboShow->setCurrentIndex(show);
    form->cboMembership->setCurrentIndex(form->cboMembership->findData(membership));
    QCOMPARE(shownIds(), ids);
    QCOMPARE(form->lblShown->text().startsWith(QStringLiteral("No member is shown")),
             ids.isEmpty());
    // The standings count the whole roll, whatever is shown, and add up to it.
    const QList<int> n = countsLine();
    QCOMPARE(n.size(), 6);
    QCOMPARE(n[0], Roll.size());
    QCOMPARE(n[1] + n[2] + n[3] + n[4] + n[5], n[0]);
    QCOMPARE(n[4], 1); // never paid
    QCOMPARE(n[5], 1); // life
}

void tst_DuesWindow::totalsMatchTheRoll() {
    for (const StoredMember &m : Roll)
        storeMember(*app, m);
    NewClub();
    QCOMPARE(club2().MarkPaidThrough({"M-1", "M-2", "M-3", "M-5", "M-6"}, QDate(2025, 12, 31)), 5);
    pay("M-1", QDate(2026, 1, 5), 120.10, "cheque");
    pay("M-2", QDate(2026, 2, 1), 120.10, "cash");
    pay("M-3", QDate(2026, 3, 9), 75.25, "cheque");
    pay("M-5", QDate(2026, 11, 30), 60, "transfer");
    pay("M-6", QDate(2025, 12, 20), 999, "card"); // before the period
    // The type a payment was made under stays with it.
    app->exec("UPDATE tblMembers SET Membership = 'Senior' WHERE MemberID = 'M-1';");
    openWith({});
    QCOMPARE(form->dtpFrom->date(), QDate(2026, 1, 1));
    QCOMPARE(form->dtpTo->date(), Today);

    for (const auto &[from, to] :
         {std::pair{QDate(2026, 1, 1), Today}, std::pair{QDate(2025, 12, 1), QDate(2026, 2, 28)}}) {
        form->dtpFrom->setDate(from);
        form->dtpTo->setDate(to);
        form->showTotals();
        const QString where = QStringLiteral(" FROM tblPayments WHERE ReceivedOn BETWEEN '%1' AND "
                                             "'%2' AND Method <> 'opening'")
                                  .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
        const QString roll = app->rollPath();
        const QStringList sum = sqlColumn(roll, "SELECT COUNT(*) || '|' || TOTAL(Amount)" + where);
        const QStringList parts = sum.value(0).split(u'|');
        QCOMPARE(form->lblTotals->text(),
                 QStringLiteral("%1 payments received from %2 to %3: %4 collected.")
                     .arg(parts[0], dues::dateText(from), dues::dateText(to),
                          dues::amountText(parts[1].toDouble())));
        auto grouped = [&](const char *column, bool capital) {
            QStringList rows;
            for (const QString &row :
                 sqlColumn(roll, QStringLiteral("SELECT %1 || '|' || TOTAL(Amount)%2 GROUP BY "
                                                "%1 ORDER BY %1")
                                     .arg(QLatin1String(column), where))) {
                QString name = row.section(u'|', 0, 0);
                if (capital)
                    name[0] = name[0].toUpper();
                rows << name + u'=' + dues::amountText(row.section(u'|', 1).toDouble());
            }
            return rows;
        };
        QCOMPARE(tableRows(form->tblByMethod), grouped("Method", true));
        QCOMPARE(tableRows(form->tblByMembership), grouped("Membership", false));
        const QString opening =
            sqlColumn(roll, QStringLiteral("SELECT COUNT(*) FROM tblPayments "
                                           "WHERE Method = 'opening' AND "
                                           "ReceivedOn BETWEEN '%1' AND '%2'")
                                .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)))
                .value(0);
        QCOMPARE(form->lblOpening->text(),
                 opening == "0" ? QString() : opening + " opening balances (no money)");
    }

    // The treasurer's export of the last period reads as the window does.
    const QString file = app->path() + "/payments.csv";
    form->askExportPath = [&](const QString &, const QString &) {
        return file;
    };
    QVERIFY(form->exportPayments());
    const TableRead read = readTableFile(file);
    QVERIFY2(read.ok, qPrintable(read.error));
    QStringList byMethod, byMembership, collected;
    for (const QStringList &row : read.rows) {
        const QString words = row.value(0), amount = dues::amountText(row.value(5).toDouble());
        if (words.startsWith("By method: "))
            byMethod << words.mid(11).toLower() + u'=' + amount;
        else if (words.startsWith("By membership: "))
            byMembership << words.mid(15) + u'=' + amount;
        else if (words.startsWith("Collected "))
            collected << row.value(6) << amount;
    }
    QCOMPARE(collected.size(), 2);
    QCOMPARE(byMethod.size(), 3);
    QCOMPARE(byMethod, tableRows(form->tblByMethod).join(u'\n').toLower().split(u'\n'));
    QCOMPARE(byMembership, tableRows(form->tblByMembership));
    QVERIFY(form->lblTotals->text().startsWith(collected.value(0)));
    QVERIFY(form->lblTotals->text().endsWith(collected.value(1) + " collected."));
}

void tst_DuesWindow::lettersAndHandingOn() {
    for (const StoredMember &m : Roll)
        storeMember(*app, m);
    NewClub();
    QCOMPARE(club2().MarkPaidThrough({"M-1", "M-2", "M-3", "M-5", "M-6"}, QDate(2026, 11, 30)), 5);
    QCOMPARE(club2().MarkPaidThrough({"M-1"}, QDate(2027, 11, 30)), 1);
    openWith({});
    QCOMPARE(shownIds(), (QStringList{"M-2", "M-3", "M-5", "M-6"}));

    // The letter text is the roll's own once saved; the letters use it.
    {
        frmReminderText text;
        QCOMPARE(text.txtText->toPlainText(), dues::defaultReminderText());
        text.txtText->setPlainText(QStringLiteral("Please send {Amount}; paid to {PaidThrough}."));
        QVERIFY(text.save());
    }
    QCOMPARE(frmReminderText().txtText->toPlainText(),
             QStringLiteral("Please send {Amount}; paid to {PaidThrough}."));
    QPointer<QWidget> letters = form->showReminderLetters();
    QVERIFY(letters);
    QCOMPARE(letters->objectName(), QStringLiteral("rptReminderLetters"));
    const Report &report = letters->findChild<ReportPreview *>()->report();
    QCOMPARE(report.pageCount(), 4);
    QList<DrawnItem> drawn;
    report.pageImage(1, 30, &drawn);
    QStringList texts;
    for (const DrawnItem &item : drawn)
        texts << item.text;
    const QString page = texts.join(u'\n');
    QVERIFY2(page.contains(QStringLiteral("Harbour Club")), qPrintable(page));
    QVERIFY2(page.contains(QStringLiteral("2 Quay Rd")), qPrintable(page));
    QVERIFY2(page.contains(QStringLiteral("Clay")), qPrintable(page));
    QVERIFY2(
        page.contains(QStringLiteral("Please send $25.00; paid to Monday, November 30, 2026.")),
        qPrintable(page));
    // A second request replaces the first preview.
    form->cboShow->setCurrentIndex(int(frmDues::Show::Paid));
    QPointer<QWidget> again = form->showReminderLetters();
    QVERIFY(MdiHost::closed(letters));
    QCOMPARE(again->findChild<ReportPreview *>()->report().pageCount(), 1);
    QVERIFY(form->showRenewalRoster());

    // The e-mail addresses and the spreadsheet are the list shown.
    form->cboShow->setCurrentIndex(int(frmDues::Show::DueAndLapsed));
    QVERIFY(form->copyEmails());
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("clay@x.org; eve@x.org; fox@x.org"));
    QCOMPARE(boxes->prompts().last(), QStringLiteral("3 e-mail addresses copied, ready to paste "
                                                     "into Bcc. 1 member has no e-mail address."));
    QTemporaryDir dir;
    form->askExportPath = [&](const QString &, const QString &) {
        return dir.filePath("owing");
    };
    QVERIFY(form->exportList());
    QFile csv(dir.filePath("owing.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count('\n'), 5);

    // Enter on a member asks for their payment to be recorded.
    QSignalSpy asked(form.data(), &frmDues::recordPaymentFor);
    form->tvDues->setFocus();
    form->tvDues->setCurrentIndex(form->model()->index(1, 0));
    QTest::keyClick(form->tvDues, Qt::Key_Return);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().first().toString(), QStringLiteral("M-3"));
}

void tst_DuesWindow::staysCurrent() {
    openWith(Roll);
    auto *other = new QWidget;
    other->setWindowTitle(QStringLiteral("Elsewhere"));
    QMdiSubWindow *otherSub = host->area->addSubWindow(other);
    otherSub->show();
    form->tvDues->setCurrentIndex(form->model()->index(2, 0)); // Clay

    // A payment recorded in another window shows on coming back, and the list keeps its place.
    host->area->setActiveSubWindow(otherSub);
    QCOMPARE(club2().MarkPaidThrough({"M-3"}, QDate(2027, 1, 31)), 1);
    QVERIFY(form->lblCounts->text().contains(QStringLiteral("0 paid")));
    host->area->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(form->parentWidget()));
    QCOMPARE(form->lblCounts->text(),
             QStringLiteral("6 members: 1 paid, 0 due, 0 lapsed, 4 never paid, 1 life"));
    QCOMPARE(form->model()->listRow(form->tvDues->currentIndex().row()), 2);

    // A roll that cannot be read is said, and the window stays usable.
    objClub.reset();
    boxes->clear();
    form->cmdRefresh->click();
    QCOMPARE(boxes->shown().size(), 1);
    QVERIFY(boxes->prompts().first().startsWith(QStringLiteral("The dues of the members could "
                                                               "not be read.")));
    QCOMPARE(form->model()->rowCount(), 0);
    NewClub();
    QTest::keyClick(form->tvDues, Qt::Key_F5);
    QCOMPARE(form->model()->rowCount(), 6);
}

QTEST_MAIN(tst_DuesWindow)
#include "tst_dueswindow.moc"
