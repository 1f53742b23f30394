#include "modMain.h"
#include "backup/RollBackup.h"
#include "club/Roll.h"
#include "clubdetails/frmClubData.h"
#include "common/modGlobal.h"
#include "component/Component.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "system/ErrorLog.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <memory>

namespace {
QString g_helpFile;

const LogWriter StartUpLog{.label = QStringLiteral("SubMain Load Procedure"),
                           .bannerIndent = 13,
                           .separator = QStringLiteral("---"),
                           .startUp = true};

enum class Outcome { Next, Stop };

// The start-up error handler: a missing file or a path error lets start-up go on with the
// next step; anything else is logged and shown, and start-up stops.
Outcome handled(const std::function<void()> &step) {
    try {
        step();
        return processEnding() ? Outcome::Stop : Outcome::Next;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        if (f.number() == ErrNo::FileNotFound || f.number() == ErrNo::PathFileAccess) {
            setPointer(Pointer::Default);
            return processEnding() ? Outcome::Stop : Outcome::Next;
        }
        setPointer(Pointer::Busy);
        skipOnFailure([&] { writeErrorLog(StartUpLog, f.number(), f.description()); });
        setPointer(Pointer::Default);
        strProcedure = QStringLiteral("SubMain Load Procedure");
        MsgBox(QStringLiteral("ERROR #") + QString::number(f.number()) + LineBreak + LineBreak
                   + f.description() + LineBreak + QStringLiteral("In the: ModMain code module")
                   + LineBreak + QStringLiteral("Procedure: ") + strProcedure,
               Mb::Critical | Mb::OKOnly);
        return Outcome::Stop;
    }
}

// A roll of a newer version is only read; the secretary learns it once, at start.
void tellIfReadOnly() {
    int version = 0;
    if (!skipOnFailure([&] { version = club2().RollVersion(); }) || version <= RollSchemaVersion)
        return;
    MsgBox(QStringLiteral("This roll was saved by a newer version of Quillmere (its version is %1, "
                          "this program knows up to %2). It is opened read-only: you can look "
                          "up members and print rosters, but no change can be saved. Install the "
                          "newer version to work with it.")
               .arg(version)
               .arg(RollSchemaVersion),
           Mb::Exclamation | Mb::OKOnly, appTitle());
}
} // namespace

QString appHelpFile() {
    return g_helpFile;
}

bool Main() {
    setPointer(Pointer::Busy);
    skipOnFailure([] { g_helpFile = appPath(QStringLiteral("\\help\\qmr.hlp")); });
    skipOnFailure([] { QApplication::clipboard()->clear(); });
    // The roll itself is guarded: every copy that would write it meets the same lock.
    if (anotherInstanceRunning(rollFile())) {
        setPointer(Pointer::Default);
        MsgBox(appTitle() + QStringLiteral(" is already running on this computer! "),
               Mb::Exclamation | Mb::OKOnly, appTitle());
        endProcess(0);
        return false;
    }
    skipOnFailure([] { registerComponent(QString::fromLatin1(RegisterCommand)); });

    std::unique_ptr<frmSplash> splash;
    const std::function<void()> steps[] = {
        [] {
            if (CheckDatabase()) {
                frmMain::load();
                return;
            }
            setPointer(Pointer::Default);
            MsgBox(QStringLiteral("Database Not Found.") + LineBreak + LineBreak
                       + QStringLiteral("The database must reside in the folder where it was "
                                        "originally installed."),
                   Mb::Critical | Mb::OKOnly, QStringLiteral(" ERROR - DATABASE NOT FOUND"));
            EndProgram();
        },
        [] { CheckClub(); },
        [&] {
            splash = std::make_unique<frmSplash>();
            splash->load();
        },
        // The roll was checked by the first library call; nothing has written to it yet.
        [] { AutomaticBackupAtStart(); },
        [] { setPointer(Pointer::Busy); },
        [&] { splash.reset(); },
        [] { setPointer(Pointer::Default); },
        [] { frmMain::instance()->show(); },
        [] { tellIfReadOnly(); },
    };
    for (const auto &step : steps)
        if (handled(step) == Outcome::Stop)
            return false;
    return true;
}

bool CheckDatabase() {
    skipOnFailure([] { setPointer(Pointer::Busy); });
    skipOnFailure([] {
        if (QDir::currentPath() != appFolder())
            QDir::setCurrent(appFolder());
    });
    bool found = true;
    skipOnFailure([&] { found = QFileInfo::exists(rollFile()); });
    skipOnFailure([] { setPointer(Pointer::Arrow); });
    return found;
}

void CheckClub() {
    rsClub = std::make_shared<Recordset>();
    // A failing read goes to the start-up handler: taking it for an empty club table would
    // open the first-run form on a roll that has its club and could store a second one.
    rsClub = club().LoadClub();
    bool empty = true;
    skipOnFailure([&] { empty = !rsClub || rsClub->isEmpty(); });
    if (empty) {
        skipOnFailure([] { frmClubData::showFirstRun(); });
        CloseRecordset();
        return;
    }
    skipOnFailure([] { strClubName = rsClub->field(QStringLiteral("ClubName")).toString(); });
    CloseRecordset();
    skipOnFailure([] { setPointer(Pointer::Default); });
}
