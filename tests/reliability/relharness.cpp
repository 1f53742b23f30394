// A stand-alone process the reliability tests kill, starve or trace: it loads the real plugin
// by class name and saves members, and says on stdout, line by line and flushed, exactly
// what it was told succeeded. The tests believe nothing but those lines.
//
//   relharness add <folder> <count>       GetNewMemberID + AddMember, then UpdateMember of the
//                                         member just added, <count> times (0: forever)
//   relharness add1 <folder> <MemberID>   one AddMember
//   relharness migrate <folder> -         one UpdateClubDetails on a roll that first needs
//                                         migrating
//   relharness restore <folder> <file>    RestoreRoll from the file
//   relharness big <folder> <rows> hold|commit
//                                         one large change through a Connection of its own
//   relharness notes <folder>             every member's notes rewritten, held uncommitted
//   relharness probe <folder>             a read, each kind of write, and a read again
//   relharness import <folder> <count> <updates>
//                                         one ImportMembers of <count> members, the first
//                                         <updates> of them changes to M-1, M-2..., the rest
//                                         new; the clock stands still, so every whole run
//                                         leaves the same roll. Says AT n at each report of
//                                         the import's progress, DONE with the time taken
#include "club/Roll.h"
#include "club/libClub.h"
#include "club/libClub2.h"
#include "component/Component.h"
#include "db/Connection.h"
#include "system/ErrorLog.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {
void say(const QString &line) {
    // One write per line straight to the descriptor: a line is either out or not.
    const QByteArray bytes = line.toUtf8() + '\n';
    const ssize_t written = ::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size()));
    Q_UNUSED(written);
}

QString oneLine(QString s) {
    return s.replace(u'\n', u'|');
}

QString failureText(std::exception_ptr e) {
    const Failure f = currentFailure(e);
    return QString::number(f.number()) + u' ' + oneLine(f.description());
}

QStringList memberValues(const QString &id, int n) {
    return {id,
            QStringLiteral("Lastname%1").arg(n),
            QStringLiteral("First"),
            QStringLiteral("M"),
            QStringLiteral("%1 Harbour Road").arg(n),
            QString(),
            QStringLiteral("Tarnwell"),
            QStringLiteral("ME - Maine"),
            QStringLiteral("04101"),
            QStringLiteral("555-0100"),
            QString(),
            QString(),
            QStringLiteral("Regular"),
            QStringLiteral("Annual"),
            QStringLiteral("member%1@example.org").arg(n),
            QStringLiteral("Saved by the reliability harness")};
}

std::unique_ptr<_libClub> newClub() {
    return std::unique_ptr<_libClub>(
        createObjectAs<_libClub>(QString::fromLatin1(libClubClassName)));
}

int addLoop(long count) {
    auto club = newClub();
    for (long i = 0; count == 0 || i < count; ++i) {
        qlonglong next = 1;
        const RecordsetPtr rs = club->GetNewMemberID();
        if (!rs)
            return 4;
        const qlonglong max = rs->field(QStringLiteral("NewMemberID")).toLongLong();
        if (max > 0)
            next = max + 1;
        const QString id = QStringLiteral("M-%1").arg(next);
        QStringList edited = memberValues(QString(), int(next)).mid(1);
        edited[updateMemberSlot(MemberSlot::Notes)] = QStringLiteral("Updated by the harness");
        const std::pair<QString, std::function<bool()>> saves[] = {
            {QStringLiteral("ADD "),
             [&] {
                 return club->AddMember(memberValues(id, int(next)), 25.5);
             }},
            {QStringLiteral("UPDATE "), [&] {
                 return club->UpdateMember(edited, id, 30);
             }}};
        for (const auto &[kind, save] : saves) {
            say(QStringLiteral("TRY ") + kind + id);
            try {
                if (!save()) {
                    say(QStringLiteral("NO ") + kind + id);
                    return 3;
                }
            } catch (...) {
                say(QStringLiteral("FAIL ") + kind + id + u' '
                    + failureText(std::current_exception()));
                return 3;
            }
            say(QStringLiteral("OK ") + kind + id);
        }
    }
    return 0;
}

// A change that first brings the roll up to date (the club's record, saved as it is, so that
// every run leaves the same roll), or a restore; says DONE when told it succeeded.
int upkeep(const QString &mode, const QString &file) {
    setMsgBoxHandler([](const MsgBoxRequest &r) {
        say(QStringLiteral("MSG ") + oneLine(r.prompt));
        return int(Mb::OK);
    });
    auto club = newClub();
    auto *later = qobject_cast<_libClub2 *>(dynamic_cast<QObject *>(club.get()));
    const QStringList values = {QStringLiteral("C-1"), QStringLiteral("Harbour Club")};
    say(QStringLiteral("BEGUN"));
    try {
        const bool done = mode == QLatin1String("restore")
                              ? later && later->RestoreRoll(file)
                              : club->UpdateClubDetails(values + QStringList(ClubSize - 2));
        say(done ? QStringLiteral("DONE") : QStringLiteral("NO"));
        return done ? 0 : 3;
    } catch (...) {
        say(QStringLiteral("FAIL ") + failureText(std::current_exception()));
    }
    return 3;
}

int addOne(const QString &id) {
    auto club = newClub();
    try {
        if (club->AddMember(memberValues(id, 1), 12.5)) {
            say(QStringLiteral("OK ") + id);
            return 0;
        }
        say(QStringLiteral("NO ") + id);
    } catch (...) {
        say(QStringLiteral("FAIL ") + id + u' ' + failureText(std::current_exception()));
    }
    return 3;
}

int bigChange(const QString &folder, int rows, bool hold) {
    Connection con;
    con.setConnectionString(QStringLiteral("Data Source=") + folder
                            + QStringLiteral("/club/club.qmr;"));
    con.setProfile(rollProfile());
    con.open();
    con.beginTrans();
    con.execute(QStringLiteral("UPDATE tblMembers SET Notes = 'changed by the big change';"));
    con.execute(QStringLiteral("DELETE FROM tblMembers WHERE ID % 3 = 0;"));
    say(QStringLiteral("BEGUN"));
    constexpr int Batch = 500;
    for (int done = 0; done < rows; done += Batch)
        con.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM "
                                   "n WHERE i < %2) INSERT INTO tblMembers (MemberID,LName,"
                                   "Notes) SELECT 'B-' || i, 'Bulk', printf('%.300c', 'x') FROM n;")
                        .arg(done + 1)
                        .arg(qMin(done + Batch, rows)));
    if (hold) {
        say(QStringLiteral("HELD"));
        for (;;)
            QThread::sleep(60);
    }
    con.commitTrans();
    say(QStringLiteral("COMMITTED"));
    con.close();
    return 0;
}

// Large enough to reach the file before the commit, yet touching no index: killed, it leaves
// a journal that holds the members' table pages and none of their index pages.
int holdNotes(const QString &folder) {
    Connection con;
    con.setConnectionString(QStringLiteral("Data Source=")
                            + Connection::quoteValue(folder + QStringLiteral("/club/club.qmr"))
                            + u';');
    con.setProfile(rollProfile());
    con.open();
    con.beginTrans();
    con.execute(QStringLiteral("UPDATE tblMembers SET Notes = printf('%.20000c', 'n');"));
    say(QStringLiteral("HELD"));
    for (;;)
        QThread::sleep(60);
}

// Each operation in the way the library hands its failures to the caller, one line each.
int probe() {
    setMsgBoxHandler([](const MsgBoxRequest &r) {
        say(QStringLiteral("MSG ") + r.title + u' ' + oneLine(r.prompt));
        return (r.style & Mb::ButtonMask) == Mb::YesNo ? int(Mb::Yes) : int(Mb::OK);
    });
    auto club = newClub();
    auto read = [&] {
        const RecordsetPtr rs = club->LoadMembers();
        say(rs ? QStringLiteral("READ %1").arg(rs->recordCount()) : QStringLiteral("READ none"));
    };
    auto step = [&](const QString &name, const std::function<bool()> &f) {
        try {
            say(name + (f() ? QStringLiteral(" yes") : QStringLiteral(" no")));
        } catch (...) {
            say(name + QStringLiteral(" threw ") + failureText(std::current_exception()));
        }
    };
    read();
    step(QStringLiteral("ADD"), [&] { return club->AddMember(memberValues("M-900", 900), 1); });
    step(QStringLiteral("UPDATE"), [&] {
        QStringList values = memberValues(QString(), 1).mid(1);
        values[0] = QStringLiteral("Changed");
        return club->UpdateMember(values, QStringLiteral("M-1"), 2);
    });
    step(QStringLiteral("DELETE"), [&] { return club->DeleteMember(QStringLiteral("M-1")); });
    read();
    return 0;
}
int importMany(int count, int updates) {
    setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(10, 30)); });
    auto club = newClub();
    auto *later = qobject_cast<_libClub2 *>(dynamic_cast<QObject *>(club.get()));
    QList<ImportedMember> members;
    members.reserve(count);
    for (int i = 1; i <= count; ++i) {
        const bool update = i <= updates;
        QStringList fields = memberValues(QString(), i).mid(1);
        fields[updateMemberSlot(MemberSlot::Notes)] =
            update ? QStringLiteral("Changed by an import") : QStringLiteral("Imported");
        members.append({update ? QStringLiteral("M-%1").arg(i) : QString(), fields, 25.5});
    }
    qsizetype reported = 0;
    say(QStringLiteral("BEGUN"));
    QElapsedTimer t;
    t.start();
    try {
        const QStringList added =
            later->ImportMembers(QStringLiteral("members.csv"), members, [&](qsizetype done) {
                say(QStringLiteral("AT %1").arg(done));
                reported = done;
                return true;
            });
        say(QStringLiteral("DONE %1 added, %2 reported, %3 ms")
                .arg(added.size())
                .arg(reported)
                .arg(t.elapsed()));
        return 0;
    } catch (...) {
        say(QStringLiteral("FAIL ") + failureText(std::current_exception()));
    }
    return 3;
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    setAppTitle(QStringLiteral("Quillmere"));
    setErrorLogBanner(QStringLiteral("Quillmere - Error Log"));
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(
            stderr,
            "usage: relharness add|add1|big|notes|probe|migrate|restore|import <folder> ...\n");
        return 2;
    }
    const QString mode = args[1];
    setAppFolder(args[2]);
    try {
        if (mode == QLatin1String("add") && args.size() == 4)
            return addLoop(args[3].toLong());
        if (mode == QLatin1String("add1") && args.size() == 4)
            return addOne(args[3]);
        if (mode == QLatin1String("big") && args.size() == 5)
            return bigChange(args[2], args[3].toInt(), args[4] == QLatin1String("hold"));
        if (mode == QLatin1String("notes"))
            return holdNotes(args[2]);
        if (mode == QLatin1String("probe"))
            return probe();
        if (mode == QLatin1String("import") && args.size() == 5)
            return importMany(args[3].toInt(), args[4].toInt());
        if ((mode == QLatin1String("migrate") || mode == QLatin1String("restore"))
            && args.size() == 4)
            return upkeep(mode, args[3]);
    } catch (...) {
        say(QStringLiteral("ERROR ") + failureText(std::current_exception()));
        return 5;
    }
    std::fprintf(stderr, "relharness: bad arguments\n");
    return 2;
}
