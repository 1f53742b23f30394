#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace safefile {

namespace {
QString native(const QString &path) {
    return QDir::toNativeSeparators(path);
}
} // namespace

QString noRoom(const QString &folder) {
    return QStringLiteral("there is no room left on the disk that holds %1").arg(native(folder));
}

QString notWritable(const QString &folder, const QString &detail) {
    return QStringLiteral("the folder %1 cannot be written to (%2)").arg(native(folder), detail);
}

QString systemWords(int error, const QString &folder) {
    if (error == ENOSPC
#ifdef EDQUOT
        || error == EDQUOT
#endif
    )
        return noRoom(folder);
    if (error == EFBIG)
        return QStringLiteral("the file is larger than the disk that holds %1 allows for one "
                              "file")
            .arg(native(folder));
    const QString detail = QString::fromLocal8Bit(std::strerror(error));
    if (error == EACCES || error == EPERM || error == EROFS)
        return notWritable(folder, detail);
    return QStringLiteral("it could not be written to %1 (%2)").arg(native(folder), detail);
}

QString syncFile(const QString &path, const QString &folder) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return notWritable(folder, file.errorString());
    if (!file.flush())
        return systemWords(errno, folder);
#ifdef Q_OS_WIN
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))))
        return QStringLiteral("it could not be written to %1 (system error %2)")
            .arg(native(folder))
            .arg(GetLastError());
#else
    if (::fsync(file.handle()) != 0)
        return systemWords(errno, folder);
#endif
    return {};
}

QString replaceFile(const QString &from, const QString &to, const QString &folder) {
#ifdef Q_OS_WIN
    const std::wstring a = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring b = QDir::toNativeSeparators(to).toStdWString();
    if (!MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return QStringLiteral("it could not be given its name in %1 (system error %2)")
            .arg(native(folder))
            .arg(GetLastError());
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return systemWords(errno, folder);
#endif
    return {};
}

void syncFolder(const QString &folder) {
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

} // namespace safefile
