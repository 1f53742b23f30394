#include "DuesRoll.h"
#include "club/Dues.h"
#include "report/DisplayFormat.h"
#include "reports/Rosters.h"

#include <QHash>
#include <QLocale>
#include <cmath>

namespace dues {

namespace {
// DuesStanding's columns, as the list reads them.
enum Source {
    SrcMemberID,
    SrcLName,
    SrcFName,
    SrcMName,
    SrcMembership,
    SrcDues,
    SrcDuesPaid,
    SrcAddress1,
    SrcAddress2,
    SrcCity,
    SrcState,
    SrcZip,
    SrcPhone1,
    SrcEmail,
    SrcPaidThrough,
    SourceCount
};
constexpr std::array<const char *, SourceCount> SourceNames{
    "MemberID", "LName", "FName", "MName", "Membership", "Dues",  "DuesPaid",   "Address1",
    "Address2", "City",  "State", "Zip",   "Phone1",     "Email", "PaidThrough"};

constexpr std::array<const char *, DuesColumnCount> Headings{
    "ID", "Name", "Membership", "Amount", "Paid Through", "Standing", "Phone", "E-mail"};

// The library's dates are ISO text; 100,000 of them are read at each opening, so the common
// form is read by hand.
QDate isoDate(const QVariant &v) {
    if (v.typeId() != QMetaType::QString)
        return v.toDate();
    const QString &s = *static_cast<const QString *>(v.constData());
    const auto digits = [&](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = s.at(i).unicode();
            if (c < u'0' || c > u'9')
                return -1;
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    if (s.size() == 10 && s.at(4) == u'-' && s.at(7) == u'-') {
        const int y = digits(0, 4), m = digits(5, 2), d = digits(8, 2);
        if (y >= 0 && m >= 0 && d >= 0)
            return QDate(y, m, d);
    }
    return QDate::fromString(s, Qt::ISODate);
}

QString fullName(const QString &last, const QString &first, const QString &middle) {
    QString given = first;
    if (!middle.isEmpty())
        given += given.isEmpty() ? middle : u' ' + middle;
    if (last.isEmpty() || given.isEmpty())
        return last + given;
    return last + QStringLiteral(", ") + given;
}

QString standingText(Standing s, const QDate &paidThrough, const QDate &today) {
    if (s == Standing::Lapsed)
        return standingName(s) + u' ' + lapsedFor(paidThrough, today);
    return standingName(s);
}

qint64 cents(double amount) {
    return std::llround(amount * 100);
}
} // namespace

QString columnHeading(DuesColumn column) {
    return QLatin1String(Headings.at(size_t(column)));
}

QString amountText(double amount) {
    return formatValue(amount, amountFormat());
}

// The rosters' own format for the dues column, so an amount reads the same everywhere.
QString amountFormat() {
    for (const RosterColumn &c : RosterColumns)
        if (qstrcmp(c.column, "Dues") == 0)
            return QLatin1String(c.format);
    return QStringLiteral("#,##0.00");
}

QString dateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString dateText(const QDate &date) {
    return date.isValid() ? QLocale().toString(date, dateFormat()) : QString();
}

QString methodCaption(const QString &stored) {
    if (stored.isEmpty())
        return QStringLiteral("(none)");
    if (stored == QLatin1String(OpeningMethod))
        return QStringLiteral("Opening balance");
    for (size_t i = 0; i < PaymentMethods.size(); ++i)
        if (stored == QLatin1String(PaymentMethods[i]))
            return QString::fromLatin1(MethodCaptions[i]);
    return stored;
}

void DuesList::setRows(RecordsetPtr rows) {
    m_rows = std::move(rows);
    m_sourceColumns.assign(SourceCount, -1);
    const int count = size();
    m_paidThrough.assign(size_t(count), QDate());
    if (m_rows) {
        for (int c = 0; c < SourceCount; ++c)
            m_sourceColumns[size_t(c)] = m_rows->columnIndex(QLatin1String(SourceNames[size_t(c)]));
        if (m_sourceColumns[SrcPaidThrough] >= 0)
            for (int r = 0; r < count; ++r)
                m_paidThrough[size_t(r)] = isoDate(source(r, SrcPaidThrough));
    }
    m_membershipTypes.clear();
    m_membership.assign(size_t(count), 0);
    QHash<QString, int> types;
    for (int r = 0; r < count; ++r) {
        const QString type = source(r, SrcMembership).toString();
        auto it = types.constFind(type);
        if (it == types.constEnd()) {
            it = types.insert(type, int(m_membershipTypes.size()));
            m_membershipTypes << type;
        }
        m_membership[size_t(r)] = *it;
    }
    m_standing.assign(size_t(count), Standing::NeverPaid);
    if (m_today.isValid())
        judge(m_today, m_dueDays);
}

const QVariant &DuesList::source(int row, int column) const {
    static const QVariant null;
    const int c = m_sourceColumns.empty() ? -1 : m_sourceColumns[size_t(column)];
    return c < 0 ? null : m_rows->value(row, c);
}

void DuesList::judge(const QDate &today, int dueDays) {
    m_today = today;
    m_dueDays = dueDays;
    std::vector<bool> life;
    for (const QString &type : std::as_const(m_membershipTypes))
        life.push_back(isLifeMembership(type));
    const int count = size();
    for (int r = 0; r < count; ++r) {
        const size_t i = size_t(r);
        m_standing[i] = life[size_t(m_membership[i])]
                            ? Standing::Life
                            : standing(m_paidThrough[i], QString(), today, dueDays);
    }
}

int DuesList::size() const {
    return m_rows ? m_rows->recordCount() : 0;
}

Standing DuesList::standingOf(int row) const {
    return m_standing.at(size_t(row));
}

QDate DuesList::paidThrough(int row) const {
    return m_paidThrough.at(size_t(row));
}

std::array<int, StandingCount> DuesList::counts() const {
    std::array<int, StandingCount> n{};
    for (Standing s : m_standing)
        ++n[size_t(s)];
    return n;
}

std::vector<int> DuesList::select(const QList<Standing> &standings,
                                  const QString &membership) const {
    std::array<bool, StandingCount> wanted{};
    for (Standing s : standings)
        wanted[size_t(s)] = true;
    const int type = membership.isEmpty() ? -1 : int(m_membershipTypes.indexOf(membership));
    std::vector<int> rows;
    if (type < 0 && !membership.isEmpty())
        return rows;
    const int count = size();
    for (int r = 0; r < count; ++r)
        if (wanted[size_t(m_standing[size_t(r)])] && (type < 0 || m_membership[size_t(r)] == type))
            rows.push_back(r);
    return rows;
}

RecordsetPtr DuesList::selection(const std::vector<int> &rows) const {
    QVector<QVector<QVariant>> out;
    out.reserve(qsizetype(rows.size()));
    for (int r : rows) {
        const QDate through = m_paidThrough.at(size_t(r));
        out.append({source(r, SrcMemberID), text(r, DuesColumn::Name), source(r, SrcLName),
                    source(r, SrcFName), source(r, SrcMName), source(r, SrcMembership),
                    source(r, SrcDues), source(r, SrcDuesPaid),
                    through.isValid() ? QVariant(through) : QVariant(),
                    standingText(m_standing.at(size_t(r)), through, m_today), source(r, SrcPhone1),
                    source(r, SrcEmail), source(r, SrcAddress1), source(r, SrcAddress2),
                    source(r, SrcCity), source(r, SrcState), source(r, SrcZip)});
    }
    return std::make_shared<Recordset>(QStringList{"MemberID", "Name", "LName", "FName", "MName",
                                                   "Membership", "Dues", "DuesPaid", "PaidThrough",
                                                   "Standing", "Phone1", "Email", "Address1",
                                                   "Address2", "City", "State", "Zip"},
                                       std::move(out));
}

QString DuesList::text(int row, DuesColumn column) const {
    switch (column) {
    case DuesColumn::MemberID:
        return source(row, SrcMemberID).toString();
    case DuesColumn::Name:
        return fullName(source(row, SrcLName).toString(), source(row, SrcFName).toString(),
                        source(row, SrcMName).toString());
    case DuesColumn::Membership:
        return source(row, SrcMembership).toString();
    case DuesColumn::Amount: {
        const QVariant &dues = source(row, SrcDues);
        return dues.isNull() ? QString() : amountText(dues.toDouble());
    }
    case DuesColumn::PaidThrough:
        return dateText(m_paidThrough.at(size_t(row)));
    case DuesColumn::Standing:
        return standingText(m_standing.at(size_t(row)), m_paidThrough.at(size_t(row)), m_today);
    case DuesColumn::Phone:
        return source(row, SrcPhone1).toString();
    case DuesColumn::Email:
        return source(row, SrcEmail).toString();
    }
    return {};
}

DuesListModel::DuesListModel(QObject *parent)
    : QAbstractTableModel(parent) {}

void DuesListModel::show(const DuesList *list, std::vector<int> rows) {
    beginResetModel();
    m_list = list;
    m_shown = std::move(rows);
    endResetModel();
}

int DuesListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() || !m_list ? 0 : int(m_shown.size());
}

int DuesListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : DuesColumnCount;
}

QVariant DuesListModel::data(const QModelIndex &index, int role) const {
    if (!m_list || !index.isValid() || index.row() >= rowCount())
        return {};
    const auto column = DuesColumn(index.column());
    if (role == Qt::DisplayRole)
        return m_list->text(listRow(index.row()), column);
    if (role == Qt::TextAlignmentRole && column == DuesColumn::Amount)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant DuesListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < DuesColumnCount)
        return columnHeading(DuesColumn(section));
    return QAbstractTableModel::headerData(section, o, role);
}

DuesTotals totalsOf(const Recordset &payments) {
    DuesTotals t;
    const int method = payments.columnIndex(QStringLiteral("Method"));
    const int amount = payments.columnIndex(QStringLiteral("Amount"));
    const int membership = payments.columnIndex(QStringLiteral("Membership"));
    // Summed in cents: a year of payments added as binary fractions would drift off the cent.
    qint64 collected = 0;
    QMap<QString, qint64> byMethod, byMembership;
    for (int r = 0; r < payments.recordCount(); ++r) {
        const QString how = method < 0 ? QString() : payments.value(r, method).toString();
        if (how == QLatin1String(OpeningMethod)) {
            ++t.openingBalances;
            continue;
        }
        const qint64 c = amount < 0 ? 0 : cents(payments.value(r, amount).toDouble());
        ++t.payments;
        collected += c;
        byMethod[how] += c;
        byMembership[membership < 0 ? QString() : payments.value(r, membership).toString()] += c;
    }
    t.collected = double(collected) / 100;
    for (auto it = byMethod.cbegin(); it != byMethod.cend(); ++it)
        t.byMethod.insert(it.key(), double(it.value()) / 100);
    for (auto it = byMembership.cbegin(); it != byMembership.cend(); ++it)
        t.byMembership.insert(it.key(), double(it.value()) / 100);
    return t;
}

} // namespace dues
