#pragma once

#include "db/Recordset.h"
#include "qmrplatform.h"

#include <QDate>
#include <QFont>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPagedPaintDevice;
class QImage;

// Report lengths are twips: 1440 to the inch, 20 to the point.
namespace Twips {
constexpr double PerInch = 1440.0;
constexpr double PerPoint = 20.0;
} // namespace Twips

// The placeholders a label's text may hold.
namespace Placeholder {
inline constexpr char Title[] = "{Title}";
inline constexpr char LongDate[] = "{LongDate}";
inline constexpr char ShortDate[] = "{ShortDate}";
inline constexpr char Page[] = "{Page}";
inline constexpr char Pages[] = "{Pages}";
} // namespace Placeholder

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double pointSize = 8;
    bool bold = false;
};

// One element of a band. Positions are twips from the band's top and the body's left edge.
struct ReportItem {
    enum class Kind { Label, Field, Line };
    Kind kind = Kind::Label;
    int left = 0;
    int top = 0;
    int width = 0;  // a vertical line has width 0
    int height = 0; // a horizontal line has height 0
    QString text;   // a label's text, or a field's column name
    QString format; // a field's display format
    Qt::Alignment alignment = Qt::AlignLeft;
    ReportFont font;
    int lineWidth = 15;
    // A text too wide for its box is drawn smaller, down to this size, and only then cut with
    // "…". 0 never cuts: an identifier or an amount with a digit missing reads as another one.
    double minPointSize = 6;
    // A text of several lines (a letter's paragraphs): broken at its line breaks and between
    // words to the box's width, top down. Lines the box cannot hold make the whole text
    // smaller, down to minPointSize; only then is the last line that fits cut with "…".
    bool wrap = false;

    static ReportItem label(int left, int top, int width, int height, const QString &text,
                            Qt::Alignment align, const ReportFont &font);
    static ReportItem field(int left, int top, int width, int height, const QString &column,
                            Qt::Alignment align, const ReportFont &font,
                            const QString &format = QString());
    static ReportItem hline(int left, int top, int length);
    static ReportItem vline(int left, int top, int length);
};

struct Section {
    int height = 0;
    QList<ReportItem> items;
};

struct PageSetup {
    QPageSize pageSize{QPageSize::Letter};
    bool landscape = false;
    int leftMargin = 1440;
    int rightMargin = 1440;
    int topMargin = 1440;
    int bottomMargin = 1440;
    int bodyWidth = 9360;

    QSizeF paperTwips() const; // oriented
};

// What the engine put on a page, in twips from the paper's top-left corner; lines have an
// empty text and a rectangle of zero width or height.
struct DrawnItem {
    enum class Kind { Text, Line };
    Kind kind;
    QString text;
    QRectF rect;
    bool bold = false;
};

// The family the engine draws a requested one with. Layouts are measured for Arial and its
// metric twins; where the font system would substitute a face of other widths for one of them,
// the matching Liberation face is named instead.
QMR_PLATFORM_EXPORT QString reportFontFamily(const QString &requested);

// A banded report bound to a result set. Pagination is a first pass that only measures
// bands, so the page count is known before any page is drawn; pages are then drawn one at a
// time, on demand, on any paint device.
class QMR_PLATFORM_EXPORT Report {
public:
    QString title;
    Section reportHeader;
    Section pageHeader;
    Section detail;
    Section pageFooter;
    Section reportFooter;
    PageSetup page;

    Report();
    ~Report();

    // Binds the rows; the date printed is today's by the platform clock unless set.
    void setData(RecordsetPtr rows);
    RecordsetPtr data() const { return m_rows; }
    void setRunDate(const QDate &date) { m_runDate = date; }
    QDate runDate() const { return m_runDate; }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    // Forget the pagination after changing bands or the page setup.
    void invalidate();
    int pageCount() const;

    // Draws one page; the painter's coordinates are twips from the paper's top-left corner.
    void renderPage(QPainter &painter, int pageIndex, QList<DrawnItem> *drawn = nullptr) const;

    using PageObserver = std::function<void(int pageIndex, const QList<DrawnItem> &)>;
    // Prints pages first..last (0-based, inclusive; -1 = last page) on a printer or PDF
    // writer, one page at a time. Returns the number of pages printed.
    int print(QPagedPaintDevice &device, int first = 0, int last = -1,
              const PageObserver &observer = {}) const;
    // Writes the whole report to a PDF file. Returns the page count, or -1 when the file
    // could not be written.
    int writePdf(const QString &path, const PageObserver &observer = {}) const;
    // The whole sheet of paper as a picture at the given resolution.
    QImage pageImage(int pageIndex, double dpi, QList<DrawnItem> *drawn = nullptr) const;

private:
    struct PageInfo {
        int firstRow;
        int rowCount;
        bool reportHeader;
        bool reportFooter;
    };
    struct Prepared;

    void paginate() const;
    Prepared &prepared() const;
    void flush(QPainter &p) const; // draws what the page collected
    void drawSection(int sectionIndex, double top, int row, int pageIndex,
                     QList<DrawnItem> *drawn) const;

    RecordsetPtr m_rows;
    int m_rowCount = 0;
    QDate m_runDate;
    QLocale m_locale;
    mutable std::vector<PageInfo> m_pages;
    mutable bool m_paginated = false;
    mutable std::unique_ptr<Prepared> m_prepared;
};
