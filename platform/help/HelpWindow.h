#pragma once

#include "qmrplatform.h"

#include <QMainWindow>
#include <QUrl>
#include <functional>

class QHelpEngine;
class QTabWidget;
class QTextBrowser;

// The help viewer: one window per help file with contents, index and search beside the page.
// A help file is a compiled Qt help file; its index keywords carry the keys of the context
// help (one per window).
class QMR_PLATFORM_EXPORT HelpWindow : public QMainWindow {
    Q_OBJECT

public:
    // Opens the help file at its contents view (raising the window when already open).
    // A missing file fails with 53, one that is not a help file with 75.
    static HelpWindow *showContents(const QString &helpFile);
    // Opens the help file at the page registered under a key; without such a page, at the
    // key's three-letter type prefix ("rpt" for every roster), else at the contents.
    static HelpWindow *showTopic(const QString &helpFile, const QString &key);
    // The open window of a help file, or null.
    static HelpWindow *find(const QString &helpFile);

    QHelpEngine *engine() const { return m_engine; }
    QTabWidget *tabs() const { return m_tabs; }
    QTextBrowser *browser() const { return m_browser; }
    QUrl currentPage() const;
    // The page a key leads to; empty when the file has no page for it.
    QUrl pageFor(const QString &key) const;
    // The first page of the contents, once the contents have been read.
    QUrl contentsHome() const;

Q_SIGNALS:
    void contentsReady();

private:
    explicit HelpWindow(const QString &helpFile);
    void present();
    void showPage(const QUrl &url);
    void showHome();

    QString m_helpFile;
    QHelpEngine *m_engine = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTextBrowser *m_browser = nullptr;
    bool m_homeWanted = false;
};

// A widget with this property names its own part of its window's help page: F1 there looks
// for "<window key>.<topic>" first, then for the window's key.
inline constexpr char HelpTopicProperty[] = "helpTopic";

// The key of a window for the context help: the nearest window, or form inside the main
// window's area, that holds the widget; its object name, else its class name.
QMR_PLATFORM_EXPORT QString contextHelpKey(QWidget *widget);

// F1 in any window of the program opens the help file at that window's page. The help file
// is asked for at each press, so it may change after installation.
QMR_PLATFORM_EXPORT void installContextHelp(std::function<QString()> helpFile);
