#pragma once

#include "Report.h"
#include "qmrplatform.h"

#include <QWidget>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QScrollArea;
class QToolBar;

// A print preview that draws only the page on show, so a report of thousands of pages opens
// as fast as one of a single page. Its toolbar prints, sets up the page, zooms, moves
// between pages and exports to PDF.
class QMR_PLATFORM_EXPORT ReportPreview : public QWidget {
    Q_OBJECT

public:
    explicit ReportPreview(std::shared_ptr<Report> report, QWidget *parent = nullptr);
    ~ReportPreview() override;

    const Report &report() const { return *m_report; }
    int currentPage() const { return m_page; } // 0-based
    int pageCount() const;
    QString pageText() const; // "Page n of m" as the toolbar shows it
    QToolBar *toolBar() const { return m_toolBar; }
    QAction *action(const QString &objectName) const;

    // Zoom as a factor of the real size; 0 fits the page width, -1 the whole page.
    void setZoom(double factor);
    double effectiveScale() const; // screen pixels per twip

    // Writes the report to a file without asking; false (and a message) when it fails.
    bool exportPdf(const QString &path);

public Q_SLOTS:
    void goToPage(int pageIndex);
    void firstPage() { goToPage(0); }
    void previousPage() { goToPage(m_page - 1); }
    void nextPage() { goToPage(m_page + 1); }
    void lastPage() { goToPage(pageCount() - 1); }
    void print();
    void pageSetup();
    void exportPdfAsked();

Q_SIGNALS:
    void pageChanged(int pageIndex);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    class PageView;
    void updateView();

    std::shared_ptr<Report> m_report;
    QToolBar *m_toolBar;
    QComboBox *m_zoomBox;
    QLabel *m_pageLabel;
    QScrollArea *m_scroll;
    PageView *m_view;
    int m_page = 0;
    double m_zoom = 0;
};
