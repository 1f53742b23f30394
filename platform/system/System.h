#pragma once

#include "qmrplatform.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

// The folder that holds the program, without a trailing separator. Tests point it at a
// temporary copy of the application folder.
QMR_PLATFORM_EXPORT QString appFolder();
QMR_PLATFORM_EXPORT void setAppFolder(const QString &folder);
// The application folder followed by a fixed suffix such as "\data\file.db".
QMR_PLATFORM_EXPORT QString appPath(const QString &suffix);
// Registers every font in the application folder's fonts/ with the application, so a folder
// that carries its own faces (the portable archive) draws the reports with them on a desktop
// that lacks them. Needs the application object; without that folder it does nothing.
QMR_PLATFORM_EXPORT void loadBundledFonts();

// True when another process, of any user, holds the file (resolved through links) that this
// process now claims. The claim lasts for the life of the process; a crashed holder does not
// block the next start, and a folder where no claim can be made does not refuse the start.
QMR_PLATFORM_EXPORT bool anotherInstanceRunning(const QString &guardedFile);
// The lock is the guarded file's name followed by this suffix (".lock" until the program
// hands its own at start); every process that guards the file must use the same one.
QMR_PLATFORM_EXPORT void setInstanceLockSuffix(const QString &suffix);

// Starts a command line without waiting for it. False when it could not be started.
QMR_PLATFORM_EXPORT bool startCommand(const QString &commandLine, bool hiddenWindow);

// The clock, to whole seconds where callers need it; replaceable so tests control time.
QMR_PLATFORM_EXPORT QDateTime currentDateTime();
QMR_PLATFORM_EXPORT void setClock(std::function<QDateTime()> clock);

// Ends the process at once, without running the close handlers of open windows. Tests
// install a hook that records the call instead.
QMR_PLATFORM_EXPORT void endProcess(int code = 0);
QMR_PLATFORM_EXPORT void setProcessEndHook(std::function<void(int)> hook);
// True once endProcess ran (only observable while a hook keeps the process alive).
QMR_PLATFORM_EXPORT bool processEnding();
QMR_PLATFORM_EXPORT void resetProcessEnding();

// Lets the windowing system dispatch pending events.
QMR_PLATFORM_EXPORT void processEvents();

// The registry the program reads one value from. Only the classes root holds anything on
// this platform: the command that opens an HTML document maps to the desktop's opener.
namespace Registry {
constexpr quint32 ClassesRoot = 0x80000000;
constexpr quint32 CurrentUser = 0x80000001;
constexpr quint32 LocalMachine = 0x80000002;
constexpr quint32 Users = 0x80000003;
constexpr quint32 PerformanceData = 0x80000004;
constexpr quint32 CurrentConfig = 0x80000005;
constexpr quint32 DynData = 0x80000006;
constexpr quint32 FullAccess = 0xF003F;
using Key = quintptr;
// 0 when the key does not exist.
QMR_PLATFORM_EXPORT Key openKey(quint32 root, const QString &path, quint32 access);
QMR_PLATFORM_EXPORT std::optional<QString> queryString(Key key, const QString &valueName);
QMR_PLATFORM_EXPORT void closeKey(Key key);
// Tests add their own values beside the platform's.
QMR_PLATFORM_EXPORT void setString(quint32 root, const QString &path, const QString &valueName,
                                   const QString &value);
} // namespace Registry
