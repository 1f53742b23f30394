// A member's history, restoring a deleted member, and a member's data exported or erased, on a
// real roll changed through the library as the forms change it.
#include "MemberTestUtil.h"
#include "history/frmDeletedMembers.h"
#include "history/frmMemberHistory.h"
#include "members/MemberFinder.h"
#include "members/MemberList.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// The values a form hands AddMember; every personal one is distinctive, so a trace of it in the
// history is found by its text.
QStringList addValues(const QString &id, const QString &last, const QString &first) {
    QStringList v(AddMemberSize);
    v[AddMemberIdSlot] = id;
    auto set = [&](MemberSlot s, const QString &text) {
        v[addMemberSlot(s)] = text;
    };
    set(MemberSlot::LName, last);
    set(MemberSlot::FName, first);
    set(MemberSlot::Address1, QStringLiteral("17 Quayside Lane"));
    set(MemberSlot::City, QStringLiteral("Springfield"));
    set(MemberSlot::State, QStringLiteral("ME - Maine"));
    set(MemberSlot::Zip, QStringLiteral("04101"));
    set(MemberSlot::Phone1, QStringLiteral("555-0142"));
    set(MemberSlot::Membership, QStringLiteral("Regular"));
    set(MemberSlot::DuesPaid, QStringLiteral("Annual"));
    set(MemberSlot::Notes, QStringLiteral("Keeps the boathouse key"));
    return v;
}

// Anne Clark added, then moved town and given an e-mail address with higher dues.
void addAndUpdateAnne() {
    NewClub();
    QVERIFY(club().AddMember(
        addValues(QStringLiteral("M-1"), QStringLiteral("Clark"), QStringLiteral("Anne")), 25));
    QVERIFY(club().AddMember(
        addValues(QStringLiteral("M-2"), QStringLiteral("Lane"), QStringLiteral("Bob")), 25));
    QStringList changed =
        addValues(QStringLiteral("M-1"), QStringLiteral("Clark"), QStringLiteral("Anne")).mid(1);
    changed[updateMemberSlot(MemberSlot::City)] = QStringLiteral("Shelbyville");
    changed[updateMemberSlot(MemberSlot::Email)] = QStringLiteral("anne.clark@example.org");
    QVERIFY(club().UpdateMember(changed, QStringLiteral("M-1"), 30));
}

const QStringList PersonalValues{"Clark", "Anne",     "Quayside",   "Springfield", "Shelbyville",
                                 "04101", "555-0142", "anne.clark", "boathouse"};

QStringList cellTexts(const QTreeWidget *view, int column) {
    QStringList out;
    for (int r = 0; r < view->topLevelItemCount(); ++r)
        out << view->topLevelItem(r)->text(column);
    return out;
}

constexpr int WhoColumn = 1, WhatColumn = 2, DetailsColumn = 3;
constexpr int DeletedIdColumn = 2, DeletedNameColumn = 3;
} // namespace

class tst_History : public QObject, FormFixture<frmMemberHistory> {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() {
        delete deleted.data();
        tearDown();
    }
    void historyOfAddUpdateDelete();
    void restoreDeletedMember_data();
    void restoreDeletedMember();
    void eraseLeavesNothingPersonal_data();
    void eraseLeavesNothingPersonal();
    void exportHoldsRecordAndHistory_data();
    void exportHoldsRecordAndHistory();

private:
    // Deleted as the delete form does it; the library's own question is answered Yes and
    // forgotten.
    void deleteAnne() {
        QVERIFY(club().DeleteMember(QStringLiteral("M-1")));
        boxes->clear();
    }

    QPointer<frmDeletedMembers> deleted;
};

void tst_History::historyOfAddUpdateDelete() {
    addAndUpdateAnne();
    openWith({});
    // Found as a secretary finds anyone: typed into the box, Enter on the one found.
    QTest::keyClicks(form->finder->txtFind, QStringLiteral("clark"));
    QTest::keyClick(form->finder->txtFind, Qt::Key_Return);
    QCOMPARE(form->memberId(), QStringLiteral("M-1"));
    QCOMPARE(form->lblMember->text(), QStringLiteral("History of Clark, Anne (M-1)"));
    QCOMPARE(cellTexts(form->lvHistory, WhatColumn), (QStringList{"Added", "Changed"}));
    QVERIFY(form->lvHistory->topLevelItem(0)->text(DetailsColumn).contains("Last Name: Clark"));
    QStringList update =
        form->lvHistory->topLevelItem(1)->text(DetailsColumn).split(u'\n', Qt::SkipEmptyParts);
    update.sort();
    QCOMPARE(update, (QStringList{"City: Springfield → Shelbyville", "Dues Amount: 25.00 → 30.00",
                                  "Email: (blank) → anne.clark@example.org"}));

    deleteAnne();
    form->showMember(QStringLiteral("M-1"));
    QCOMPARE(cellTexts(form->lvHistory, WhatColumn), (QStringList{"Added", "Changed", "Deleted"}));
    const QString record = form->lvHistory->topLevelItem(2)->text(DetailsColumn);
    for (const char *line : {"Member ID: M-1", "Last Name: Clark", "City: Shelbyville",
                             "Dues Amount: 30.00", "Notes: Keeps the boathouse key"})
        QVERIFY2(record.split(u'\n').contains(QString::fromUtf8(line)), line);
    QCOMPARE(form->lblMember->text(),
             QStringLiteral("History of Clark, Anne (M-1), no longer on the roll"));
    for (const QString &who : cellTexts(form->lvHistory, WhoColumn))
        QVERIFY(!who.isEmpty());
}

void tst_History::restoreDeletedMember_data() {
    QTest::addColumn<bool>("idTaken");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("restored");
    QTest::newRow("identifier free") << false << Mb::Yes << true;
    QTest::newRow("identifier taken") << true << Mb::Yes << false;
    QTest::newRow("answered No") << false << Mb::No << false;
}

void tst_History::restoreDeletedMember() {
    QFETCH(bool, idTaken);
    QFETCH(int, answer);
    QFETCH(bool, restored);
    addAndUpdateAnne();
    deleteAnne();
    deleted = host->open<frmDeletedMembers>();
    QTreeWidget *list = deleted->lvDeleted;
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(DeletedIdColumn), QStringLiteral("M-1"));
    QCOMPARE(list->topLevelItem(0)->text(DeletedNameColumn), QStringLiteral("Clark, Anne"));
    QVERIFY(!deleted->cmdRestore->isEnabled());
    // Another window gave the identifier away while this one stood open.
    if (idTaken)
        QVERIFY(club().AddMember(
            addValues(QStringLiteral("M-1"), QStringLiteral("Other"), QStringLiteral("Olive")),
            25));

    list->setCurrentItem(list->topLevelItem(0));
    boxes->answer({answer, Mb::OK});
    QTest::mouseClick(deleted->cmdRestore, Qt::LeftButton);

    QVERIFY(boxes->prompts().value(0).startsWith("Restore Clark, Anne (M-1)?"));
    const QString lastName = app->scalar("SELECT LName FROM tblMembers WHERE MemberID = 'M-1'");
    if (restored) {
        QCOMPARE(boxes->prompts().value(1),
                 QStringLiteral("Clark, Anne is back on the roll as M-1."));
        QCOMPARE(lastName, QStringLiteral("Clark"));
        QCOMPARE(app->scalar("SELECT City FROM tblMembers WHERE MemberID = 'M-1'"),
                 QStringLiteral("Shelbyville"));
        QCOMPARE(list->topLevelItemCount(), 0);
        return;
    }
    QCOMPARE(lastName, idTaken ? QStringLiteral("Other") : QString());
    if (answer == Mb::No) {
        QCOMPARE(boxes->shown().size(), 1);
        QCOMPARE(list->topLevelItemCount(), 1);
        return;
    }
    QCOMPARE(icon(boxes->shown().value(1)), Mb::Critical);
    QCOMPARE(boxes->prompts().value(1),
             QStringLiteral("Clark, Anne (M-1) was NOT restored.\n\nAnother member holds M-1 now, "
                            "and an identifier is never given to two members."));
}

void tst_History::eraseLeavesNothingPersonal_data() {
    QTest::addColumn<bool>("deletedFirst");
    QTest::addColumn<int>("answer");
    QTest::newRow("on the roll") << false << Mb::Yes;
    QTest::newRow("deleted before") << true << Mb::Yes;
    QTest::newRow("answered No") << false << Mb::No;
}

void tst_History::eraseLeavesNothingPersonal() {
    QFETCH(bool, deletedFirst);
    QFETCH(int, answer);
    addAndUpdateAnne();
    if (deletedFirst)
        deleteAnne();
    openWith({});
    form->showMember(QStringLiteral("M-1"));
    boxes->answer({answer, Mb::OK});
    QTest::mouseClick(form->cmdErase, Qt::LeftButton);
    QVERIFY(boxes->prompts().value(0).startsWith("Erase Clark, Anne (M-1)?"));
    QCOMPARE(boxes->shown().value(0).style & Mb::DefaultMask, Mb::DefaultButton2);

    const QString held = app->scalar("SELECT COUNT(*) FROM tblMembers WHERE MemberID = 'M-1'");
    if (answer == Mb::No) {
        QCOMPARE(held, QStringLiteral("1"));
        QCOMPARE(boxes->shown().size(), 1);
        return;
    }
    QCOMPARE(held, QStringLiteral("0"));
    QCOMPARE(boxes->prompts().value(1), QStringLiteral("Clark, Anne (M-1) was erased."));
    // The same window shows what is left: every change still there, nothing of the person.
    QCOMPARE(form->memberId(), QStringLiteral("M-1"));
    const QStringList what = cellTexts(form->lvHistory, WhatColumn);
    QCOMPARE(what.size(), deletedFirst ? 4 : 3);
    QCOMPARE(what.mid(0, 2), (QStringList{"Added", "Changed"}));
    QCOMPARE(what.last(), QStringLiteral("Erased"));
    QVERIFY(!form->lblMember->text().contains("Clark"));
    for (int r = 0; r < form->lvHistory->topLevelItemCount(); ++r)
        for (int c = 0; c < form->lvHistory->columnCount(); ++c)
            for (const QString &personal : PersonalValues)
                QVERIFY2(!form->lvHistory->topLevelItem(r)->text(c).contains(personal),
                         qPrintable(form->lvHistory->topLevelItem(r)->text(c)));
    // Bob is untouched.
    QCOMPARE(app->scalar("SELECT LName FROM tblMembers WHERE MemberID = 'M-2'"),
             QStringLiteral("Lane"));
}

void tst_History::exportHoldsRecordAndHistory_data() {
    QTest::addColumn<bool>("deletedFirst");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QStringList>("operations");
    QTest::newRow("on the roll") << false << true << QStringList{"add", "update"};
    QTest::newRow("deleted") << true << true << QStringList{"add", "update", "delete"};
    QTest::newRow("folder missing") << false << false << QStringList{};
}

void tst_History::exportHoldsRecordAndHistory() {
    QFETCH(bool, deletedFirst);
    QFETCH(bool, writable);
    QFETCH(QStringList, operations);
    addAndUpdateAnne();
    if (deletedFirst)
        deleteAnne();
    openWith({});
    form->showMember(QStringLiteral("M-1"));
    const QString path =
        app->path() + (writable ? QStringLiteral("/anne.json") : QStringLiteral("/no/anne.json"));
    form->askExportPath = [&](const QString &) {
        return path;
    };
    QTest::mouseClick(form->cmdExport, Qt::LeftButton);

    QCOMPARE(boxes->shown().size(), 1);
    if (!writable) {
        QCOMPARE(icon(boxes->shown().first()), Mb::Critical);
        QVERIFY(boxes->prompts().first().startsWith("The member's data was NOT exported."));
        QVERIFY(!QFile::exists(path));
        return;
    }
    QVERIFY(boxes->prompts().first().startsWith("Everything held about Clark, Anne (M-1)"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonParseError error;
    const QJsonObject out = QJsonDocument::fromJson(file.readAll(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(out.value("memberId").toString(), QStringLiteral("M-1"));
    const QJsonValue record = out.value("record");
    if (deletedFirst) {
        QVERIFY(record.isNull());
    } else {
        QCOMPARE(record["LName"].toString(), QStringLiteral("Clark"));
        QCOMPARE(record["Email"].toString(), QStringLiteral("anne.clark@example.org"));
        QCOMPARE(record["Dues"].toDouble(), 30.0);
    }
    const QJsonArray history = out.value("history").toArray();
    QStringList stored;
    for (const QJsonValue &row : history)
        stored << row["operation"].toString();
    QCOMPARE(stored, operations);
    QCOMPARE(history[1]["changes"]["City"].toArray(),
             (QJsonArray{QStringLiteral("Springfield"), QStringLiteral("Shelbyville")}));
    QVERIFY(!history[0]["changedAt"].toString().isEmpty());
}

QTEST_MAIN(tst_History)
#include "tst_history.moc"
