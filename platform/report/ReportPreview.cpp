#include "ReportPreview.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
constexpr int ViewMargin = 16; // pixels of grey around the sheet

struct ZoomChoice {
    const char *text;
    double factor;
};
constexpr ZoomChoice ZoomChoices[] = {
    {"Fit Width", 0}, {"Whole Page", -1}, {"50%", 0.5},  {"75%", 0.75},
    {"100%", 1},      {"125%", 1.25},     {"150%", 1.5}, {"200%", 2},
};

// Tells the user and keeps the window usable whatever a toolbar command ran into.
void guarded(const std::function<void()> &command, const QString &whatFailed) {
    try {
        command();
    } catch (...) {
        setPointer(Pointer::Default);
        MsgBox(whatFailed, Mb::OKOnly | Mb::Exclamation);
    }
}
} // namespace

// The sheet of paper: paints the current page only, at the preview's scale.
class ReportPreview::PageView : public QWidget {
public:
    explicit PageView(ReportPreview *owner)
        : QWidget(owner)
        , m_owner(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const double s = m_owner->effectiveScale();
        p.scale(s, s);
        try {
            m_owner->report().renderPage(p, m_owner->currentPage());
        } catch (...) {
            // A page that cannot be drawn stays blank; the window stays usable.
        }
    }

private:
    ReportPreview *m_owner;
};

ReportPreview::ReportPreview(std::shared_ptr<Report> report, QWidget *parent)
    : QWidget(parent)
    , m_report(std::move(report))
    , m_toolBar(new QToolBar(this))
    , m_zoomBox(new QComboBox(this))
    , m_pageLabel(new QLabel(this))
    , m_scroll(new QScrollArea(this))
    , m_view(new PageView(this)) {
    auto add = [this](const char *name, const QString &text, const QKeySequence &key,
                      void (ReportPreview::*slot)()) {
        QAction *a = m_toolBar->addAction(text, this, slot);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        return a;
    };
    add("actPrint", tr("Print..."), QKeySequence::Print, &ReportPreview::print);
    add("actPageSetup", tr("Page Setup..."), {}, &ReportPreview::pageSetup);
    m_toolBar->addSeparator();
    for (const ZoomChoice &z : ZoomChoices)
        m_zoomBox->addItem(tr(z.text), z.factor);
    m_zoomBox->setObjectName(QStringLiteral("cboZoom"));
    m_zoomBox->setToolTip(tr("Zoom"));
    m_toolBar->addWidget(m_zoomBox);
    m_toolBar->addSeparator();
    add("actFirst", tr("First"), QKeySequence(Qt::CTRL | Qt::Key_Home), &ReportPreview::firstPage);
    add("actPrevious", tr("Previous"), QKeySequence(Qt::Key_PageUp), &ReportPreview::previousPage);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_pageLabel->setMargin(6);
    m_toolBar->addWidget(m_pageLabel);
    add("actNext", tr("Next"), QKeySequence(Qt::Key_PageDown), &ReportPreview::nextPage);
    add("actLast", tr("Last"), QKeySequence(Qt::CTRL | Qt::Key_End), &ReportPreview::lastPage);
    m_toolBar->addSeparator();
    add("actExportPdf", tr("Export PDF..."), {}, &ReportPreview::exportPdfAsked);

    connect(m_zoomBox, &QComboBox::activated, this,
            [this](int i) { setZoom(m_zoomBox->itemData(i).toDouble()); });

    m_scroll->setObjectName(QStringLiteral("scrPage"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(false);
    m_scroll->viewport()->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_scroll, 1);
    resize(1000, 700);
    updateView();
}

ReportPreview::~ReportPreview() = default;

int ReportPreview::pageCount() const {
    return m_report->pageCount();
}

QString ReportPreview::pageText() const {
    return tr("Page %1 of %2").arg(m_page + 1).arg(pageCount());
}

QAction *ReportPreview::action(const QString &objectName) const {
    return m_toolBar->findChild<QAction *>(objectName);
}

double ReportPreview::effectiveScale() const {
    const QSizeF paper = m_report->page.paperTwips();
    const double real = logicalDpiX() / Twips::PerInch;
    const QSize room = m_scroll->viewport()->size() - QSize(2 * ViewMargin, 2 * ViewMargin);
    const double fitWidth = qMax(1, room.width()) / paper.width();
    if (m_zoom == 0)
        return fitWidth;
    if (m_zoom < 0)
        return qMin(fitWidth, qMax(1, room.height()) / paper.height());
    return real * m_zoom;
}

void ReportPreview::setZoom(double factor) {
    m_zoom = factor;
    for (int i = 0; i < m_zoomBox->count(); ++i)
        if (m_zoomBox->itemData(i).toDouble() == factor)
            m_zoomBox->setCurrentIndex(i);
    updateView();
}

void ReportPreview::goToPage(int pageIndex) {
    const int target = qBound(0, pageIndex, pageCount() - 1);
    if (target == m_page)
        return;
    m_page = target;
    updateView();
    m_scroll->verticalScrollBar()->setValue(0);
    Q_EMIT pageChanged(m_page);
}

void ReportPreview::updateView() {
    const int count = pageCount();
    m_page = qBound(0, m_page, count - 1);
    m_pageLabel->setText(pageText());
    action(QStringLiteral("actFirst"))->setEnabled(m_page > 0);
    action(QStringLiteral("actPrevious"))->setEnabled(m_page > 0);
    action(QStringLiteral("actNext"))->setEnabled(m_page < count - 1);
    action(QStringLiteral("actLast"))->setEnabled(m_page < count - 1);
    const QSizeF paper = m_report->page.paperTwips() * effectiveScale();
    m_view->resize(paper.toSize());
    m_view->update();
}

bool ReportPreview::eventFilter(QObject *watched, QEvent *e) {
    // The fitting zooms follow the room the page has, once the layout gave it.
    if (watched == m_scroll->viewport() && e->type() == QEvent::Resize && m_zoom <= 0)
        updateView();
    return QWidget::eventFilter(watched, e);
}

void ReportPreview::print() {
    guarded(
        [this] {
            QPrinter printer(QPrinter::HighResolution);
            printer.setDocName(m_report->title);
            printer.setPageOrientation(m_report->page.landscape ? QPageLayout::Landscape
                                                                : QPageLayout::Portrait);
            printer.setPageSize(m_report->page.pageSize);
            QPrintDialog dialog(&printer, this);
            dialog.setMinMax(1, pageCount());
            dialog.setOption(QAbstractPrintDialog::PrintPageRange);
            if (dialog.exec() != QDialog::Accepted)
                return;
            int first = 0, last = -1;
            if (printer.printRange() == QPrinter::PageRange) {
                first = printer.fromPage() - 1;
                last = printer.toPage() - 1;
            } else if (printer.printRange() == QPrinter::CurrentPage) {
                first = last = m_page;
            }
            setPointer(Pointer::Busy);
            const int printed = m_report->print(printer, first, last);
            setPointer(Pointer::Default);
            if (printed < 0)
                MsgBox(tr("The report could not be sent to the printer. "),
                       Mb::OKOnly | Mb::Exclamation);
        },
        tr("The report could not be printed. "));
}

void ReportPreview::pageSetup() {
    guarded(
        [this] {
            PageSetup &ps = m_report->page;
            QPrinter printer(QPrinter::HighResolution);
            const auto pt = [](int twips) {
                return twips / Twips::PerPoint;
            };
            printer.setPageLayout(QPageLayout(
                ps.pageSize, ps.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                QMarginsF(pt(ps.leftMargin), pt(ps.topMargin), pt(ps.rightMargin),
                          pt(ps.bottomMargin)),
                QPageLayout::Point));
            QPageSetupDialog dialog(&printer, this);
            if (dialog.exec() != QDialog::Accepted)
                return;
            const QPageLayout chosen = printer.pageLayout();
            const QMarginsF m = chosen.margins(QPageLayout::Point);
            ps.pageSize = chosen.pageSize();
            ps.landscape = chosen.orientation() == QPageLayout::Landscape;
            ps.leftMargin = qRound(m.left() * Twips::PerPoint);
            ps.topMargin = qRound(m.top() * Twips::PerPoint);
            ps.rightMargin = qRound(m.right() * Twips::PerPoint);
            ps.bottomMargin = qRound(m.bottom() * Twips::PerPoint);
            m_report->invalidate();
            updateView();
        },
        tr("The page setup could not be changed. "));
}

bool ReportPreview::exportPdf(const QString &path) {
    int pages = -1;
    setPointer(Pointer::Busy);
    try {
        pages = m_report->writePdf(path);
    } catch (...) {
        pages = -1;
    }
    setPointer(Pointer::Default);
    if (pages < 0)
        MsgBox(tr("The PDF file could not be written: %1 ").arg(path),
               Mb::OKOnly | Mb::Exclamation);
    return pages >= 0;
}

void ReportPreview::exportPdfAsked() {
    guarded(
        [this] {
            QString suggested = m_report->title;
            suggested.replace(u'/', u'-');
            QString path = QFileDialog::getSaveFileName(this, tr("Export PDF"),
                                                        suggested + QStringLiteral(".pdf"),
                                                        tr("PDF files (*.pdf)"));
            if (path.isEmpty())
                return;
            if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
                path += QStringLiteral(".pdf");
            exportPdf(path);
        },
        tr("The PDF file could not be written. "));
}
