#include "libClub.h"
#include "club/Roll.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/TextLimit.h"

#include <QDir>
#include <QSet>

namespace {
const QString ClubTitle = QStringLiteral("Club");

// The number of a refused write to a roll that is only read, as the engine's own refusal.
constexpr int NewerRollRefused = 8;

const LogWriter SetUpLog{.label = QStringLiteral("Initialize Database Connection"),
                         .infoLine = true,
                         .closingHyphens = 33};
} // namespace

libClub::libClub(const QString &libraryFolder)
    : m_libraryFolder(libraryFolder) {
    try {
        // Quoted where needed: a ";" or a quote in a folder name would end the item early.
        m_strConnect = QStringLiteral("Provider=SQLite3;User ID=;") + QStringLiteral("Data Source=")
                       + Connection::quoteValue(libraryFolder + QStringLiteral("/club/club.qmr"))
                       + u';' + QStringLiteral("Persist Security Info=False;");
        // Without the folder the library lies in there is no roll to connect to.
        if (libraryFolder.isEmpty() || !QDir(libraryFolder).exists())
            throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
        m_conDataBase = std::make_unique<Connection>();
        m_conDataBase->setConnectionString(m_strConnect);
        m_conDataBase->setProfile(rollProfile());
        m_conDataBase->clearErrors();
        m_conDataBase->setCursorLocation(CursorLocation::Client);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        skipOnFailure([&] {
            if (m_conDataBase) {
                m_conDataBase->clearErrors();
                m_conDataBase.reset();
            }
        });
        skipOnFailure([&] {
            MsgBox(QStringLiteral("The database cannot be found!  If the database has been ")
                       + LineBreak
                       + QStringLiteral("moved it must be relocated back to the original folder! "),
                   Mb::Critical | Mb::OKOnly, ClubTitle);
        });
        // An unwritable log must not stop the object from being created.
        skipOnFailure([&] { writeErrorLog(SetUpLog, f.number(), f.description()); });
    }
}

libClub::~libClub() {
    skipOnFailure([&] {
        if (m_conDataBase)
            m_conDataBase->clearErrors();
    });
    // Releasing the connection closes it and discards any uncommitted change.
}

Connection &libClub::con() {
    if (!m_conDataBase)
        throwObjectNotSet();
    return *m_conDataBase;
}

// Throws away a connection still open inside its transaction (a failure passed on from a
// failure path can leave one), so the roll is not held locked and the next operation does
// not trip over the stale state.
void libClub::discardLeftOpen() {
    if (m_conDataBase && m_conDataBase->isOpen()) {
        skipOnFailure([&] { m_conDataBase->rollbackTrans(); });
        skipOnFailure([&] { m_conDataBase->close(); });
    }
}

QString libClub::Clean(const QString &strText) {
    QString s = strText;
    // Every apostrophe becomes two, the search going on after the pair just made.
    for (qsizetype pos = s.indexOf(u'\''); pos >= 0; pos = s.indexOf(u'\'', pos + 2))
        s.insert(pos + 1, u'\'');
    s.remove(QChar(u'\0'));
    return trimBlanks(s);
}

void libClub::reportFailure(const Failure &f, const LogWriter *log, const QString &function) {
    if (log)
        writeErrorLog(*log, f.number(), f.description());
    if (function.isEmpty())
        return;
    m_strFunction = function;
    MsgBox(QStringLiteral("ERROR # ") + QString::number(f.number()) + LineBreak + LineBreak
               + f.description() + LineBreak + QStringLiteral("In the Dynamic Link Library")
               + LineBreak + QStringLiteral("Function: ") + m_strFunction,
           Mb::Critical | Mb::OKOnly, ClubTitle);
}

void libClub::framed(const std::function<void()> &work, bool forWriting, Steps steps) {
    const auto step = [steps](const std::function<void()> &action) {
        if (steps == Steps::SkipFailures)
            skipOnFailure(action);
        else
            action();
    };
    step([&] { forWriting ? openForWriting() : con().open(); });
    step([&] { con().beginTrans(); });
    step(work);
    step([&] { con().commitTrans(); });
    // Rows read are already the caller's own copy: nothing stays tied to the connection.
    step([&] { con().close(); });
}

void libClub::rollBackAndClose() {
    // A connection that never opened (or an object without one) fails here, so the caller
    // learns nothing was saved from that failure itself.
    con().rollbackTrans();
    con().close();
}

bool libClub::changeReported(const std::function<QString()> &statement, const LogWriter *log,
                             const QString &function,
                             const std::function<void(qint64 rows)> &checkRows,
                             const Tracked &tracked) {
    discardLeftOpen();
    try {
        framed(
            [&] {
                // Built first: a value that cannot be stored is refused before anything runs.
                const QString sql = statement();
                const RecordsetPtr before = rowsBefore(tracked);
                con().execute(sql);
                if (checkRows)
                    checkRows(con().rowsAffected());
                writeHistory(tracked, before);
            },
            true);
        return true;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        rollBackAndClose();
        reportFailure(f, log, function);
        return false;
    }
}

RecordsetPtr libClub::queryReported(const QString &sql, const QString &function) {
    discardLeftOpen();
    RecordsetPtr rs;
    try {
        framed([&] { rs = con().execute(sql); });
        return rs;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        rollBackAndClose();
        reportFailure(f, nullptr, function);
        return rs;
    }
}

RecordsetPtr libClub::queryQuiet(const QString &sql) {
    discardLeftOpen();
    RecordsetPtr rs;
    framed([&] { rs = con().execute(sql); }, false, Steps::SkipFailures);
    return rs;
}

RecordsetPtr libClub::queryPassedOn(const QString &sql) {
    return passedOn([&] {
        RecordsetPtr rs;
        framed([&] { rs = con().execute(sql); });
        return rs;
    });
}

// Nothing at all is written to a roll this version does not understand.
void libClub::refuseIfNewer() {
    if (con().readOnly())
        throw Failure(NewerRollRefused,
                      QStringLiteral("The roll %1 was saved by a newer version of Quillmere, so "
                                     "this version opens it read-only: nothing was saved.")
                          .arg(con().dataSource()));
}

QSet<QString> &libClub::guardedRolls() {
    static QSet<QString> rolls;
    return rolls;
}

// Rolls from before identifiers were guarded have a plain index on MemberID; the first
// change in this process swaps it for a unique one. A roll that already holds a duplicate
// keeps its plain index and goes on working: its members are shown as they are, and every
// change still touches exactly one row.
void libClub::openForWriting() {
    con().open();
    refuseIfNewer();
    const QString roll = con().dataSource();
    if (con().userVersion() < RollSchemaVersion)
        bringUpToDate();
    if (guardedRolls().contains(roll))
        return;
    guardedRolls().insert(roll);
    skipOnFailure([&] {
        const RecordsetPtr indexes = con().execute(QStringLiteral("PRAGMA index_list(tblMembers)"));
        const int name = indexes->columnIndex(QStringLiteral("name"));
        const int unique = indexes->columnIndex(QStringLiteral("unique"));
        for (int r = 0; r < indexes->recordCount(); ++r)
            if (indexes->value(r, name).toString() == QLatin1String("idxMembersMemberID")
                && indexes->value(r, unique).toInt() == 1)
                return;
        con().beginTrans();
        try {
            con().execute(QStringLiteral("DROP INDEX IF EXISTS idxMembersMemberID"));
            con().execute(
                QStringLiteral("CREATE UNIQUE INDEX idxMembersMemberID ON tblMembers (MemberID)"));
            con().commitTrans();
        } catch (...) {
            con().rollbackTrans();
            throw;
        }
    });
}

QObject *ClubComponent::create(const QString &className, const QString &libraryFolder) {
    if (className == QLatin1String(libClubClassName))
        return new libClub(libraryFolder);
    return nullptr;
}
