#include "MemberTestUtil.h"
#include "common/modGlobal.h"
#include "members/MemberFinder.h"
#include "members/MemberList.h"
#include "members/frmEditMem.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using namespace members;

class tst_MemberEdit : public QObject, FormFixture<frmEditMem> {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void listShowsEveryMember();
    void rowClickLoadsTheFields();
    void unmatchedChoiceLeavesNone_data();
    void unmatchedChoiceLeavesNone();
    void headerSortsAsTextInOneDirection();
    void saveNeedsASelection();
    void updateAnswer_data();
    void updateAnswer();
    void storedValuesTooLongForTheBoxSurviveASave();
    void failedUpdateKeepsTheChanges();
    void enterAndTabOrder();

private:
    int rowOf(const QString &id) const;
};

void tst_MemberEdit::init() {
    setUp();
}

void tst_MemberEdit::cleanup() {
    tearDown();
}

int tst_MemberEdit::rowOf(const QString &id) const {
    return int(columnTexts(form->lvMember, 0).indexOf(id));
}

void tst_MemberEdit::listShowsEveryMember() {
    StoredMember full =
        member(QStringLiteral("M-1"), QStringLiteral("O'Neil"), QStringLiteral("Mary"));
    full.dues = QStringLiteral("1234.5");
    full.email = QStringLiteral("mary@example.com");
    StoredMember sparse =
        member(QStringLiteral("M-2"), QStringLiteral("Lee"), QStringLiteral("Al"));
    sparse.dues = QStringLiteral("NULL");
    openWith({full, sparse});

    QCOMPARE(form->windowTitle(), QStringLiteral("Quillmere - Edit Member"));
    QCOMPARE(headerTexts(form->lvMember),
             (QStringList{"ID #", "Last Name", "First Name", "Mid Name", "Address", "Address",
                          "City", "State/Prov", "Zip Code", "Home Phone", "Work Phone",
                          "Cell Phone", "Dues Amt", "Paid", "Membership", "Email", "Notes"}));
    QCOMPARE(columnTexts(form->lvMember, 0), (QStringList{"M-1", "M-2"}));
    QCOMPARE(columnTexts(form->lvMember, 12), (QStringList{"1,234.50", ""}));
    QCOMPARE(columnTexts(form->lvMember, 7), (QStringList{"NY - New York", "NY - New York"}));
    QCOMPARE(columnTexts(form->lvMember, 15), (QStringList{"mary@example.com", ""}));
    const QModelIndex dues = form->lvMember->model()->index(0, 12);
    QVERIFY(dues.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    // The window opens in the find box, with no caption standing out and nobody chosen.
    QCOMPARE(QApplication::focusWidget(), form->finder->txtFind);
    for (QLabel *c : form->lblData)
        QVERIFY(plain(c));
    QVERIFY(form->lblID->text().isEmpty());
}

void tst_MemberEdit::rowClickLoadsTheFields() {
    StoredMember m =
        member(QStringLiteral("M-7"), QStringLiteral("O'Neil"), QStringLiteral("Mary"));
    m.middle = QStringLiteral("J");
    m.address2 = QStringLiteral("Apt 3");
    m.phone1 = QStringLiteral("555-0101");
    m.dues = QStringLiteral("1234.5");
    m.paid = QStringLiteral("Semi Annual");
    m.membership = QStringLiteral("Life");
    m.email = QStringLiteral("mary@example.com");
    m.notes = QStringLiteral("Pays in\ncash");
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Lee"), QStringLiteral("Al")), m});

    clickRow(form->lvMember, rowOf(QStringLiteral("M-7")));
    QCOMPARE(form->lblID->text(), QStringLiteral("M-7"));
    const QStringList fields{
        form->txtBox[0]->text(),        form->txtBox[1]->text(),  form->txtBox[2]->text(),
        form->txtBox[3]->text(),        form->txtBox[4]->text(),  form->txtBox[5]->text(),
        form->cboBox[0]->currentText(), form->txtBox[6]->text(),  form->txtBox[7]->text(),
        form->txtBox[8]->text(),        form->txtBox[10]->text(), form->cboBox[1]->currentText(),
        form->cboBox[2]->currentText(), form->txtBox[11]->text(), form->rtBox->toPlainText()};
    QCOMPARE(fields, (QStringList{"O'Neil", "Mary", "J", "1 Main St", "Apt 3", "Springfield",
                                  "NY - New York", "12345", "555-0101", "", "1,234.50",
                                  "Semi Annual", "Life", "mary@example.com", "Pays in\ncash"}));
    QCOMPARE(itmMember.value(0), QStringLiteral("M-7"));
    QCOMPARE(itmMember.value(1), QStringLiteral("O'Neil"));

    // The keyboard picks a row just as well.
    QTest::keyClick(form->lvMember, Qt::Key_Up);
    QCOMPARE(form->lblID->text(), columnTexts(form->lvMember, 0).value(rowOf("M-7") - 1));

    // Saved unchanged, the amount goes back as it was.
    clickRow(form->lvMember, rowOf(QStringLiteral("M-7")));
    boxes->answer({Mb::No});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(app->scalar(QStringLiteral("SELECT Dues FROM tblMembers WHERE MemberID = 'M-7'")),
             QStringLiteral("1234.5"));
}

void tst_MemberEdit::unmatchedChoiceLeavesNone_data() {
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("column");
    QTest::newRow("state") << int(StateList) << "State";
    QTest::newRow("paid") << int(PaidList) << "DuesPaid";
    QTest::newRow("membership") << int(MembershipList) << "Membership";
}

void tst_MemberEdit::unmatchedChoiceLeavesNone() {
    QFETCH(int, list);
    QFETCH(QString, column);
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A")),
              member(QStringLiteral("M-2"), QStringLiteral("Baker"), QStringLiteral("B"))});
    app->exec(
        QStringLiteral("UPDATE tblMembers SET %1 = 'Weekly' WHERE MemberID = 'M-2';").arg(column));
    form->FillMemberList();
    clickRow(form->lvMember, rowOf(QStringLiteral("M-1")));
    QVERIFY(form->cboBox[list]->currentIndex() >= 0);
    clickRow(form->lvMember, rowOf(QStringLiteral("M-2")));
    QCOMPARE(form->cboBox[list]->currentIndex(), -1); // not the previous member's choice
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(boxes->shown().size(), 1);
    QCOMPARE(QApplication::focusWidget(), form->cboBox[list]);
}

void tst_MemberEdit::headerSortsAsTextInOneDirection() {
    openWith({member(QStringLiteral("M-2"), QStringLiteral("Baker"), QStringLiteral("B")),
              member(QStringLiteral("M-10"), QStringLiteral("Able"), QStringLiteral("A")),
              member(QStringLiteral("M-1"), QStringLiteral("Carter"), QStringLiteral("C"))});
    clickRow(form->lvMember, rowOf(QStringLiteral("M-10")));
    clickHeader(form->lvMember, 0); // the first click sorts descending
    QCOMPARE(columnTexts(form->lvMember, 0), (QStringList{"M-2", "M-10", "M-1"}));
    clickHeader(form->lvMember, 0);
    QCOMPARE(columnTexts(form->lvMember, 0), (QStringList{"M-1", "M-10", "M-2"}));
    clickHeader(form->lvMember, 1); // another column: the one direction flips on
    QCOMPARE(columnTexts(form->lvMember, 1), (QStringList{"Carter", "Baker", "Able"}));
    // The chosen member stays chosen wherever it moved to.
    QCOMPARE(form->lvMember->selectedRow().value(0), QStringLiteral("M-10"));
    QCOMPARE(form->lblID->text(), QStringLiteral("M-10"));
}

void tst_MemberEdit::saveNeedsASelection() {
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    clickRow(form->lvMember, 0);
    QTest::mouseClick(form->cmdClear, Qt::LeftButton);
    QVERIFY(form->lblID->text().isEmpty());
    QVERIFY(form->txtBox[0]->text().isEmpty());
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(boxes->prompts(),
             (QStringList{"Select a record to edit! ", "Select a record to edit! "}));
    QCOMPARE(icon(boxes->shown()[0]), Mb::Exclamation);
    QCOMPARE(boxes->shown()[0].title, QStringLiteral("Quillmere"));
}

void tst_MemberEdit::updateAnswer_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes refills") << int(Mb::Yes);
    QTest::newRow("No closes") << int(Mb::No);
}

void tst_MemberEdit::updateAnswer() {
    QFETCH(int, answer);
    StoredMember m = member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"));
    m.email = QStringLiteral("Able@Example.COM");
    openWith({m, member(QStringLiteral("M-2"), QStringLiteral("Baker"), QStringLiteral("B"))});
    clickRow(form->lvMember, rowOf(QStringLiteral("M-1")));
    form->txtBox[0]->clear();
    QTest::keyClicks(form->txtBox[0], QStringLiteral("  Abel "));
    form->txtBox[10]->clear();
    QTest::keyClicks(form->txtBox[10], QStringLiteral("1,234.50"));
    boxes->answer({answer});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);

    QCOMPARE(boxes->prompts(), QStringList{"Do you want to edit another Member record? "});
    QCOMPARE(boxes->shown()[0].title, QStringLiteral("Record Updated Successfully"));
    QCOMPARE(boxes->shown()[0].style, Mb::YesNo | Mb::Question | Mb::DefaultButton2);
    QCOMPARE(app->column(QStringLiteral("SELECT LName||'|'||Dues||'|'||Email FROM tblMembers "
                                        "WHERE MemberID = 'M-1'")),
             QStringList{"Abel|1234.5|able@example.com"});
    if (answer == Mb::No) {
        QVERIFY(MdiHost::closed(form.data()));
        return;
    }
    QCOMPARE(columnTexts(form->lvMember, 1).value(rowOf(QStringLiteral("M-1"))),
             QStringLiteral("Abel"));
    // The edited member stays selected, yet the fields stay empty.
    QCOMPARE(form->lvMember->selectedRow().value(0), QStringLiteral("M-1"));
    QVERIFY(form->lblID->text().isEmpty());
    QVERIFY(form->txtBox[0]->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);
}

void tst_MemberEdit::storedValuesTooLongForTheBoxSurviveASave() {
    // Entered by other means: longer than the boxes take, and an amount whose grouped form
    // is wider than the dues box.
    StoredMember m = member(QStringLiteral("M-1"), QString(40, u'L'), QStringLiteral("A"));
    m.dues = QStringLiteral("1234567.89");
    openWith({m});
    clickRow(form->lvMember, 0);
    QCOMPARE(form->txtBox[0]->text(), QString(40, u'L'));
    QCOMPARE(form->txtBox[10]->text(), QStringLiteral("1,234,567.89"));
    boxes->answer({Mb::No});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(app->column(QStringLiteral("SELECT LName||'|'||Dues FROM tblMembers")),
             QStringList{QString(40, u'L') + QStringLiteral("|1234567.89")});
}

void tst_MemberEdit::failedUpdateKeepsTheChanges() {
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))});
    clickRow(form->lvMember, 0);
    QTest::keyClick(form->txtBox[1], Qt::Key_End);
    QTest::keyClicks(form->txtBox[1], QStringLiteral("nn"));
    QVERIFY(QFile::remove(app->rollPath()));
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    // The roll never opened: the library passes the failure on silently, the form tells it.
    QCOMPARE(boxes->shown().size(), 1);
    QVERIFY(boxes->shown().last().prompt.startsWith(QStringLiteral("Member Record NOT Updated! ")));
    QCOMPARE(boxes->shown().last().title, QStringLiteral(" * ERROR * "));
    QCOMPARE(icon(boxes->shown().last()), Mb::Critical);
    QCOMPARE(form->lblID->text(), QStringLiteral("M-1"));
    QCOMPARE(form->txtBox[1]->text(), QStringLiteral("Ann"));
    QCOMPARE(form->lvMember->model()->rowCount(), 1);
}

void tst_MemberEdit::enterAndTabOrder() {
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))});
    form->txtBox[0]->setFocus();
    QStringList walked{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 15; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked,
             (QStringList{"txtBox_0", "txtBox_1", "txtBox_2", "txtBox_3", "txtBox_4", "txtBox_5",
                          "cboBox_0", "txtBox_6", "txtBox_7", "txtBox_8", "txtBox_9", "txtBox_10",
                          "cboBox_1", "cboBox_2", "txtBox_11", "rtBox"}));
    // Enter went to Paid after the dues; the e-mail box lights up "Email" here as well.
    form->txtBox[11]->setFocus();
    QVERIFY(highlighted(form->lblData[13]));

    // Tab: the list first, the e-mail box last of all.
    form->lvMember->setFocus();
    QStringList tabbed{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 19; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(tabbed, (QStringList{"lvMember", "txtBox_0", "txtBox_1",  "txtBox_2", "txtBox_3",
                                  "txtBox_4", "txtBox_5", "cboBox_0",  "txtBox_6", "txtBox_7",
                                  "txtBox_8", "txtBox_9", "txtBox_10", "cboBox_1", "cboBox_2",
                                  "rtBox",    "cmdSave",  "cmdClear",  "cmdExit",  "txtBox_11"}));
}

QTEST_MAIN(tst_MemberEdit)
#include "tst_memberedit.moc"
