#include "HistoryText.h"
#include "members/MemberFields.h"
#include "members/MemberForm.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <algorithm>

namespace history {

namespace {
const QString MemberIdColumn = QStringLiteral("MemberID");

// Kept by the roll for itself: a person never types them, and an update's own time is the
// row's time already.
bool bookkeeping(const QString &column) {
    return column == QLatin1String("AddDate") || column == QLatin1String("ModDate");
}

// The order a person reads a member in: the identifier, the form's fields, then the dates;
// anything else after them by name.
int readingRank(const QString &column) {
    if (column == MemberIdColumn)
        return 0;
    for (int r = 0; r < int(members::MemberFields.size()); ++r)
        if (column == QLatin1String(members::MemberFields[r].column))
            return 1 + r;
    if (column == QLatin1String("AddDate"))
        return 1 + int(members::MemberFields.size());
    if (column == QLatin1String("ModDate"))
        return 2 + int(members::MemberFields.size());
    return 3 + int(members::MemberFields.size());
}

QStringList readingOrder(const QJsonObject &changes) {
    QStringList columns = changes.keys();
    std::stable_sort(columns.begin(), columns.end(), [](const QString &a, const QString &b) {
        return readingRank(a) < readingRank(b);
    });
    return columns;
}

QString valueText(const QString &column, const QJsonValue &v) {
    const bool dues = column == QLatin1String("Dues");
    switch (v.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return {};
    case QJsonValue::Double:
        return dues ? members::formatDues(v.toDouble()) : QLocale().toString(v.toDouble());
    case QJsonValue::String: {
        bool ok = false;
        const double amount = dues ? v.toString().toDouble(&ok) : 0;
        return ok ? members::formatDues(amount) : v.toString();
    }
    default:
        return QString::fromUtf8(
            QJsonDocument::fromVariant(v.toVariant()).toJson(QJsonDocument::Compact));
    }
}

// The value a field holds after the change: an add's or update's new value, or the value of
// a record held whole.
QJsonValue latest(const QJsonValue &v) {
    return v.isArray() ? v.toArray().at(1) : v;
}

QString shownOrBlank(const QString &text) {
    return text.isEmpty() ? QStringLiteral("(blank)") : text;
}
} // namespace

QJsonObject HistoryRow::changeObject() const {
    return QJsonDocument::fromJson(changes.toUtf8()).object();
}

QVector<HistoryRow> historyRows(const Recordset &rs) {
    const int id = rs.columnIndex(QStringLiteral("HistoryID"));
    const int at = rs.columnIndex(QStringLiteral("ChangedAt"));
    const int user = rs.columnIndex(QStringLiteral("UserName"));
    const int operation = rs.columnIndex(QStringLiteral("Operation"));
    const int member = rs.columnIndex(MemberIdColumn);
    const int changes = rs.columnIndex(QStringLiteral("Changes"));
    auto text = [&](int row, int column) {
        return column < 0 ? QString() : rs.value(row, column).toString();
    };
    QVector<HistoryRow> rows;
    rows.reserve(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r) {
        HistoryRow h;
        h.historyId = id < 0 ? 0 : rs.value(r, id).toLongLong();
        h.changedAt = text(r, at);
        h.userName = text(r, user);
        h.operation = text(r, operation);
        h.memberId = text(r, member);
        h.changes = text(r, changes);
        rows.append(h);
    }
    return rows;
}

QString fieldCaption(const QString &column) {
    if (column == MemberIdColumn)
        return QStringLiteral("Member ID");
    if (column == QLatin1String("AddDate"))
        return QStringLiteral("Date Added");
    if (column == QLatin1String("ModDate"))
        return QStringLiteral("Date Changed");
    // A payment's columns.
    static const std::pair<const char *, const char *> payment[] = {
        {"PaymentID", "Payment"},     {"ReceivedOn", "Received"}, {"PeriodFrom", "Period From"},
        {"PeriodTo", "Paid Through"}, {"RecordedAt", "Recorded"},
    };
    for (const auto &[stored, shown] : payment)
        if (column == QLatin1String(stored))
            return QString::fromLatin1(shown);
    int row = -1;
    for (int r = 0; r < int(members::MemberFields.size()); ++r)
        if (column == QLatin1String(members::MemberFields[r].column))
            row = r;
    if (row < 0)
        return column;
    auto caption = [](int r) {
        QString text = QString::fromLatin1(members::MemberFields[r].captionText);
        if (text.startsWith(u'*'))
            text.remove(0, 1);
        return text;
    };
    const QString text = caption(row);
    // Both address lines carry the caption "Address" on the form, one above the other.
    int same = 0;
    for (int r = 0; r <= row; ++r)
        same += caption(r) == text;
    return same > 1 ? text + u' ' + QString::number(same) : text;
}

QString operationText(const QString &operation) {
    static const std::pair<const char *, const char *> words[] = {
        {"add", "Added"},
        {"update", "Changed"},
        {"delete", "Deleted"},
        {"restore", "Restored"},
        {"erase", "Erased"},
        {"payment", "Dues paid"},
        {"payment delete", "Payment deleted"},
        {"opening balance", "Marked as paid through"},
        {"setting", "Setting changed"},
    };
    for (const auto &[stored, shown] : words)
        if (operation == QLatin1String(stored))
            return QString::fromLatin1(shown);
    return operation;
}

QStringList changeLines(const HistoryRow &row) {
    const QJsonObject changes = row.changeObject();
    const bool update = row.operation == QLatin1String("update");
    const bool wholeRecord = row.operation == QLatin1String("delete");
    QStringList lines;
    for (const QString &column : readingOrder(changes)) {
        if (column == QLatin1String("ID") || (!wholeRecord && bookkeeping(column)))
            continue;
        const QJsonValue v = changes.value(column);
        const QString caption = fieldCaption(column) + QStringLiteral(": ");
        if (update && v.isArray()) {
            const QJsonArray pair = v.toArray();
            lines << caption + shownOrBlank(valueText(column, pair.at(0))) + QStringLiteral(" → ")
                         + shownOrBlank(valueText(column, pair.at(1)));
            continue;
        }
        // A record, or values first given: the fields left empty say nothing.
        const QString text = valueText(column, latest(v));
        if (!text.isEmpty())
            lines << caption + text;
    }
    return lines;
}

QString memberName(const QJsonObject &values) {
    auto part = [&](const char *column) {
        const QString text = latest(values.value(QLatin1String(column))).toString();
        return text == QLatin1String(ErasedText) ? QString() : text;
    };
    const QString last = part("LName"), first = part("FName"), middle = part("MName");
    QString name = last;
    if (!first.isEmpty())
        name += (name.isEmpty() ? QString() : QStringLiteral(", ")) + first;
    if (!middle.isEmpty())
        name += u' ' + middle;
    return name.trimmed();
}

} // namespace history
