#include "MailingLabels.h"
#include "dues/DuesReports.h"
#include "members/MemberSearch.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <vector>

namespace labels {

namespace {
bool isAscii(const QString &text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The letters and digits of a text as the members' find box folds it. Plain ASCII, most of any
// roll, takes a short cut with the same result.
void appendCompact(QString &out, const QString &text) {
    if (isAscii(text)) {
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if ((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z'))
                out += c;
            else if (u >= u'A' && u <= u'Z')
                out += QChar(char16_t(u + (u'a' - u'A')));
        }
        return;
    }
    const QString folded = members::foldForSearch(text);
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar c = folded[i];
        if (c.isHighSurrogate() && i + 1 < folded.size() && folded[i + 1].isLowSurrogate()) {
            if (QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, folded[i + 1])))
                out.append(folded.constData() + i, 2);
            ++i;
        } else if (c.isLetterOrNumber()) {
            out += c;
        }
    }
}

// Appends the text as the find box folds it; plain ASCII by a short cut with the same result.
void appendFolded(QString &out, const QString &text) {
    if (!isAscii(text)) {
        out += members::foldForSearch(text);
        return;
    }
    qsizetype at = out.size();
    out.resize(at + text.size());
    QChar *to = out.data();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        to[at++] = u >= u'A' && u <= u'Z' ? QChar(char16_t(u + (u'a' - u'A')))
                   : c.isSpace()          ? QChar(u' ')
                                          : c;
    }
}

QString folded(const QString &text) {
    QString out;
    appendFolded(out, text.trimmed());
    return out;
}

void appendUtf8(std::string &out, QStringView text) {
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        for (QChar c : text)
            out += char(c.unicode());
    } else {
        out += text.toUtf8().toStdString();
    }
}

// Drops the blank parts: "Maria Alvarez" when there is no middle name.
QString joinedParts(std::initializer_list<QString> parts) {
    QString out;
    for (const QString &p : parts) {
        const QString t = p.trimmed();
        if (t.isEmpty())
            continue;
        if (!out.isEmpty())
            out += u' ';
        out += t;
    }
    return out;
}

QString listed(const QStringList &names, qsizetype count, bool others) {
    QString out = names.mid(0, count - (others ? 0 : 1)).join(QStringLiteral(", "));
    out += QStringLiteral(" & ");
    out += others ? QStringLiteral("others") : names.at(count - 1);
    return out;
}

enum Column { MemberID, LName, FName, MName, Address1, Address2, City, State, Zip, ColumnCount };
constexpr std::array<const char *, ColumnCount> ColumnNames{
    "MemberID", "LName", "FName", "MName", "Address1", "Address2", "City", "State", "Zip"};

} // namespace

QString householdKey(const QString &address1, const QString &address2, const QString &city,
                     const QString &zip) {
    QString key;
    key.reserve(address1.size() + address2.size() + city.size() + zip.size() + 3);
    // The two address lines as one, so "Apt 4" counts the same at the end of the first line or
    // on the second; a mark before the city, so "1 Road" in "West Bath" is not "1 Road West" in
    // Bath.
    const QChar mark(0x1f);
    appendCompact(key, address1);
    appendCompact(key, address2);
    key += mark;
    appendCompact(key, city);
    key += mark;
    appendCompact(key, zip);
    return key;
}

QString householdName(const QList<Person> &people, int maxChars) {
    if (people.isEmpty())
        return QString();
    const Person &first = people.first();
    if (people.size() == 1)
        return joinedParts({first.first, first.middle, first.last});
    const QString last = folded(first.last);
    const bool oneLastName =
        !last.isEmpty() && std::all_of(people.begin(), people.end(), [&](const Person &p) {
            return folded(p.last) == last;
        });
    if (oneLastName && people.size() >= 3)
        return QStringLiteral("The %1 Family").arg(first.last.trimmed());
    if (oneLastName && !first.first.trimmed().isEmpty() && !people[1].first.trimmed().isEmpty())
        return first.first.trimmed() + QStringLiteral(" & ")
               + joinedParts({people[1].first, first.last});
    QStringList names;
    for (const Person &p : people)
        names << joinedParts({p.first, p.last});
    if (names.size() == 2) {
        const QString both = listed(names, 2, false);
        if (maxChars <= 0 || both.size() <= maxChars)
            return both;
        // Two people are never "& others": their first names shorten instead.
        QStringList initials;
        for (const Person &p : people) {
            const QString f = p.first.trimmed();
            initials << joinedParts({f.isEmpty() ? f : f.left(1) + u'.', p.last});
        }
        return listed(initials, 2, false);
    }
    QString all = listed(names, names.size(), false);
    if (maxChars <= 0 || all.size() <= maxChars)
        return all;
    // As many names as fit before "& others"; one at least, so the label still says who.
    qsizetype count = names.size() - 1;
    while (count > 1 && listed(names, count, true).size() > maxChars)
        --count;
    return listed(names, count, true);
}

LabelRun makeLabels(const Recordset &rows, bool perHousehold, LabelOrder order, int nameChars) {
    std::array<int, ColumnCount> column{};
    for (int c = 0; c < ColumnCount; ++c)
        column[c] = rows.columnIndex(QLatin1String(ColumnNames[c]));
    const int count = rows.recordCount();
    const auto text = [&](int row, Column c) {
        if (column[c] < 0)
            return QString();
        // Text columns hold text: taken as it is, without the conversion's detour.
        const QVariant &v = rows.value(row, column[c]);
        return (v.metaType() == QMetaType::fromType<QString>()
                    ? *static_cast<const QString *>(v.constData())
                    : v.toString())
            .trimmed();
    };

    LabelRun run;
    // Households in the order their first member comes in the roll; the others follow on from
    // their first member's row, in the roll's order too. No list per household: a roll of
    // single members would pay for one each.
    std::vector<int> firstRow, lastRow, sizes;
    std::vector<int> nextRow(std::size_t(count), -1);
    QHash<QString, int> byAddress;
    if (perHousehold)
        byAddress.reserve(count);
    for (int r = 0; r < count; ++r) {
        const QString address1 = text(r, Address1);
        if (address1.isEmpty()) {
            ++run.withoutAddress;
            const QString last = text(r, LName), first = text(r, FName), id = text(r, MemberID);
            QString who = first.isEmpty() || last.isEmpty() ? last + first
                                                            : last + QStringLiteral(", ") + first;
            if (!id.isEmpty())
                who += QStringLiteral(" (%1)").arg(id);
            run.leftOut << who;
            continue;
        }
        if (perHousehold) {
            int &group =
                byAddress[householdKey(address1, text(r, Address2), text(r, City), text(r, Zip))];
            if (group > 0) {
                nextRow[std::size_t(lastRow[std::size_t(group - 1)])] = r;
                lastRow[std::size_t(group - 1)] = r;
                ++sizes[std::size_t(group - 1)];
                continue;
            }
            group = int(firstRow.size()) + 1; // a new entry holds 0
        }
        firstRow.push_back(r);
        lastRow.push_back(r);
        sizes.push_back(1);
    }

    const std::size_t labelCount = firstRow.size();
    run.labels.reserve(qsizetype(labelCount));
    // Folded, as UTF-8 bytes compare in the letters' order: (postal code,) last, first name.
    std::vector<std::string> sortKeys(labelCount);
    for (std::size_t g = 0; g < labelCount; ++g) {
        const int r = firstRow[g];
        const QString last = text(r, LName), first = text(r, FName), zip = text(r, Zip);
        MailingLabel label;
        if (sizes[g] == 1) {
            label.name = joinedParts({first, text(r, MName), last});
        } else {
            QList<Person> people;
            people.reserve(sizes[g]);
            for (int m = r; m >= 0; m = nextRow[std::size_t(m)])
                people.append({text(m, FName), text(m, MName), text(m, LName)});
            label.name = householdName(people, nameChars);
            ++run.households;
        }
        label.lines << text(r, Address1);
        if (const QString second = text(r, Address2); !second.isEmpty())
            label.lines << second;
        if (const QString town = dues::cityLine(text(r, City), text(r, State), zip);
            !town.isEmpty())
            label.lines << town;
        label.members = sizes[g];
        label.sortName.reserve(last.size() + first.size() + 2);
        appendFolded(label.sortName, last);
        const qsizetype comma = label.sortName.size();
        label.sortName += QStringLiteral(", ");
        appendFolded(label.sortName, first);
        label.zip = zip;
        run.members += label.members;
        std::string &key = sortKeys[g];
        if (order == LabelOrder::PostalCode) {
            appendUtf8(key, folded(zip));
            key += '\1';
        }
        // The mark sorts before any letter or blank: "Lee" before "Lee Smith".
        appendUtf8(key, QStringView(label.sortName).left(comma));
        key += '\1';
        appendUtf8(key, QStringView(label.sortName).mid(comma + 2));
        run.labels.append(std::move(label));
    }

    // Ties keep the roll's order.
    std::vector<std::size_t> positions(labelCount);
    std::iota(positions.begin(), positions.end(), std::size_t(0));
    std::sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
        const int c = sortKeys[a].compare(sortKeys[b]);
        return c != 0 ? c < 0 : a < b;
    });
    QList<MailingLabel> sorted;
    sorted.reserve(qsizetype(labelCount));
    for (std::size_t i : positions)
        sorted.append(std::move(run.labels[qsizetype(i)]));
    run.labels = std::move(sorted);
    return run;
}

} // namespace labels
