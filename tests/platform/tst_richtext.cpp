#include "TestSupport.h"
#include "core/Failure.h"
#include "richtext/RtfReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
QTextCharFormat formatAt(const QTextDocument &doc, int position) {
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(position + 1); // the format of the character before the cursor
    return c.charFormat();
}

QString text(const QByteArray &rtf) {
    QTextDocument doc;
    if (!readRtf(rtf, &doc))
        return QStringLiteral("<not rtf>");
    // Raw text keeps line breaks apart from paragraph ends.
    return doc.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}
} // namespace

class TestRichText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void plainText_data();
    void plainText();
    void characterFormats();
    void paragraphFormats();
    void ourAboutDocument();
    void loadFileFailures();
    void malformedInputNeverHangs();
};

void TestRichText::plainText_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("paragraphs") << QByteArray("{\\rtf1 One\\par Two\\par}") << "One\nTwo";
    QTest::newRow("no closing par") << QByteArray("{\\rtf1 One\\par Two}") << "One\nTwo";
    QTest::newRow("empty paragraph kept") << QByteArray("{\\rtf1 A\\par\\par B\\par}") << "A\n\nB";
    QTest::newRow("line break") << QByteArray("{\\rtf1 A\\line B}") << QStringLiteral("A\u2028B");
    QTest::newRow("tab") << QByteArray("{\\rtf1 A\\tab B}") << "A\tB";
    QTest::newRow("delimiter space eaten") << QByteArray("{\\rtf1 \\b  x}") << " x";
    QTest::newRow("newlines ignored") << QByteArray("{\\rtf1 ab\r\ncd}") << "abcd";
    QTest::newRow("escaped symbols") << QByteArray("{\\rtf1 a\\\\b\\{c\\}}") << "a\\b{c}";
    QTest::newRow("hex latin-1") << QByteArray("{\\rtf1 Caf\\'e9}") << QStringLiteral("Café");
    QTest::newRow("hex windows-1252") << QByteArray("{\\rtf1 \\'80\\'96}") << QStringLiteral("€–");
    QTest::newRow("unicode with fallback")
        << QByteArray("{\\rtf1 Caf\\u233?s}") << QStringLiteral("Cafés");
    QTest::newRow("unicode negative")
        << QByteArray("{\\rtf1 \\u-3913?}") << QStringLiteral("\uF0B7");
    QTest::newRow("unicode two fallback chars")
        << QByteArray("{\\rtf1\\uc2 \\u8364 EUx}") << QStringLiteral("€x");
    QTest::newRow("unicode hex fallback")
        << QByteArray("{\\rtf1 \\u8220\\'93quoted}") << QStringLiteral("“quoted");
    QTest::newRow("surrogate pair")
        << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QString::fromUcs4(U"\U0001F600");
    QTest::newRow("fallback ends at group")
        << QByteArray("{\\rtf1\\uc3 {\\u233}xyz}") << QStringLiteral("éxyz");
    QTest::newRow("named characters")
        << QByteArray("{\\rtf1 \\lquote a\\rquote \\emdash\\bullet}") << QStringLiteral("‘a’—•");
    QTest::newRow("unknown word ignored") << QByteArray("{\\rtf1 a\\foo12 b}") << "ab";
    QTest::newRow("ignorable destination")
        << QByteArray("{\\rtf1 a{\\*\\generator Writer 1.0;}b}") << "ab";
    QTest::newRow("skipped tables")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
                      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}Body}")
        << "Body";
    QTest::newRow("binary skipped") << QByteArray("{\\rtf1 a{\\pict\\bin4 }}{x}b}") << "ab";
    QTest::newRow("hidden text") << QByteArray("{\\rtf1 a{\\v secret}b}") << "ab";
    QTest::newRow("stray closing brace") << QByteArray("{\\rtf1 a}}b") << "ab";
    QTest::newRow("leading blanks") << QByteArray("  \n{\\rtf1 x}") << "x";
    QTest::newRow("not rtf") << QByteArray("plain text") << "<not rtf>";
}

void TestRichText::plainText() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(text(rtf), expected);
}

void TestRichText::characterFormats() {
    QTextDocument doc;
    QVERIFY(readRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\froman Times New Roman;}}"
                    "{\\colortbl;\\red200\\green10\\blue20;}"
                    "\\f0\\fs20 a{\\b b{\\i c}}{\\ul d\\ulnone e}\\fs36 f\\cf1 g\\cf0\\f1 h"
                    "\\b i\\plain j}",
                    &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("abcdefghij"));
    struct Expect {
        char ch;
        bool bold, italic, underline;
        double points;
    };
    const Expect expects[] = {{'a', false, false, false, 10}, {'b', true, false, false, 10},
                              {'c', true, true, false, 10},   {'d', false, false, true, 10},
                              {'e', false, false, false, 10}, {'f', false, false, false, 18},
                              {'h', false, false, false, 18}, {'i', true, false, false, 18},
                              {'j', false, false, false, 12}};
    for (const Expect &e : expects) {
        const int pos = int(doc.toPlainText().indexOf(QChar::fromLatin1(e.ch)));
        const QTextCharFormat f = formatAt(doc, pos);
        QVERIFY2(f.font().bold() == e.bold, &e.ch);
        QVERIFY2(f.fontItalic() == e.italic, &e.ch);
        QVERIFY2(f.fontUnderline() == e.underline, &e.ch);
        QCOMPARE(f.fontPointSize(), e.points);
    }
    QCOMPARE(formatAt(doc, 6).foreground().color(), QColor(200, 10, 20));
    QVERIFY(formatAt(doc, 7).foreground().style() == Qt::NoBrush);
    QCOMPARE(formatAt(doc, 0).fontFamilies().toStringList(), QStringList{"Arial"});
    QCOMPARE(formatAt(doc, 7).fontFamilies().toStringList(), QStringList{"Times New Roman"});
}

void TestRichText::paragraphFormats() {
    QTextDocument doc;
    QVERIFY(readRtf("{\\rtf1\\pard\\qc Centre\\par\\pard\\qr\\li1440 Right\\par\\pard Left\\par}",
                    &doc));
    QCOMPARE(doc.blockCount(), 3);
    QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().leftMargin(), 96.0); // one inch
    QCOMPARE(doc.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
}

void TestRichText::ourAboutDocument() {
    QTextDocument doc;
    loadRtfFile(builtAppFolder() + QStringLiteral("/text/About.rtf"), &doc);
    const QTextBlock title = doc.firstBlock();
    QCOMPARE(title.text(), QStringLiteral("Quillmere"));
    QCOMPARE(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextCharFormat f = formatAt(doc, 0);
    QVERIFY(f.font().bold());
    QCOMPARE(f.fontPointSize(), 14.0);
    QCOMPARE(f.foreground().color(), QColor(0, 51, 102));
    QCOMPARE(f.fontFamilies().toStringList(), QStringList{"Arial"});
    const QString all = doc.toPlainText();
    QVERIFY(all.contains(QStringLiteral("club’s own details")));
    QVERIFY(all.contains(QStringLiteral("Copyright © 2026")));
    QVERIFY(all.contains(QStringLiteral("Cafés")));
    QVERIFY(all.contains(QStringLiteral("club\\club.qmr")));
    QVERIFY(!all.contains(QStringLiteral("Velliscar Software;"))); // the generator is skipped
    QVERIFY(!all.contains(QStringLiteral("\\par")));
}

void TestRichText::loadFileFailures() {
    QTextDocument doc;
    QTemporaryDir dir;
    try {
        loadRtfFile(dir.path() + QStringLiteral("/missing.rtf"), &doc);
        QFAIL("no failure for a missing file");
    } catch (const Failure &f) {
        QCOMPARE(f.number(), ErrNo::FileNotFound);
    }
    QFile other(dir.path() + QStringLiteral("/plain.rtf"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("just text");
    other.close();
    QVERIFY_THROWS_EXCEPTION(Failure, loadRtfFile(other.fileName(), &doc));
}

void TestRichText::malformedInputNeverHangs() {
    QFile about(builtAppFolder() + QStringLiteral("/text/About.rtf"));
    QVERIFY(about.open(QIODevice::ReadOnly));
    const QByteArray base = about.readAll();
    static const QByteArray pieces[] = {
        "{",
        "}",
        "\\",
        "\\'",
        "\\'g",
        "\\u",
        "\\u-",
        "\\u99999999999999",
        "\\uc99999 ",
        "\\bin",
        "\\bin2147483647 ",
        "\\bin-5 ",
        "\\fs-40",
        "\\fs999999999",
        "\\cf77",
        "\\*",
        "{\\*",
        "\\fonttbl",
        "\\colortbl",
        "\\red300",
        ";",
        "\\par",
        "\\plain",
        "\\u55357?",
        "\\u-9000",
        "\\f-1",
        "\\li99999999",
        QByteArray(1, '\0'),
        "\xff\xfe",
        "\\verylongcontrolwordthatgoesonandonandonforeverandever123456789012345 "};
    QRandomGenerator rng(20261208);
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < 400; ++round) {
        QByteArray input = base;
        const int edits = 1 + int(rng.bounded(12));
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = rng.bounded(int(input.size()) + 1);
            switch (rng.bounded(4)) {
            case 0:
                input.insert(at, pieces[rng.bounded(int(std::size(pieces)))]);
                break;
            case 1:
                if (at < input.size())
                    input[at] = char(rng.bounded(256));
                break;
            case 2:
                input.truncate(at);
                break;
            default:
                input.remove(at, rng.bounded(40));
                break;
            }
        }
        if (round % 50 == 0)
            input = "{\\rtf1" + QByteArray(20000, '{') + "deep" + QByteArray(3, '}');
        if (round % 50 == 1)
            input = "{\\rtf1" + QByteArray(5000, '\\') + "x";
        QTextDocument doc;
        readRtf(input, &doc);
        // Every character shown needs at least one byte of input.
        QVERIFY2(doc.toPlainText().size() <= input.size(), qPrintable(QString::number(round)));
    }
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_MAIN(TestRichText)
#include "tst_richtext.moc"
