#pragma once

// What the fuzz targets share: a Qt application object and a throw-away folder that lives
// for the whole run.

#include "StoredForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

// Stops the run with the input that broke a rule: libFuzzer keeps it as a crash file.
[[noreturn]] inline void broken(const QString &rule) {
    std::fprintf(stderr, "RULE BROKEN: %s\n", rule.toUtf8().constData());
    std::abort();
}

// A tmpfs folder when there is one: every save syncs, and a sync there costs nothing.
inline QTemporaryDir &scratch() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/qmr-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/qmr-fuzz-XXXXXX"));
    return dir;
}

inline void startApplication(int *argc, char ***argv, bool gui) {
    if (gui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(*argc, *argv);
    } else {
        static QCoreApplication app(*argc, *argv);
    }
}

} // namespace fuzz
