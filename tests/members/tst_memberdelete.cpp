#include "MemberTestUtil.h"
#include "common/modGlobal.h"
#include "members/MemberList.h"
#include "members/frmDeleteMem.h"

#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

using namespace members;

class tst_MemberDelete : public QObject, FormFixture<frmDeleteMem> {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void listAndChosenMember_data();
    void listAndChosenMember();
    void deleteNeedsAChosenMember();
    void declinedDeletionKeepsTheMember();
    void deleteAnswer_data();
    void deleteAnswer();
    void failingRollLeavesTheWindowUsable();
    void headerSortsAsText();
    void headerSortReadsNames();
    void columnsShowWholeValues();

private:
    QStringList values() const;
    int rowOf(const QString &id) const { return int(columnTexts(form->lvMember, 0).indexOf(id)); }
};

void tst_MemberDelete::init() {
    setUp();
}

void tst_MemberDelete::cleanup() {
    tearDown();
}

QStringList tst_MemberDelete::values() const {
    QStringList out;
    for (QLabel *l : form->lblData)
        out << l->text();
    return out;
}

void tst_MemberDelete::listAndChosenMember_data() {
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("shownName");
    QTest::newRow("middle name") << "Jane"
                                 << "O'Neil, Mary Jane";
    QTest::newRow("no middle name") << ""
                                    << "O'Neil, Mary ";
}

void tst_MemberDelete::listAndChosenMember() {
    QFETCH(QString, middle);
    QFETCH(QString, shownName);
    StoredMember m =
        member(QStringLiteral("M-3"), QStringLiteral("O'Neil"), QStringLiteral("Mary"));
    m.middle = middle;
    m.membership = QStringLiteral("Golf");
    m.phone1 = QStringLiteral("555-0101");
    openWith({m});
    QCOMPARE(form->windowTitle(), QStringLiteral("Quillmere - Delete Member"));
    QCOMPARE(headerTexts(form->lvMember),
             (QStringList{"ID", "Last Name", "First Name", "Mid Name", "Address", "City",
                          "Membership", "Home Phone"}));
    QCOMPARE(form->lvMember->rows()->rowTexts(0),
             (QStringList{"M-3", "O'Neil", "Mary", middle, "1 Main St", "Springfield", "Golf",
                          "555-0101"}));
    clickRow(form->lvMember, 0);
    QCOMPARE(values(), (QStringList{"M-3", shownName, "1 Main St", "Golf"}));
    QCOMPARE(itmMember.value(0), QStringLiteral("M-3"));
    QTest::mouseClick(form->cmdClear, Qt::LeftButton);
    QCOMPARE(values(), (QStringList{"", "", "", ""}));
    QCOMPARE(form->lvMember->rows()->rowCount(), 1);
}

void tst_MemberDelete::deleteNeedsAChosenMember() {
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))});
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    clickRow(form->lvMember, 0);
    QTest::mouseClick(form->cmdClear, Qt::LeftButton);
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    QVERIFY(boxes->shown().isEmpty());
    QCOMPARE(app->scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("1"));
}

void tst_MemberDelete::declinedDeletionKeepsTheMember() {
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))});
    clickRow(form->lvMember, 0);
    boxes->answer({Mb::No});
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    QCOMPARE(boxes->shown().size(), 2);
    QCOMPARE(boxes->shown()[0].title, QStringLiteral("** WARNING **")); // the library asks
    QCOMPARE(boxes->shown()[1].prompt, QStringLiteral("Member Record NOT Deleted"));
    QCOMPARE(icon(boxes->shown()[1]), Mb::Critical);
    QCOMPARE(boxes->shown()[1].title, QStringLiteral("Quillmere"));
    QCOMPARE(values(), (QStringList{"", "", "", ""}));
    QCOMPARE(columnTexts(form->lvMember, 0), QStringList{"M-1"});
    QCOMPARE(app->scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("1"));
}

void tst_MemberDelete::deleteAnswer_data() {
    QTest::addColumn<int>("members");
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes, one left") << 2 << int(Mb::Yes);
    QTest::newRow("Yes, the last member") << 1 << int(Mb::Yes);
    QTest::newRow("No closes") << 2 << int(Mb::No);
}

void tst_MemberDelete::deleteAnswer() {
    QFETCH(int, members);
    QFETCH(int, answer);
    QList<StoredMember> roll{
        member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))};
    if (members == 2)
        roll << member(QStringLiteral("M-2"), QStringLiteral("Baker"), QStringLiteral("B"));
    openWith(roll);
    clickRow(form->lvMember, rowOf(QStringLiteral("M-1")));
    boxes->answer({Mb::Yes, answer});
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    QCOMPARE(boxes->shown().size(), 2);
    const MsgBoxRequest &asked = boxes->shown()[1];
    QCOMPARE(asked.prompt,
             QStringLiteral("Member Record Deleted!\n\nDo you want to delete another Member? "));
    QCOMPARE(asked.title, QStringLiteral("Record Deleted Successfully"));
    QCOMPARE(asked.style, Mb::YesNo | Mb::Question | Mb::DefaultButton2);
    QCOMPARE(app->column(QStringLiteral("SELECT MemberID FROM tblMembers")),
             members == 2 ? QStringList{"M-2"} : QStringList{});
    if (answer == Mb::No) {
        QVERIFY(MdiHost::closed(form.data()));
        return;
    }
    QVERIFY(!MdiHost::closed(form.data()));
    QCOMPARE(columnTexts(form->lvMember, 0), members == 2 ? QStringList{"M-2"} : QStringList{});
    QCOMPARE(values(), (QStringList{"", "", "", ""}));
}

void tst_MemberDelete::failingRollLeavesTheWindowUsable() {
    openWith({member(QStringLiteral("M-1"), QStringLiteral("Able"), QStringLiteral("A"))});
    clickRow(form->lvMember, 0);
    QVERIFY(QFile::remove(app->rollPath()));
    QTest::mouseClick(form->cmdDelete, Qt::LeftButton);
    QCOMPARE(boxes->shown().size(), 1);
    QVERIFY(boxes->shown()[0].prompt.startsWith(QStringLiteral("Member Record NOT Deleted\n\n")));
    QCOMPARE(values().value(0), QStringLiteral("M-1")); // another try is one click away
    QTest::mouseClick(form->cmdClear, Qt::LeftButton);
    QCOMPARE(values().value(0), QString());
}

void tst_MemberDelete::headerSortsAsText() {
    openWith({member(QStringLiteral("M-2"), QStringLiteral("Baker"), QStringLiteral("B")),
              member(QStringLiteral("M-10"), QStringLiteral("Able"), QStringLiteral("A")),
              member(QStringLiteral("M-1"), QStringLiteral("Carter"), QStringLiteral("C"))});
    clickHeader(form->lvMember, 0);
    QCOMPARE(columnTexts(form->lvMember, 0), (QStringList{"M-2", "M-10", "M-1"}));
    clickHeader(form->lvMember, 0);
    QCOMPARE(columnTexts(form->lvMember, 0), (QStringList{"M-1", "M-10", "M-2"}));
    clickHeader(form->lvMember, 2);
    QCOMPARE(columnTexts(form->lvMember, 2), (QStringList{"C", "B", "A"}));
}

void tst_MemberDelete::headerSortReadsNames() {
    const QStringList names{"Wright", "de la Cruz", "Young",    "Ñúñez", "aaronson",
                            "Åström", "van Dyke",   "Ó Briain", "Baker"};
    QList<StoredMember> members;
    for (int i = 0; i < names.size(); ++i)
        members << member(QStringLiteral("M-%1").arg(i + 1), names[i], QStringLiteral("A"));
    openWith(members);
    const QStringList reading{"aaronson", "Åström",   "Baker",  "de la Cruz", "Ñúñez",
                              "Ó Briain", "van Dyke", "Wright", "Young"};
    clickHeader(form->lvMember, 1);
    QStringList descending = reading;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(columnTexts(form->lvMember, 1), descending);
    clickHeader(form->lvMember, 1);
    QCOMPARE(columnTexts(form->lvMember, 1), reading);
}

// Every heading and the longest usual values show whole, the columns keep their proportions,
// and a list wider than its window scrolls sideways.
void tst_MemberDelete::columnsShowWholeValues() {
    StoredMember m =
        member(QStringLiteral("M-99999"), QStringLiteral("Ashby"), QStringLiteral("Al"));
    m.dues = QStringLiteral("99999.99");
    m.phone1 = m.phone2 = m.phone3 = QStringLiteral("(963) 675-1234");
    storeMember(*app, m);
    const RecordsetPtr rows = app->newClub()->LoadMembers();
    for (std::span<const ListColumn> columns : {std::span<const ListColumn>(EditListColumns),
                                                std::span<const ListColumn>(DeleteListColumns)}) {
        MemberList list(columns);
        list.fill(*rows);
        const QHeaderView *header = list.header();
        const int headerMargin = 2 * list.style()->pixelMetric(QStyle::PM_HeaderMargin);
        const int cellMargin = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        const int widest = header->sectionSize(4); // "Address", five units
        for (int c = 0; c < int(columns.size()); ++c) {
            const QString heading = QString::fromLatin1(columns[c].header);
            const QString value = list.model()->index(0, c).data().toString();
            const int width = header->sectionSize(c);
            QVERIFY2(header->fontMetrics().horizontalAdvance(heading) + headerMargin <= width,
                     qPrintable(heading));
            QVERIFY2(list.fontMetrics().horizontalAdvance(value) + cellMargin <= width,
                     qPrintable(value));
            QVERIFY2(std::abs(width - columns[c].width * widest / 5) <= 1, qPrintable(heading));
        }
        list.resize(header->length() / 2, 300);
        list.show();
        QVERIFY(list.horizontalScrollBar()->maximum() > 0);
    }
}

QTEST_MAIN(tst_MemberDelete)
#include "tst_memberdelete.moc"
