#include "RtfReader.h"
#include "core/Failure.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVector>
#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; our documents are written in it.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QChar fromCp1252(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F)
        return QChar(Cp1252High[c - 0x80]);
    return QChar(c);
}

enum class Dest { Text, Skip, FontTable, ColorTable };

enum class Word {
    Unknown,
    // destinations
    FontTable,
    ColorTable,
    SkipGroup,
    // characters
    Par,
    Line,
    Tab,
    Page,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace,
    Unicode,
    UnicodeSkip,
    Bin,
    // character formatting
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    FontSize,
    Font,
    Colour,
    Highlight,
    Super,
    Sub,
    NoSuperSub,
    Hidden,
    DefaultFont,
    // paragraph formatting
    Pard,
    AlignLeft,
    AlignCentre,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    // colour table entries
    Red,
    Green,
    Blue,
};

struct WordEntry {
    std::string_view name;
    Word word;
};

constexpr WordEntry Words[] = {
    {"fonttbl", Word::FontTable},
    {"colortbl", Word::ColorTable},
    {"stylesheet", Word::SkipGroup},
    {"info", Word::SkipGroup},
    {"pict", Word::SkipGroup},
    {"object", Word::SkipGroup},
    {"header", Word::SkipGroup},
    {"headerl", Word::SkipGroup},
    {"headerr", Word::SkipGroup},
    {"headerf", Word::SkipGroup},
    {"footer", Word::SkipGroup},
    {"footerl", Word::SkipGroup},
    {"footerr", Word::SkipGroup},
    {"footerf", Word::SkipGroup},
    {"footnote", Word::SkipGroup},
    {"listtable", Word::SkipGroup},
    {"listoverridetable", Word::SkipGroup},
    {"revtbl", Word::SkipGroup},
    {"filetbl", Word::SkipGroup},
    {"rsidtbl", Word::SkipGroup},
    {"themedata", Word::SkipGroup},
    {"colorschememapping", Word::SkipGroup},
    {"latentstyles", Word::SkipGroup},
    {"datastore", Word::SkipGroup},
    {"xmlnstbl", Word::SkipGroup},
    {"par", Word::Par},
    {"line", Word::Line},
    {"tab", Word::Tab},
    {"page", Word::Page},
    {"sect", Word::Page},
    {"row", Word::Par},
    {"cell", Word::Tab},
    {"emdash", Word::EmDash},
    {"endash", Word::EnDash},
    {"bullet", Word::Bullet},
    {"lquote", Word::LQuote},
    {"rquote", Word::RQuote},
    {"ldblquote", Word::LDblQuote},
    {"rdblquote", Word::RDblQuote},
    {"emspace", Word::EmSpace},
    {"enspace", Word::EnSpace},
    {"u", Word::Unicode},
    {"uc", Word::UnicodeSkip},
    {"bin", Word::Bin},
    {"plain", Word::Plain},
    {"b", Word::Bold},
    {"i", Word::Italic},
    {"ul", Word::Underline},
    {"uld", Word::Underline},
    {"uldb", Word::Underline},
    {"ulw", Word::Underline},
    {"ulth", Word::Underline},
    {"ulwave", Word::Underline},
    {"ulnone", Word::UnderlineNone},
    {"strike", Word::Strike},
    {"fs", Word::FontSize},
    {"f", Word::Font},
    {"cf", Word::Colour},
    {"highlight", Word::Highlight},
    {"cb", Word::Highlight},
    {"super", Word::Super},
    {"sub", Word::Sub},
    {"nosupersub", Word::NoSuperSub},
    {"v", Word::Hidden},
    {"deff", Word::DefaultFont},
    {"pard", Word::Pard},
    {"ql", Word::AlignLeft},
    {"qc", Word::AlignCentre},
    {"qr", Word::AlignRight},
    {"qj", Word::AlignJustify},
    {"li", Word::LeftIndent},
    {"ri", Word::RightIndent},
    {"fi", Word::FirstIndent},
    {"sb", Word::SpaceBefore},
    {"sa", Word::SpaceAfter},
    {"red", Word::Red},
    {"green", Word::Green},
    {"blue", Word::Blue},
};

Word lookup(std::string_view name) {
    const auto *it = std::find_if(std::begin(Words), std::end(Words),
                                  [&](const WordEntry &e) { return e.name == name; });
    return it == std::end(Words) ? Word::Unknown : it->word;
}

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int valign = 0; // 1 superscript, -1 subscript
    int halfPoints = 24;
    int font = -1;
    int colour = 0;
    int highlight = 0;
    bool operator==(const CharState &) const = default;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int leftIndent = 0, rightIndent = 0, firstIndent = 0, spaceBefore = 0, spaceAfter = 0;
};

struct State {
    CharState chr;
    ParaState para;
    Dest dest = Dest::Text;
    int unicodeSkip = 1;
};

// Deeper nesting than any real document uses; beyond it groups are counted, not stacked.
constexpr int MaxDepth = 200;
// Twips (1/20 point) to document pixels at 96 dpi.
constexpr double TwipsToPixels = 96.0 / 1440.0;

class Reader {
public:
    Reader(const QByteArray &in, qsizetype start, QTextDocument *doc)
        : m_in(in)
        , m_pos(start)
        , m_cursor(doc) {}

    void run() {
        const qsizetype n = m_in.size();
        while (m_pos < n) {
            const char c = m_in.at(m_pos);
            if (c == '{') {
                ++m_pos;
                openGroup();
            } else if (c == '}') {
                ++m_pos;
                closeGroup();
            } else if (c == '\\') {
                ++m_pos;
                controlSequence();
            } else {
                ++m_pos;
                if (c != '\r' && c != '\n')
                    plainChar(static_cast<unsigned char>(c));
            }
        }
        finish();
    }

private:
    void openGroup() {
        m_skip = 0;
        if (m_stack.size() >= MaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.push_back(m_state);
    }

    void closeGroup() {
        m_skip = 0;
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (m_stack.isEmpty())
            return; // a stray closing brace changes nothing
        endDestination();
        m_state = m_stack.takeLast();
    }

    // Leaving a font or colour table entry that was not closed with ";".
    void endDestination() {
        if (m_state.dest == Dest::FontTable && !m_fontName.trimmed().isEmpty())
            storeFont();
    }

    void controlSequence() {
        const qsizetype n = m_in.size();
        if (m_pos >= n)
            return;
        const char c = m_in.at(m_pos);
        if (isLetter(c)) {
            const qsizetype start = m_pos;
            while (m_pos < n && isLetter(m_in.at(m_pos)))
                ++m_pos;
            const std::string_view name(m_in.constData() + start, size_t(m_pos - start));
            bool hasParam = false;
            int param = 0;
            if (m_pos < n && (m_in.at(m_pos) == '-' || isDigit(m_in.at(m_pos)))) {
                bool negative = false;
                if (m_in.at(m_pos) == '-') {
                    negative = true;
                    ++m_pos;
                }
                qint64 value = 0;
                while (m_pos < n && isDigit(m_in.at(m_pos))) {
                    hasParam = true;
                    if (value < 100000000000LL)
                        value = value * 10 + (m_in.at(m_pos) - '0');
                    ++m_pos;
                }
                value = std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX);
                param = int(value);
            }
            if (m_pos < n && m_in.at(m_pos) == ' ')
                ++m_pos;
            word(name.size() > 32 ? Word::Unknown : lookup(name), hasParam, param);
            return;
        }
        ++m_pos;
        switch (c) {
        case '\'': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < n && hexValue(m_in.at(m_pos)) >= 0) {
                value = value * 16 + hexValue(m_in.at(m_pos));
                ++m_pos;
                ++digits;
            }
            if (digits == 2)
                plainChar(static_cast<unsigned char>(value), true);
            break;
        }
        case '*':
            // An ignorable destination: we read none of them.
            m_state.dest = Dest::Skip;
            break;
        case '\\':
        case '{':
        case '}':
            plainChar(static_cast<unsigned char>(c), true);
            break;
        case '~':
            put(QChar(0x00A0));
            break;
        case '_':
            put(QChar(0x2011));
            break;
        case '\r':
        case '\n':
            word(Word::Par, false, 0);
            break;
        default:
            break; // \- (optional hyphen), \| and the rest show nothing
        }
    }

    void word(Word w, bool hasParam, int param) {
        // A control word ends the fallback text of a \u character.
        if (w != Word::Unicode)
            m_skip = 0;
        const bool on = !hasParam || param != 0;
        CharState &chr = m_state.chr;
        ParaState &para = m_state.para;
        switch (w) {
        case Word::Unknown:
            break;
        case Word::FontTable:
            m_state.dest = Dest::FontTable;
            break;
        case Word::ColorTable:
            m_state.dest = Dest::ColorTable;
            m_colours.clear();
            m_red = m_green = m_blue = -1;
            break;
        case Word::SkipGroup:
            m_state.dest = Dest::Skip;
            break;
        case Word::Bin:
            // Binary data follows; it is never text.
            if (hasParam && param > 0)
                m_pos = std::min<qint64>(m_in.size(), m_pos + qint64(param));
            break;
        case Word::Par:
        case Word::Page:
            paragraph();
            break;
        case Word::Line:
            put(QChar(QChar::LineSeparator));
            break;
        case Word::Tab:
            put(QChar(u'\t'));
            break;
        case Word::EmDash:
            put(QChar(0x2014));
            break;
        case Word::EnDash:
            put(QChar(0x2013));
            break;
        case Word::Bullet:
            put(QChar(0x2022));
            break;
        case Word::LQuote:
            put(QChar(0x2018));
            break;
        case Word::RQuote:
            put(QChar(0x2019));
            break;
        case Word::LDblQuote:
            put(QChar(0x201C));
            break;
        case Word::RDblQuote:
            put(QChar(0x201D));
            break;
        case Word::EmSpace:
            put(QChar(0x2003));
            break;
        case Word::EnSpace:
            put(QChar(0x2002));
            break;
        case Word::Unicode:
            if (hasParam)
                unicode(param);
            break;
        case Word::UnicodeSkip:
            if (hasParam)
                m_state.unicodeSkip = std::clamp(param, 0, 16);
            break;
        case Word::Plain:
            chr = CharState{};
            chr.font = m_defaultFont;
            break;
        case Word::Bold:
            chr.bold = on;
            break;
        case Word::Italic:
            chr.italic = on;
            break;
        case Word::Underline:
            chr.underline = on;
            break;
        case Word::UnderlineNone:
            chr.underline = false;
            break;
        case Word::Strike:
            chr.strike = on;
            break;
        case Word::Hidden:
            chr.hidden = on;
            break;
        case Word::Super:
            chr.valign = 1;
            break;
        case Word::Sub:
            chr.valign = -1;
            break;
        case Word::NoSuperSub:
            chr.valign = 0;
            break;
        case Word::FontSize:
            if (hasParam)
                chr.halfPoints = std::clamp(param, 2, 3276);
            break;
        case Word::Font:
            if (!hasParam)
                break;
            if (m_state.dest == Dest::FontTable) {
                m_tableFont = param;
                m_fontName.clear();
            } else {
                chr.font = param;
            }
            break;
        case Word::DefaultFont:
            if (hasParam) {
                m_defaultFont = param;
                if (m_state.dest == Dest::Text && chr.font < 0)
                    chr.font = param;
            }
            break;
        case Word::Colour:
            if (hasParam)
                chr.colour = param;
            break;
        case Word::Highlight:
            if (hasParam)
                chr.highlight = param;
            break;
        case Word::Red:
            m_red = std::clamp(param, 0, 255);
            break;
        case Word::Green:
            m_green = std::clamp(param, 0, 255);
            break;
        case Word::Blue:
            m_blue = std::clamp(param, 0, 255);
            break;
        case Word::Pard:
            para = ParaState{};
            break;
        case Word::AlignLeft:
            para.align = Qt::AlignLeft;
            break;
        case Word::AlignCentre:
            para.align = Qt::AlignHCenter;
            break;
        case Word::AlignRight:
            para.align = Qt::AlignRight;
            break;
        case Word::AlignJustify:
            para.align = Qt::AlignJustify;
            break;
        case Word::LeftIndent:
            para.leftIndent = clampTwips(param);
            break;
        case Word::RightIndent:
            para.rightIndent = clampTwips(param);
            break;
        case Word::FirstIndent:
            para.firstIndent = clampTwips(param);
            break;
        case Word::SpaceBefore:
            para.spaceBefore = clampTwips(param);
            break;
        case Word::SpaceAfter:
            para.spaceAfter = clampTwips(param);
            break;
        }
    }

    static int clampTwips(int v) { return std::clamp(v, -31680, 31680); } // 22 inches

    void unicode(int code) {
        m_skip = m_state.unicodeSkip;
        if (code < 0)
            code += 65536;
        if (code < 0 || code > 0x10FFFF)
            return;
        if (QChar::isHighSurrogate(char32_t(code))) {
            m_highSurrogate = char16_t(code);
            return;
        }
        if (QChar::isLowSurrogate(char32_t(code))) {
            if (m_highSurrogate) {
                put(QChar(m_highSurrogate));
                put(QChar(char16_t(code)));
            }
            m_highSurrogate = 0;
            return;
        }
        m_highSurrogate = 0;
        for (const QChar ch : QChar::fromUcs4(char32_t(code)))
            put(ch);
    }

    void plainChar(unsigned char c, bool escaped = false) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        switch (m_state.dest) {
        case Dest::Skip:
            return;
        case Dest::FontTable:
            if (c == ';' && !escaped)
                storeFont();
            else
                m_fontName += fromCp1252(c);
            return;
        case Dest::ColorTable:
            if (c == ';' && !escaped) {
                m_colours.push_back(
                    m_red < 0 && m_green < 0 && m_blue < 0
                        ? QColor()
                        : QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
                m_red = m_green = m_blue = -1;
            }
            return;
        case Dest::Text:
            put(fromCp1252(c));
            return;
        }
    }

    void storeFont() {
        const QString name = m_fontName.trimmed();
        if (m_tableFont >= 0 && !name.isEmpty() && !m_fonts.contains(m_tableFont))
            m_fonts.insert(m_tableFont, name);
        m_fontName.clear();
    }

    void put(QChar ch) {
        if (m_state.dest != Dest::Text || m_state.chr.hidden)
            return;
        if (!m_pending.isEmpty() && !(m_pendingChr == m_state.chr))
            flush();
        if (m_pending.isEmpty())
            m_pendingChr = m_state.chr;
        m_pending += ch;
        m_blockHasContent = true;
        m_lastWasPar = false;
    }

    QTextCharFormat charFormat(const CharState &chr) const {
        QTextCharFormat f;
        f.setFontWeight(chr.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(chr.italic);
        f.setFontUnderline(chr.underline);
        f.setFontStrikeOut(chr.strike);
        f.setFontPointSize(chr.halfPoints / 2.0);
        if (const auto font = m_fonts.constFind(chr.font); font != m_fonts.constEnd())
            f.setFontFamilies({*font});
        if (chr.colour > 0 && chr.colour < m_colours.size() && m_colours.at(chr.colour).isValid())
            f.setForeground(m_colours.at(chr.colour));
        if (chr.highlight > 0 && chr.highlight < m_colours.size()
            && m_colours.at(chr.highlight).isValid())
            f.setBackground(m_colours.at(chr.highlight));
        if (chr.valign > 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (chr.valign < 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        return f;
    }

    QTextBlockFormat blockFormat() const {
        const ParaState &p = m_state.para;
        QTextBlockFormat f;
        f.setAlignment(p.align);
        f.setLeftMargin(p.leftIndent * TwipsToPixels);
        f.setRightMargin(p.rightIndent * TwipsToPixels);
        f.setTextIndent(p.firstIndent * TwipsToPixels);
        f.setTopMargin(p.spaceBefore * TwipsToPixels);
        f.setBottomMargin(p.spaceAfter * TwipsToPixels);
        return f;
    }

    void flush() {
        if (m_pending.isEmpty())
            return;
        m_cursor.insertText(m_pending, charFormat(m_pendingChr));
        m_pending.clear();
    }

    void paragraph() {
        if (m_state.dest != Dest::Text)
            return;
        flush();
        // A paragraph takes the properties in effect at its end.
        m_cursor.setBlockFormat(blockFormat());
        m_cursor.insertBlock(blockFormat(), charFormat(m_state.chr));
        m_blockHasContent = false;
        m_lastWasPar = true;
    }

    void finish() {
        flush();
        if (m_blockHasContent)
            m_cursor.setBlockFormat(blockFormat());
        // The closing \par of the last paragraph does not open another one.
        if (m_lastWasPar && m_cursor.block().length() == 1 && m_cursor.block().previous().isValid())
            m_cursor.deletePreviousChar();
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const QByteArray &m_in;
    qsizetype m_pos = 0;
    QTextCursor m_cursor;
    State m_state;
    QVector<State> m_stack;
    int m_overflow = 0;
    int m_skip = 0;
    char16_t m_highSurrogate = 0;

    QHash<int, QString> m_fonts;
    int m_tableFont = -1;
    int m_defaultFont = -1;
    QString m_fontName;
    QVector<QColor> m_colours;
    int m_red = -1, m_green = -1, m_blue = -1;

    QString m_pending;
    CharState m_pendingChr;
    bool m_blockHasContent = false;
    bool m_lastWasPar = false;
};

} // namespace

bool readRtf(const QByteArray &rtf, QTextDocument *document) {
    if (!document)
        return false;
    document->clear();
    qsizetype start = 0;
    while (start < rtf.size() && QChar::isSpace(uchar(rtf.at(start))))
        ++start;
    if (!rtf.mid(start, 5).startsWith("{\\rtf"))
        return false;
    Reader reader(rtf, start, document);
    reader.run();
    return true;
}

void loadRtfFile(const QString &path, QTextDocument *document) {
    if (!QFileInfo::exists(path))
        throw Failure(ErrNo::FileNotFound, QStringLiteral("File not found"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    if (!readRtf(file.readAll(), document))
        throw Failure(ErrNo::Unexpected, QStringLiteral("Invalid file format"));
}
