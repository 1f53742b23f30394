// The benchmark driver behind bench/run: builds sample rolls, times the library, the member
// edit form, the roster tool, export and import, the dues windows and letters, mailing labels, and
// start-up on each, measures the sqlite3 floors and LibreOffice in the same run, and prints one
// Markdown table of medians.
#include "RollData.h"
#include "club/libClub.h"
#include "common/modGlobal.h"
#include "component/Component.h"
#include "core/Failure.h"
#include "db/Backup.h"
#include "dues/DuesReports.h"
#include "dues/frmDues.h"
#include "exchange/ImportPlan.h"
#include "labels/LabelReport.h"
#include "members/MemberFields.h"
#include "members/MemberFinder.h"
#include "members/MemberList.h"
#include "members/frmEditMem.h"
#include "system/System.h"
#include "table/TableFile.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    QString work, templateFolder, makeRoll, probe;
    QList<qint64> sizes{1000, 10000, 100000};
    int runs = 7;
    quint64 seed = 8;
};

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString ms(double v) {
    if (v < 0)
        return QStringLiteral("n/a");
    if (v >= 1000)
        return QStringLiteral("%1 s").arg(v / 1000, 0, 'f', 2);
    if (v >= 10)
        return QStringLiteral("%1 ms").arg(v, 0, 'f', 0);
    return QStringLiteral("%1 ms").arg(v, 0, 'f', 2);
}

// One figure of the table: a median, or the reason there is none.
struct Figure {
    double value = -1; // ms, or the unit of the row
    QString note;      // shown instead of / after the value
    double floor = -1; // ms of the sqlite3 floor, when the row has one
};

using Row = std::map<qint64, Figure>; // members -> figure
struct Table {
    QStringList order;
    std::map<QString, Row> rows;
    Figure &at(const QString &row, qint64 size) {
        if (!order.contains(row))
            order.append(row);
        return rows[row][size];
    }
};

QString readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void say(const char *fmt, const QString &arg = {}) {
    std::fprintf(stderr, fmt, qPrintable(arg));
    std::fflush(stderr);
}

bool copyFolder(const QString &from, const QString &to) {
    QDir().mkpath(to);
    const QDir src(from);
    for (const QFileInfo &fi :
         src.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString target = to + u'/' + fi.fileName();
        if (fi.isDir()) {
            if (!copyFolder(fi.filePath(), target))
                return false;
        } else if (!QFile::copy(fi.filePath(), target)) {
            return false;
        }
    }
    return true;
}

// ---- sqlite3 CLI floors -------------------------------------------------------------------

// Wall time of the sqlite3 shell running a script on the roll, output discarded.
double cliWall(const QString &roll, const QByteArray &script) {
    QProcess p;
    p.setProgram(QStringLiteral("sqlite3"));
    p.setArguments({QStringLiteral("-batch"), roll});
    p.setStandardOutputFile(QProcess::nullDevice());
    const double t0 = nowMs();
    p.start();
    p.write(script);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const double t = nowMs() - t0;
    if (p.exitCode() != 0)
        say("bench: sqlite3 failed: %s\n", QString::fromUtf8(p.readAllStandardError()));
    return t;
}

// The engine's own cost of a statement: the shell running it k times, less the shell
// starting and opening the file, divided by k. Same durability as the library.
// The statements of each run may differ (an insert needs fresh keys every time).
double cliFloor(const QString &roll, const std::function<QStringList(int run)> &statements,
                int runs) {
    const QByteArray head = "PRAGMA synchronous=FULL;\n.output /dev/null\n";
    std::vector<double> base, full;
    qsizetype k = 1;
    for (int r = 0; r < runs; ++r) {
        QByteArray body = head;
        const QStringList script = statements(r);
        for (const QString &sql : script)
            body += sql.toUtf8() + (sql.endsWith(u';') ? "\n" : ";\n");
        k = std::max<qsizetype>(1, script.size());
        base.push_back(cliWall(roll, head));
        full.push_back(cliWall(roll, body));
    }
    return std::max(0.0, (median(full) - median(base)) / double(k));
}

double cliFloor(const QString &roll, const QString &sql, int k, int runs) {
    return cliFloor(
        roll, [&](int) { return QStringList(k, sql); }, runs);
}

void sqlExec(const QString &roll, const QString &sql) {
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(roll).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        == SQLITE_OK)
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

QList<StateItem> rollStates(const QString &roll) {
    QList<StateItem> items;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(roll).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const char *sql : {"SELECT State,StateFull,0 FROM tblStates ORDER BY State",
                            "SELECT State,StateFull,1 FROM tblCanada ORDER BY StateFull"}) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            items.append(
                {QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))),
                 QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1))),
                 sqlite3_column_int(st, 2) != 0});
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return items;
}

// ---- library -------------------------------------------------------------------------------

QStringList addValues(const MemberRecord &m, const QString &id) {
    return {id,    m.lName,  m.fName,  m.mName,  m.address1,   m.address2, m.city,  m.state,
            m.zip, m.phone1, m.phone2, m.phone3, m.membership, m.duesPaid, m.email, m.notes};
}

QStringList updateValues(const MemberRecord &m) {
    return {m.lName,  m.fName,  m.mName,  m.address1,   m.address2, m.city,  m.state, m.zip,
            m.phone1, m.phone2, m.phone3, m.membership, m.duesPaid, m.email, m.notes};
}

// The statements the library hands to the engine, so the floor replays the very same SQL.
QStringList g_statements;

QString lastDataStatement() {
    for (auto it = g_statements.crbegin(); it != g_statements.crend(); ++it) {
        const QString s = it->trimmed().toUpper();
        if (s.startsWith(u"SELECT") || s.startsWith(u"INSERT") || s.startsWith(u"UPDATE")
            || s.startsWith(u"DELETE"))
            return *it;
    }
    return {};
}

// The statement of the operation itself among those it ran (a change also reads its row and
// writes its history with bound values, which the shell cannot replay).
QString statementStarting(const QString &start) {
    for (auto it = g_statements.crbegin(); it != g_statements.crend(); ++it)
        if (it->trimmed().startsWith(start, Qt::CaseInsensitive))
            return *it;
    return {};
}

void benchLibrary(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString roll = folder + QStringLiteral("/club/club.qmr");
    setAppFolder(folder);
    std::unique_ptr<_libClub> club(createObjectAs<_libClub>(QString::fromLatin1(libClubClassName)));
    int failures = 0;
    setMsgBoxHandler([&](const MsgBoxRequest &r) {
        if (r.title != u"** WARNING **")
            ++failures, say("bench: library message: %s\n", r.prompt);
        return Mb::Yes;
    });
    Connection::setStatementObserver([](const QString &s) { g_statements.append(s); });

    // The first call of a process also checks the roll once; the medians below exclude it.
    {
        const double t0 = nowMs();
        RecordsetPtr first = club->GetNewMemberID();
        t.at(QStringLiteral("First call in a process (GetNewMemberID, roll check included)"), n)
            .value = nowMs() - t0;
        if (!first)
            ++failures;
    }
    RollGenerator gen(o.seed + 1000, rollStates(roll));
    gen.planMembers(0);
    const int writes = std::max(o.runs * 2, 11);
    std::vector<double> add, update, del;
    QStringList added;
    QString insertSql, updateSql;
    for (int i = 0; i < writes; ++i) {
        RecordsetPtr next = club->GetNewMemberID();
        const QVariant max = next ? next->field(QStringLiteral("NewMemberID")) : QVariant();
        const QString id = QStringLiteral("M-") + QString::number(max.toLongLong() + 1);
        const MemberRecord m = gen.member(i + 1);
        g_statements.clear();
        const double t0 = nowMs();
        const bool ok = club->AddMember(addValues(m, id), m.dues);
        add.push_back(nowMs() - t0);
        insertSql = statementStarting(QStringLiteral("INSERT INTO tblMembers"));
        if (!ok)
            ++failures;
        added.append(id);
    }
    SplitMix pickMember(o.seed + 77);
    for (int i = 0; i < writes; ++i) {
        const QString id = QStringLiteral("M-") + QString::number(1 + pickMember.below(int(n)));
        const MemberRecord m = gen.member(writes + i + 1);
        g_statements.clear();
        const double t0 = nowMs();
        const bool ok = club->UpdateMember(updateValues(m), id, m.dues);
        update.push_back(nowMs() - t0);
        updateSql = statementStarting(QStringLiteral("UPDATE tblMembers"));
        if (!ok)
            ++failures;
    }
    for (const QString &id : added) {
        const double t0 = nowMs();
        const bool ok = club->DeleteMember(id);
        del.push_back(nowMs() - t0);
        if (!ok)
            ++failures;
    }
    struct Read {
        const char *name;
        RecordsetPtr (_libClub::*op)();
    };
    const Read reads[] = {{"LoadMembers", &_libClub::LoadMembers},
                          {"RefreshMembers", &_libClub::RefreshMembers},
                          {"RefreshSportsMembers", &_libClub::RefreshSportsMembers}};
    std::map<QString, std::pair<std::vector<double>, QString>> readTimes;
    for (const Read &r : reads) {
        for (int i = 0; i < o.runs; ++i) {
            g_statements.clear();
            const double t0 = nowMs();
            RecordsetPtr rs = (club.get()->*r.op)();
            readTimes[QString::fromLatin1(r.name)].first.push_back(nowMs() - t0);
            readTimes[QString::fromLatin1(r.name)].second = lastDataStatement();
            if (!rs || (r.op == &_libClub::LoadMembers && rs->recordCount() != n))
                ++failures;
        }
    }
    Connection::setStatementObserver({});
    setMsgBoxHandler({});
    club.reset();

    const int floorRuns = std::max(3, o.runs / 2);
    t.at(QStringLiteral("AddMember"), n) = {median(add), {}, -1};
    if (!insertSql.isEmpty() && !added.isEmpty()) {
        // MemberID is unique: each copy of the insert gets an identifier of its own, or all
        // but the first would fail at once and the floor would shrink tenfold.
        const QString id = u'\'' + added.last() + u'\'';
        const auto inserts = [&](int run) {
            QStringList script;
            for (int i = 0; i < 10; ++i)
                script << QString(insertSql).replace(
                    id, QStringLiteral("'F-%1'").arg(run * 10 + i + 1));
            return script;
        };
        t.at(QStringLiteral("AddMember"), n).floor = cliFloor(roll, inserts, floorRuns);
        // The floor's copies of the row go again; the roll is as make-roll left it.
        sqlExec(roll, QStringLiteral("DELETE FROM tblMembers WHERE ID > %1").arg(n));
    }
    t.at(QStringLiteral("UpdateMember"), n) = {median(update), {}, -1};
    if (!updateSql.isEmpty())
        t.at(QStringLiteral("UpdateMember"), n).floor = cliFloor(roll, updateSql, 10, floorRuns);
    t.at(QStringLiteral("DeleteMember (answered Yes)"), n) = {median(del), {}, -1};
    for (const Read &r : reads) {
        const auto &[times, sql] = readTimes[QString::fromLatin1(r.name)];
        Figure &f = t.at(QString::fromLatin1(r.name), n);
        f.value = median(times);
        const int k = int(std::clamp<qint64>(200000 / std::max<qint64>(n, 1), 3, 200));
        if (!sql.isEmpty())
            f.floor = cliFloor(roll, sql, k, floorRuns);
    }
    if (failures)
        t.at(QStringLiteral("AddMember"), n).note =
            QStringLiteral("%1 library call(s) failed").arg(failures);
}

// ---- backups --------------------------------------------------------------------------------

// The backup as the program makes it (online copy, integrity check, sync, rename), then its two
// costly steps alone, done as backupDatabase does them: the backup API copying into a fresh
// file without journal or syncs, and integrity_check on that copy through the same connection.
// Last, a start or an end when the roll has not changed: the comparison with the newest
// backup, no copy. The roll is in the system's cache, as it is after start-up's first read.
void benchBackup(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString whole =
        QStringLiteral("Backup of the roll (copy, integrity check, sync, rename)");
    const QString copy = QStringLiteral("Backup: online copy alone (backup API)");
    const QString check = QStringLiteral("Backup: integrity_check of the copy alone");
    const QString same = QStringLiteral("Backup at start or end, roll unchanged (comparison only)");
    const QString roll = folder + QStringLiteral("/club/club.qmr");
    const QString dir = folder + QStringLiteral("/bench-backups");
    const QDateTime at(QDate(2026, 12, 8), QTime(9, 0));
    std::vector<double> wholes, copies, checks, sames;
    QString fault;
    for (int i = 0; i < o.runs && fault.isEmpty(); ++i) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        double t0 = nowMs();
        const BackupOutcome out = backupDatabase(roll, dir + QStringLiteral("/whole.qmr"));
        wholes.push_back(nowMs() - t0);
        if (!out.ok)
            fault = out.error;
        sqlite3 *src = nullptr, *dst = nullptr;
        sqlite3_open_v2(QFile::encodeName(roll).constData(), &src, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_open_v2(QFile::encodeName(dir + QStringLiteral("/raw.qmr")).constData(), &dst,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_exec(dst, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr,
                     nullptr);
        t0 = nowMs();
        sqlite3_backup *b = sqlite3_backup_init(dst, "main", src, "main");
        const int rc = b ? sqlite3_backup_step(b, -1) : SQLITE_ERROR;
        sqlite3_backup_finish(b);
        copies.push_back(nowMs() - t0);
        t0 = nowMs();
        const int checked = sqlite3_exec(dst, "PRAGMA integrity_check", nullptr, nullptr, nullptr);
        checks.push_back(nowMs() - t0);
        if (rc != SQLITE_DONE || checked != SQLITE_OK)
            fault = QStringLiteral("the copy alone failed");
        sqlite3_close_v2(dst);
        sqlite3_close_v2(src);
        BackupFolder backups(dir + QStringLiteral("/auto"), QStringLiteral("club"));
        backups.makeIfChanged(roll, at);
        t0 = nowMs();
        const BackupOutcome again = backups.makeIfChanged(roll, at.addSecs(60));
        sames.push_back(nowMs() - t0);
        if (!again.ok || !again.path.isEmpty())
            fault = QStringLiteral("a backup was made of an unchanged roll");
    }
    QDir(dir).removeRecursively();
    t.at(whole, n).value = median(wholes);
    t.at(whole, n).note = QStringLiteral("%1 MB").arg(QFileInfo(roll).size() / 1e6, 0, 'f', 1);
    if (!fault.isEmpty())
        t.at(whole, n).note += QStringLiteral("; ") + fault;
    t.at(copy, n).value = median(copies);
    t.at(check, n).value = median(checks);
    t.at(same, n).value = median(sames);
}

// ---- member edit form ----------------------------------------------------------------------

// Resident memory of this process in MB, after handing freed heap pages back, so that the
// difference of two readings is what stayed allocated in between.
double residentMb() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    malloc_trim(0);
    const QString status = readAll(QStringLiteral("/proc/self/status"));
    const auto m = QRegularExpression(QStringLiteral(R"(VmRSS:\s*(\d+) kB)")).match(status);
    return m.hasMatch() ? m.captured(1).toDouble() / 1024.0 : -1;
}

// The window as the menu opens it: constructed (the constructor fills the list), shown, and
// painted.
std::unique_ptr<frmEditMem> openEditForm() {
    auto form = std::make_unique<frmEditMem>();
    form->resize(1200, 800);
    form->show();
    // The expose event first, so that the wait below does not sleep when it is already in.
    QCoreApplication::processEvents();
    if (!QTest::qWaitForWindowExposed(form.get()))
        say("bench: the edit form was not exposed\n");
    QCoreApplication::processEvents();
    return form;
}

QString mb(double v) {
    return QStringLiteral("%1 MB").arg(v, 0, 'f', v >= 10 ? 0 : 1);
}

// Typing into the find box one key at a time, as a secretary looks for someone: a common last
// name, then the start of a first name. Each key is timed until the list has its new rows and
// has been laid out again; then Backspace widens the search and Escape clears it.
void benchFind(Table &t, const Options &o, frmEditMem &form, qint64 n) {
    const QString typing = QStringLiteral("Edit form: find, one keystroke (typing \"clark an\")");
    const QString widen = QStringLiteral("Edit form: find, Backspace (widening)");
    const QString clear = QStringLiteral("Edit form: find, Escape (clearing)");
    const QString typed = QStringLiteral("clark an");
    const int backspaces = 4; // back to "clar"
    QLineEdit *box = form.finder->txtFind;
    const members::MemberListModel *rows = form.lvMember->rows();
    box->setFocus(Qt::OtherFocusReason);
    std::vector<double> keys, firstKeys, backs, escapes;
    std::vector<int> shown(typed.size(), -1);
    QString fault;
    auto timed = [&](auto press) {
        const double t0 = nowMs();
        press();
        QCoreApplication::processEvents();
        return nowMs() - t0;
    };
    for (int run = 0; run < o.runs && fault.isEmpty(); ++run) {
        for (int i = 0; i < typed.size(); ++i) {
            const char c = typed[i].toLatin1();
            const double took = timed([&] { QTest::keyClick(box, c); });
            keys.push_back(took);
            if (i == 0)
                firstKeys.push_back(took);
            shown[i] = rows->rowCount();
        }
        if (box->text() != typed)
            fault = QStringLiteral("the box holds \"%1\"").arg(box->text());
        for (int i = 0; i < backspaces; ++i)
            backs.push_back(timed([&] { QTest::keyClick(box, Qt::Key_Backspace); }));
        if (rows->rowCount() < shown[typed.size() - 1 - backspaces])
            fault = QStringLiteral("Backspace did not widen the list");
        escapes.push_back(timed([&] { QTest::keyClick(box, Qt::Key_Escape); }));
        if (!box->text().isEmpty() || rows->rowCount() != n)
            fault = QStringLiteral("Escape left %1 rows").arg(rows->rowCount());
    }
    const QLocale en(QLocale::English);
    Figure &f = t.at(typing, n);
    f.value = median(keys);
    f.note = QStringLiteral("first key %1, worst %2; rows: 'c' %3, 'clark' %4, 'clark an' %5")
                 .arg(ms(median(firstKeys)), ms(*std::max_element(keys.begin(), keys.end())),
                      en.toString(shown.front()), en.toString(shown[4]), en.toString(shown.back()));
    if (!fault.isEmpty())
        f.note += QStringLiteral("; ") + fault;
    t.at(widen, n).value = median(backs);
    t.at(widen, n).note =
        QStringLiteral("worst %1").arg(ms(*std::max_element(backs.begin(), backs.end())));
    t.at(clear, n).value = median(escapes);
}

void benchForm(Table &t, const Options &o, const QString &folder, qint64 n, double selectFloor) {
    const QString open = QStringLiteral("Edit form: open (constructed, list filled, shown)");
    const QString memory = QStringLiteral("Edit form: memory of the open form (resident growth)");
    const QString ready = QStringLiteral("Edit form: find ready (from the start of opening)");
    const QString fill = QStringLiteral("Edit form: member list fill");
    const QString sort = QStringLiteral("Edit form: header-click sort (Last Name)");
    setAppFolder(folder);
    QDir::setCurrent(folder);
    setMsgBoxHandler([](const MsgBoxRequest &r) {
        say("bench: form message: %s\n", r.prompt);
        return Mb::OK;
    });
    std::vector<double> opens, readies, grown;
    std::unique_ptr<frmEditMem> form;
    for (int i = 0; i < o.runs; ++i) {
        form.reset();
        const double before = residentMb();
        const double t0 = nowMs();
        form = openEditForm();
        opens.push_back(nowMs() - t0);
        // The find index is made in slices after the window shows; memory counts it whole.
        while (!form->lvMember->rows()->searchReady())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        readies.push_back(nowMs() - t0);
        grown.push_back(residentMb() - before);
    }
    t.at(open, n).value = median(opens);
    t.at(memory, n).note = mb(median(grown));
    QTreeView *list = form->lvMember;
    if (list->model()->rowCount() != n) {
        t.at(fill, n).note =
            QStringLiteral("list shows %1 rows, not %2").arg(list->model()->rowCount()).arg(n);
    }
    benchFind(t, o, *form, n);
    std::vector<double> fills, sorts;
    for (int i = 0; i < o.runs; ++i) {
        const double t0 = nowMs();
        form->FillMemberList();
        // Until the refilled list is painted.
        QCoreApplication::processEvents();
        fills.push_back(nowMs() - t0);
    }
    QHeaderView *header = list->header();
    const int column = 1;
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    for (int i = 0; i < o.runs; ++i) {
        const double t0 = nowMs();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        sorts.push_back(nowMs() - t0);
    }
    const QString first = list->model()->index(0, column).data().toString();
    form.reset();
    setMsgBoxHandler({});
    Figure &f = t.at(fill, n);
    f.value = median(fills);
    f.floor = selectFloor;
    t.at(sort, n).value = median(sorts);
    if (first.isEmpty())
        t.at(sort, n).note = QStringLiteral("list empty after the click");
}

// ---- roster tool ---------------------------------------------------------------------------

struct Timed {
    double wallMs = -1, rssMb = -1;
    int pages = -1;
    QString error;
};

int pdfPages(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    int count = 0;
    auto it = QRegularExpression(QStringLiteral(R"(/Type\s*/Page(?!s))"))
                  .globalMatch(QString::fromLatin1(f.readAll()));
    for (; it.hasNext(); it.next())
        ++count;
    return count;
}

Timed timeCommand(const QString &program, const QStringList &args, const QString &pdf) {
    Timed r;
    QProcess p;
    p.setProgram(QStringLiteral("/usr/bin/time"));
    p.setArguments(QStringList{QStringLiteral("-v"), program} + args);
    // Our own clock: the time tool reports wall time to 10 ms only; it gives the peak memory.
    const double t0 = nowMs();
    p.start();
    const bool finished = p.waitForFinished(600000);
    const double wall = nowMs() - t0;
    if (!finished) {
        p.kill();
        r.error = QStringLiteral("timed out");
        return r;
    }
    const QString err = QString::fromUtf8(p.readAllStandardError());
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitCode() != 0) {
        r.error = QStringLiteral("failed (%1)").arg(err.section(u'\n', 0, 0).trimmed());
        return r;
    }
    r.wallMs = wall;
    const auto rss =
        QRegularExpression(QStringLiteral(R"(Maximum resident set size.*: (\d+))")).match(err);
    if (rss.hasMatch())
        r.rssMb = rss.captured(1).toDouble() / 1024.0;
    const auto pages = QRegularExpression(QStringLiteral(R"((\d+) pages)")).match(out);
    r.pages = pages.hasMatch() ? pages.captured(1).toInt() : pdf.isEmpty() ? -1 : pdfPages(pdf);
    return r;
}

void benchRosters(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString tool = folder + QStringLiteral("/qmr-roster");
    const struct {
        const char *label, *name;
    } rosters[] = {{"Full roster to PDF (qmr-roster)", "All"},
                   {"Sports roster to PDF (qmr-roster)", "Sports"}};
    for (const auto &ro : rosters) {
        const QString row = QString::fromLatin1(ro.label);
        if (!QFileInfo(tool).isExecutable()) {
            t.at(row, n).note = QStringLiteral("not measurable yet (no qmr-roster)");
            continue;
        }
        const QString pdf = folder + QStringLiteral("/roster-%1.pdf").arg(QLatin1String(ro.name));
        const int runs = n >= 100000 ? 3 : std::max(3, o.runs / 2);
        std::vector<double> wall, rss;
        Timed last;
        for (int i = 0; i < runs; ++i) {
            last = timeCommand(tool,
                               {QStringLiteral("--app-folder"), folder, QStringLiteral("--roster"),
                                QString::fromLatin1(ro.name), QStringLiteral("--pdf"), pdf},
                               pdf);
            if (!last.error.isEmpty())
                break;
            wall.push_back(last.wallMs);
            rss.push_back(last.rssMb);
        }
        Figure &f = t.at(row, n);
        if (!last.error.isEmpty()) {
            f.note = last.error;
            continue;
        }
        f.value = median(wall);
        f.note = QStringLiteral("%1 MB, %2 pages").arg(median(rss), 0, 'f', 0).arg(last.pages);
        QFile::remove(pdf);
    }
}

// LibreOffice as the peer rows run it: headless, with a profile of its own under the work
// folder, so that an office another user has open neither takes the conversion over nor lends
// it its settings. A first start builds the profile; that happens once, untimed.
struct Office {
    QString program;
    QStringList args; // before the conversion's own
    QString missing;  // why the peer is not measured
};

const Office &office(const Options &o) {
    static std::optional<Office> found;
    if (found)
        return *found;
    Office f;
    f.program = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (f.program.isEmpty())
        f.program = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (f.program.isEmpty()) {
        f.missing = QStringLiteral("not measured (LibreOffice not installed)");
        found = f;
        return *found;
    }
    f.args = {QStringLiteral("-env:UserInstallation=")
                  + QUrl::fromLocalFile(o.work + QStringLiteral("/office-profile")).toString(),
              QStringLiteral("--headless")};
    const QString dir = o.work + QStringLiteral("/office-first-start");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QFile sample(dir + QStringLiteral("/sample.csv"));
    if (sample.open(QIODevice::WriteOnly))
        sample.write("a,b\r\n1,2\r\n");
    sample.close();
    QProcess p;
    p.start(f.program, f.args
                           + QStringList{QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                                         QStringLiteral("--outdir"), dir, sample.fileName()});
    if (!p.waitForFinished(300000))
        p.kill(), p.waitForFinished();
    if (!QFileInfo::exists(dir + QStringLiteral("/sample.pdf")))
        f.missing = QStringLiteral("not measured (LibreOffice converted no sample file)");
    QDir(dir).removeRecursively();
    found = f;
    return *found;
}

// LibreOffice converting the same rows, as CSV, to PDF: the peer the targets compare with.
void benchPeer(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString row = QStringLiteral("Peer: LibreOffice CSV to PDF (same rows)");
    const Office &lo = office(o);
    if (!lo.missing.isEmpty()) {
        t.at(row, n).note = lo.missing;
        return;
    }
    const QString csv = folder + QStringLiteral("/roster.csv");
    QProcess dump;
    dump.setStandardOutputFile(csv);
    dump.start(QStringLiteral("sqlite3"),
               {QStringLiteral("-csv"), QStringLiteral("-header"),
                folder + QStringLiteral("/club/club.qmr"),
                QStringLiteral("SELECT MemberID,LName,FName,MName,Membership,Dues,DuesPaid,"
                               "Address1,City,State FROM tblMembers ORDER BY LName")});
    dump.waitForFinished(-1);
    std::vector<double> wall;
    for (int i = 0; i < (n >= 100000 ? 1 : 3); ++i) {
        const Timed r =
            timeCommand(lo.program,
                        lo.args
                            + QStringList{QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                                          QStringLiteral("--outdir"), folder, csv},
                        folder + QStringLiteral("/roster.pdf"));
        if (!r.error.isEmpty()) {
            t.at(row, n).note = r.error;
            return;
        }
        wall.push_back(r.wallMs);
    }
    t.at(row, n).value = median(wall);
}

// ---- import and export ---------------------------------------------------------------------

QString fileMb(const QString &path) {
    return QStringLiteral("%1 MB").arg(QFileInfo(path).size() / 1e6, 0, 'f', 1);
}

QString counted(qsizetype n) {
    return QLocale(QLocale::English).toString(n);
}

// The files the import rows read, made once per roll from the exported CSV, as a secretary
// would change it in a spreadsheet. A changed member gets a new first address line; a new
// member is an exported row with its identifier blanked and an address line and e-mail address
// of its own, so that it matches nobody.
struct ImportFiles {
    QString preview; // the whole roll, 1% with a new address, and 1% more rows, new
    QString changes; // a tenth of the roll with a new address, and as many new members
    QString fresh;   // as many new members as the roll holds, and nothing else
    qsizetype previewChanged = 0, previewAdded = 0, changesChanged = 0, changesAdded = 0;
    QString error;
};

bool writeCsv(const QString &path, const QStringList &headings, const QList<QStringList> &rows,
              QString *error) {
    QList<TableColumn> columns;
    for (const QString &h : headings)
        columns.append(TableColumn{h});
    const std::unique_ptr<TableWriter> writer =
        TableWriter::open(path, TableFormat::Csv, columns, error);
    if (!writer)
        return false;
    for (const QStringList &row : rows) {
        QVariantList cells;
        cells.reserve(row.size());
        for (const QString &cell : row)
            cells.append(cell);
        if (!writer->addRow(cells))
            break;
    }
    return writer->finish(error);
}

ImportFiles makeImportFiles(const QString &exported, const QString &dir) {
    ImportFiles files;
    const TableRead table = readTableFile(exported);
    if (!table.ok) {
        files.error = table.error;
        return files;
    }
    const QList<int> mapping = exchange::guessMapping(table.headings);
    const qsizetype idColumn = mapping.indexOf(exchange::IdField);
    const qsizetype addressColumn = mapping.indexOf(members::fieldRow("Address1"));
    const qsizetype emailColumn = mapping.indexOf(members::fieldRow("Email"));
    if (idColumn < 0 || addressColumn < 0 || emailColumn < 0 || table.rows.isEmpty()) {
        files.error = QStringLiteral("the export has no identifier, address or e-mail column");
        return files;
    }
    QList<QStringList> rows = table.rows;
    for (QStringList &row : rows)
        while (row.size() < table.headings.size())
            row.append(QString());
    const qsizetype n = rows.size();
    const auto changed = [&](QStringList row, qsizetype k) {
        row[addressColumn] = QStringLiteral("%1 Changed Road").arg(k);
        return row;
    };
    const auto added = [&](QStringList row, qsizetype k) {
        row[idColumn].clear();
        row[addressColumn] = QStringLiteral("%1 Importer Lane").arg(k);
        row[emailColumn] = QStringLiteral("new%1@example.org").arg(k);
        return row;
    };
    QList<QStringList> preview, changes, fresh;
    for (qsizetype i = 0; i < n; ++i) {
        const bool hundredth = i % 100 == 50, tenth = i % 10 == 5;
        preview.append(hundredth ? changed(rows[i], i) : rows[i]);
        files.previewChanged += hundredth;
        if (tenth)
            changes.append(changed(rows[i], i));
        fresh.append(added(rows[i], i));
    }
    files.changesChanged = changes.size();
    for (qsizetype k = 0; k < std::max<qsizetype>(1, n / 100); ++k)
        preview.append(added(rows[(k * 100 + 25) % n], n + k));
    files.previewAdded = preview.size() - n;
    for (qsizetype k = 0; k < std::max<qsizetype>(1, n / 10); ++k)
        changes.append(added(rows[(k * 10 + 2) % n], 2 * n + k));
    files.changesAdded = changes.size() - files.changesChanged;
    files.preview = dir + QStringLiteral("/preview.csv");
    files.changes = dir + QStringLiteral("/changes.csv");
    files.fresh = dir + QStringLiteral("/new-members.csv");
    for (const auto &[path, rowsOut] :
         {std::pair{files.preview, &preview}, {files.changes, &changes}, {files.fresh, &fresh}})
        if (files.error.isEmpty())
            writeCsv(path, table.headings, *rowsOut, &files.error);
    return files;
}

// A copy of the application folder as the roll benchmarks left it, and the library object in
// it, created as benchLibrary creates it. Everything the copy wrote is on disk before the clock
// starts, so an import's syncs write only the import.
struct Library {
    std::unique_ptr<_libClub> club;
    _libClub2 *club2 = nullptr;
    QString error;
};

Library freshLibrary(const QString &from, const QString &to) {
    Library l;
    QDir(to).removeRecursively();
    if (!copyFolder(from, to)) {
        l.error = QStringLiteral("cannot copy the application folder");
        return l;
    }
    ::sync();
    setAppFolder(to);
    try {
        l.club.reset(createObjectAs<_libClub>(QString::fromLatin1(libClubClassName)));
        l.club2 = qobject_cast<_libClub2 *>(dynamic_cast<QObject *>(l.club.get()));
        if (!l.club2)
            l.error = QStringLiteral("the library offers no imports");
        // A process checks the roll at its first call; the program has made it by now.
        else if (!l.club->GetNewMemberID())
            l.error = QStringLiteral("the roll could not be read");
    } catch (...) {
        l.error = currentFailure(std::current_exception()).description();
    }
    return l;
}

// What the wizard does before it shows the rows: read the file, guess the columns, load the
// members and the lists, judge every row.
struct Preview {
    std::optional<exchange::ImportPlan> plan;
    QString error;
};

Preview previewImport(_libClub &club, const QString &path) {
    Preview p;
    try {
        const TableRead table = readTableFile(path);
        if (!table.ok) {
            p.error = table.error;
            return p;
        }
        const QList<int> mapping = exchange::guessMapping(table.headings);
        const RecordsetPtr members = club.LoadMembers();
        if (!members) {
            p.error = QStringLiteral("LoadMembers failed");
            return p;
        }
        p.plan.emplace(table, mapping, *members, exchange::importLists(club));
    } catch (...) {
        p.error = currentFailure(std::current_exception()).description();
    }
    return p;
}

QString planCounts(const exchange::ImportPlan &plan) {
    using exchange::Action;
    QString s = QStringLiteral("add %1, update %2, skip %3")
                    .arg(counted(plan.count(Action::Add)), counted(plan.count(Action::Update)),
                         counted(plan.count(Action::Skip)));
    if (const int refused = plan.count(Action::Refused)) {
        QString reason;
        for (const exchange::PlannedRow &row : plan.rows())
            if (row.action == Action::Refused) {
                reason = row.reason.simplified();
                break;
            }
        s += QStringLiteral(", refused %1 (\"%2\")").arg(counted(refused), reason);
    }
    return s;
}

// Hands the members to the library; the identifiers given, or the failure's words.
struct Imported {
    double ms = -1;
    QString error;
};

Imported importMembers(_libClub2 &club2, const QString &source,
                       const QList<ImportedMember> &members, qsizetype additions) {
    Imported r;
    qsizetype reported = 0;
    try {
        const double t0 = nowMs();
        const QStringList ids = club2.ImportMembers(source, members, [&](qsizetype done) {
            reported = done;
            return true;
        });
        r.ms = nowMs() - t0;
        if (ids.size() != additions || reported != members.size())
            r.error = QStringLiteral("%1 identifiers given for %2 additions, progress at %3 of %4")
                          .arg(ids.size())
                          .arg(additions)
                          .arg(reported)
                          .arg(members.size());
    } catch (...) {
        r.error = currentFailure(std::current_exception()).description();
    }
    return r;
}

// LibreOffice converting the CSV the export wrote to a workbook, against our own .xlsx export.
void benchPeerWorkbook(Table &t, const Options &o, const QString &csv, const QString &dir, qint64 n,
                       double xlsxMs) {
    Figure &f = t.at(QStringLiteral("Peer: LibreOffice CSV to .xlsx (same rows)"), n);
    const Office &lo = office(o);
    if (!QFileInfo::exists(csv)) {
        f.note = QStringLiteral("not measured (no CSV export)");
        return;
    }
    if (!lo.missing.isEmpty()) {
        f.note = lo.missing;
        return;
    }
    const QString out = dir + QStringLiteral("/peer");
    const QString workbook =
        out + u'/' + QFileInfo(csv).completeBaseName() + QStringLiteral(".xlsx");
    std::vector<double> wall;
    for (int i = 0; i < (n >= 100000 ? 1 : 3); ++i) {
        QDir(out).removeRecursively();
        // Comma, double quote, UTF-8, from the first line: the file as the export wrote it.
        const Timed r =
            timeCommand(lo.program,
                        lo.args
                            + QStringList{QStringLiteral("--infilter=CSV:44,34,76,1"),
                                          QStringLiteral("--convert-to"), QStringLiteral("xlsx"),
                                          QStringLiteral("--outdir"), out, csv},
                        {});
        if (!r.error.isEmpty() || QFileInfo(workbook).size() == 0) {
            f.note = r.error.isEmpty() ? QStringLiteral("LibreOffice wrote no workbook") : r.error;
            return;
        }
        wall.push_back(r.wallMs);
    }
    f.value = median(wall);
    f.note = QStringLiteral("file %1").arg(fileMb(workbook));
    if (xlsxMs > 0)
        f.note += QStringLiteral("; x%1 our .xlsx export").arg(f.value / xlsxMs, 0, 'f', 1);
}

// The import's preview, the import itself, and an import of as many new members as the roll
// holds, in this process, each on a copy of the roll as the benchmarks above left it.
void benchImport(Table &t, const Options &o, const QString &folder, const QString &csv, qint64 n) {
    const QString dir = QFileInfo(csv).absolutePath();
    const QString copy = QDir(o.work).absoluteFilePath(QStringLiteral("exchange-folder"));
    const QString previewRow = QStringLiteral("Import preview (read + match)");
    const QString importRow = QStringLiteral("Import (ImportMembers)");
    const QString freshRow = QStringLiteral("Import of as many new rows as the roll holds "
                                            "(preview + ImportMembers)");
    if (!QFileInfo::exists(csv)) {
        for (const QString &row : {previewRow, importRow, freshRow})
            t.at(row, n).note = QStringLiteral("not measured (no CSV export)");
        return;
    }
    const ImportFiles files = makeImportFiles(csv, dir);
    if (!files.error.isEmpty()) {
        for (const QString &row : {previewRow, importRow, freshRow})
            t.at(row, n).note = files.error;
        return;
    }
    int failures = 0;
    setMsgBoxHandler([&](const MsgBoxRequest &r) {
        ++failures, say("bench: library message: %s\n", r.prompt);
        return Mb::OK;
    });
    const int runs = std::max(3, o.runs / 2);

    // The preview only reads: one copy of the folder serves all its runs.
    QList<ImportedMember> changes;
    {
        Figure &f = t.at(previewRow, n);
        Library lib = freshLibrary(folder, copy);
        std::vector<double> times;
        for (int i = 0; i < runs && lib.error.isEmpty(); ++i) {
            const double t0 = nowMs();
            const Preview p = previewImport(*lib.club, files.preview);
            times.push_back(nowMs() - t0);
            if (!p.error.isEmpty())
                lib.error = p.error;
            else if (i == runs - 1)
                f.note = planCounts(*p.plan);
        }
        // The import's members, planned as the wizard plans them.
        if (lib.error.isEmpty()) {
            const Preview p = previewImport(*lib.club, files.changes);
            if (p.plan)
                changes = p.plan->toImport();
        }
        if (!lib.error.isEmpty())
            f.note = lib.error;
        else
            f.value = median(times);
    }

    {
        Figure &f = t.at(importRow, n);
        std::vector<double> times;
        QString fault;
        if (changes.size() != files.changesChanged + files.changesAdded)
            fault = QStringLiteral("the plan holds %1 members to import, not %2")
                        .arg(changes.size())
                        .arg(files.changesChanged + files.changesAdded);
        for (int i = 0; i < runs && fault.isEmpty(); ++i) {
            Library lib = freshLibrary(folder, copy);
            const Imported r = lib.error.isEmpty() ? importMembers(*lib.club2, files.changes,
                                                                   changes, files.changesAdded)
                                                   : Imported{-1, lib.error};
            fault = r.error;
            times.push_back(r.ms);
        }
        f.value = fault.isEmpty() ? median(times) : -1;
        f.note = QStringLiteral("%1 updated + %2 added")
                     .arg(counted(files.changesChanged), counted(files.changesAdded));
        if (!fault.isEmpty())
            f.note += QStringLiteral("; ") + fault;
    }

    {
        Figure &f = t.at(freshRow, n);
        std::vector<double> totals, previews, imports;
        QString fault;
        for (int i = 0; i < (n >= 100000 ? 1 : 3) && fault.isEmpty(); ++i) {
            Library lib = freshLibrary(folder, copy);
            if (!lib.error.isEmpty()) {
                fault = lib.error;
                break;
            }
            const double t0 = nowMs();
            const Preview p = previewImport(*lib.club, files.fresh);
            if (!p.error.isEmpty()) {
                fault = p.error;
                break;
            }
            const QList<ImportedMember> members = p.plan->toImport();
            const double previewed = nowMs() - t0;
            const Imported r = importMembers(*lib.club2, files.fresh, members, n);
            fault = r.error;
            previews.push_back(previewed);
            imports.push_back(r.ms);
            totals.push_back(nowMs() - t0);
        }
        f.value = fault.isEmpty() ? median(totals) : -1;
        f.note = QStringLiteral("preview %1 + import %2; %3 added")
                     .arg(ms(median(previews)), ms(median(imports)), counted(n));
        if (!fault.isEmpty())
            f.note += QStringLiteral("; ") + fault;
    }
    setMsgBoxHandler({});
    QDir(copy).removeRecursively();
    if (failures)
        t.at(previewRow, n).note += QStringLiteral("; %1 library message(s)").arg(failures);
}

// The export as a script runs it, whole roll, each format; then the import's preview, the
// import itself, and an import of as many new members as the roll holds, in this process on
// copies of the roll; then LibreOffice converting the CSV the export wrote to a workbook.
void benchExchange(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString tool = folder + QStringLiteral("/qmr");
    const QString dir = QDir(o.work).absoluteFilePath(QStringLiteral("exchange-%1").arg(n));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString csv = dir + QStringLiteral("/members.csv");
    const QString xlsx = dir + QStringLiteral("/members.xlsx");
    const QString csvRow = QStringLiteral("Export to CSV (qmr export)");
    const QString xlsxRow = QStringLiteral("Export to .xlsx (qmr export)");
    double xlsxMs = -1;
    for (const auto &[row, out] : {std::pair{csvRow, csv}, std::pair{xlsxRow, xlsx}}) {
        Figure &f = t.at(row, n);
        if (!QFileInfo(tool).isExecutable()) {
            f.note = QStringLiteral("not measurable (no qmr)");
            continue;
        }
        const int runs = n >= 100000 ? 3 : std::max(3, o.runs / 2);
        std::vector<double> wall, rss;
        Timed last;
        for (int i = 0; i < runs && last.error.isEmpty(); ++i) {
            last = timeCommand(tool,
                               {QStringLiteral("export"), QStringLiteral("--roster"),
                                QStringLiteral("all"), QStringLiteral("--out"), out,
                                QStringLiteral("--app-folder"), folder},
                               {});
            wall.push_back(last.wallMs);
            rss.push_back(last.rssMb);
        }
        if (!last.error.isEmpty()) {
            f.note = last.error;
            continue;
        }
        f.value = median(wall);
        f.note = QStringLiteral("%1 MB peak, file %2").arg(median(rss), 0, 'f', 0).arg(fileMb(out));
        if (row == xlsxRow)
            xlsxMs = f.value;
    }

    benchImport(t, o, folder, csv, n);
    benchPeerWorkbook(t, o, csv, dir, n, xlsxMs);
}

// ---- dues ----------------------------------------------------------------------------------

// Five yearly payments a member, chained, the last ending anywhere from 400 days ago to 330
// days ahead, so every standing occurs; one statement, as a roll kept for five years holds them.
QString addPayments(const QString &roll, const QDate &today) {
    const QString sql =
        QStringLiteral(
            "WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k WHERE i < 4), "
            "m AS (SELECT MemberID, Membership, Dues, "
            "date('%1', ((ID * 7919) % 730 - 400) || ' days') AS last FROM tblMembers), "
            "p AS (SELECT m.*, date(last, '-' || (12 * (4 - i)) || ' months') AS upto, i FROM m, "
            "k) "
            "INSERT INTO tblPayments (MemberID, ReceivedOn, Amount, PeriodFrom, PeriodTo, Method, "
            "Reference, Note, Membership, RecordedAt) "
            "SELECT MemberID, date(upto, '-12 months', '-6 days'), Dues, "
            "date(upto, '-12 months', '+1 day'), upto, "
            "CASE i % 4 WHEN 0 THEN 'cheque' WHEN 1 THEN 'cash' WHEN 2 THEN 'transfer' ELSE 'card' "
            "END, "
            "'', '', Membership, date(upto, '-12 months', '-6 days') || 'T12:00:00+00:00' FROM p")
            .arg(today.toString(Qt::ISODate));
    sqlite3 *db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(roll).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
            != SQLITE_OK
        || sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    return error;
}

void benchDues(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString open = QStringLiteral(
        "Dues and Renewals: open, list and the year's totals shown (5 payments a member)");
    const QString filter = QStringLiteral("Dues and Renewals: change of filter");
    const QString record = QStringLiteral("Record a payment (history row included)");
    const QString letters = QStringLiteral("Reminder letters to PDF (10,000, or the roll)");
    const QString dir = QDir(o.work).absoluteFilePath(QStringLiteral("dues-%1").arg(n));
    Library l = freshLibrary(folder, dir);
    const QDate today = currentDateTime().date();
    // The first change brings the roll up to date; the payments go straight in after it.
    if (l.error.isEmpty()) {
        try {
            l.club2->SaveSetting(QLatin1String(SettingName::ReminderText),
                                 dues::defaultReminderText());
            l.error = addPayments(dir + QStringLiteral("/club/club.qmr"), today);
        } catch (...) {
            l.error = currentFailure(std::current_exception()).description();
        }
    }
    if (!l.error.isEmpty()) {
        for (const QString &row : {open, filter, record, letters})
            t.at(row, n).note = l.error;
        return;
    }
    QDir::setCurrent(dir);
    setMsgBoxHandler([](const MsgBoxRequest &r) {
        say("bench: dues message: %s\n", r.prompt);
        return Mb::OK;
    });
    NewClub();

    // The window as the menu opens it, until its list is filled and painted.
    const int runs = n >= 100000 ? 3 : o.runs;
    std::vector<double> opens, filters;
    std::unique_ptr<frmDues> form;
    for (int i = 0; i < runs; ++i) {
        form.reset();
        const double t0 = nowMs();
        form = std::make_unique<frmDues>();
        form->resize(1200, 800);
        form->show();
        QCoreApplication::processEvents();
        if (!QTest::qWaitForWindowExposed(form.get()))
            say("bench: the dues window was not exposed\n");
        QCoreApplication::processEvents();
        // The money received is read just after the list shows.
        while (form->lblTotals->text().isEmpty() && nowMs() - t0 < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        opens.push_back(nowMs() - t0);
    }
    const auto counts = form->list().counts();
    const int judged = std::accumulate(counts.begin(), counts.end(), 0);
    t.at(open, n).value = median(opens);
    if (judged != n)
        t.at(open, n).note = QStringLiteral("%1 members judged, not %2").arg(judged).arg(n);
    else
        t.at(open, n).note = QStringLiteral("%1 paid, %2 due, %3 lapsed")
                                 .arg(counts[size_t(dues::Standing::Paid)])
                                 .arg(counts[size_t(dues::Standing::Due)])
                                 .arg(counts[size_t(dues::Standing::Lapsed)]);
    // Each choice of "Show" in turn, until the list is laid out again.
    for (int i = 0; i < o.runs * 2; ++i) {
        const double t0 = nowMs();
        form->cboShow->setCurrentIndex((form->cboShow->currentIndex() + 1)
                                       % form->cboShow->count());
        QCoreApplication::processEvents();
        filters.push_back(nowMs() - t0);
    }
    t.at(filter, n).value = median(filters);
    const QStringList ids = form->shownMemberIds();
    form.reset();

    std::vector<double> records;
    for (int i = 0; i < std::max(o.runs * 2, 11) && i < ids.size(); ++i) {
        DuesPayment p{ids[i],
                      today,
                      25,
                      today,
                      today.addYears(1).addDays(-1),
                      QStringLiteral("cheque"),
                      QString::number(1000 + i)};
        const double t0 = nowMs();
        try {
            l.club2->RecordPayment(p);
        } catch (...) {
            t.at(record, n).note = currentFailure(std::current_exception()).description();
            break;
        }
        records.push_back(nowMs() - t0);
    }
    t.at(record, n).value = median(records);

    dues::DuesList list;
    list.setRows(l.club2->DuesStanding());
    list.judge(today, dues::DefaultDueDays);
    std::vector<int> rows =
        list.select({dues::Standing::Paid, dues::Standing::Due, dues::Standing::Lapsed,
                     dues::Standing::NeverPaid, dues::Standing::Life},
                    {});
    rows.resize(std::min<size_t>(rows.size(), 10000));
    const RecordsetPtr chosen = list.selection(rows);
    const dues::ClubLetterhead head{
        QStringLiteral("Bench Club"),
        {QStringLiteral("1 Main St"), QStringLiteral("Portland, ME 04101")},
        QStringLiteral("207-555-0100"),
        QStringLiteral("club@example.org")};
    std::vector<double> pdfs;
    int pages = -1;
    for (int i = 0; i < 3; ++i) {
        const double t0 = nowMs();
        const auto report = dues::buildReminderLetters(head, dues::defaultReminderText(), chosen);
        pages = report->writePdf(dir + QStringLiteral("/letters.pdf"));
        pdfs.push_back(nowMs() - t0);
    }
    t.at(letters, n).value = median(pdfs);
    t.at(letters, n).note =
        QStringLiteral("%1 pages, %2").arg(pages).arg(fileMb(dir + QStringLiteral("/letters.pdf")));
    objClub.reset();
    setMsgBoxHandler({});
}

// ---- mailing labels ------------------------------------------------------------------------

void benchLabels(Table &t, const Options &o, const QString &folder, qint64 n) {
    const QString grouping = QStringLiteral("Mailing labels: one per household, grouped");
    const QString pdf = QStringLiteral("Mailing labels: 10,000 (5160) to PDF, or the roll");
    setAppFolder(folder);
    RecordsetPtr rows;
    try {
        std::unique_ptr<_libClub> club(
            createObjectAs<_libClub>(QString::fromLatin1(libClubClassName)));
        rows = club->LoadMembers();
    } catch (...) {
        const QString error = currentFailure(std::current_exception()).description();
        t.at(grouping, n).note = t.at(pdf, n).note = error;
        return;
    }
    std::vector<double> groups;
    labels::LabelRun run;
    for (int i = 0; i < o.runs; ++i) {
        const double t0 = nowMs();
        run = labels::makeLabels(*rows, true, labels::LabelOrder::PostalCode);
        groups.push_back(nowMs() - t0);
    }
    t.at(grouping, n).value = median(groups);
    t.at(grouping, n).note =
        QStringLiteral("%1 labels, %2 households").arg(run.labels.size()).arg(run.households);

    QList<labels::MailingLabel> each =
        labels::makeLabels(*rows, false, labels::LabelOrder::LastName,
                           labels::nameChars(*labels::sheetByCode(QStringLiteral("5160"))))
            .labels;
    each = each.mid(0, 10000);
    const QString file = QDir(o.work).absoluteFilePath(QStringLiteral("labels-%1.pdf").arg(n));
    std::vector<double> pdfs;
    int pages = -1;
    for (int i = 0; i < 3; ++i) {
        const double t0 = nowMs();
        pages = labels::buildLabelReport(*labels::sheetByCode(QStringLiteral("5160")), each)
                    ->writePdf(file);
        pdfs.push_back(nowMs() - t0);
    }
    t.at(pdf, n).value = median(pdfs);
    t.at(pdf, n).note =
        QStringLiteral("%1 labels, %2 pages, %3").arg(each.size()).arg(pages).arg(fileMb(file));
}

// ---- start-up ------------------------------------------------------------------------------

struct ProbeDisplay {
    std::unique_ptr<QProcess> server;
    QString name; // empty: offscreen
};

ProbeDisplay startDisplay() {
    ProbeDisplay d;
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        return d;
    d.server = std::make_unique<QProcess>();
    d.server->start(xvfb,
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1280x1024x24")});
    if (d.server->waitForReadyRead(10000))
        d.name = u':' + QString::fromLatin1(d.server->readLine().trimmed());
    if (d.name.size() < 2) {
        d.server->kill();
        d.server->waitForFinished();
        d.server.reset();
        d.name.clear();
    }
    return d;
}

void stopDisplay(ProbeDisplay &d) {
    if (!d.server)
        return;
    d.server->terminate();
    if (!d.server->waitForFinished(5000))
        d.server->kill();
    d.server->waitForFinished();
    d.server.reset();
}

void benchStartup(Table &t, const Options &o, const QString &folder, qint64 n,
                  const ProbeDisplay &display) {
    const QString row =
        QStringLiteral("Start-up to splash shown")
        + (display.name.isEmpty() ? QStringLiteral(" (offscreen)") : QStringLiteral(" (Xvfb)"));
    std::vector<double> times;
    QString outcome;
    for (int i = 0; i < o.runs; ++i) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (display.name.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), display.name);
        }
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QDir::tempPath());
        const double t0 = nowMs();
        p.start(o.probe, {QStringLiteral("--app-folder"), folder});
        if (!p.waitForStarted()) {
            outcome = QStringLiteral("probe did not start");
            break;
        }
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            outcome = QStringLiteral("probe timed out");
            break;
        }
        const QStringList words = QString::fromLatin1(p.readAllStandardOutput()).split(u' ');
        if (words.size() < 2 || words[0] != u"splash") {
            outcome = words.value(0) == u"main" ? QStringLiteral("no splash: main window first")
                                                : QStringLiteral("splash never shown");
            break;
        }
        times.push_back(words[1].trimmed().toLongLong() / 1e6 - t0);
    }
    Figure &f = t.at(row, n);
    f.value = median(times);
    f.note = outcome;
}

// ---- the table -----------------------------------------------------------------------------

QString machine() {
    const QString cpu = readAll(QStringLiteral("/proc/cpuinfo"))
                            .section(QStringLiteral("model name"), 1, 1)
                            .section(u'\n', 0, 0)
                            .section(u':', 1)
                            .trimmed();
    const double ramKb = readAll(QStringLiteral("/proc/meminfo"))
                             .section(u'\n', 0, 0)
                             .section(u':', 1)
                             .trimmed()
                             .section(u' ', 0, 0)
                             .toDouble();
    return QStringLiteral("%1 cores (nproc), %2, %3 GiB RAM")
        .arg(QThread::idealThreadCount())
        .arg(cpu.isEmpty() ? QStringLiteral("unknown CPU") : cpu)
        .arg(ramKb / 1024 / 1024, 0, 'f', 1);
}

void print(const Table &t, const Options &o) {
    std::printf("Machine: %s\n", qPrintable(machine()));
    std::printf("Medians of %d runs (roster tool: 3 or more, writes: %d calls); (floor x N) = "
                "our time as a multiple of the sqlite3 shell doing the same statement.\n\n",
                o.runs, std::max(o.runs * 2, 11));
    QString head = QStringLiteral("| measure |");
    QString rule = QStringLiteral("|---|");
    for (qint64 s : o.sizes) {
        head += QStringLiteral(" %1 members |").arg(QLocale(QLocale::English).toString(s));
        rule += QStringLiteral("---:|");
    }
    std::printf("%s\n%s\n", qPrintable(head), qPrintable(rule));
    for (const QString &name : t.order) {
        const Row &row = t.rows.at(name);
        QString line = QStringLiteral("| ") + name + QStringLiteral(" |");
        for (qint64 s : o.sizes) {
            const auto it = row.find(s);
            QString cell;
            if (it != row.end()) {
                const Figure &f = it->second;
                if (f.value >= 0)
                    cell = ms(f.value);
                if (f.value >= 0 && f.floor > 0)
                    cell += QStringLiteral(" (floor %1, x%2)")
                                .arg(ms(f.floor))
                                .arg(f.value / f.floor, 0, 'f', 1);
                if (!f.note.isEmpty())
                    cell += (cell.isEmpty() ? QString() : QStringLiteral("; ")) + f.note;
            }
            line += u' ' + (cell.isEmpty() ? QStringLiteral("—") : cell) + QStringLiteral(" |");
        }
        std::printf("%s\n", qPrintable(line));
    }
    std::fflush(stdout);
}

std::optional<Options> parse(const QStringList &args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString v = args[++i];
        if (a == u"--work")
            o.work = v;
        else if (a == u"--template")
            o.templateFolder = v;
        else if (a == u"--make-roll")
            o.makeRoll = v;
        else if (a == u"--probe")
            o.probe = v;
        else if (a == u"--runs")
            o.runs = std::max(1, v.toInt());
        else if (a == u"--seed")
            o.seed = v.toULongLong();
        else if (a == u"--sizes") {
            o.sizes.clear();
            for (const QString &s : v.split(u','))
                o.sizes.append(s.toLongLong());
        } else
            return std::nullopt;
    }
    if (o.work.isEmpty() || o.templateFolder.isEmpty() || o.makeRoll.isEmpty() || o.probe.isEmpty())
        return std::nullopt;
    // The probe runs from another working folder.
    for (QString *path : {&o.work, &o.templateFolder, &o.makeRoll, &o.probe})
        *path = QFileInfo(*path).absoluteFilePath();
    return o;
}

} // namespace

int main(int argc, char **argv) {
    // The forms are measured without a screen; start-up gets its own display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::optional<Options> opt = parse(app.arguments());
    if (!opt) {
        std::fprintf(stderr, "usage: qmr-bench --work DIR --template APPDIR --make-roll PROGRAM "
                             "--probe PROGRAM [--runs N] [--sizes 1000,10000,100000] [--seed S]\n");
        return 2;
    }
    const Options &o = *opt;
    Table t;
    ProbeDisplay display = startDisplay();
    for (qint64 n : o.sizes) {
        const QString folder = QDir(o.work).absoluteFilePath(QStringLiteral("roll-%1").arg(n));
        QDir(folder).removeRecursively();
        if (!copyFolder(o.templateFolder, folder)) {
            say("bench: cannot copy the application folder to %s\n", folder);
            return 1;
        }
        say("bench: %s\n", QStringLiteral("%1 members").arg(n));
        QProcess mk;
        mk.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const double t0 = nowMs();
        mk.start(o.makeRoll, {QStringLiteral("--members"), QString::number(n),
                              QStringLiteral("--app-folder"), folder, QStringLiteral("--seed"),
                              QString::number(o.seed), QStringLiteral("--replace")});
        mk.waitForFinished(-1);
        if (mk.exitCode() != 0) {
            say("bench: make-roll failed for %s\n", folder);
            return 1;
        }
        t.at(QStringLiteral("make-roll (one transaction)"), n).value = nowMs() - t0;

        benchLibrary(t, o, folder, n);
        benchBackup(t, o, folder, n);
        benchForm(t, o, folder, n, t.at(QStringLiteral("LoadMembers"), n).floor);
        benchRosters(t, o, folder, n);
        benchExchange(t, o, folder, n);
        benchDues(t, o, folder, n);
        benchLabels(t, o, folder, n);
        benchPeer(t, o, folder, n);
        benchStartup(t, o, folder, n, display);
    }
    stopDisplay(display);
    print(t, o);
    return 0;
}
