#pragma once

// Putting a finished file under its name so that a crash or a power cut leaves the old file or
// the whole new one, never a name on a half-written file; and why that failed, in words.
#include "qmrplatform.h"

#include <QString>

namespace safefile {

// Why a file could not be written into `folder`: a full disk, a folder that refuses writing,
// or the system's own words for errno `error`.
QMR_PLATFORM_EXPORT QString noRoom(const QString &folder);
QMR_PLATFORM_EXPORT QString notWritable(const QString &folder, const QString &detail);
QMR_PLATFORM_EXPORT QString systemWords(int error, const QString &folder);

// Empty when the file's content is on the disk, not only in the system's cache.
QMR_PLATFORM_EXPORT QString syncFile(const QString &path, const QString &folder);
// Gives `from` the name `to` in one step, replacing an older file of that name; empty when done.
QMR_PLATFORM_EXPORT QString replaceFile(const QString &from, const QString &to,
                                        const QString &folder);
// The new name itself is on the disk only once its folder is; where that cannot be done the
// file is whole all the same, only a power cut could lose its name.
QMR_PLATFORM_EXPORT void syncFolder(const QString &folder);

} // namespace safefile
