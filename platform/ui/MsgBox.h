#pragma once

#include "qmrplatform.h"

#include <QString>
#include <functional>

// Message box flags and answers keep the platform's traditional values, so a prompt's
// buttons, icon and default button are one number as the callers write them.
namespace Mb {
constexpr int OKOnly = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4;
constexpr int Critical = 16, Question = 32, Exclamation = 48, Information = 64;
constexpr int DefaultButton1 = 0, DefaultButton2 = 256;
constexpr int OK = 1, Cancel = 2, Yes = 6, No = 7;
constexpr int ButtonMask = 0x0F;
constexpr int IconMask = 0xF0;
constexpr int DefaultMask = 0xF00;
} // namespace Mb

struct MsgBoxRequest {
    QString prompt;
    int style = 0;
    QString title; // already resolved: the application title when the caller gave none
};

using MsgBoxHandler = std::function<int(const MsgBoxRequest &)>;

// The application title, used when a message box is given no title. The program names
// itself at start; until then it is empty.
QMR_PLATFORM_EXPORT QString appTitle();
QMR_PLATFORM_EXPORT void setAppTitle(const QString &title);

// Shows a modal message box and returns the answer (answer constants). The pointer is put back to
// the default first, so a busy pointer never hides behind a question.
QMR_PLATFORM_EXPORT int MsgBox(const QString &prompt, int style = Mb::OKOnly,
                               const QString &title = QString());

// Replaces the dialog (tests answer without a person); an empty handler restores it.
QMR_PLATFORM_EXPORT void setMsgBoxHandler(MsgBoxHandler handler);

// The line break inside message texts.
inline constexpr QChar LineBreak = u'\n';
