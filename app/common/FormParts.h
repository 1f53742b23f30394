#pragma once

#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QWidget;

// The pieces every data form is built from, so they look and answer keys alike.

// The form's bold title, its font scaled from the form's own.
QLabel *formTitle(QWidget *form, const QString &text, qreal scale);
// A form button that is never the default: Enter in a field never presses one, Enter on a
// button presses it. spoken, when given, is what a screen reader says for it.
QPushButton *formButton(QWidget *form, const QString &text, const QString &name,
                        const QString &spoken = QString());

// The time of a change stored as ISO 8601 in the user's locale and time zone, with a
// four-digit year (a two-digit one is ambiguous in a record kept for decades).
QString whenText(const QString &changedAt);

// Runs a command of a window: a failure is told to the user in a message box and never
// reaches the event loop.
void guarded(const std::function<void()> &command);

// "1 member", "1,234 members": the number in the user's locale and the noun that fits it.
QString counted(qsizetype n, const QString &one, const QString &many);
// counted() for members.
QString membersText(qint64 n);
