// Hostile text pasted into every box of the member entry form is stored as the box shows it
// (blanks around it trimmed, capped at the box's length), with one statement per save and its
// history row.
#include "RelSupport.h"
#include "TestSupport.h"
#include "clubdetails/frmEditClubData.h"
#include "common/modGlobal.h"
#include "members/MemberFields.h"
#include "members/frmAddMem.h"
#include "ui/TextLimit.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace members;

namespace {
void paste(QWidget *box, const QString &text) {
    QApplication::clipboard()->setText(text);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}
} // namespace

class tst_hostileforms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { objClub.reset(); }
    void pastedIntoEveryBox_data();
    void pastedIntoEveryBox();
    void boxesHoldOneLineOfWholeCharacters_data();
    void boxesHoldOneLineOfWholeCharacters();
};

void tst_hostileforms::pastedIntoEveryBox_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("apostrophes") << QStringLiteral("O'Neil's '' '");
    QTest::newRow("quotes and semicolons") << QStringLiteral("\"Bob\"; \"\";");
    QTest::newRow("drop table") << QStringLiteral("'); DROP TABLE tblMembers; --");
    QTest::newRow("tabs") << QStringLiteral("\tTab\tbed\t");
    QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree");
    QTest::newRow("non-Latin scripts") << QString::fromUtf8("Ελληνικά Кириллица 日本語");
    QTest::newRow("emoji") << QString::fromUtf8("😀 👨‍👩‍👧 🇨🇦");
    QTest::newRow("right to left") << QString::fromUtf8("עברית العربية \u202Eevil\u202C");
    QTest::newRow("blanks around") << QStringLiteral("   padded   ");
    QTest::newRow("10,000-character paste") << QStringLiteral("O'Neil ").repeated(1250);
}

void tst_hostileforms::pastedIntoEveryBox() {
    QFETCH(QString, typed);
    TempAppFolder app;
    Roll::upToDate(app.rollPath());
    const QByteArray shipped = Roll::digest(app.rollPath());
    MsgBoxRecorder boxes;
    QMainWindow window;
    auto *area = new QMdiArea(&window);
    window.setCentralWidget(area);
    window.resize(1400, 1000);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *form = new frmAddMem;
    QMdiSubWindow *sub = area->addSubWindow(form);
    sub->show();
    sub->showMaximized();
    QCoreApplication::processEvents();

    // Every text box and the notes box get the paste; dues and the lists get valid values.
    for (const MemberField &f : MemberFields) {
        if (f.kind == FieldKind::Text && f.index != DuesBox)
            paste(form->txtBox[f.index], typed);
        else if (f.kind == FieldKind::Notes)
            paste(form->rtBox, typed);
    }
    QTest::keyClicks(form->txtBox[DuesBox], QStringLiteral("25"));
    form->cboBox[StateList]->setCurrentText(QStringLiteral("ME - Maine"));
    form->cboBox[PaidList]->setCurrentText(QStringLiteral("Annual"));
    form->cboBox[MembershipList]->setCurrentText(QStringLiteral("Regular"));

    // What a person sees in each box is what must be stored.
    QList<QPair<QString, QString>> expected;
    bool halfCharacter = false;
    for (const MemberField &f : MemberFields) {
        QString shown;
        if (f.kind == FieldKind::Text && f.index != DuesBox)
            shown = form->txtBox[f.index]->text();
        else if (f.kind == FieldKind::Notes)
            shown = form->rtBox->toPlainText();
        else
            continue;
        QVERIFY2(shown.size() <= f.maxLength, f.column);
        QVERIFY2(!shown.isEmpty() || typed.trimmed().isEmpty(), f.column);
        if (!shown.isEmpty() && shown.back().isHighSurrogate())
            halfCharacter = true;
        shown = storedForm(shown);
        expected.append({QString::fromLatin1(f.column), f.lowerCase ? shown.toLower() : shown});
    }

    // Capping a paste at the box's length must not keep half of a character: the roll can
    // only hold whole ones, so what was shown would not be what is stored.
    QVERIFY2(!halfCharacter, "a box kept half of a character at its length cap");

    StatementRecorder sql;
    boxes.answer({Mb::No});
    QTest::mouseClick(form->cmdSave, Qt::LeftButton);
    QCOMPARE(boxes.shown().size(), 1); // only "add another?": no check refused the values
    QStringList changes;
    for (const QString &s : sql.statements())
        if (!s.startsWith(QLatin1String("SELECT")))
            changes << s;
    QCOMPARE(changes.size(), 2); // the member, then its history row with the values bound
    QVERIFY(changes.first().startsWith(QLatin1String("INSERT INTO tblMembers")));
    QVERIFY(changes.last().startsWith(QLatin1String("INSERT INTO tblHistory")));
    QVERIFY(changes.last().endsWith(QLatin1String("VALUES (?,?,?,?,?)")));
    for (const auto &[column, value] : expected)
        QCOMPARE(app.scalar(QStringLiteral("SELECT %1 FROM tblMembers").arg(column)), value);

    QCOMPARE(app.scalar(QStringLiteral("SELECT COUNT(*) FROM tblMembers")), QStringLiteral("1"));
    app.exec(QStringLiteral("DELETE FROM tblMembers;"));
    QCOMPARE(Roll::digest(app.rollPath()), shipped);
    QCOMPARE(Roll::integrity(app.rollPath()), QStringLiteral("ok"));
    delete sub;
}

void tst_hostileforms::boxesHoldOneLineOfWholeCharacters_data() {
    QTest::addColumn<QString>("box");    // a box of the member entry form or of the club edit form
    QTest::addColumn<QString>("stored"); // the club column the box loads its text from
    QTest::addColumn<QString>("before"); // what the box holds already
    QTest::addColumn<int>("cursor");
    QTest::addColumn<bool>("pasted"); // otherwise typed, as one key gives a whole character
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");
    const QString emoji = QString::fromUtf8("😀");
    const QString full(34, u'a'); // one unit short of the last name's 35
    const QString last = QStringLiteral("txtBox_0"), none;
    QTest::newRow("emoji typed at the start, one unit free")
        << last << none << full << 0 << false << emoji << full;
    QTest::newRow("emoji typed in the middle, one unit free")
        << last << none << full << 17 << false << emoji << full;
    QTest::newRow("emoji typed with room")
        << last << none << full.left(33) << 0 << false << emoji << emoji + full.left(33);
    QTest::newRow("emoji pasted at the start, one unit free")
        << last << none << full << 0 << true << emoji << full;
    QTest::newRow("paste capped inside an emoji")
        << last << none << full.left(30) << 10 << true << "bcde" + emoji + "f"
        << full.left(10) + "bcde" + full.left(20);
    QTest::newRow("line break pasted") << last << none << QString() << 0 << true << "Mary\nAnn"
                                       << "Mary";
    QTest::newRow("CR LF pasted in the middle") << last << none << "Smith" << 2 << true << "xy\r\nz"
                                                << "Smxyith";
    QTest::newRow("notes, emoji typed at the cap")
        << "rtBox" << none << QString(249, u'n') << 249 << false << emoji << QString(249, u'n');
    QTest::newRow("club state, emoji typed at the cap") << "txtBox3"
                                                        << "State"
                                                        << "ON" << 0 << false << emoji << "ON";
    QTest::newRow("club name, stored break kept, pasted one cut")
        << "txtBox0"
        << "ClubName"
        << " Club\nHouse" << 0 << true << "The\nEnd"
        << "The Club\nHouse";
}

void tst_hostileforms::boxesHoldOneLineOfWholeCharacters() {
    QFETCH(QString, box);
    QFETCH(QString, stored);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(bool, pasted);
    QFETCH(QString, input);
    QFETCH(QString, shown);
    TempAppFolder app;
    std::unique_ptr<QWidget> form;
    if (stored.isEmpty()) {
        form.reset(new frmAddMem);
    } else {
        app.exec(QStringLiteral("INSERT INTO tblMain (ClubID, %1) VALUES ('C-1', '%2');")
                     .arg(stored, before));
        form.reset(new frmEditClubData);
    }
    auto *target = form->findChild<QWidget *>(box);
    if (stored.isEmpty())
        QTest::keyClicks(target, before);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    target->setFocus();
    auto *line = qobject_cast<QLineEdit *>(target);
    auto text = [&] {
        return line ? line->text() : qobject_cast<QPlainTextEdit *>(target)->toPlainText();
    };
    QCOMPARE(text(), before);
    if (line) // the notes box keeps its cursor at the end of what was typed
        line->setCursorPosition(cursor);
    if (pasted) {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, input, Qt::NoModifier);
    }
    QCOMPARE(text(), shown);
    // Saving trims the boxes; that must not cut a stored line break either.
    TrimTextFields(form.get());
    QCOMPARE(text(), trimBlanks(shown));
    objClub.reset();
}

QTEST_MAIN(tst_hostileforms)
#include "tst_hostileforms.moc"
