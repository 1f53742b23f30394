// The member and club saves with any values: each call hands the engine exactly one statement
// of its own that stores every value as the cleaning rules say, byte for byte (read back from
// the roll), besides reads and one history row whose values are bound, or it is refused before
// any statement is built and the roll is left as it was.
//
// Input: one byte picks the operation, eight bytes are the dues, the rest are the texts,
// separated by 0xFF (a byte UTF-8 never holds) and read as UTF-8.
#include "FuzzSupport.h"
#include "club/RecordSlots.h"
#include "club/RollMigrations.h"
#include "db/Connection.h"
#include "libClub.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sqlite3.h>

namespace {
sqlite3 *raw = nullptr;
QStringList statements;

const QString HistoryRow = QStringLiteral(
    "INSERT INTO tblHistory (ChangedAt,UserName,Operation,MemberID,Changes) VALUES (?,?,?,?,?)");

// The statements a save runs besides its own; none holds a value in its text.
bool besidesTheSave(const QString &s) {
    static const QStringList fixed = {
        QStringLiteral("SELECT * FROM tblMembers WHERE MemberID = ?"),
        QStringLiteral("SELECT * FROM tblMembers WHERE ID = ?"),
        QStringLiteral("SELECT * FROM tblMembers WHERE ID = last_insert_rowid()"),
        QStringLiteral("SELECT * FROM tblMain ORDER BY ID"),
        QStringLiteral("SELECT * FROM tblMain WHERE ID = ?"),
        QStringLiteral("SELECT * FROM tblMain WHERE ID = last_insert_rowid()"),
        // A deleted member's payments, hidden under the deletion.
        QStringLiteral("UPDATE tblPayments SET DeletedMemberID = MemberID,MemberID = NULL,"
                       "DeletionID = last_insert_rowid() WHERE MemberID = ?"),
        HistoryRow};
    return fixed.contains(s);
}

QString rollPath() {
    return fuzz::scratch().path() + QStringLiteral("/club/club.qmr");
}

void exec(const char *sql) {
    if (sqlite3_exec(raw, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fuzz::broken(QStringLiteral("setting up: ") + QString::fromUtf8(sqlite3_errmsg(raw)));
}

// Every row of a table, each column as its stored bytes ("\x01" marks a null).
QList<QList<QByteArray>> rows(const char *table) {
    sqlite3_stmt *st = nullptr;
    const QByteArray sql = QByteArray("SELECT * FROM ") + table + " ORDER BY ID";
    sqlite3_prepare_v2(raw, sql.constData(), -1, &st, nullptr);
    QList<QList<QByteArray>> out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QList<QByteArray> row;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            row << (sqlite3_column_type(st, c) == SQLITE_NULL
                        ? QByteArray("\x01")
                        : QByteArray(static_cast<const char *>(sqlite3_column_blob(st, c)),
                                     sqlite3_column_bytes(st, c)));
        out << row;
    }
    sqlite3_finalize(st);
    return out;
}

int columnIndex(const char *table, const char *column) {
    static const QHash<QByteArray, QList<QByteArray>> names = [] {
        QHash<QByteArray, QList<QByteArray>> n;
        for (const char *t : {"tblMembers", "tblMain"}) {
            sqlite3_stmt *s = nullptr;
            sqlite3_prepare_v2(raw, (QByteArray("SELECT * FROM ") + t).constData(), -1, &s,
                               nullptr);
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                n[t] << sqlite3_column_name(s, c);
            sqlite3_finalize(s);
        }
        return n;
    }();
    return int(names.value(table).indexOf(column));
}

// A value placed unchanged can be stored only when it cannot end its literal or the text.
bool placeable(const QString &s) {
    return !s.contains(u'\'') && !s.contains(QChar(0));
}

struct Column {
    const char *name;
    int element;
    bool cleaned;
};

constexpr Column AddMemberColumns[] = {
    {"MemberID", 0, false},    {"LName", 1, true},     {"FName", 2, true},   {"MName", 3, true},
    {"Address1", 4, true},     {"Address2", 5, true},  {"City", 6, true},    {"State", 7, false},
    {"Zip", 8, true},          {"Phone1", 9, true},    {"Phone2", 10, true}, {"Phone3", 11, true},
    {"Membership", 12, false}, {"DuesPaid", 13, true}, {"Email", 14, true},  {"Notes", 15, true}};
constexpr Column UpdateMemberColumns[] = {
    {"LName", 0, true},      {"FName", 1, true},  {"MName", 2, true},   {"Address1", 3, true},
    {"Address2", 4, true},   {"City", 5, true},   {"State", 6, false},  {"Zip", 7, true},
    {"Phone1", 8, true},     {"Phone2", 9, true}, {"Phone3", 10, true}, {"Membership", 11, false},
    {"DuesPaid", 12, false}, {"Email", 13, true}, {"Notes", 14, true}};
constexpr Column ClubColumns[] = {
    {"ClubName", 1, true}, {"Address1", 2, true}, {"City", 3, true},    {"State", 4, true},
    {"Zip", 5, true},      {"Phone1", 6, true},   {"Phone2", 7, true},  {"Phone3", 8, true},
    {"Phone4", 9, true},   {"Phone5", 10, true},  {"Phone6", 11, true}, {"WebURL", 12, true},
    {"Email", 13, true}};

enum Op { AddMember, UpdateMember, DeleteMember, AddClub, UpdateClub, OpCount };

// The rows the saved record must hold: each column's expected bytes.
bool expectColumns(const QList<QByteArray> &row, const char *table, const Column *begin,
                   const Column *end, const QStringList &values, QString &why) {
    for (const Column *c = begin; c != end; ++c) {
        const QString &v = values.at(c->element);
        const QByteArray want = c->cleaned ? storedForm(v).toUtf8() : v.toUtf8();
        if (row.value(columnIndex(table, c->name)) != want) {
            why = QStringLiteral("%1 reads back as \"%2\", not \"%3\"")
                      .arg(QLatin1String(c->name),
                           QString::fromUtf8(
                               row.value(columnIndex(table, c->name)).toPercentEncoding()),
                           QString::fromUtf8(want.toPercentEncoding()));
            return false;
        }
    }
    return true;
}

// The amount of the first member, as the engine holds it (its text form rounds).
bool sameDues(double dues) {
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(raw, "SELECT Dues FROM tblMembers ORDER BY ID LIMIT 1", -1, &st, nullptr);
    const double stored = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_double(st, 0) : NAN;
    // Whole cents below a billion, which is every amount a club can owe, come back exactly.
    // The engine's reading of decimal text is not correctly rounded everywhere (most often at
    // the far ends of the range, subnormals included): any other amount may come back one
    // unit in the last place off, and no more.
    const bool cents = std::fabs(dues) < 1e9 && std::nearbyint(dues * 100) / 100 == dues;
    const bool same = stored == dues
                      || (!cents
                          && (stored == std::nextafter(dues, INFINITY)
                              || stored == std::nextafter(dues, -INFINITY)));
    sqlite3_finalize(st);
    return same;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz::startApplication(argc, argv, false);
    const QString folder = fuzz::scratch().path();
    QDir().mkpath(folder + QStringLiteral("/club"));
    QString script = QStringLiteral("BEGIN;");
    for (const QString &file : QStringLiteral(QMR_SCHEMA_FILES).split(u'|')) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            fuzz::broken(QStringLiteral("cannot read ") + file);
        script += QString::fromUtf8(f.readAll()) + u'\n';
    }
    // Brought up to date, as the library would at the first save.
    for (const RollMigration &m : RollMigrations)
        script +=
            QString::fromUtf8(m.sql) + QStringLiteral(";PRAGMA user_version = %1;").arg(m.version);
    createDatabaseFromScript(rollPath(), script + QStringLiteral("COMMIT;"));
    setAppFolder(folder);
    setMsgBoxHandler([](const MsgBoxRequest &r) {
        return (r.style & Mb::ButtonMask) == Mb::YesNo ? int(Mb::Yes) : int(Mb::OK);
    });
    Connection::setStatementObserver([](const QString &s) {
        if (!s.startsWith(QLatin1String("PRAGMA")) && s != QLatin1String("BEGIN")
            && s != QLatin1String("COMMIT") && s != QLatin1String("ROLLBACK"))
            statements << s;
    });
    if (sqlite3_open_v2(QFile::encodeName(rollPath()).constData(), &raw, SQLITE_OPEN_READWRITE,
                        nullptr)
        != SQLITE_OK)
        fuzz::broken(QStringLiteral("cannot open the roll"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 9)
        return -1;
    const Op op = Op(data[0] % OpCount);
    double dues;
    std::memcpy(&dues, data + 1, sizeof dues);
    QStringList values;
    for (const QByteArray &piece :
         QByteArray::fromRawData(reinterpret_cast<const char *>(data) + 9, qsizetype(size - 9))
             .split('\xFF'))
        values << QString::fromUtf8(piece);
    const QString key = values.value(0); // the key of an update or a deletion
    const QStringList rest = values.mid(1);

    exec("DELETE FROM tblMembers; DELETE FROM tblMain; DELETE FROM tblHistory;");
    QFile::remove(appFolder() + QStringLiteral("/error.log"));
    if (op == UpdateMember || op == DeleteMember) {
        // The member the key names, and one it must leave alone.
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(raw,
                           "INSERT INTO tblMembers (MemberID,LName,Dues,AddDate) VALUES "
                           "(?1,'Before',1,'2026-01-01 10:00:00'),(?1 || 'x','Other',2,'x')",
                           -1, &st, nullptr);
        const QByteArray k = key.toUtf8();
        sqlite3_bind_text(st, 1, k.constData(), int(k.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
    } else if (op == UpdateClub) {
        exec("INSERT INTO tblMain (ClubID,ClubName,AddDate) VALUES ('C-1','Before','then')");
    }
    const auto membersBefore = rows("tblMembers");
    const auto clubBefore = rows("tblMain");

    // What the rules say must happen to this input.
    bool refuse = false;
    switch (op) {
    case AddMember:
        refuse = values.size() < AddMemberSize || !placeable(values[AddMemberIdSlot])
                 || !placeable(values[addMemberSlot(MemberSlot::State)])
                 || !placeable(values[addMemberSlot(MemberSlot::Membership)])
                 || !std::isfinite(dues);
        break;
    case UpdateMember:
        refuse = rest.size() < UpdateMemberSize || !placeable(key)
                 || !placeable(rest[updateMemberSlot(MemberSlot::State)])
                 || !placeable(rest[updateMemberSlot(MemberSlot::Membership)])
                 || !placeable(rest[updateMemberSlot(MemberSlot::DuesPaid)])
                 || !std::isfinite(dues);
        break;
    case DeleteMember:
        refuse = !placeable(key);
        break;
    case AddClub:
        refuse = values.size() < ClubSize || !placeable(values[clubSlot(ClubSlot::ClubID)]);
        break;
    case UpdateClub:
        refuse = values.size() < ClubSize;
        break;
    default:
        break;
    }

    statements.clear();
    bool saved = false;
    {
        libClub club(appFolder());
        try {
            switch (op) {
            case AddMember:
                saved = club.AddMember(values, dues);
                break;
            case UpdateMember:
                saved = club.UpdateMember(rest, key, dues);
                break;
            case DeleteMember:
                saved = club.DeleteMember(key);
                break;
            case AddClub:
                saved = club.AddClubDetails(values);
                break;
            case UpdateClub:
                saved = club.UpdateClubDetails(values);
                break;
            default:
                break;
            }
        } catch (...) {
            saved = false; // a passed-on failure
        }
    }

    const auto members = rows("tblMembers");
    const auto clubs = rows("tblMain");
    if (!saved) {
        if (!refuse)
            fuzz::broken(QStringLiteral("a save the rules allow failed"));
        if (!statements.isEmpty())
            fuzz::broken(QStringLiteral("refused only after its statement was built: ")
                         + statements.first());
        if (members != membersBefore || clubs != clubBefore)
            fuzz::broken(QStringLiteral("a refused save changed the roll"));
        return 0;
    }
    if (refuse)
        fuzz::broken(QStringLiteral("a save the rules refuse was made"));
    const qsizetype own = std::count_if(statements.begin(), statements.end(),
                                        [](const QString &s) { return !besidesTheSave(s); });
    if (own != 1 || statements.count(HistoryRow) != 1)
        fuzz::broken(QStringLiteral("%1 statements and %2 history rows for one save")
                         .arg(own)
                         .arg(statements.count(HistoryRow)));
    QString why;
    switch (op) {
    case AddMember:
        if (members.size() != 1
            || !expectColumns(members[0], "tblMembers", std::begin(AddMemberColumns),
                              std::end(AddMemberColumns), values, why))
            fuzz::broken(QStringLiteral("AddMember: ") + why);
        if (!sameDues(dues))
            fuzz::broken(QStringLiteral("AddMember: the dues changed"));
        break;
    case UpdateMember:
        if (members.size() != 2
            || !expectColumns(members[0], "tblMembers", std::begin(UpdateMemberColumns),
                              std::end(UpdateMemberColumns), rest, why))
            fuzz::broken(QStringLiteral("UpdateMember: ") + why);
        if (!sameDues(dues))
            fuzz::broken(QStringLiteral("UpdateMember: the dues changed"));
        if (members[0][columnIndex("tblMembers", "MemberID")] != key.toUtf8()
            || members[0][columnIndex("tblMembers", "AddDate")] != "2026-01-01 10:00:00"
            || members[1] != membersBefore[1])
            fuzz::broken(QStringLiteral("UpdateMember changed what it must keep"));
        break;
    case DeleteMember:
        if (members.size() != 1 || members[0] != membersBefore[1])
            fuzz::broken(QStringLiteral("DeleteMember removed the wrong rows"));
        break;
    case AddClub:
        if (clubs.size() != 1
            || !expectColumns(clubs[0], "tblMain", std::begin(ClubColumns), std::end(ClubColumns),
                              values, why)
            || clubs[0][columnIndex("tblMain", "ClubID")] != values[0].toUtf8())
            fuzz::broken(QStringLiteral("AddClubDetails: ") + why);
        break;
    case UpdateClub:
        if (clubs.size() != 1
            || !expectColumns(clubs[0], "tblMain", std::begin(ClubColumns), std::end(ClubColumns),
                              values, why)
            || clubs[0][columnIndex("tblMain", "ClubID")] != "C-1"
            || clubs[0][columnIndex("tblMain", "AddDate")] != "then")
            fuzz::broken(QStringLiteral("UpdateClubDetails: ") + why);
        break;
    default:
        break;
    }
    return 0;
}
