// Finding a member from the find box above the member lists, and the list keeping the user's
// place when it refills.
#include "MemberTestUtil.h"
#include "members/MemberFinder.h"
#include "members/MemberList.h"
#include "members/frmDeleteMem.h"
#include "members/frmEditMem.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

using namespace members;

namespace {
// Names chosen to trip the matching: accents, an apostrophe, a name of three words, a phone
// with punctuation, two members sharing a last name and one whose name starts like theirs.
QList<StoredMember> trickyRoll() {
    StoredMember belanger =
        member(QStringLiteral("M-1"), QStringLiteral("Bélanger"), QStringLiteral("Marie"));
    belanger.city = QStringLiteral("Montréal");
    belanger.phone1 = QStringLiteral("(555) 010-1");
    StoredMember cruz =
        member(QStringLiteral("M-2"), QStringLiteral("de la Cruz"), QStringLiteral("Ana"));
    cruz.email = QStringLiteral("ana.cruz@example.com");
    StoredMember obrien =
        member(QStringLiteral("M-3"), QStringLiteral("O'Brien"), QStringLiteral("Seán"));
    obrien.notes = QStringLiteral("Holds the pool key");
    StoredMember anne =
        member(QStringLiteral("M-4"), QStringLiteral("Clark"), QStringLiteral("Anne"));
    anne.zip = QStringLiteral("04101");
    anne.phone3 = QStringLiteral("555-0199");
    StoredMember zoe =
        member(QStringLiteral("M-5"), QStringLiteral("Clark"), QStringLiteral("Zoë"));
    StoredMember bob =
        member(QStringLiteral("M-6"), QStringLiteral("Clarkson"), QStringLiteral("Bob"));
    return {belanger, cruz, obrien, anne, zoe, bob};
}
} // namespace

class tst_MemberFind : public QObject, FormFixture<frmEditMem> {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }
    void typedTextLeaves_data();
    void typedTextLeaves();
    void keysInTheBox();
    void placeKeptAfterUpdate();
    void placeKeptAfterDelete();

private:
    void type(QLineEdit *box, const QString &text) {
        box->clear();
        QTest::keyClicks(box, text);
    }
};

void tst_MemberFind::typedTextLeaves_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QString>("count");
    const QStringList all{"M-1", "M-2", "M-3", "M-4", "M-5", "M-6"};
    QTest::newRow("nothing") << "" << all << "6 members";
    QTest::newRow("blanks") << "   " << all << "6 members";
    QTest::newRow("accent typed plain") << "belanger" << QStringList{"M-1"} << "1 of 6 members";
    QTest::newRow("capitals and accent") << "BÉL" << QStringList{"M-1"} << "1 of 6 members";
    QTest::newRow("city with accent") << "montreal" << QStringList{"M-1"} << "1 of 6 members";
    QTest::newRow("a word inside a name") << "cruz" << QStringList{"M-2"} << "1 of 6 members";
    QTest::newRow("two words of a name") << "de la" << QStringList{"M-2"} << "1 of 6 members";
    QTest::newRow("name without blanks") << "delacruz" << QStringList{"M-2"} << "1 of 6 members";
    QTest::newRow("apostrophe typed") << "o'bri" << QStringList{"M-3"} << "1 of 6 members";
    QTest::newRow("apostrophe left out") << "obrien" << QStringList{"M-3"} << "1 of 6 members";
    QTest::newRow("after the apostrophe") << "brien" << QStringList{"M-3"} << "1 of 6 members";
    QTest::newRow("first name accent") << "sean" << QStringList{"M-3"} << "1 of 6 members";
    QTest::newRow("word of the notes") << "pool" << QStringList{"M-3"} << "1 of 6 members";
    QTest::newRow("shared last name")
        << "clark" << QStringList{"M-4", "M-5", "M-6"} << "3 of 6 members";
    QTest::newRow("last then first") << "clark z" << QStringList{"M-5"} << "1 of 6 members";
    QTest::newRow("first then last") << "an clark" << QStringList{"M-4"} << "1 of 6 members";
    QTest::newRow("phone digits only") << "5550101" << QStringList{"M-1"} << "1 of 6 members";
    QTest::newRow("phone punctuated") << "010-1" << QStringList{"M-1"} << "1 of 6 members";
    QTest::newRow("phone start") << "555" << QStringList{"M-1", "M-4"} << "2 of 6 members";
    QTest::newRow("postal code") << "0410" << QStringList{"M-4"} << "1 of 6 members";
    QTest::newRow("identifier") << "m-3" << QStringList{"M-3"} << "1 of 6 members";
    QTest::newRow("e-mail") << "ana.cruz" << QStringList{"M-2"} << "1 of 6 members";
    QTest::newRow("not a word start") << "lark" << QStringList{} << "0 of 6 members";
    QTest::newRow("one word unmatched") << "clark q" << QStringList{} << "0 of 6 members";
}

void tst_MemberFind::typedTextLeaves() {
    QFETCH(QString, typed);
    QFETCH(QStringList, ids);
    QFETCH(QString, count);
    openWith(trickyRoll());
    // Typed a key at a time, the way each keystroke narrows what the last one found.
    type(form->finder->txtFind, typed);
    QCOMPARE(columnTexts(form->lvMember, 0), ids);
    QCOMPARE(form->finder->lblFound->text(), count);
    // Widening again by erasing gives what the shorter text finds from the whole roll.
    QTest::keyClick(form->finder->txtFind, Qt::Key_Backspace);
    const QStringList narrowed = columnTexts(form->lvMember, 0);
    const QString shorter = form->finder->txtFind->text();
    form->lvMember->find(QString());
    form->lvMember->find(shorter);
    QCOMPARE(columnTexts(form->lvMember, 0), narrowed);
}

void tst_MemberFind::keysInTheBox() {
    openWith(trickyRoll());
    QLineEdit *box = form->finder->txtFind;
    QCOMPARE(QApplication::focusWidget(), box);
    // Down moves into the list onto its first row.
    type(box, QStringLiteral("cl"));
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), form->lvMember);
    QCOMPARE(form->lblID->text(), QStringLiteral("M-4"));
    // Enter with more than one member found picks none.
    form->cmdClear->click();
    box->setFocus();
    type(box, QStringLiteral("clark"));
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(form->lblID->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), box);
    // With one it picks that one, ready to edit.
    type(box, QStringLiteral("clark z"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(form->lblID->text(), QStringLiteral("M-5"));
    QCOMPARE(form->txtBox[1]->text(), QStringLiteral("Zoë"));
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);
    // Escape empties the box and brings every member back.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(form->lvMember->rows()->rowCount(), 6);
}

void tst_MemberFind::placeKeptAfterUpdate() {
    QList<StoredMember> roll = trickyRoll();
    for (int i = 7; i <= 60; ++i)
        roll << member(QStringLiteral("M-%1").arg(i),
                       QStringLiteral("Zed%1").arg(i, 2, 10, QChar(u'0')), QStringLiteral("Y"));
    openWith(roll);
    type(form->finder->txtFind, QStringLiteral("clark"));
    // The first click on a header sorts descending.
    clickHeader(form->lvMember, 2);
    const QStringList before = columnTexts(form->lvMember, 0);
    QCOMPARE(before, (QStringList{"M-5", "M-6", "M-4"}));
    clickRow(form->lvMember, 0);
    boxes->answer({Mb::Yes});
    form->txtBox[3]->setText(QStringLiteral("2 Elm St"));
    form->cmdSave->click();
    QCOMPARE(boxes->prompts(), QStringList{"Do you want to edit another Member record? "});
    QCOMPARE(app->scalar(QStringLiteral("SELECT Address1 FROM tblMembers WHERE MemberID = 'M-5'")),
             QStringLiteral("2 Elm St"));
    QCOMPARE(form->finder->txtFind->text(), QStringLiteral("clark"));
    QCOMPARE(columnTexts(form->lvMember, 0), before);
    QCOMPARE(form->lvMember->selectedRow().value(0), QStringLiteral("M-5"));
    QVERIFY(form->lblID->text().isEmpty());
    QVERIFY(form->txtBox[0]->text().isEmpty());

    // Unfiltered and scrolled down, the rows in view stay in view.
    type(form->finder->txtFind, QString());
    form->lvMember->scrollToBottom();
    const int top = form->lvMember->indexAt(QPoint(1, 1)).row();
    QVERIFY(top > 0);
    clickRow(form->lvMember, form->lvMember->rows()->rowCount() - 1);
    form->cmdSave->click();
    QCOMPARE(form->lvMember->indexAt(QPoint(1, 1)).row(), top);
}

void tst_MemberFind::placeKeptAfterDelete() {
    for (const StoredMember &m : trickyRoll())
        storeMember(*app, m);
    QPointer<frmDeleteMem> deleting = host->open<frmDeleteMem>();
    QCOMPARE(QApplication::focusWidget(), deleting->finder->txtFind);
    type(deleting->finder->txtFind, QStringLiteral("clark"));
    clickRow(deleting->lvMember, 1);
    QCOMPARE(deleting->lblData[0]->text(), QStringLiteral("M-5"));
    boxes->answer({Mb::Yes, Mb::Yes});
    deleting->cmdDelete->click();
    QCOMPARE(app->scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("5"));
    QCOMPARE(columnTexts(deleting->lvMember, 0), (QStringList{"M-4", "M-6"}));
    QCOMPARE(deleting->finder->lblFound->text(), QStringLiteral("2 of 5 members"));
    // The neighbour takes the deleted member's place, current but not chosen.
    QCOMPARE(deleting->lvMember->currentIndex().row(), 1);
    QVERIFY(deleting->lvMember->selectedRow().isEmpty());
    QVERIFY(deleting->lblData[0]->text().isEmpty());
    delete deleting.data();
}

QTEST_MAIN(tst_MemberFind)
#include "tst_memberfind.moc"
