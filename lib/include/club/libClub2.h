#pragma once

// Operations added after the first interface; the same object implements both, so the
// first keeps its slot order. Obtain it from that object with qobject_cast.

#include <QString>
#include <QtPlugin>

class _libClub2 {
public:
    virtual ~_libClub2() = default;

    // prefix + n, or, when a row already holds that identifier, prefix + the next number no
    // row holds. The prefix is "M-" (members) or "C-" (the club record); the row counter a
    // form builds n from can lag behind identifiers already given (a roll rebuilt by copying
    // renumbers the counter). Failures pass on to the caller.
    virtual QString FreeIdentifier(const QString &prefix, qint64 n) = 0;
};

#define libClub2_iid "com.velliscar.quillmere._libClub2/1.0"
Q_DECLARE_INTERFACE(_libClub2, libClub2_iid)
