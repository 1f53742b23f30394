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
