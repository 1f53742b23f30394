#include "MemberSearch.h"

#include <algorithm>

namespace members {

namespace {
constexpr char WordMark = '\1';

bool isWordChar(QChar c) {
    return c.isLetterOrNumber();
}

// Digits and letters alone: how a phone, an identifier or "O'Brien" is typed without its
// punctuation.
QString lettersAndDigits(const QString &folded) {
    QString out;
    out.reserve(folded.size());
    for (QChar c : folded)
        if (isWordChar(c))
            out += c;
    return out;
}

void addWord(std::string &words, const QString &word) {
    if (word.isEmpty())
        return;
    words += WordMark;
    words += word.toStdString();
}

// A field's words: each run of letters and digits, each blank-separated piece with its
// punctuation dropped, and (for short fields) the whole value, so that "5550101" finds
// "(555) 010-1" and "delacruz" finds "de la Cruz".
void addFieldWords(std::string &words, const QString &value, bool whole) {
    const QString folded = foldForSearch(value);
    qsizetype runStart = -1;
    for (qsizetype i = 0; i <= folded.size(); ++i) {
        const bool inWord = i < folded.size() && isWordChar(folded[i]);
        if (inWord && runStart < 0)
            runStart = i;
        if (!inWord && runStart >= 0) {
            addWord(words, folded.mid(runStart, i - runStart));
            runStart = -1;
        }
    }
    const QStringList pieces = folded.split(u' ', Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        // Only a piece with punctuation between its runs ("o'brien", "010-1") adds a word.
        const QString joined = lettersAndDigits(piece);
        const auto first = std::find_if(piece.cbegin(), piece.cend(), isWordChar);
        const auto last = std::find_if(piece.crbegin(), piece.crend(), isWordChar);
        if (first != piece.cend()
            && joined.size() != (piece.crend() - last) - (first - piece.cbegin()))
            addWord(words, joined);
    }
    if (whole && pieces.size() > 1)
        addWord(words, lettersAndDigits(folded));
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
    const QStringList pieces = foldForSearch(typed).split(u' ', Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const QString word = lettersAndDigits(piece);
        if (!word.isEmpty())
            m_words.push_back(WordMark + word.toStdString());
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
    m_words.clear();
    m_words.shrink_to_fit();
    m_start.clear();
    m_start.shrink_to_fit();
}

void MemberSearchIndex::build(const Recordset &rs) {
    clear();
    std::vector<int> columns;
    std::vector<bool> whole;
    for (const char *name : SearchColumns) {
        columns.push_back(rs.columnIndex(QString::fromLatin1(name)));
        // Notes are sentences: their words are enough.
        whole.push_back(std::string_view(name) != "Notes");
    }
    const int count = rs.recordCount();
    m_start.reserve(std::size_t(count) + 1);
    for (int r = 0; r < count; ++r) {
        m_start.push_back(std::uint32_t(m_words.size()));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c] < 0)
                continue;
            const QVariant &v = rs.value(r, columns[c]);
            if (!v.isNull())
                addFieldWords(m_words, v.toString(), whole[c]);
        }
    }
    m_start.push_back(std::uint32_t(m_words.size()));
    m_words.shrink_to_fit();
}

bool MemberSearchIndex::matches(int row, const MemberQuery &query) const {
    if (row < 0 || row >= size())
        return false;
    const std::string_view words(m_words.data() + m_start[row], m_start[row + 1] - m_start[row]);
    return std::all_of(query.words().cbegin(), query.words().cend(),
                       [&words](const std::string &w) { return words.find(w) != words.npos; });
}

} // namespace members
