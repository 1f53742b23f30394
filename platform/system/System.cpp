#include "System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

namespace {
QString &folderOverride() {
    static QString f;
    return f;
}
std::function<QDateTime()> &clockHook() {
    static std::function<QDateTime()> c;
    return c;
}
std::function<void(int)> &endHook() {
    static std::function<void(int)> h;
    return h;
}
} // namespace

QString appFolder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setAppFolder(const QString &folder) {
    folderOverride() = QDir::cleanPath(folder);
}

QString appPath(const QString &suffix) {
    return appFolder() + QString(suffix).replace(u'\\', u'/');
}

void loadBundledFonts() {
    const QDir fonts(appPath(QStringLiteral("/fonts")));
    for (const QFileInfo &font : fonts.entryInfoList(
             {QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files, QDir::Name))
        if (QFontDatabase::addApplicationFont(font.absoluteFilePath()) < 0)
            qWarning("Cannot load the font %s", qPrintable(font.absoluteFilePath()));
}

namespace {
// Released when the process ends, by endProcess or at exit. A claim whose lock file is gone
// already (its folder was removed) has nothing left to remove and is kept as it is.
struct Claims {
    std::map<QString, std::unique_ptr<QLockFile>> locks;
    void release() {
        static auto *gone = new std::vector<std::unique_ptr<QLockFile>>; // never destroyed
        for (auto &entry : locks)
            if (!QFileInfo::exists(entry.second->fileName()))
                gone->push_back(std::move(entry.second));
        locks.clear();
    }
    ~Claims() { release(); }
};
Claims &claims() {
    static Claims c;
    return c;
}

QString &lockSuffix() {
    static QString s = QStringLiteral(".lock");
    return s;
}
} // namespace

void setInstanceLockSuffix(const QString &suffix) {
    if (!suffix.isEmpty()) // an empty one would lock the guarded file itself
        lockSuffix() = suffix;
}

bool anotherInstanceRunning(const QString &guardedFile) {
    auto &claims = ::claims().locks;
    // Every name of the file leads to one lock: a second folder whose file is a link to this
    // one, or another login, meets the same lock. The name is none of the engine's own.
    const QFileInfo file(guardedFile);
    const QString canonical = file.canonicalFilePath();
    const QString target = canonical.isEmpty() ? file.absoluteFilePath() : canonical;
    if (claims.count(target))
        return false;
    auto lock = std::make_unique<QLockFile>(target + lockSuffix());
    // A lock whose owner process is gone is stale and is taken over at once.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        // Only a live holder refuses; a folder where no lock can be made does not.
        return lock->error() == QLockFile::LockFailedError;
    claims[target] = std::move(lock);
    return false;
}

bool startCommand(const QString &commandLine, bool) {
    QStringList args = QProcess::splitCommand(commandLine);
    if (args.isEmpty())
        return false;
    const QString program = args.takeFirst();
    return QProcess::startDetached(program, args);
}

QDateTime currentDateTime() {
    return clockHook() ? clockHook()() : QDateTime::currentDateTime();
}

void setClock(std::function<QDateTime()> c) {
    clockHook() = std::move(c);
}

namespace {
bool g_ending = false;
}

bool processEnding() {
    return g_ending;
}

void resetProcessEnding() {
    g_ending = false;
}

void endProcess(int code) {
    g_ending = true;
    if (endHook()) {
        endHook()(code);
        return;
    }
    claims().release();
    std::fflush(nullptr);
    std::_Exit(code);
}

void setProcessEndHook(std::function<void(int)> hook) {
    endHook() = std::move(hook);
}

void processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace Registry {
namespace {
using Values = QMap<QString, QString>; // value name (lower case) -> data
QMap<QString, Values> &hive() {
    static QMap<QString, Values> h = [] {
        QMap<QString, Values> m;
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (!opener.isEmpty())
            m[QStringLiteral("%1\\htmlfile\\shell\\open\\command").arg(ClassesRoot)][QString()] =
                opener;
        return m;
    }();
    return h;
}
QString keyName(quint32 root, const QString &path) {
    return QStringLiteral("%1\\%2").arg(root).arg(path.toLower());
}
QMap<quintptr, QString> &openKeys() {
    static QMap<quintptr, QString> k;
    return k;
}
} // namespace

Key openKey(quint32 root, const QString &path, quint32) {
    const QString name = keyName(root, path);
    if (root == 0 || !hive().contains(name))
        return 0;
    static Key next = 1;
    openKeys().insert(next, name);
    return next++;
}

std::optional<QString> queryString(Key key, const QString &valueName) {
    const auto k = openKeys().constFind(key);
    if (k == openKeys().constEnd())
        return std::nullopt;
    const Values &values = hive()[*k];
    const auto v = values.constFind(valueName.toLower());
    if (v == values.constEnd())
        return std::nullopt;
    return *v;
}

void closeKey(Key key) {
    openKeys().remove(key);
}

void setString(quint32 root, const QString &path, const QString &valueName, const QString &value) {
    hive()[keyName(root, path)][valueName.toLower()] = value;
}
} // namespace Registry
