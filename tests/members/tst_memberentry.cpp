#include "MemberTestUtil.h"
#include "common/modGlobal.h"
#include "members/frmAddMem.h"
#include "members/frmEditMem.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using namespace members;

class tst_MemberEntry : public QObject, FormFixture<frmAddMem> {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensEmpty();
    void checksInOrder_data();
    void checksInOrder();
    void dues_data();
    void dues();
    void fullAddByKeyboard();
    void nextMemberId_data();
    void nextMemberId();
    void savedAnswer_data();
    void savedAnswer();
    void enterWalksTheFields();
    void highlightFollowsTheMouse();
    void notesHoldAtMost250();
    void accessKeysPressTheirOwnForm();
    void failedSaveKeepsTheEntry_data();
    void failedSaveKeepsTheEntry();
    void buttonsLevelWithEmail_data();
    void buttonsLevelWithEmail();

private:
    // Fills the fields so that the checks before `check` pass and `check` itself fails.
    void fillUpTo(int check);
    void fillValid();
};

void tst_MemberEntry::init() {
    setUp();
    form = host->open<frmAddMem>();
}

void tst_MemberEntry::cleanup() {
    tearDown();
}

void tst_MemberEntry::opensEmpty() {
    QCOMPARE(form->windowTitle(), QStringLiteral("Quillmere  -  3.0"));
    QCOMPARE(form->lblTitle->text(), QStringLiteral("Add New Member"));
    QCOMPARE(form->lblDate->text(), QLocale().toString(QDate::currentDate(), QLocale::LongFormat));
    QComboBox *states = form->cboBox[StateList];
    QCOMPARE(states->itemText(0), QStringLiteral("AK - Alaska")); // states by code
    const int sep = states->findText(QStringLiteral("- Canada -"));
    QVERIFY(sep > 0);
    QCOMPARE(states->itemText(sep - 1), QStringLiteral("WY - Wyoming"));
    QCOMPARE(states->itemText(sep + 1), QStringLiteral("AB - Alberta")); // provinces by name
    for (QComboBox *list : form->cboBox)
        QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);
    QVERIFY(highlighted(form->lblData[0]));
    QCOMPARE(form->lblData[0]->buddy(), form->txtBox[0]);
    QCOMPARE(form->cmdSave->text(), QStringLiteral("&Save"));
    QCOMPARE(form->cmdExit->text(), QStringLiteral("e&Xit"));
}

void tst_MemberEntry::fillValid() {
    fillUpTo(int(MemberChecks.size()));
}

void tst_MemberEntry::fillUpTo(int check) {
    // What makes each check pass, in the order they run.
    const std::function<void()> pass[] = {
        [&] { QTest::keyClicks(form->txtBox[0], QStringLiteral("Smith")); },
        [&] { QTest::keyClicks(form->txtBox[1], QStringLiteral("Ann")); },
        [&] { QTest::keyClicks(form->txtBox[3], QStringLiteral("1 Main St")); },
        [&] { QTest::keyClicks(form->txtBox[5], QStringLiteral("Albany")); },
        [&] { form->cboBox[StateList]->setCurrentText(QStringLiteral("NY - New York")); },
        [] {},
        [&] { QTest::keyClicks(form->txtBox[6], QStringLiteral("12207")); },
        [&] { QTest::keyClicks(form->txtBox[10], QStringLiteral("25")); },
        [] {},
        [&] { form->cboBox[PaidList]->setCurrentText(QStringLiteral("Annual")); },
        [&] { form->cboBox[MembershipList]->setCurrentText(QStringLiteral("Family")); },
    };
    for (int i = 0; i < check; ++i)
        pass[i]();
    if (check == 5)
        form->cboBox[StateList]->setCurrentText(QStringLiteral("- Canada -"));
    if (check == 8) {
        form->txtBox[10]->clear();
        QTest::keyClicks(form->txtBox[10], QStringLiteral("12a"));
    }
}

void tst_MemberEntry::checksInOrder_data() {
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("focus");
    const int stop = Mb::Critical, warn = Mb::Exclamation;
    QTest::newRow("empty form") << 0 << "Last Name is missing! " << stop << "txtBox_0";
    QTest::newRow("first name") << 1 << "First Name is missing! " << stop << "txtBox_1";
    QTest::newRow("address") << 2 << "Address is missing! " << stop << "txtBox_3";
    QTest::newRow("city") << 3 << "City Name is missing! " << stop << "txtBox_5";
    QTest::newRow("no state") << 4 << "Select a State or Province! " << warn << "cboBox_0";
    QTest::newRow("Canada") << 5
                            << "Select a valid State or Province!\nCanada is a country, not a "
                               "state or province. "
                            << warn << "cboBox_0";
    QTest::newRow("postal code") << 6 << "Postal Code is missing! " << stop << "txtBox_6";
    QTest::newRow("no dues") << 7 << "Dues Amount is missing! " << stop << "txtBox_10";
    QTest::newRow("12a") << 8 << "Incorrect data in the Dues Amount box! " << stop << "txtBox_10";
    QTest::newRow("paid") << 9 << "Payment Type (Paid) is missing! " << stop << "cboBox_1";
    QTest::newRow("membership") << 10 << "Membership Type is missing! " << stop << "cboBox_2";
}

void tst_MemberEntry::checksInOrder() {
    QFETCH(int, check);
    QFETCH(QString, prompt);
    QFETCH(int, icon);
    QFETCH(QString, focus);
    fillUpTo(check);
    form->txtBox[11]->setFocus(); // somewhere else, so the move is seen
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);

    QCOMPARE(boxes->prompts(), QStringList{prompt}); // one box: no later check ran
    QCOMPARE(::icon(boxes->shown()[0]), icon);
    QCOMPARE(boxes->shown()[0].title, QStringLiteral("Quillmere"));
    QCOMPARE(boxes->shown()[0].style & Mb::ButtonMask, Mb::OKOnly);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(app->scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("0"));
    if (check == 5) // the separator stays chosen
        QCOMPARE(form->cboBox[StateList]->currentText(), QStringLiteral("- Canada -"));
    if (check == 8)
        QVERIFY(form->txtBox[10]->text().isEmpty());
    else
        QCOMPARE(form->txtBox[0]->text().isEmpty(), check == 0);
}

void tst_MemberEntry::dues_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::newRow("grouped") << "1,234.50"
                             << "1234.5";
    QTest::newRow("whole") << "25"
                           << "25.0";
    QTest::newRow("letter") << "12a"
                            << "";
    QTest::newRow("infinity") << "inf"
                              << "";
    QTest::newRow("not a number") << "nan"
                                  << "";
    QTest::newRow("bad grouping") << "1,23"
                                  << "";
}

void tst_MemberEntry::dues() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    fillValid();
    form->txtBox[10]->clear();
    QTest::keyClicks(form->txtBox[10], typed);
    QCOMPARE(form->txtBox[10]->text(), typed); // nothing is filtered while typing
    boxes->answer({Mb::No});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    const QString dues = app->scalar(QStringLiteral("SELECT Dues FROM tblMembers"));
    if (stored.isEmpty()) {
        QCOMPARE(boxes->prompts(),
                 QStringList{QStringLiteral("Incorrect data in the Dues Amount box! ")});
        QVERIFY(dues.isEmpty());
    } else {
        QCOMPARE(dues.toDouble(), stored.toDouble());
    }
}

void tst_MemberEntry::fullAddByKeyboard() {
    // Every field through the keyboard, moving on with Enter only.
    QWidget *focus = form->txtBox[0];
    QVERIFY(QApplication::focusWidget() == focus);
    auto type = [&](const QString &text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    type(QStringLiteral("  O'Neil  "));
    type(QStringLiteral("Mary"));
    type(QString());
    type(QStringLiteral("12 Harbour Rd"));
    type(QStringLiteral("Apt 3"));
    type(QStringLiteral("Toronto"));
    type(QStringLiteral("ON")); // the list finds the item as its code is typed
    type(QStringLiteral("M5V 2T6"));
    type(QStringLiteral("416-555-0101"));
    type(QString());
    type(QString());
    type(QStringLiteral("1,234.50"));
    type(QStringLiteral("Semi"));
    type(QStringLiteral("Life"));
    type(QStringLiteral("Mary.ONeil@Example.COM"));
    QCOMPARE(QApplication::focusWidget(), form->rtBox);
    QTest::keyClicks(form->rtBox, QStringLiteral("Pays in"));
    QTest::keyClick(form->rtBox, Qt::Key_Return);
    QTest::keyClicks(form->rtBox, QStringLiteral("cash"));

    // The access key presses the button the way a click does, a moment later.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(boxes->prompts(),
                 QStringList{QStringLiteral(
                     "New Member Record Saved!\n\nDo you want to add another Member? ")});
    const QStringList row = app->column(QStringLiteral(
        "SELECT MemberID||'|'||LName||'|'||FName||'|'||MName||'|'||Address1||'|'||Address2||'|'||"
        "City||'|'||State||'|'||Zip||'|'||Phone1||'|'||Phone2||'|'||Phone3||'|'||Dues||'|'||"
        "Membership||'|'||DuesPaid||'|'||Email||'|'||Notes FROM tblMembers"));
    QCOMPARE(row,
             QStringList{QStringLiteral(
                 "M-1|O'Neil|Mary||12 Harbour Rd|Apt 3|Toronto|ON - Ontario|M5V 2T6|"
                 "416-555-0101|||1234.5|Life|Semi Annual|mary.oneil@example.com|Pays in\ncash")});
}

void tst_MemberEntry::nextMemberId_data() {
    QTest::addColumn<int>("highestId");
    QTest::addColumn<QStringList>("held"); // stored with the counters up to highestId
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty roll") << 0 << QStringList() << "M-1";
    QTest::newRow("highest 41") << 41 << QStringList{"M-41"} << "M-42";
    // A roll rebuilt by copying its members renumbers the counters, not the identifiers.
    QTest::newRow("counter behind the identifiers")
        << 245 << QStringList{"M-246", "M-247", "M-248", "M-249", "M-250"} << "M-251";
}

void tst_MemberEntry::nextMemberId() {
    QFETCH(int, highestId);
    QFETCH(QStringList, held);
    QFETCH(QString, expected);
    for (qsizetype i = 0; i < held.size(); ++i) {
        storeMember(*app, member(held[i], QStringLiteral("Old"), QStringLiteral("One")));
        app->exec(QStringLiteral("UPDATE tblMembers SET ID = %1 WHERE MemberID = '%2';")
                      .arg(highestId - held.size() + 1 + i)
                      .arg(held[i]));
    }
    fillValid();
    boxes->answer({Mb::No});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(app->scalar(QStringLiteral("SELECT MemberID FROM tblMembers WHERE LName = 'Smith'")),
             expected);
    QCOMPARE(app->column(QStringLiteral("SELECT MemberID FROM tblMembers WHERE LName = 'Old' "
                                        "ORDER BY ID")),
             held);
}

void tst_MemberEntry::savedAnswer_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes clears") << int(Mb::Yes);
    QTest::newRow("No closes") << int(Mb::No);
}

void tst_MemberEntry::savedAnswer() {
    QFETCH(int, answer);
    fillValid();
    QTest::keyClicks(form->rtBox, QStringLiteral("note"));
    boxes->answer({answer});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    const MsgBoxRequest &asked = boxes->shown().value(0);
    QCOMPARE(asked.title, QStringLiteral("Record Saved Successfully"));
    QCOMPARE(asked.style, Mb::YesNo | Mb::Question | Mb::DefaultButton2);
    QCOMPARE(currentPointer(), Pointer::Default);
    if (answer == Mb::No) {
        QVERIFY(MdiHost::closed(form.data()));
        return;
    }
    QVERIFY(!MdiHost::closed(form.data()));
    for (QLineEdit *box : form->txtBox)
        QVERIFY(box->text().isEmpty());
    for (QComboBox *list : form->cboBox)
        QCOMPARE(list->currentIndex(), -1);
    QVERIFY(form->rtBox->toPlainText().isEmpty());
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);
    QVERIFY(highlighted(form->lblData[0]));
}

void tst_MemberEntry::enterWalksTheFields() {
    QStringList walked{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 15; ++i) {
        QWidget *w = QApplication::focusWidget();
        QTest::keyClick(w, Qt::Key_Return);
        QVERIFY(QApplication::focusWidget() != w);
        walked << QApplication::focusWidget()->objectName();
        // Exactly one caption stands out: the focused field's.
        int lit = highlighted(form->lblNotes) ? 1 : 0;
        for (QLabel *c : form->lblData)
            lit += highlighted(c) ? 1 : 0;
        QCOMPARE(lit, 1);
    }
    QCOMPARE(walked,
             (QStringList{"txtBox_0", "txtBox_1", "txtBox_2", "txtBox_3", "txtBox_4", "txtBox_5",
                          "cboBox_0", "txtBox_6", "txtBox_7", "txtBox_8", "txtBox_9", "txtBox_10",
                          "cboBox_1", "cboBox_2", "txtBox_11", "rtBox"}));
    QVERIFY(highlighted(form->lblNotes));
    QVERIFY(form->cboBox[StateList]->currentIndex() < 0); // passing a list chooses nothing
    QTest::keyClicks(form->rtBox, QStringLiteral("a"));
    QTest::keyClick(form->rtBox, Qt::Key_Return);
    QTest::keyClicks(form->rtBox, QStringLiteral("b"));
    QCOMPARE(form->rtBox->toPlainText(), QStringLiteral("a\nb"));
    QVERIFY(boxes->shown().isEmpty()); // Enter never saves

    // On a button, Enter presses it.
    form->cmdClear->setFocus();
    QTest::keyClick(form->cmdClear, Qt::Key_Return);
    QVERIFY(form->rtBox->toPlainText().isEmpty());
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);
    form->cmdSave->setFocus();
    QTest::keyClick(form->cmdSave, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(boxes->prompts(), QStringList{QStringLiteral("Last Name is missing! ")});

    // Enter in the state list keeps the item chosen there.
    form->cboBox[StateList]->setFocus();
    form->cboBox[StateList]->setCurrentIndex(3);
    QTest::keyClick(form->cboBox[StateList], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), form->txtBox[6]);
    QCOMPARE(form->cboBox[StateList]->currentIndex(), 3);
}

void tst_MemberEntry::highlightFollowsTheMouse() {
    QVERIFY(highlighted(form->lblData[0]));
    QTest::mouseClick(form->rtBox->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), form->rtBox);
    QVERIFY(plain(form->lblData[0]));
    QVERIFY(highlighted(form->lblNotes));
    QTest::mouseClick(form->txtBox[10], Qt::LeftButton);
    QVERIFY(plain(form->lblNotes));
    QVERIFY(highlighted(form->lblData[11]));
    QTest::mouseClick(form->cmdClear, Qt::LeftButton); // Clear hands the focus to last name
    QVERIFY(plain(form->lblData[11]));
    QVERIFY(highlighted(form->lblData[0]));
}

void tst_MemberEntry::notesHoldAtMost250() {
    form->rtBox->setFocus();
    QTest::keyClicks(form->rtBox, QString(260, u'x'));
    QCOMPARE(form->rtBox->toPlainText().size(), 250);
    QTest::keyClick(form->rtBox, Qt::Key_Backspace);
    QTest::keyClicks(form->rtBox, QStringLiteral("yz"));
    QCOMPARE(form->rtBox->toPlainText(), QString(249, u'x') + u'y');
    form->rtBox->clear();
    QTest::keyClicks(form->rtBox, QString(240, u'x'));
    QApplication::clipboard()->setText(QString(30, u'p'));
    form->rtBox->paste();
    QCOMPARE(form->rtBox->toPlainText(), QString(240, u'x') + QString(10, u'p'));
    QCOMPARE(form->rtBox->toolTip(), QStringLiteral(" Max 250 characters "));
}

void tst_MemberEntry::accessKeysPressTheirOwnForm() {
    // With the edit form open beside it, Alt+S still saves the form the user is in.
    QPointer<frmEditMem> other = host->open<frmEditMem>();
    host->area->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(form->parentWidget()));
    form->txtBox[0]->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(boxes->prompts(), QStringList{"Last Name is missing! "});
    host->area->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(other->parentWidget()));
    other->txtBox[1]->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(boxes->prompts().size(), 2);
    QCOMPARE(boxes->prompts().last(), QStringLiteral("Select a record to edit! "));
    delete other.data();
}

void tst_MemberEntry::failedSaveKeepsTheEntry_data() {
    QTest::addColumn<bool>("rollGone"); // otherwise the roll refuses the new row
    QTest::newRow("roll missing") << true;
    QTest::newRow("insert refused") << false;
}

void tst_MemberEntry::failedSaveKeepsTheEntry() {
    QFETCH(bool, rollGone);
    fillValid();
    if (rollGone)
        QVERIFY(QFile::remove(app->rollPath()));
    else
        app->exec(QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON tblMembers "
                                 "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;"));
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QVERIFY(!boxes->shown().isEmpty());
    const MsgBoxRequest &last = boxes->shown().last();
    QVERIFY2(last.prompt.startsWith(QStringLiteral("Member Record NOT Saved")),
             qPrintable(last.prompt));
    QCOMPARE(last.title, QStringLiteral(" ERROR"));
    QCOMPARE(::icon(last), Mb::Critical);
    QCOMPARE(form->txtBox[0]->text(), QStringLiteral("Smith"));
    QCOMPARE(form->cboBox[MembershipList]->currentText(), QStringLiteral("Family"));
    QVERIFY(!MdiHost::closed(form.data()));
    if (!rollGone) {
        QVERIFY(last.prompt.contains(QStringLiteral("database or disk is full")));
        QCOMPARE(app->scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")),
                 QStringLiteral("0"));
    }
}

void tst_MemberEntry::buttonsLevelWithEmail_data() {
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("opened") << true << false;
    QTest::newRow("maximized") << true << true;
    QTest::newRow("no picture") << false << false;
}

void tst_MemberEntry::buttonsLevelWithEmail() {
    QFETCH(bool, picture);
    QFETCH(bool, maximized);
    if (!picture) {
        delete form.data();
        QVERIFY(QFile::remove(app->path() + QStringLiteral("/images/Club_02.jpg")));
        form = host->open<frmAddMem>();
    }
    auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget());
    if (!maximized) {
        sub->showNormal();
        sub->resize(sub->sizeHint());
    }
    QCoreApplication::processEvents();
    QCOMPARE(form->imgBox->pixmap().isNull(), !picture);
    QLineEdit *email = form->txtBox[EmailBox];
    const QRect row(email->mapTo(form, QPoint()), email->size());
    for (QPushButton *b : {form->cmdSave, form->cmdClear, form->cmdExit}) {
        const QPoint centre = b->mapTo(form, b->rect().center());
        QVERIFY2(centre.y() >= row.top() && centre.y() <= row.bottom(), qPrintable(b->text()));
        QVERIFY(centre.x() > row.right());
    }
}

QTEST_MAIN(tst_MemberEntry)
#include "tst_memberentry.moc"
