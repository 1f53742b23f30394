#include "ClubTestUtil.h"
#include "TestSupport.h"
#include "clubdetails/frmClubData.h"
#include "clubdetails/frmEditClubData.h"
#include "common/modGlobal.h"
#include "shell/frmMain.h"
#include "shell/modMain.h"
#include "system/System.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <optional>

class tst_ClubData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void layoutFromTable();
    void save_data();
    void save();
    void firstMissingFieldOnly_data();
    void firstMissingFieldOnly();
    void failedSaveKeepsEntries();
    void noCounterStoresNothing();
    void nothingSavedWithoutLibrary_data();
    void nothingSavedWithoutLibrary();
    void closingWithoutSaving_data();
    void closingWithoutSaving();
    void keys_data();
    void keys();
    void firstRunThenNormalStart();
};

namespace {
struct Shown {
    frmClubData form;
    Shown() {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
};
} // namespace

void tst_ClubData::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_ClubData::layoutFromTable() {
    TempAppFolder app;
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    QCOMPARE(s.form.windowTitle(), QStringLiteral("Quillmere  -  3.0"));
    QCOMPARE(s.form.lblTitle->text(), QStringLiteral("Add Club Details"));
    QCOMPARE(QApplication::focusWidget(), s.form.txtBox[0]);
    for (std::size_t i = 0; i < ClubFieldCount; ++i) {
        // What a screen reader announces for the field.
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(s.form.txtBox[i]);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QString::fromLatin1(ClubFields[i].caption));
    }
    QLineEdit *state = s.form.txtBox[ClubStateField];
    QTest::keyClicks(state, QStringLiteral("ab-4"));
    QCOMPARE(state->text(), QStringLiteral("ab-"));
    QVERIFY(state->alignment() & Qt::AlignHCenter);
    QVERIFY(state->width() * 3 < s.form.txtBox[0]->width());

    // Enter means nothing here: it neither saves nor moves on.
    typeInto(s.form.txtBox, sampleClub());
    state->setFocus();
    QTest::keyClick(state, Qt::Key_Return);
    QTest::keyClick(state, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(QApplication::focusWidget(), state);
    QCOMPARE(boxes.prompts(), QStringList());
    QVERIFY(s.form.isVisible());
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMain")), QStringLiteral("0"));
}

void tst_ClubData::save_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("stored");
    const QStringList all = sampleClub();
    QTest::newRow("every field, apostrophe kept") << all << all;
    QStringList required = all.mid(0, 6);
    QStringList requiredStored = required;
    for (int i = 6; i < 13; ++i) {
        required << QString();
        requiredStored << QString();
    }
    QTest::newRow("optional fields empty") << required << requiredStored;
    QStringList padded;
    for (const QString &v : all)
        padded << QStringLiteral("  ") + v + QStringLiteral(" ");
    padded[ClubStateField] = QStringLiteral(" ON");
    QTest::newRow("surrounding blanks trimmed") << padded << all;
}

void tst_ClubData::save() {
    QFETCH(QStringList, typed);
    QFETCH(QStringList, stored);
    TempAppFolder app;
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    typeInto(s.form.txtBox, typed);
    QTest::mouseClick(s.form.cmdSave, Qt::LeftButton);

    QCOMPARE(boxes.prompts(),
             QStringList{QStringLiteral("Your Club information has been saved! ")});
    QCOMPARE(boxes.shown()[0].style, Mb::Information | Mb::OKOnly);
    QCOMPARE(boxes.shown()[0].title, appTitle());
    QCOMPARE(app.column(QStringLiteral("SELECT ClubID FROM tblMain")), QStringList{"C-1"});
    QCOMPARE(app.scalar(QStringLiteral("SELECT ") + clubColumnsSql() + " FROM tblMain"),
             stored.join(u'|'));
    QVERIFY(!app.scalar(QStringLiteral("SELECT AddDate FROM tblMain")).isEmpty());
    QCOMPARE(textsOf(s.form.txtBox), QStringList(13));
    QVERIFY(!s.form.isVisible());
    QCOMPARE(ends.calls(), 1);
}

void tst_ClubData::firstMissingFieldOnly_data() {
    QTest::addColumn<int>("missing");
    QTest::addColumn<QString>("blank");
    for (int i = 0; i <= 5; ++i) {
        QTest::addRow("%s empty", ClubFields[i].caption) << i << QString();
        QTest::addRow("%s blanks", ClubFields[i].caption) << i << QStringLiteral("   ");
    }
}

void tst_ClubData::firstMissingFieldOnly() {
    QFETCH(int, missing);
    QFETCH(QString, blank);
    TempAppFolder app;
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    // Every required field from the missing one on is empty: only the first is named.
    QStringList typed = sampleClub();
    for (int i = missing; i <= 5; ++i)
        typed[i] = i == missing ? blank : QString();
    typeInto(s.form.txtBox, typed);
    QTest::mouseClick(s.form.cmdSave, Qt::LeftButton);

    QCOMPARE(boxes.prompts(), QStringList{QString::fromLatin1(ClubFields[missing].missing)});
    QCOMPARE(boxes.shown()[0].style, Mb::OKOnly);
    QCOMPARE(boxes.shown()[0].title, appTitle());
    QCOMPARE(QApplication::focusWidget(), s.form.txtBox[missing]);
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMain")), QStringLiteral("0"));
    QVERIFY(s.form.isVisible());
    QCOMPARE(ends.calls(), 0);
}

void tst_ClubData::failedSaveKeepsEntries() {
    TempAppFolder app;
    app.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON tblMain "
                            "BEGIN SELECT RAISE(ABORT, 'disk says no'); END;"));
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    QStringList typed = sampleClub();
    typed[1] = QStringLiteral(" 12 Harbour Road  ");
    typeInto(s.form.txtBox, typed);
    QTest::mouseClick(s.form.cmdSave, Qt::LeftButton);

    QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("This record was NOT saved! ")});
    QCOMPARE(boxes.shown()[0].style, Mb::Critical | Mb::OKOnly);
    QCOMPARE(boxes.shown()[0].title, QStringLiteral(" * ERROR * "));
    QCOMPARE(textsOf(s.form.txtBox), sampleClub());
    QVERIFY(app.errorLog().contains(QStringLiteral("AddClubDetails - DLL Function")));
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMain")), QStringLiteral("0"));
    QVERIFY(s.form.isVisible());
    QCOMPARE(ends.calls(), 0);
}

void tst_ClubData::noCounterStoresNothing() {
    TempAppFolder app;
    // A club table without its row counter: the counter query fails, an insert would not.
    app.exec(QStringLiteral("DROP TABLE tblMain"));
    app.exec(QStringLiteral("CREATE TABLE tblMain (ClubID TEXT, ClubName TEXT, Address1 TEXT, "
                            "City TEXT, State TEXT, Zip TEXT, Phone1 TEXT, Phone2 TEXT, "
                            "Phone3 TEXT, Phone4 TEXT, Phone5 TEXT, Phone6 TEXT, WebURL TEXT, "
                            "Email TEXT, AddDate TEXT)"));
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    typeInto(s.form.txtBox, sampleClub());
    QTest::mouseClick(s.form.cmdSave, Qt::LeftButton);

    // Whether the library reports the failed query first depends on whether the roll opened.
    QCOMPARE(boxes.prompts().value(boxes.prompts().size() - 1),
             QStringLiteral("This record was NOT saved! "));
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMain")), QStringLiteral("0"));
    QCOMPARE(textsOf(s.form.txtBox), sampleClub());
    QCOMPARE(ends.calls(), 0);
}

void tst_ClubData::nothingSavedWithoutLibrary_data() {
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("noObject"); // otherwise the roll is missing
    for (const bool edit : {false, true})
        for (const bool noObject : {true, false})
            QTest::newRow(qPrintable(QString(edit ? "edit form, " : "first-run form, ")
                                     + (noObject ? "no library object" : "roll missing")))
                << edit << noObject;
}

// Both club forms, without a library object or without a roll, say that nothing was saved,
// and only that: the library stays silent about a roll that never opened.
void tst_ClubData::nothingSavedWithoutLibrary() {
    QFETCH(bool, edit);
    QFETCH(bool, noObject);
    TempAppFolder app;
    QVERIFY(QFile::remove(noObject ? app.path() + QStringLiteral("/club.so") : app.rollPath()));
    MsgBoxRecorder boxes;
    EndRecorder ends;
    objClub.reset();
    std::unique_ptr<QWidget> form;
    ClubTextBoxes txtBox;
    QPushButton *save = nullptr;
    if (edit) {
        auto *f = new frmEditClubData;
        form.reset(f);
        txtBox = f->txtBox;
        save = f->cmdSave;
    } else {
        auto *f = new frmClubData;
        form.reset(f);
        txtBox = f->txtBox;
        save = f->cmdSave;
    }
    form->show();
    QCOMPARE(bool(objClub), !noObject);
    typeInto(txtBox, sampleClub());
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(boxes.prompts(), QStringList{edit ? QStringLiteral("This record was NOT updated! ")
                                               : QStringLiteral("This record was NOT saved! ")});
    QVERIFY(form->isVisible());
    QCOMPARE(app.errorLog(), QString());
}

void tst_ClubData::closingWithoutSaving_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("eXit") << QStringLiteral("exit");
    QTest::newRow("window frame") << QStringLiteral("close");
    QTest::newRow("after a failed check") << QStringLiteral("check");
}

void tst_ClubData::closingWithoutSaving() {
    QFETCH(QString, how);
    TempAppFolder app;
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    typeInto(s.form.txtBox, sampleClub().mid(0, 3));
    if (how == QLatin1String("check"))
        QTest::mouseClick(s.form.cmdSave, Qt::LeftButton);
    if (how == QLatin1String("exit") || how == QLatin1String("check"))
        QTest::mouseClick(s.form.cmdExit, Qt::LeftButton);
    else
        s.form.close();

    QVERIFY(!s.form.isVisible());
    QCOMPARE(ends.calls(), 1);
    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMain")), QStringLiteral("0"));
    QVERIFY(!objClub);
}

void tst_ClubData::keys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("open"); // the form still on screen, the program not ended
    QTest::addColumn<bool>("kept"); // the fields still hold what was typed
    QTest::newRow("Escape in a field") << "txtBox1" << int(Qt::Key_Escape) << false << true << true;
    QTest::newRow("Enter on Save") << "cmdSave" << int(Qt::Key_Return) << true << false << false;
    QTest::newRow("keypad Enter on Clear")
        << "cmdClear" << int(Qt::Key_Enter) << false << true << false;
    QTest::newRow("Enter on eXit") << "cmdExit" << int(Qt::Key_Return) << false << false << true;
}

void tst_ClubData::keys() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(bool, saved);
    QFETCH(bool, open);
    QFETCH(bool, kept);
    TempAppFolder app;
    MsgBoxRecorder boxes;
    EndRecorder ends;
    Shown s;
    typeInto(s.form.txtBox, sampleClub());
    auto *w = s.form.findChild<QWidget *>(focus);
    w->setFocus();
    QTest::keyClick(w, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    QCOMPARE(boxes.prompts(),
             saved ? QStringList{QStringLiteral("Your Club information has been saved! ")}
                   : QStringList());
    QCOMPARE(s.form.isVisible(), open);
    QCOMPARE(ends.calls(), open ? 0 : 1);
    QCOMPARE(textsOf(s.form.txtBox), kept ? sampleClub() : QStringList(13));
}

void tst_ClubData::firstRunThenNormalStart() {
    TempAppFolder app;
    MsgBoxRecorder boxes;
    std::optional<EndRecorder> ends(std::in_place);
    // The splash watches the clock; a second per reading keeps its seven seconds short.
    QDateTime clock(QDate(2026, 3, 1), QTime(9, 0));
    setClock([&clock] { return clock = clock.addSecs(1); });
    auto restoreClock = qScopeGuard([] { setClock({}); });

    QStringList visibleDuringForm;
    QTimer::singleShot(0, [&] {
        auto *form = qobject_cast<frmClubData *>(QApplication::activeModalWidget());
        if (!form)
            return;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                visibleDuringForm << w->objectName();
        typeInto(form->txtBox, sampleClub());
        QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    });
    QVERIFY(!Main());
    QCOMPARE(visibleDuringForm, QStringList{QStringLiteral("frmClubData")});
    QCOMPARE(ends->calls(), 1);
    QVERIFY(frmMain::instance() && !frmMain::instance()->isVisible());
    QCOMPARE(app.column(QStringLiteral("SELECT ClubName FROM tblMain")),
             QStringList{sampleClub()[0]});

    // The next start is a new process: no main window yet, nothing ending.
    delete frmMain::instance();
    ends.emplace();
    boxes.clear();
    QVERIFY(Main());
    QVERIFY(frmMain::instance() && frmMain::instance()->isVisible());
    QCOMPARE(strClubName, sampleClub()[0]);
    QCOMPARE(boxes.prompts(), QStringList());
    QCOMPARE(ends->calls(), 0);
    delete frmMain::instance();
}

QTEST_MAIN(tst_ClubData)
#include "tst_clubdata.moc"
