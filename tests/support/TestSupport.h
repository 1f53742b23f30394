#pragma once

#include "club/libClub.h"
#include "report/Report.h"
#include "ui/MsgBox.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A throw-away application folder: the real plugin, a fresh roll built from the schema,
// and the shipped pictures, help and text. It becomes the process's application folder.
class TempAppFolder {
public:
    explicit TempAppFolder(bool withRoll = true);
    ~TempAppFolder();
    QString path() const { return m_dir.path(); }
    QString rollPath() const { return m_dir.path() + QStringLiteral("/club/club.qmr"); }
    QString errorLogPath() const { return m_dir.path() + QStringLiteral("/error.log"); }
    QString errorLog() const; // the log's text, empty when absent

    // Runs SQL straight on the roll, outside the library (setting up and checking).
    void exec(const QString &sql) const;
    // The first column of every row of a query, as text.
    QStringList column(const QString &sql) const;
    QString scalar(const QString &sql) const { return column(sql).value(0); }

    // A library object created by class name, as the program creates it.
    std::unique_ptr<_libClub> newClub() const;

private:
    QTemporaryDir m_dir;
};

// Builds a new roll at a path from the shipped schema and lookup rows.
void buildRoll(const QString &path);
// The folder the build assembled (program, plugin, data).
QString builtAppFolder();

// The texts a report drew, in drawing order.
QStringList drawnTexts(const QList<DrawnItem> &items);
// Deletes every report preview standing on its own (no main window holds them in a test).
// Collected first: a preview takes its own pop-ups with it.
void deletePreviewWindows();

// The program's start-up waits on the clock; this clock races ahead a quarter second a read,
// so a test of start-up never waits.
void useRacingClock();

// Records every message box and answers from a script (default: the first button).
class MsgBoxRecorder {
public:
    MsgBoxRecorder();
    ~MsgBoxRecorder();
    void answer(QList<int> answers) { m_answers = std::move(answers); }
    // Runs while the box is "open": lets a test look at the world at that moment.
    void onShow(std::function<void(const MsgBoxRequest &)> f) { m_onShow = std::move(f); }
    const QList<MsgBoxRequest> &shown() const { return m_shown; }
    QStringList prompts() const;
    void clear() { m_shown.clear(); }

private:
    QList<MsgBoxRequest> m_shown;
    QList<int> m_answers;
    std::function<void(const MsgBoxRequest &)> m_onShow;
};

// Records endProcess calls instead of ending the test process.
class EndRecorder {
public:
    EndRecorder();
    ~EndRecorder();
    int calls() const { return m_calls; }

private:
    int m_calls = 0;
};

// Records the statement texts handed to the engine.
class StatementRecorder {
public:
    StatementRecorder();
    ~StatementRecorder();
    // Statements other than transaction control and connection set-up.
    QStringList statements() const;

private:
    QStringList m_all;
};
