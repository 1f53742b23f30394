#include "ClubTestUtil.h"
#include "TestSupport.h"
#include "clubdetails/frmEditClubData.h"
#include "common/modGlobal.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>

class tst_EditClubData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void loadsLastRow();
    void enterWalksToEmail();
    void clearThenSave();
    void updateRewritesEveryColumn();
    void failedUpdateKeepsEntries();

private:
    // Opens the form the way the menu command does: a single child of the main window.
    frmEditClubData *open();
    void storeClub() const;

    std::optional<TempAppFolder> m_app;
    QPointer<frmEditClubData> m_form;
};

namespace {
const QString StoredRow = QStringLiteral(
    "'C-7','Old Club','1 Quay','Harbourside','NS','B3H 1A1','555-0000',NULL,'','','','','',"
    "NULL,'2020-01-02 03:04:05'");
}

void tst_EditClubData::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_EditClubData::init() {
    m_app.emplace();
    frmMain::load();
}

void tst_EditClubData::cleanup() {
    delete frmMain::instance();
    m_app.reset();
}

void tst_EditClubData::storeClub() const {
    m_app->exec(QStringLiteral("INSERT INTO tblMain (ClubID,ClubName,Address1,City,State,Zip,"
                               "Phone1,Phone2,Phone3,Phone4,Phone5,Phone6,WebURL,Email,AddDate) "
                               "VALUES (")
                + StoredRow + QStringLiteral(")"));
}

frmEditClubData *tst_EditClubData::open() {
    frmMain *main = frmMain::instance();
    main->show();
    frmEditClubData *form = main->showChild(m_form);
    if (!QTest::qWaitForWindowActive(main))
        qWarning("main window not active");
    return form;
}

void tst_EditClubData::loadsLastRow() {
    m_app->exec(QStringLiteral("INSERT INTO tblMain (ClubID,ClubName,Email) "
                               "VALUES ('C-1','First Club','first@example')"));
    storeClub();
    frmEditClubData *form = open();
    QCOMPARE(form->windowTitle(), QStringLiteral("Quillmere  -  3.0"));
    QCOMPARE(form->lblTitle->text(), QStringLiteral("Edit Club Details"));
    QCOMPARE(form->lblID->text(), QStringLiteral("C-7"));
    QStringList expected = {
        "Old Club", "1 Quay", "Harbourside", "NS", "B3H 1A1", "555-0000", "", "", "", "", "",
        "",         ""};
    QCOMPARE(textsOf(form->txtBox), expected);
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);
}

void tst_EditClubData::enterWalksToEmail() {
    storeClub();
    MsgBoxRecorder boxes;
    frmEditClubData *form = open();
    const QStringList before = textsOf(form->txtBox);
    for (std::size_t i = 0; i + 1 < ClubFieldCount; ++i) {
        QCOMPARE(QApplication::focusWidget(), form->txtBox[i]);
        QTest::keyClick(form->txtBox[i], i % 2 ? Qt::Key_Return : Qt::Key_Enter);
    }
    QCOMPARE(QApplication::focusWidget(), form->txtBox[12]);
    QTest::keyClick(form->txtBox[12], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), form->txtBox[12]);
    QCOMPARE(textsOf(form->txtBox), before);
    QCOMPARE(boxes.prompts(), QStringList());
}

void tst_EditClubData::clearThenSave() {
    storeClub();
    MsgBoxRecorder boxes;
    frmEditClubData *form = open();
    form->txtBox[5]->setFocus();
    QTest::mouseClick(form->cmdClear, Qt::LeftButton);
    QCOMPARE(textsOf(form->txtBox), QStringList(13));
    QCOMPARE(form->lblID->text(), QStringLiteral("C-7"));
    QCOMPARE(QApplication::focusWidget(), form->txtBox[0]);

    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Club Name is Missing")});
    QCOMPARE(boxes.shown()[0].style, Mb::OKOnly);
    QCOMPARE(m_app->scalar(QStringLiteral("SELECT ClubName FROM tblMain")),
             QStringLiteral("Old Club"));
    QVERIFY(m_form);
}

void tst_EditClubData::updateRewritesEveryColumn() {
    storeClub();
    MsgBoxRecorder boxes;
    EndRecorder ends;
    frmEditClubData *form = open();
    // Changed behind the form's back: a save of the form's fields must put every one back.
    m_app->exec(QStringLiteral("UPDATE tblMain SET City = 'Elsewhere', Phone2 = 'x'"));
    const QStringList typed = sampleClub();
    typeInto(form->txtBox, typed);
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);

    QCOMPARE(boxes.prompts(),
             QStringList{QStringLiteral("Your Club information has been updated! ")});
    QCOMPARE(boxes.shown()[0].style, Mb::Information | Mb::OKOnly);
    QTRY_VERIFY(!m_form);
    QCOMPARE(ends.calls(), 0);
    QCOMPARE(m_app->scalar(QStringLiteral("SELECT ") + clubColumnsSql() + " FROM tblMain"),
             typed.join(u'|'));
    QCOMPARE(m_app->scalar(QStringLiteral("SELECT ClubID || ' ' || AddDate FROM tblMain")),
             QStringLiteral("C-7 2020-01-02 03:04:05"));

    // Opened again, the form shows what was saved, apostrophe and all.
    QCOMPARE(textsOf(open()->txtBox), typed);
}

void tst_EditClubData::failedUpdateKeepsEntries() {
    storeClub();
    m_app->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON tblMain "
                               "BEGIN SELECT RAISE(ABORT, 'disk says no'); END;"));
    MsgBoxRecorder boxes;
    frmEditClubData *form = open();
    typeInto(form->txtBox, sampleClub());
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);

    const QStringList prompts = boxes.prompts();
    QCOMPARE(prompts.size(), 2);
    QVERIFY(prompts[0].endsWith(QStringLiteral("Function: UpdateClubDetails")));
    QCOMPARE(prompts[1], QStringLiteral("This record was NOT updated! "));
    QCOMPARE(boxes.shown()[1].style, Mb::Critical | Mb::OKOnly);
    QCOMPARE(boxes.shown()[1].title, QStringLiteral(" * ERROR * "));
    QCOMPARE(textsOf(form->txtBox), sampleClub());
    QVERIFY(m_form && m_form->isVisible());
    QCOMPARE(m_app->scalar(QStringLiteral("SELECT ClubName FROM tblMain")),
             QStringLiteral("Old Club"));
}

QTEST_MAIN(tst_EditClubData)
#include "tst_editclubdata.moc"
