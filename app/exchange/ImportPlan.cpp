#include "ImportPlan.h"

#include "MemberTable.h"
#include "members/MemberFields.h"
#include "members/MemberForm.h"
#include "members/MemberSearch.h"
#include "ui/TextLimit.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>
#include <cmath>

namespace exchange {

using members::MemberFields;

namespace {
constexpr int FieldCount = int(MemberFields.size());

// A heading or a value as the matcher compares them: case, accents and outer blanks aside.
QString folded(const QString &text) {
    return members::foldForSearch(text.trimmed());
}

// A heading with everything but its letters and digits dropped: "E-mail Address" is
// "emailaddress".
QString headingKey(const QString &heading) {
    const QString f = folded(heading);
    QString key;
    key.reserve(f.size());
    for (QChar c : f)
        if (c.isLetterOrNumber())
            key += c;
    return key;
}

struct Synonyms {
    int field;
    std::initializer_list<const char *> names; // heading keys
};

// Besides each field's own caption, the words spreadsheets commonly head it with.
const std::array<Synonyms, FieldCount + 1> &synonymTable() {
    using members::fieldRow;
    static const std::array<Synonyms, FieldCount + 1> table{{
        {IdField, {"memberid", "id", "membernumber", "memberno", "membershipnumber", "number"}},
        {fieldRow("LName"), {"lastname", "surname", "familyname", "lname", "last"}},
        {fieldRow("FName"), {"firstname", "givenname", "forename", "fname", "first"}},
        {fieldRow("MName"), {"middlename", "middle", "mname", "middleinitial", "initial"}},
        {fieldRow("Address1"),
         {"address", "address1", "addressline1", "street", "streetaddress", "addr1"}},
        {fieldRow("Address2"), {"address2", "addressline2", "street2", "addr2", "apartment"}},
        {fieldRow("City"), {"city", "town", "towncity", "locality", "suburb"}},
        {fieldRow("State"),
         {"stateprov", "state", "province", "stateprovince", "stateorprovince", "region"}},
        {fieldRow("Zip"), {"postalcode", "postcode", "zip", "zipcode", "postal", "zippostalcode"}},
        {fieldRow("Phone1"),
         {"homephone", "phone", "telephone", "tel", "phone1", "home", "landline"}},
        {fieldRow("Phone2"), {"workphone", "work", "businessphone", "officephone", "phone2"}},
        {fieldRow("Phone3"),
         {"cellphone", "mobile", "cell", "mobilephone", "cellular", "phone3", "mobilenumber"}},
        {fieldRow("Dues"),
         {"duesamount", "dues", "amount", "fee", "membershipfee", "subscription", "annualdues"}},
        {fieldRow("DuesPaid"),
         {"paid", "duespaid", "paymentperiod", "period", "frequency", "paymentfrequency"}},
        {fieldRow("Membership"),
         {"membership", "membershiptype", "membertype", "type", "category", "class"}},
        {fieldRow("Email"), {"email", "emailaddress", "mail", "emails"}},
        {fieldRow("Notes"), {"notes", "note", "comments", "comment", "remarks"}},
    }};
    return table;
}

int targetOf(const QString &key) {
    if (key.isEmpty())
        return NotImported;
    for (const Synonyms &s : synonymTable()) {
        if (headingKey(fieldName(s.field)) == key)
            return s.field;
        for (const char *name : s.names)
            if (key == QLatin1String(name))
                return s.field;
    }
    return NotImported;
}

// The fields a new member cannot be saved without: those Save checks.
QList<int> requiredFields() {
    QList<int> fields;
    for (const members::MemberCheck &c : members::MemberChecks)
        if (!fields.contains(c.field))
            fields << c.field;
    std::sort(fields.begin(), fields.end());
    return fields;
}

std::optional<double> readDues(QString text) {
    if (const auto amount = members::parseDues(text))
        return amount;
    // Spreadsheets keep the currency sign and the grouping of the computer that wrote them.
    for (const QString &sign : {QLocale().currencySymbol(), QStringLiteral("$"),
                                QStringLiteral("€"), QStringLiteral("£")})
        if (!sign.isEmpty())
            text.remove(sign);
    text = text.trimmed();
    if (const auto amount = members::parseDues(text))
        return amount;
    bool ok = false;
    const double amount = QLocale::c().toDouble(text, &ok);
    if (ok && std::isfinite(amount))
        return amount;
    return std::nullopt;
}

QString listItem(const QString &value, std::span<const char *const> items) {
    const QString key = folded(value);
    for (const char *item : items)
        if (folded(QLatin1String(item)) == key)
            return QLatin1String(item);
    return {};
}

// A row's member as it would be stored, and the first check it fails.
struct Judged {
    std::array<QString, FieldCount> values;
    double dues = 0;
    QString refusal;
};

class Matcher {
public:
    Matcher(const Recordset &members, const ImportLists &lists)
        : m_members(members) {
        for (int f = 0; f < FieldCount; ++f)
            m_column[f] = members.columnIndex(QLatin1String(MemberFields[f].column));
        m_idColumn = members.columnIndex(QStringLiteral("MemberID"));
        for (int r = 0; r < members.recordCount(); ++r) {
            m_byId.insert(members.value(r, m_idColumn).toString().trimmed(), r);
            const auto [byEmail, byAddress] = keys(storedValues(r));
            if (!byEmail.isEmpty())
                m_byEmail[byEmail] << r;
            m_byAddress[byAddress] << r;
        }
        m_unitedStates = QSet<QString>(lists.states.cbegin(), lists.states.cend());
        for (const QString &item : lists.states + lists.provinces) {
            m_states.insert(folded(item), item);
            const qsizetype dash = item.indexOf(QStringLiteral(" - "));
            if (dash > 0) {
                m_states.insert(folded(item.left(dash)), item);
                m_states.insert(folded(item.mid(dash + 3)), item);
            }
        }
    }

    std::array<QString, FieldCount> storedValues(int r) const {
        std::array<QString, FieldCount> v;
        for (int f = 0; f < FieldCount; ++f)
            v[f] = m_column[f] >= 0 ? m_members.value(r, m_column[f]).toString() : QString();
        return v;
    }
    double storedDues(int r) const {
        const int c = m_column[members::fieldRow("Dues")];
        return c >= 0 ? m_members.value(r, c).toDouble() : 0;
    }
    QString idOf(int r) const { return m_members.value(r, m_idColumn).toString(); }

    // Who a member is, without case and accents: last, first and e-mail; last, first and the
    // first address line.
    static std::pair<QString, QString> keys(const std::array<QString, FieldCount> &v) {
        using members::fieldRow;
        const QString name =
            folded(v[fieldRow("LName")]) + u'\x1f' + folded(v[fieldRow("FName")]) + u'\x1f';
        const QString email = folded(v[fieldRow("Email")]);
        return {email.isEmpty() ? QString() : name + email, name + folded(v[fieldRow("Address1")])};
    }

    // The roll's rows the member matches: by identifier, else by name and e-mail, else by name
    // and address.
    QList<int> match(const QString &id, const std::array<QString, FieldCount> &v) const {
        if (!id.isEmpty())
            if (const auto it = m_byId.constFind(id); it != m_byId.cend())
                return {it.value()};
        const auto [byEmail, byAddress] = keys(v);
        if (!byEmail.isEmpty())
            if (const auto it = m_byEmail.constFind(byEmail); it != m_byEmail.cend())
                return it.value();
        return m_byAddress.value(byAddress);
    }

    QString state(const QString &value) const { return m_states.value(folded(value)); }
    bool inUnitedStates(const QString &item) const { return m_unitedStates.contains(item); }

private:
    const Recordset &m_members;
    std::array<int, FieldCount> m_column{};
    int m_idColumn = -1;
    QHash<QString, int> m_byId;
    QHash<QString, QList<int>> m_byEmail, m_byAddress;
    QHash<QString, QString> m_states;
    QSet<QString> m_unitedStates;
};

// Spreadsheets read a ZIP code as a number and drop its leading zeros ("04101" becomes 4101);
// no ZIP code is shorter than five digits, so those zeros are put back.
QString zipCode(const QString &zip) {
    static const QRegularExpression shortened(QStringLiteral("^[0-9]{3,4}$"));
    return shortened.match(zip).hasMatch() ? zip.rightJustified(5, u'0') : zip;
}

// Applies the entry form's checks, in its order and words, to the values a row would store.
QString checkValues(Judged &j, const QString &duesText, const Matcher &matcher) {
    using members::Check;
    using members::fieldRow;
    auto &v = j.values;
    // List values take the list's own spelling, or stay empty and fail their check.
    const int state = fieldRow("State");
    const bool separator = folded(v[state]) == folded(QLatin1String(members::CanadaSeparator));
    if (!separator)
        v[state] = matcher.state(v[state]);
    for (int f : {fieldRow("DuesPaid"), fieldRow("Membership")})
        v[f] = listItem(v[f], MemberFields[f].items);
    if (matcher.inUnitedStates(v[state]))
        v[fieldRow("Zip")] = zipCode(v[fieldRow("Zip")]);
    std::optional<double> dues;
    for (const members::MemberCheck &c : members::MemberChecks) {
        const bool isDues = c.field == fieldRow("Dues");
        const QString &value = isDues ? duesText : v[c.field];
        bool fails = false;
        switch (c.check) {
        case Check::Empty:
            fails = value.trimmed().isEmpty();
            break;
        case Check::NoChoice:
            fails = value.isEmpty();
            break;
        case Check::Separator:
            fails = separator;
            break;
        case Check::NotNumeric:
            dues = readDues(value);
            fails = !dues;
            break;
        }
        if (fails)
            return c.check == Check::Separator ? QLatin1String(c.prompt) + u'\n'
                                                     + QLatin1String(members::SeparatorSecondLine)
                                               : QLatin1String(c.prompt);
    }
    j.dues = *dues;
    for (int f = 0; f < FieldCount; ++f) {
        const members::MemberField &field = MemberFields[f];
        if (field.maxLength && v[f].size() > field.maxLength)
            return QStringLiteral("%1 is longer than the form allows (%2 characters, at most %3)! ")
                .arg(fieldName(f))
                .arg(v[f].size())
                .arg(field.maxLength);
    }
    return {};
}

QString duesText(double amount) {
    return QString::number(amount, 'f', 2);
}
} // namespace

ImportLists importLists(_libClub &club) {
    const auto items = [](const RecordsetPtr &rs) {
        QStringList items;
        const int code = rs ? rs->columnIndex(QStringLiteral("State")) : -1;
        const int full = rs ? rs->columnIndex(QStringLiteral("StateFull")) : -1;
        for (int r = 0; rs && r < rs->recordCount(); ++r)
            items << rs->value(r, code).toString() + QStringLiteral(" - ")
                         + rs->value(r, full).toString();
        return items;
    };
    return {items(club.LoadStates()), items(club.LoadCanada())};
}

QString fieldName(int field) {
    if (field == IdField)
        return QStringLiteral("Member ID");
    if (field < 0 || field >= FieldCount)
        return QStringLiteral("(not imported)");
    static const QList<TableColumn> columns = memberColumns();
    return columns[field + 1].heading;
}

QList<int> mappingTargets() {
    QList<int> targets{NotImported, IdField};
    for (int f = 0; f < FieldCount; ++f)
        targets << f;
    return targets;
}

QList<int> guessMapping(const QStringList &headings) {
    QList<int> mapping;
    QList<int> taken;
    const int address1 = members::fieldRow("Address1");
    for (const QString &heading : headings) {
        int target = targetOf(headingKey(heading));
        // "Address" twice: the second is the second line.
        if (target == address1 && taken.contains(address1))
            target = members::fieldRow("Address2");
        if (target != NotImported && taken.contains(target))
            target = NotImported;
        if (target != NotImported)
            taken << target;
        mapping << target;
    }
    return mapping;
}

QStringList unmappedRequired(const QList<int> &mapping) {
    QStringList names;
    for (int f : requiredFields())
        if (!mapping.contains(f))
            names << fieldName(f);
    return names;
}

QString mappedTwice(const QList<int> &mapping) {
    for (qsizetype i = 0; i < mapping.size(); ++i)
        if (mapping[i] != NotImported && mapping.indexOf(mapping[i], i + 1) >= 0)
            return fieldName(mapping[i]);
    return {};
}

QString actionName(Action action) {
    switch (action) {
    case Action::Add:
        return QStringLiteral("add");
    case Action::Update:
        return QStringLiteral("update");
    case Action::Skip:
        return QStringLiteral("skip");
    case Action::Refused:
        break;
    }
    return QStringLiteral("refused");
}

ImportPlan::ImportPlan(const TableRead &table, const QList<int> &mapping, const Recordset &members,
                       const ImportLists &lists) {
    const Matcher matcher(members, lists);
    const int idColumn = int(mapping.indexOf(IdField));
    // Rows of the file already planned, by who they are, to find a member given twice.
    QHash<QString, qsizetype> seenMember, seenId, seenEmail, seenAddress;
    m_rows.reserve(table.rows.size());
    for (qsizetype i = 0; i < table.rows.size(); ++i) {
        const QStringList &cells = table.rows[i];
        PlannedRow row;
        row.fileRow = i < table.rowNumbers.size() ? table.rowNumbers[i] : i + 2;
        auto cell = [&](qsizetype c) {
            QString v = c < cells.size() ? cells[c] : QString();
            v.remove(QChar(0));
            return trimBlanks(v);
        };
        Judged j;
        QString dues;
        for (qsizetype c = 0; c < mapping.size(); ++c) {
            const int f = mapping[c];
            if (f < 0)
                continue;
            j.values[f] = cell(c);
            if (MemberFields[f].lowerCase)
                j.values[f] = j.values[f].toLower();
            if (f == members::fieldRow("Dues"))
                dues = j.values[f];
        }
        const QString id = idColumn >= 0 ? cell(idColumn) : QString();
        const auto finish = [&](Action proposed, const QString &reason) {
            row.proposed = row.action = proposed;
            row.reason = reason;
            m_rows << row;
        };
        bool extra = false;
        for (qsizetype c = table.headings.size(); c < cells.size(); ++c)
            extra = extra || !cells[c].trimmed().isEmpty();
        if (extra) {
            finish(Action::Refused,
                   QStringLiteral("The row has %1 cells but the file only %2 headings: the cells "
                                  "past the last heading would be lost. ")
                       .arg(cells.size())
                       .arg(table.headings.size()));
            continue;
        }

        const QList<int> found = matcher.match(id, j.values);
        if (found.size() > 1) {
            QStringList ids;
            for (int r : found)
                ids << matcher.idOf(r);
            finish(Action::Refused, QStringLiteral("Matches %1 members (%2): give the Member ID to "
                                                   "say which. ")
                                        .arg(found.size())
                                        .arg(ids.join(QStringLiteral(", "))));
            continue;
        }
        const int member = found.isEmpty() ? -1 : found.first();
        if (member >= 0) {
            // What the file leaves out, the member keeps.
            const auto stored = matcher.storedValues(member);
            for (int f = 0; f < FieldCount; ++f)
                if (!mapping.contains(f))
                    j.values[f] = stored[f];
            if (!mapping.contains(members::fieldRow("Dues")))
                dues = duesText(matcher.storedDues(member));
            row.memberId = matcher.idOf(member);
        }
        row.name = j.values[members::fieldRow("LName")] + QStringLiteral(", ")
                   + j.values[members::fieldRow("FName")];
        if (const QString refusal = checkValues(j, dues, matcher); !refusal.isEmpty()) {
            finish(Action::Refused, refusal);
            continue;
        }
        row.member.dues = j.dues;
        row.member.fields.resize(UpdateMemberSize);
        for (int f = 0; f < FieldCount; ++f)
            if (MemberFields[f].slot)
                row.member.fields[MemberFields[f].updateSlot()] = j.values[f];

        // Another row of the file that is the same member comes first: one that matched the
        // same member, or, for a new one, one that would be matched by the same keys.
        qsizetype earlier = -1;
        if (member >= 0) {
            earlier = seenMember.value(row.memberId, -1);
            seenMember.insert(row.memberId, row.fileRow);
        } else {
            const auto [byEmail, byAddress] = Matcher::keys(j.values);
            if (!id.isEmpty())
                earlier = seenId.value(id, -1);
            if (earlier < 0 && !byEmail.isEmpty())
                earlier = seenEmail.value(byEmail, -1);
            if (earlier < 0)
                earlier = seenAddress.value(byAddress, -1);
            if (!id.isEmpty())
                seenId.insert(id, row.fileRow);
            if (!byEmail.isEmpty())
                seenEmail.insert(byEmail, row.fileRow);
            seenAddress.insert(byAddress, row.fileRow);
        }

        if (member >= 0) {
            const auto stored = matcher.storedValues(member);
            for (int f = 0; f < FieldCount; ++f) {
                const bool same = f == members::fieldRow("Dues")
                                      ? j.dues == matcher.storedDues(member)
                                      : j.values[f] == stored[f];
                if (!same)
                    row.changed << fieldName(f);
            }
            row.member.memberId = row.memberId;
        }
        if (earlier >= 0) {
            row.sameAsRow = earlier;
            finish(Action::Skip, QStringLiteral("Same member as row %1").arg(earlier));
        } else if (member < 0) {
            finish(Action::Add, !id.isEmpty() ? QStringLiteral("No member has the ID %1: added "
                                                               "as a new member")
                                                    .arg(id)
                                              : QString());
        } else if (row.changed.isEmpty()) {
            finish(Action::Skip, QStringLiteral("Identical to %1").arg(row.memberId));
        } else {
            finish(Action::Update, QStringLiteral("%1: %2 changed")
                                       .arg(row.memberId, row.changed.join(QStringLiteral(", "))));
        }
    }
}

QList<Action> ImportPlan::choices(qsizetype row) const {
    const PlannedRow &r = m_rows.at(row);
    if (r.proposed == Action::Refused)
        return {};
    if (r.memberId.isEmpty())
        return {Action::Add, Action::Skip};
    return {Action::Update, Action::Add, Action::Skip};
}

bool ImportPlan::setAction(qsizetype row, Action action) {
    if (!choices(row).contains(action))
        return false;
    m_rows[row].action = action;
    return true;
}

int ImportPlan::setAll(Action action) {
    int changed = 0;
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].action != action && setAction(i, action))
            ++changed;
    return changed;
}

void ImportPlan::reset() {
    for (PlannedRow &r : m_rows)
        r.action = r.proposed;
}

int ImportPlan::count(Action action) const {
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(),
                             [action](const PlannedRow &r) { return r.action == action; }));
}

QList<ImportedMember> ImportPlan::toImport() const {
    QList<ImportedMember> members;
    for (const PlannedRow &r : m_rows) {
        if (r.action != Action::Add && r.action != Action::Update)
            continue;
        ImportedMember m = r.member;
        m.memberId = r.action == Action::Update ? r.memberId : QString();
        members << m;
    }
    return members;
}

} // namespace exchange
