#include "TestSupport.h"
#include "component/Component.h"
#include "db/Connection.h"
#include "system/ErrorLog.h"
#include "system/System.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QPointer>
#include <QTest>
#include <sqlite3.h>

namespace {
// Every test process names itself as the program does at start, before any test runs.
void nameLikeTheProgram() {
    setAppTitle(QStringLiteral("Quillmere"));
    setErrorLogBanner(QStringLiteral("Quillmere - Error Log"));
    setInstanceLockSuffix(QStringLiteral(".inuse"));
}
} // namespace
Q_CONSTRUCTOR_FUNCTION(nameLikeTheProgram)

QString builtAppFolder() {
    return QStringLiteral(QMR_BUILT_APP_DIR);
}

void buildRoll(const QString &path) {
    QString script;
    for (const QString &file : QStringLiteral(QMR_SCHEMA_FILES).split(u'|')) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file));
        script += QString::fromUtf8(f.readAll()) + u'\n';
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    // One transaction: a sync per lookup row would make every fresh roll take seconds.
    createDatabaseFromScript(path, QStringLiteral("BEGIN;") + script + QStringLiteral("COMMIT;"));
}

namespace {
void copyTree(const QString &from, const QString &to) {
    QDir().mkpath(to);
    const QDir src(from);
    for (const QFileInfo &fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            copyTree(fi.filePath(), to + u'/' + fi.fileName());
        else
            QFile::copy(fi.filePath(), to + u'/' + fi.fileName());
    }
}
} // namespace

TempAppFolder::TempAppFolder(bool withRoll) {
    const QString built = builtAppFolder();
    const QDir src(built);
    for (const QFileInfo &fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = path() + u'/' + fi.fileName();
        if (fi.fileName() == QLatin1String("club") || fi.fileName() == QLatin1String("error.log"))
            continue;
        if (fi.isDir())
            copyTree(fi.filePath(), target);
        else if (QLibrary::isLibrary(fi.filePath()))
            QFile::link(fi.filePath(), target); // the very plugin the build made
        else
            // A copied program finds its folder (and so this roll) here, not in the build.
            QFile::copy(fi.filePath(), target);
    }
    QDir().mkpath(path() + QStringLiteral("/club"));
    if (withRoll)
        buildRoll(rollPath());
    setAppFolder(path());
}

TempAppFolder::~TempAppFolder() {
    setAppFolder(QString());
}

QString TempAppFolder::errorLog() const {
    QFile f(errorLogPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

namespace {
sqlite3 *openRaw(const QString &path) {
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(path));
    sqlite3_busy_timeout(db, 5000);
    return db;
}
} // namespace

void TempAppFolder::exec(const QString &sql) const {
    sqlite3 *db = openRaw(rollPath());
    char *err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err);
        sqlite3_free(err);
        sqlite3_close(db);
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(message));
    }
    sqlite3_close(db);
}

QStringList TempAppFolder::column(const QString &sql) const {
    sqlite3 *db = openRaw(rollPath());
    sqlite3_stmt *st = nullptr;
    QStringList out;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    } else {
        qWarning("SQL failed: %s: %s", qPrintable(sql), sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

std::unique_ptr<_libClub> TempAppFolder::newClub() const {
    return std::unique_ptr<_libClub>(
        createObjectAs<_libClub>(QString::fromLatin1(libClubClassName)));
}

MsgBoxRecorder::MsgBoxRecorder() {
    setMsgBoxHandler([this](const MsgBoxRequest &r) {
        m_shown.append(r);
        if (m_onShow)
            m_onShow(r);
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        switch (r.style & Mb::ButtonMask) {
        case Mb::YesNo:
            return int(Mb::Yes);
        default:
            return int(Mb::OK);
        }
    });
}

MsgBoxRecorder::~MsgBoxRecorder() {
    setMsgBoxHandler({});
}

QStringList MsgBoxRecorder::prompts() const {
    QStringList out;
    for (const auto &r : m_shown)
        out << r.prompt;
    return out;
}

EndRecorder::EndRecorder() {
    resetProcessEnding();
    setProcessEndHook([this](int) { ++m_calls; });
}

EndRecorder::~EndRecorder() {
    setProcessEndHook({});
    resetProcessEnding();
}

StatementRecorder::StatementRecorder() {
    Connection::setStatementObserver([this](const QString &s) { m_all << s; });
}

StatementRecorder::~StatementRecorder() {
    Connection::setStatementObserver({});
}

QStringList StatementRecorder::statements() const {
    QStringList out;
    for (const QString &s : m_all)
        if (!s.startsWith(QLatin1String("PRAGMA")) && s != QLatin1String("BEGIN")
            && s != QLatin1String("COMMIT") && s != QLatin1String("ROLLBACK"))
            out << s;
    return out;
}

void useRacingClock() {
    static qint64 reads = 0;
    setClock([] { return QDateTime(QDate(2026, 5, 1), QTime(8, 0)).addMSecs(250 * reads++); });
}

QStringList drawnTexts(const QList<DrawnItem> &items) {
    QStringList out;
    for (const DrawnItem &i : items)
        if (i.kind == DrawnItem::Kind::Text)
            out << i.text;
    return out;
}

void deletePreviewWindows() {
    QList<QPointer<QWidget>> previews;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName().startsWith(QLatin1String("rpt")))
            previews << w;
    qDeleteAll(previews);
}
