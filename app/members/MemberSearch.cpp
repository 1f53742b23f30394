#include "MemberSearch.h"

#include <algorithm>

namespace members {

namespace {
constexpr char WordMark = '\1';
// In folded text every blank is one space and every other character that is neither letter
// nor digit is one dot, so words are found by bytes alone.
constexpr char Blank = ' ';
constexpr char Punct = '.';

bool isWordByte(char b) {
    return b != Blank && b != Punct;
}

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Text folded for search as UTF-8: letters and digits case folded and without accents,
// blanks and punctuation marked. Most values are plain ASCII and take the quick way.
void foldInto(std::string &out, QStringView text) {
    out.clear();
    bool ascii = true;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            ascii = false;
            break;
        }
        if (u >= 'A' && u <= 'Z')
            out += char(u + ('a' - 'A'));
        else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            out += char(u);
        else
            out += (u == ' ' || u == '\t' || u == '\n' || u == '\r') ? Blank : Punct;
    }
    if (ascii)
        return;
    out.clear();
    const QString folded = foldForSearch(text.toString());
    for (qsizetype i = 0; i < folded.size(); ++i) {
        char32_t c = folded[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < folded.size() && folded[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(folded[i].unicode(), folded[i + 1].unicode());
            ++i;
        }
        if (QChar::isLetterOrNumber(c))
            appendUtf8(out, c);
        else
            out += QChar::isSpace(c) ? Blank : Punct;
    }
}

void addWord(std::string &words, std::string_view word) {
    if (word.empty())
        return;
    words += WordMark;
    words += word;
}

// Letters and digits alone: how a phone, an identifier or "O'Brien" is typed without its
// punctuation.
void appendJoined(std::string &out, std::string_view text) {
    for (char b : text)
        if (isWordByte(b))
            out += b;
}

// A field's words: each run of letters and digits, each blank-separated piece with its
// punctuation dropped, and (for short fields) the whole value, so that "5550101" finds
// "(555) 010-1" and "delacruz" finds "de la Cruz".
void addFieldWords(std::string &words, std::string_view folded, bool whole, std::string &scratch) {
    for (std::size_t i = 0; i < folded.size();) {
        if (!isWordByte(folded[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < folded.size() && isWordByte(folded[end]))
            ++end;
        addWord(words, folded.substr(i, end - i));
        i = end;
    }
    int pieces = 0;
    for (std::size_t i = 0; i < folded.size();) {
        if (folded[i] == Blank) {
            ++i;
            continue;
        }
        std::size_t end = folded.find(Blank, i);
        if (end == std::string_view::npos)
            end = folded.size();
        ++pieces;
        // Only a piece with punctuation between its runs ("o'brien", "010-1") adds a word.
        std::string_view piece = folded.substr(i, end - i);
        while (!piece.empty() && piece.front() == Punct)
            piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == Punct)
            piece.remove_suffix(1);
        if (piece.find(Punct) != std::string_view::npos) {
            scratch.clear();
            appendJoined(scratch, piece);
            addWord(words, scratch);
        }
        i = end;
    }
    if (whole && pieces > 1) {
        scratch.clear();
        appendJoined(scratch, folded);
        addWord(words, scratch);
    }
}
} // namespace

QString foldForSearch(const QString &text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        const QChar::Category cat = c.category();
        if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining
            || cat == QChar::Mark_Enclosing)
            continue;
        out += c.isSpace() ? QChar(u' ') : c;
    }
    return out.toCaseFolded();
}

MemberQuery::MemberQuery(const QString &typed) {
    std::string folded;
    foldInto(folded, typed);
    for (std::size_t i = 0; i < folded.size();) {
        std::size_t end = folded.find(Blank, i);
        if (end == std::string::npos)
            end = folded.size();
        std::string word(1, WordMark);
        appendJoined(word, std::string_view(folded).substr(i, end - i));
        if (word.size() > 1)
            m_words.push_back(std::move(word));
        i = end + 1;
    }
}

bool MemberQuery::narrows(const MemberQuery &wider) const {
    // A member found by this query has a word starting with each of these words, and so with
    // each wider word that starts one of them.
    return std::all_of(wider.m_words.cbegin(), wider.m_words.cend(), [this](const auto &w) {
        return std::any_of(m_words.cbegin(), m_words.cend(),
                           [&w](const std::string &mine) { return mine.starts_with(w); });
    });
}

void MemberSearchIndex::clear() {
    m_source.reset();
    m_columns.clear();
    std::string().swap(m_words);
    m_start.assign(1, 0);
    m_start.shrink_to_fit();
}

void MemberSearchIndex::start(std::shared_ptr<const Recordset> rows) {
    clear();
    if (!rows || rows->recordCount() == 0)
        return;
    for (const char *name : SearchColumns)
        m_columns.push_back(rows->columnIndex(QString::fromLatin1(name)));
    m_start.reserve(std::size_t(rows->recordCount()) + 1);
    m_source = std::move(rows);
}

bool MemberSearchIndex::extend(int count) {
    if (!m_source)
        return true;
    const Recordset &rs = *m_source;
    const int end = int(std::min<qint64>(qint64(size()) + count, rs.recordCount()));
    constexpr std::size_t NotesColumn = std::size(SearchColumns) - 1;
    static_assert(std::string_view(SearchColumns[NotesColumn]) == "Notes");
    for (int r = size(); r < end; ++r) {
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c] < 0)
                continue;
            const QVariant &v = rs.value(r, m_columns[c]);
            if (v.isNull())
                continue;
            foldInto(m_folded, v.toString());
            // Notes are sentences: their words are enough.
            addFieldWords(m_words, m_folded, c != NotesColumn, m_scratch);
        }
        m_start.push_back(std::uint32_t(m_words.size()));
    }
    if (end < rs.recordCount())
        return false;
    m_source.reset();
    m_words.shrink_to_fit();
    return true;
}

bool MemberSearchIndex::matches(int row, const MemberQuery &query) const {
    if (row < 0 || row >= size())
        return false;
    const std::string_view words(m_words.data() + m_start[row], m_start[row + 1] - m_start[row]);
    return std::all_of(query.words().cbegin(), query.words().cend(),
                       [&words](const std::string &w) { return words.find(w) != words.npos; });
}

} // namespace members
