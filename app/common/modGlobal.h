#pragma once

#include "club/libClub.h"
#include "club/libClub2.h"

#include <QPixmap>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

// State every window of the program shares.
extern std::unique_ptr<_libClub> objClub;
extern RecordsetPtr rsClub;
extern QString strClubName;
extern QString strProcedure;
// The values of the member list row last selected (a copy, so clearing the list cannot
// leave it dangling); element 0 is the MemberID.
extern QStringList itmMember;

// Releases the previous library object and creates a fresh one into objClub.
void NewClub();
// objClub for a call: a missing object fails like any other library call (91), so the
// caller's guard tells the user instead of the program falling over.
_libClub &club();
// The later operations of the same object; fails like club(), or with 430 when the object
// does not offer them.
_libClub2 &club2();

void CloseRecordset();
// Trims blanks from every text box and notes box of a form; labels and lists are untouched.
void TrimTextFields(QWidget *form);
// Waits until more than the given whole seconds have passed, keeping the windows alive.
bool Pause(qint16 seconds);
// The orderly end: releases what is held and ends the process at once.
void EndProgram();
// Something EndProgram releases before the library object; parts that hold state of their own
// register it, so this layer need not know them.
void releaseAtEnd(std::function<void()> release);

// Closes a form, whether it sits in the main window's area or stands alone.
void UnloadForm(QWidget *form);
// Reads a picture shipped beside the program. A missing file fails with 53, a file that
// cannot be decoded with 75.
QPixmap loadPicture(const QString &path);

// Only the main window adds child windows; it installs itself here when it loads, and a
// feature hands its window over through showInMainWindow.
struct WindowHost {
    std::function<QWidget *()> window; // null while there is no main window
    // Shows the window as the active child; false when there is no main window to hold it.
    std::function<bool(QWidget *)> add;
    std::function<void()> cascade;
};
void setWindowHost(WindowHost host);
QWidget *mainWindow();
// Shows the window as a child of the main window, or on its own where there is none; either
// way it is deleted when closed.
void showInMainWindow(QWidget *form);
void cascadeMainWindow();

quint32 GetRootKey(bool classesRoot, bool currentConfig, bool currentUser, bool dynData,
                   bool localMachine, bool performanceData, bool users);
QString GetRegString(const QString &keyPath, const QString &valueName, bool classesRoot,
                     bool currentConfig, bool currentUser, bool dynData, bool localMachine,
                     bool performanceData, bool users, bool addSeparator);

// The version shown in captions: major.minor of this build.
QString versionText();
