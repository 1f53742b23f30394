#pragma once

#include "qmrplatform.h"

#include <QString>

// How one writer lays out its entries in error.log; every writer shares the block format.
struct LogWriter {
    QString label{};         // the entry's third line
    int bannerIndent = 14;   // spaces before the banner when the entry creates the file
    bool infoLine = false;   // the "% Error Information %" line after the space line
    int closingHyphens = 51; // the closing line's run of hyphens
    QString separator{};     // the line after the label; empty: the 51-hyphen rule
    bool startUp = false;    // the start-up writer's date line: "Error:" and the number's sign
};

// Appends one entry to error.log in the application folder, creating the file with its
// three-line banner first. Dates and times follow the user's locale. Throws Failure 75 when
// the file cannot be written.
QMR_PLATFORM_EXPORT void writeErrorLog(const LogWriter &writer, int number,
                                       const QString &description);
// The banner's middle line, which the program hands over at start.
QMR_PLATFORM_EXPORT void setErrorLogBanner(const QString &banner);
