#pragma once

#include "qmrplatform.h"

#include <QCollator>
#include <QString>
#include <QVector>
#include <functional>

// Names in the order a person reads them in the user's language: "de la Cruz" among the D's,
// "Ñúñez" among the N's, letter case and accents weighing only between otherwise equal names.
// The plain "C" locale has no such order, so it reads by the language-neutral one.
QMR_PLATFORM_EXPORT QCollator readingCollator();

// Reorders the positions in `order` by the text `key` gives for each, in reading order,
// keeping equal texts in the order they came (descending reverses the comparison, not the
// ties).
QMR_PLATFORM_EXPORT void sortForReading(QVector<int> &order, const std::function<QString(int)> &key,
                                        bool descending = false);
