#pragma once

// The names the program hands the platform at start: every process of it (the windows and
// the roster writer) shows and writes the same. The library titles its own boxes.
#include "system/ErrorLog.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QCoreApplication>

inline void nameTheProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    setAppTitle(QStringLiteral("Quillmere"));
    setErrorLogBanner(QStringLiteral("Quillmere - Error Log"));
    // Beside the roll, so every copy that would write it meets the same lock.
    setInstanceLockSuffix(QStringLiteral(".inuse"));
    loadBundledFonts();
}
