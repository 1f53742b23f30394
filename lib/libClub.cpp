#include "libClub.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/TextLimit.h"

#include <QDir>

namespace {
const QString ClubTitle = QStringLiteral("Club");

const LogWriter SetUpLog{QStringLiteral("Initialize Database Connection"), 14, true, 33, {}, false};
} // namespace

libClub::libClub(const QString &libraryFolder) {
    try {
        m_strConnect = QStringLiteral("Provider=SQLite3;User ID=;") + QStringLiteral("Data Source=")
                       + libraryFolder + QStringLiteral("/club/club.qmr;")
                       + QStringLiteral("Persist Security Info=False;");
        // Without the folder the library lies in there is no roll to connect to.
        if (libraryFolder.isEmpty() || !QDir(libraryFolder).exists())
            throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
        m_conDataBase = std::make_unique<Connection>();
        m_conDataBase->setConnectionString(m_strConnect);
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
        throw Failure(ErrNo::ObjectNotSet,
                      QStringLiteral("Object variable or With block variable not set"));
    return *m_conDataBase;
}

// A passed-on failure may have left the connection open inside its transaction; the next
// operation throws that away before it starts, so it never trips over the stale state.
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

bool libClub::changeReported(const std::function<QString()> &statement, const LogWriter *log,
                             const QString &function) {
    discardLeftOpen();
    try {
        con().open();
        con().beginTrans();
        con().execute(statement());
        con().commitTrans();
        con().close();
        return true;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        // Whatever fails from here on is not handled again: it reaches the caller (an object
        // without a connection fails right here, before any log entry or message). A
        // connection that never opened has nothing to roll back.
        if (con().isOpen()) {
            con().rollbackTrans();
            con().close();
        }
        reportFailure(f, log, function);
        return false;
    }
}

RecordsetPtr libClub::queryReported(const QString &sql, const QString &function) {
    discardLeftOpen();
    RecordsetPtr rs;
    try {
        con().open();
        con().beginTrans();
        rs = con().execute(sql);
        con().commitTrans();
        // The rows are already the caller's own copy: nothing stays tied to the connection.
        con().close();
        return rs;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        if (con().isOpen()) {
            con().rollbackTrans();
            con().close();
        }
        reportFailure(f, nullptr, function);
        return rs;
    }
}

RecordsetPtr libClub::queryQuiet(const QString &sql) {
    discardLeftOpen();
    RecordsetPtr rs;
    skipOnFailure([&] { con().open(); });
    skipOnFailure([&] { con().beginTrans(); });
    skipOnFailure([&] { rs = con().execute(sql); });
    skipOnFailure([&] { con().commitTrans(); });
    skipOnFailure([&] { con().close(); });
    return rs;
}

RecordsetPtr libClub::queryPassedOn(const QString &sql) {
    discardLeftOpen();
    con().open();
    con().beginTrans();
    RecordsetPtr rs = con().execute(sql);
    con().commitTrans();
    con().close();
    return rs;
}

QObject *ClubComponent::create(const QString &className, const QString &libraryFolder) {
    if (className == QLatin1String(libClubClassName))
        return new libClub(libraryFolder);
    return nullptr;
}
