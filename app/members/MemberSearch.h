#pragma once

#include "db/Recordset.h"

#include <QString>
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
// only scans one compact buffer.
class MemberSearchIndex {
public:
    // One entry per row of the result set, in its order.
    void build(const Recordset &rs);
    void clear();
    int size() const { return m_start.empty() ? 0 : int(m_start.size()) - 1; }
    // True when every word of the query starts some word of the row's fields.
    bool matches(int row, const MemberQuery &query) const;

private:
    std::string m_words;                // per row: each word preceded by '\1', folded, UTF-8
    std::vector<std::uint32_t> m_start; // row -> its first byte; one more for the end
};

} // namespace members
