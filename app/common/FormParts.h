#pragma once

#include <QString>

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
