#include "ui/TextLimit.h"

#include <QTest>

class tst_Text : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trimBlanks_data();
    void trimBlanks();
    void leftWhole_data();
    void leftWhole();
};

void tst_Text::trimBlanks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only blanks") << QStringLiteral("    ") << QString();
    QTest::newRow("both ends") << QStringLiteral("  O'Neil  ") << QStringLiteral("O'Neil");
    QTest::newRow("inner blanks kept") << QStringLiteral(" a  b ") << QStringLiteral("a  b");
    QTest::newRow("tab and line break kept")
        << QStringLiteral("\t a\n ") << QStringLiteral("\t a\n");
    QTest::newRow("no-break space kept") << QStringLiteral("\u00a0x ") << QStringLiteral("\u00a0x");
}

void tst_Text::trimBlanks() {
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(::trimBlanks(text), trimmed);
}

void tst_Text::leftWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("units");
    QTest::addColumn<QString>("kept");
    const QString emoji = QStringLiteral("ab\U0001F600c");
    QTest::newRow("shorter than the cap") << QStringLiteral("abc") << 5 << QStringLiteral("abc");
    QTest::newRow("cut between characters") << emoji << 2 << QStringLiteral("ab");
    QTest::newRow("cut inside a character") << emoji << 3 << QStringLiteral("ab");
    QTest::newRow("character kept whole") << emoji << 4 << QStringLiteral("ab\U0001F600");
    QTest::newRow("no room") << emoji << 0 << QString();
}

void tst_Text::leftWhole() {
    QFETCH(QString, text);
    QFETCH(int, units);
    QFETCH(QString, kept);
    QCOMPARE(::leftWhole(text, units), kept);
}

QTEST_APPLESS_MAIN(tst_Text)
#include "tst_text.moc"
