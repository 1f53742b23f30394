#pragma once

#include "db/Recordset.h"

#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace members {

// The columns a member is found by: what a secretary remembers of someone.
inline constexpr const char *SearchColumns[] = {"LName",  "FName", "MName",  "MemberID",
                                                "City",   "Zip",   "Phone1", "Phone2",
                                                "Phone3", "Email", "Notes"};

// Text as the search compares it: case folded, accents dropped ("Bélanger" reads "belanger").
QString foldForSearch(const QString &text);

// What was typed into a find box: its words, each folded and stripped of punctuation, so
// "O'Br" asks for words starting "obr" and "555-0101" for "5550101".
class MemberQuery {
public:
    MemberQuery() = default;
    explicit MemberQuery(const QString &typed);
    bool isEmpty() const { return m_words.empty(); }
    // Each word with the separator a word of the index starts with.
    const std::vector<std::string> &words() const { return m_words; }
    // True when every member this query finds is found by `wider` too, so the search can
    // start from wider's matches instead of the whole roll.
    bool narrows(const MemberQuery &wider) const;

private:
    std::vector<std::string> m_words;
};

// The words of every member, made once when the list is filled, so that each keystroke
// only scans one compact buffer. Made a slice at a time, so a long roll's list shows at once
// and the words are ready by the time anyone types.
class MemberSearchIndex {
public:
    // Starts the index of a result set's rows, in its order; none is in yet. The rows are
    // shared, not copied, and let go once every row is in.
    void start(std::shared_ptr<const Recordset> rows);
    // Takes in up to `count` more rows; true when every row is in.
    bool extend(int count);
    bool complete() const { return !m_source; }
    void clear();
    // Rows taken in so far.
    int size() const { return int(m_start.size()) - 1; }
    // True when every word of the query starts some word of the row's fields.
    bool matches(int row, const MemberQuery &query) const;

private:
    std::shared_ptr<const Recordset> m_source; // until every row is in
    std::vector<int> m_columns;                // of SearchColumns in the source, -1 if absent
    std::string m_words;                       // per row: each word preceded by '\1', folded, UTF-8
    std::vector<std::uint32_t> m_start{0};     // row -> its first byte; one more for the end
    std::string m_folded, m_scratch;           // reused for every value
};

} // namespace members
