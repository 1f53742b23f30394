#include "System.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>
#include <memory>

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

bool anotherInstanceRunning() {
    static std::unique_ptr<QLockFile> claim;
    if (claim)
        return false;
    const QByteArray key = QCryptographicHash::hash(QDir(appFolder()).canonicalPath().toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    auto lock =
        std::make_unique<QLockFile>(dir + "/quillmere-" + QString::fromLatin1(key) + ".lock");
    // A lock whose owner process is gone is stale and is taken over at once.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            return true;
        return false; // the lock folder is unusable: do not refuse the start for that
    }
    claim = std::move(lock);
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
