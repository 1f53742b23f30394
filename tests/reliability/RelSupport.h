#pragma once

#include "StoredForm.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// Looks at a roll from outside the library, the way the next start of the program would.
namespace Roll {
// PRAGMA integrity_check's verdict: "ok" or the first problem it names.
QString integrity(const QString &path);
// Every MemberID in the roll, in row order.
QStringList memberIds(const QString &path);
// A fingerprint of every row of every table, so "as it was" can be compared exactly.
QByteArray digest(const QString &path);
// The file's bytes, hashed without opening it as a database.
QByteArray fileHash(const QString &path);
// Every row of a query, each value as text ("<null>" for none).
QList<QStringList> rows(const QString &path, const char *sql);
// A fingerprint of every row of the four original tables alone (of the members, those the
// condition takes).
QByteArray originalDigest(const QString &path, const QString &members = QStringLiteral("1"));
// PRAGMA user_version, and whether the history table is there.
int version(const QString &path);
bool hasHistory(const QString &path);
// Brings a roll built from the schema up to date as the library does at its first change,
// only without the backup, so a test sees the statements of the save alone.
void upToDate(const QString &path);
} // namespace Roll

// The harness program the fault tests start, kill and trace.
QString harnessPath();

// Runs a program to its end and returns its stdout lines (empty on a timeout).
QStringList runToEnd(const QString &program, const QStringList &args, int timeoutMs = 60000);

// Lines printed so far by a running process (what it said before it was killed).
QStringList linesOf(const QByteArray &out);

// Starts the harness and returns once it printed a line holding `marker`.
bool startAndWaitFor(QProcess &p, const QStringList &args, const QString &marker, QByteArray &out);

// Kills for real: no handler runs, nothing is flushed or rolled back by the process itself.
void killHard(QProcess &p, QByteArray &out);

// AddMember's values for one member: element 0 the MemberID, then the fifteen fields.
QStringList sampleMember(const QString &id, const QString &lastName = QStringLiteral("Lane"));

// What a call failed with, as "number description", or "no failure".
QString failureOf(const std::function<void()> &f);
