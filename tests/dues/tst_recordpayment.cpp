// Recording dues payments as a secretary does on an evening of cheques: keys only, on a real
// roll, each payment read back from the roll.
#include "MemberTestUtil.h"
#include "club/Dues.h"
#include "dues/frmRecordPayment.h"
#include "members/MemberFinder.h"
#include "system/System.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// The evening the tests run on.
const QDate Today(2026, 3, 15);

StoredMember payer(const char *id, const char *last, const char *first, const char *paid,
                   const char *dues) {
    StoredMember m = member(QLatin1String(id), QLatin1String(last), QLatin1String(first));
    m.paid = QLatin1String(paid);
    m.dues = QLatin1String(dues);
    return m;
}

// Monthly and paid ahead; annual and paid ahead; quarterly and lapsed since October; "Other";
// and a name that starts like the lapsed one's, so "clark" finds two.
const QList<StoredMember> Roll{
    payer("M-1", "Alvarez", "Maria", "Monthly", "10"),
    payer("M-2", "Brook", "Tom", "Annual", "120"),
    payer("M-3", "Clark", "Anne", "Quarterly", "30"),
    payer("M-4", "Dunn", "Olive", "Other", "50"),
    payer("M-5", "Clarke", "Zoe", "Annual", "120"),
};

void pay(const QString &id, const QDate &from, const QDate &to, double amount) {
    DuesPayment p;
    p.memberId = id;
    p.receivedOn = from;
    p.amount = amount;
    p.periodFrom = from;
    p.periodTo = to;
    p.method = QStringLiteral("cash");
    QVERIFY(club2().RecordPayment(p) > 0);
}

QWidget *focused() {
    return QApplication::focusWidget();
}

void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(focused(), key, mods);
}

void type(const QString &text) {
    QTest::keyClicks(focused(), text);
}
} // namespace

class tst_RecordPayment : public QObject, FormFixture<frmRecordPayment> {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void threePaymentsFromTheKeyboard();
    void refusalsKeepWhatWasTyped_data();
    void refusalsKeepWhatWasTyped();
    void periodFollowsReceivedUntilTyped();
    void deletePayment_data();
    void deletePayment();

private:
    // The stored payments of a member, one "received|amount|from|to|method|reference" each.
    QStringList stored(const QString &id) const {
        return app->column(QStringLiteral("SELECT ReceivedOn || '|' || printf('%.2f', Amount) || "
                                          "'|' || PeriodFrom || '|' || PeriodTo || '|' || Method "
                                          "|| '|' || COALESCE(Reference, '') FROM tblPayments "
                                          "WHERE MemberID = '%1' ORDER BY PaymentID")
                               .arg(id));
    }
};

void tst_RecordPayment::init() {
    setUp();
    setClock([] { return QDateTime(Today, QTime(19, 30)); });
    for (const StoredMember &m : Roll)
        storeMember(*app, m);
    NewClub();
    pay(QStringLiteral("M-1"), QDate(2026, 3, 1), QDate(2026, 3, 31), 10);
    pay(QStringLiteral("M-2"), QDate(2026, 1, 1), QDate(2026, 12, 31), 120);
    pay(QStringLiteral("M-3"), QDate(2025, 8, 1), QDate(2025, 10, 31), 30);
    form = host->open<frmRecordPayment>();
    QVERIFY(QTest::qWaitForWindowActive(&host->window));
    QTRY_COMPARE(focused(), form->finder->txtFind);
}

void tst_RecordPayment::cleanup() {
    setClock({});
    tearDown();
}

void tst_RecordPayment::threePaymentsFromTheKeyboard() {
    // Maria: found with Enter, cash chosen from the list, Enter through every field to save.
    type(QStringLiteral("alvarez"));
    press(Qt::Key_Return);
    QCOMPARE(focused(), form->txtAmount);
    QCOMPARE(form->lblPaidThrough->text(), QStringLiteral("March 31, 2026"));
    QCOMPARE(form->lblStanding->text(), QStringLiteral("Due"));
    press(Qt::Key_Return); // amount as it is
    press(Qt::Key_Return); // from
    press(Qt::Key_Return); // to
    QCOMPARE(focused(), form->cboMethod);
    press(Qt::Key_Up); // cheque -> cash
    press(Qt::Key_Return);
    type(QStringLiteral("R-17"));
    press(Qt::Key_Return);
    QCOMPARE(focused(), form->txtNote);
    press(Qt::Key_Return);
    QCOMPARE(stored(QStringLiteral("M-1")).value(1),
             QStringLiteral("2026-03-15|10.00|2026-04-01|2026-04-30|cash|R-17"));
    QCOMPARE(form->lblRecorded->text(),
             QStringLiteral("Recorded $10.00 from Alvarez, Maria: paid through April 30, 2026"));
    QCOMPARE(focused(), form->finder->txtFind);
    QVERIFY(form->finder->txtFind->text().isEmpty());

    // Tom: two years in one cheque typed over the amount, saved with Ctrl+S; the method is the
    // one last used.
    type(QStringLiteral("brook"));
    press(Qt::Key_Return);
    type(QStringLiteral("240"));
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(stored(QStringLiteral("M-2")).value(1),
             QStringLiteral("2026-03-15|240.00|2027-01-01|2027-12-31|cash|"));
    QCOMPARE(focused(), form->finder->txtFind);
    // A second Ctrl+S records nothing until a member is chosen again.
    press(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(boxes->prompts().value(0).startsWith("Choose the member who paid first: "));
    QCOMPARE(stored(QStringLiteral("M-2")).size(), 2);

    // Anne, lapsed: "clark" finds two, so Down into the list and Enter on the first; her new
    // period starts on the day the money came.
    type(QStringLiteral("clark"));
    press(Qt::Key_Return);
    QCOMPARE(focused(), form->finder->txtFind);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QCOMPARE(focused(), form->txtAmount);
    QCOMPARE(form->lblStanding->text(), QStringLiteral("Lapsed for 4 months"));
    for (int field = 0; field < 4; ++field)
        press(Qt::Key_Return);
    type(QStringLiteral("1044"));
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    QCOMPARE(stored(QStringLiteral("M-3")).value(1),
             QStringLiteral("2026-03-15|30.00|2026-03-15|2026-06-14|cash|1044"));
    QCOMPARE(form->lblStanding->text(), QStringLiteral("Paid"));
    QCOMPARE(focused(), form->finder->txtFind);
    QCOMPARE(boxes->shown().size(), 1);
}

void tst_RecordPayment::refusalsKeepWhatWasTyped_data() {
    QTest::addColumn<QString>("find");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("fix");      // typed over the refused text; empty: none
    QTest::addColumn<QString>("recorded"); // the payment stored after the fix
    QTest::newRow("To before From")
        << "brook" << QByteArray("txtTo") << "12/31/2026"
        << "The period ends before it begins: To (12/31/2026) is before From (1/1/2027)."
        << "12/31/27"
        << "2026-03-15|120.00|2027-01-01|2027-12-31|cheque|";
    QTest::newRow("Other needs To")
        << "dunn" << QByteArray("txtTo") << ""
        << "Type the last day this payment covers in To. Paid \"Other\" has no set length."
        << "2026-09-30"
        << "2026-03-15|50.00|2026-03-15|2026-09-30|cheque|";
    QTest::newRow("amount no number")
        << "brook" << QByteArray("txtAmount") << "12O"
        << "The amount is not a number. Type it as 25.00, without a currency sign."
        << "1,200.00"
        << "2026-03-15|1200.00|2027-01-01|2027-12-31|cheque|";
    QTest::newRow("amount below zero") << "brook" << QByteArray("txtAmount") << "-5"
                                       << "The amount cannot be below zero."
                                       << ""
                                       << "";
    QTest::newRow("received no date") << "brook" << QByteArray("txtReceived") << "13/45/2026"
                                      << "Received on is not a date. Type a date such as 3/15/2026."
                                      << "3/14/2026"
                                      << "2026-03-14|120.00|2027-01-01|2027-12-31|cheque|";
}

void tst_RecordPayment::refusalsKeepWhatWasTyped() {
    QFETCH(QString, find);
    QFETCH(QByteArray, field);
    QFETCH(QString, typed);
    QFETCH(QString, prompt);
    QFETCH(QString, fix);
    QFETCH(QString, recorded);
    type(find);
    press(Qt::Key_Return);
    auto *box = form->findChild<QLineEdit *>(QString::fromLatin1(field));
    const QString id = form->payingMember();
    QVERIFY(box && !id.isEmpty());
    box->setFocus();
    box->selectAll();
    if (!typed.isEmpty())
        type(typed);
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(boxes->prompts(), QStringList{prompt});
    QCOMPARE(stored(id).size(), id == QLatin1String("M-2") ? 1 : 0);
    QCOMPARE(focused(), box);
    QCOMPARE(box->text(), typed);
    QCOMPARE(form->payingMember(), id);
    if (fix.isEmpty())
        return;
    type(fix);
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(stored(id).last(), recorded);
    QCOMPARE(boxes->shown().size(), 1);
}

void tst_RecordPayment::periodFollowsReceivedUntilTyped() {
    type(QStringLiteral("clark anne"));
    press(Qt::Key_Return);
    QCOMPARE(form->txtFrom->text(), QStringLiteral("3/15/2026"));
    QCOMPARE(form->txtTo->text(), QStringLiteral("6/14/2026"));
    form->txtReceived->setFocus();
    form->txtReceived->selectAll();
    type(QStringLiteral("2/28/26"));
    QCOMPARE(form->txtFrom->text(), QStringLiteral("2/28/2026"));
    QCOMPARE(form->txtTo->text(), QStringLiteral("5/27/2026"));
    // A period end typed by hand stays when the received date changes again.
    form->txtTo->setFocus();
    form->txtTo->selectAll();
    type(QStringLiteral("12/31/2026"));
    form->txtReceived->setFocus();
    form->txtReceived->selectAll();
    type(QStringLiteral("3/1/2026"));
    QCOMPARE(form->txtFrom->text(), QStringLiteral("3/1/2026"));
    QCOMPARE(form->txtTo->text(), QStringLiteral("12/31/2026"));
    // Esc in a field goes back to the find box; the payment waits as typed.
    press(Qt::Key_Escape);
    QCOMPARE(focused(), form->finder->txtFind);
    QCOMPARE(form->txtTo->text(), QStringLiteral("12/31/2026"));
}

void tst_RecordPayment::deletePayment_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << Mb::Yes;
    QTest::newRow("No") << Mb::No;
}

void tst_RecordPayment::deletePayment() {
    QFETCH(int, answer);
    // Six months paid one at a time: the newest five show, newest first.
    for (int m = 4; m <= 8; ++m)
        pay(QStringLiteral("M-1"), QDate(2026, m, 1), QDate(2026, m, 1).addMonths(1).addDays(-1),
            10);
    type(QStringLiteral("alvarez"));
    press(Qt::Key_Return);
    QCOMPARE(form->lvPayments->topLevelItemCount(), 5);
    QCOMPARE(form->lvPayments->topLevelItem(0)->text(2), QStringLiteral("8/1/2026 to 8/31/2026"));
    QCOMPARE(form->txtFrom->text(), QStringLiteral("9/1/2026"));
    form->lvPayments->setFocus();
    form->lvPayments->setCurrentItem(form->lvPayments->topLevelItem(0));
    boxes->answer({answer});
    press(Qt::Key_Delete);
    QVERIFY(boxes->prompts().value(0).startsWith(
        "Delete the payment of $10.00 received on 8/1/2026 from Alvarez, Maria"));
    const bool deleted = answer == Mb::Yes;
    QCOMPARE(stored(QStringLiteral("M-1")).size(), deleted ? 5 : 6);
    QCOMPARE(form->lblPaidThrough->text(),
             deleted ? QStringLiteral("July 31, 2026") : QStringLiteral("August 31, 2026"));
    // The payment being entered follows the paid-through date it is reckoned from.
    QCOMPARE(form->txtFrom->text(),
             deleted ? QStringLiteral("8/1/2026") : QStringLiteral("9/1/2026"));
}

QTEST_MAIN(tst_RecordPayment)
#include "tst_recordpayment.moc"
