#pragma once

// Shared by the library tests: calling any operation by name, the value lists the forms
// pass, and a fixed clock.

#include "TestSupport.h"
#include "club/RollMigrations.h"
#include "club/libClub2.h"
#include "component/Component.h"
#include "core/Failure.h"
#include "db/Connection.h"
#include "system/System.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPluginLoader>
#include <QTest>
#include <optional>

// What one call of an operation produced.
struct Outcome {
    bool threw = false;
    int number = 0;
    QString description;
    bool yes = false; // the yes/no result of a change
    RecordsetPtr rs;  // the result set of a query
};

// The sixteen values the member entry form passes to AddMember.
inline QStringList newMember(const QString &id, const QString &lname = QStringLiteral("Smith"),
                             const QString &membership = QStringLiteral("Regular")) {
    return {id,
            lname,
            QStringLiteral("John"),
            QStringLiteral("Q"),
            QStringLiteral("1 Main St"),
            QStringLiteral("Apt 2"),
            QStringLiteral("Springfield"),
            QStringLiteral("IL - Illinois"),
            QStringLiteral("62701"),
            QStringLiteral("555-0101"),
            QStringLiteral("555-0102"),
            QStringLiteral("555-0103"),
            membership,
            QStringLiteral("Annual"),
            QStringLiteral("john@example.com"),
            QStringLiteral("Pays by cheque")};
}

// The fifteen values the member edit form passes to UpdateMember.
inline QStringList editedMember(const QString &lname = QStringLiteral("Jones")) {
    return {lname,
            QStringLiteral("Mary"),
            QStringLiteral("R"),
            QStringLiteral("2 Oak Ave"),
            QStringLiteral("Unit 5"),
            QStringLiteral("Toronto"),
            QStringLiteral("ON - Ontario"),
            QStringLiteral("M5V 2T6"),
            QStringLiteral("555-0201"),
            QStringLiteral("555-0202"),
            QStringLiteral("555-0203"),
            QStringLiteral("Family"),
            QStringLiteral("Monthly"),
            QStringLiteral("mary@example.com"),
            QStringLiteral("Moved")};
}

// The fourteen values both club forms pass.
inline QStringList clubDetails(const QString &id, const QString &name) {
    return {id,
            name,
            QStringLiteral("10 Lake Rd"),
            QStringLiteral("Bend"),
            QStringLiteral("OR"),
            QStringLiteral("97701"),
            QStringLiteral("555-1001"),
            QStringLiteral("555-1002"),
            QStringLiteral("555-1003"),
            QStringLiteral("555-1004"),
            QStringLiteral("555-1005"),
            QStringLiteral("555-1006"),
            QStringLiteral("www.club.example"),
            QStringLiteral("info@club.example")};
}

// Runs one operation with ordinary arguments, catching what it passes on.
inline Outcome call(_libClub &c, const QString &op) {
    Outcome o;
    try {
        if (op == u"AddMember")
            o.yes = c.AddMember(newMember(QStringLiteral("M-1")), 25);
        else if (op == u"UpdateMember")
            o.yes = c.UpdateMember(editedMember(), QStringLiteral("M-1"), 25);
        else if (op == u"DeleteMember")
            o.yes = c.DeleteMember(QStringLiteral("M-1"));
        else if (op == u"AddClubDetails")
            o.yes = c.AddClubDetails(clubDetails(QStringLiteral("C-1"), QStringLiteral("Club")));
        else if (op == u"UpdateClubDetails")
            o.yes = c.UpdateClubDetails(clubDetails(QStringLiteral("C-1"), QStringLiteral("Club")));
        else if (op == u"GetNewMemberID")
            o.rs = c.GetNewMemberID();
        else if (op == u"GetNewClubID")
            o.rs = c.GetNewClubID();
        else if (op == u"LoadStates")
            o.rs = c.LoadStates();
        else if (op == u"LoadCanada")
            o.rs = c.LoadCanada();
        else if (op == u"LoadMembers")
            o.rs = c.LoadMembers();
        else if (op == u"LoadClub")
            o.rs = c.LoadClub();
        else if (op == u"LoadEditClub")
            o.rs = c.LoadEditClub();
        else if (op == u"RefreshMembers")
            o.rs = c.RefreshMembers();
        else if (op == u"RefreshRegularMembers")
            o.rs = c.RefreshRegularMembers();
        else if (op == u"RefreshFamilyMembers")
            o.rs = c.RefreshFamilyMembers();
        else if (op == u"RefreshClub")
            o.rs = c.RefreshClub();
        else if (op == u"RefreshJuniorMembers")
            o.rs = c.RefreshJuniorMembers();
        else if (op == u"RefreshLifeMembers")
            o.rs = c.RefreshLifeMembers();
        else if (op == u"RefreshSportsMembers")
            o.rs = c.RefreshSportsMembers();
        else if (op == u"RefreshPoolMembers")
            o.rs = c.RefreshPoolMembers();
        else if (op == u"RefreshSeniorMembers")
            o.rs = c.RefreshSeniorMembers();
        else
            qFatal("unknown operation %s", qPrintable(op));
    } catch (const Failure &f) {
        o.threw = true;
        o.number = f.number();
        o.description = f.description();
    }
    return o;
}

// The first column of every row of a result set, as text.
inline QStringList firstColumn(const RecordsetPtr &rs) {
    QStringList out;
    for (int r = 0; r < rs->recordCount(); ++r)
        out << rs->value(r, 0).toString();
    return out;
}

inline QDateTime at(const char *iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

// Fixes the clock for the life of the object.
class FixedClock {
public:
    explicit FixedClock(const QDateTime &t) { set(t); }
    ~FixedClock() { setClock({}); }
    void set(const QDateTime &t) {
        setClock([t] { return t; });
    }
};

// Loads the plugin the build assembled and asks its factory directly, so a test can hand it
// a library folder of its own choosing.
inline QObject *createFromPlugin(const QString &libraryFolder) {
    QPluginLoader loader(builtAppFolder() + QStringLiteral("/club.so"));
    auto *factory = qobject_cast<ComponentFactory *>(loader.instance());
    if (!factory)
        qFatal("cannot load the plugin: %s", qPrintable(loader.errorString()));
    return factory->create(QString::fromLatin1(libClubClassName), libraryFolder);
}

// The later interface of the object the program holds.
inline _libClub2 &later(_libClub &club) {
    return *qobject_cast<_libClub2 *>(dynamic_cast<QObject *>(&club));
}

// Brings a roll built from the schema up to date as the library does at its first change, only
// without the backup, so that a test's statement log holds what the operation runs and no more.
inline void upToDate(const TempAppFolder &app) {
    for (const RollMigration &m : RollMigrations)
        app.exec(QStringLiteral("BEGIN;") + QString::fromUtf8(m.sql)
                 + QStringLiteral(";PRAGMA user_version = ") + QString::number(m.version)
                 + QStringLiteral(";COMMIT;"));
}

// Every row of a query on any database file, its columns joined, read without changing it.
inline QStringList rowsOf(const QString &path, const QString &sql) {
    Connection c;
    c.setConnectionString("Data Source=" + Connection::quoteValue(path) + ";");
    c.setReadOnly(true);
    c.open();
    const RecordsetPtr rs = c.execute(sql);
    c.close();
    QStringList out;
    for (int r = 0; r < rs->recordCount(); ++r) {
        QStringList cells;
        for (int col = 0; col < rs->columns().size(); ++col)
            cells << (rs->value(r, col).isValid() ? rs->value(r, col).toString() : "<null>");
        out << cells.join(u'|');
    }
    return out;
}

// The failure's number, 0 when the call succeeded.
inline int failureNumber(const std::function<void()> &f, QString *description = nullptr) {
    try {
        f();
    } catch (const Failure &e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

// The file's bytes, hashed without opening it as a database.
inline QByteArray fileHash(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()
               : QByteArray("<unreadable>");
}
