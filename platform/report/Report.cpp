#include "Report.h"
#include "DisplayFormat.h"
#include "system/System.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <array>

ReportItem ReportItem::label(int left, int top, int width, int height, const QString &text,
                             Qt::Alignment align, const ReportFont &font) {
    ReportItem i;
    i.kind = Kind::Label;
    i.left = left;
    i.top = top;
    i.width = width;
    i.height = height;
    i.text = text;
    i.alignment = align;
    i.font = font;
    return i;
}

ReportItem ReportItem::field(int left, int top, int width, int height, const QString &column,
                             Qt::Alignment align, const ReportFont &font, const QString &format) {
    ReportItem i = label(left, top, width, height, column, align, font);
    i.kind = Kind::Field;
    i.format = format;
    return i;
}

ReportItem ReportItem::hline(int left, int top, int length) {
    ReportItem i;
    i.kind = Kind::Line;
    i.left = left;
    i.top = top;
    i.width = length;
    return i;
}

ReportItem ReportItem::vline(int left, int top, int length) {
    ReportItem i;
    i.kind = Kind::Line;
    i.left = left;
    i.top = top;
    i.height = length;
    return i;
}

QSizeF PageSetup::paperTwips() const {
    const QSizeF inches = pageSize.size(QPageSize::Inch);
    const QSizeF size(inches.width() * Twips::PerInch, inches.height() * Twips::PerInch);
    const bool wide = size.width() > size.height();
    return landscape != wide ? size.transposed() : size;
}

// What drawing needs of each item, worked out once per binding rather than once per row.
struct Report::Prepared {
    struct Item {
        Item(const ReportItem &i, const QFont &f)
            : item(&i)
            , font(f)
            , metrics(f) {}
        const ReportItem *item;
        QFont font;
        QFontMetricsF metrics;
        int column = -1;
        QString text;
        bool pageDependent = false;
    };
    std::array<std::vector<Item>, 5> sections;
};

Report::Report()
    : m_runDate(currentDateTime().date()) {}

Report::~Report() = default;

void Report::setData(RecordsetPtr rows) {
    m_rows = std::move(rows);
    m_rowCount = m_rows ? int(m_rows->recordCount()) : 0;
    invalidate();
}

void Report::invalidate() {
    m_paginated = false;
    m_pages.clear();
    m_prepared.reset();
}

const Report::Prepared &Report::prepared() const {
    if (m_prepared)
        return *m_prepared;
    auto prep = std::make_unique<Prepared>();
    const Section *bands[] = {&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter};
    const QString longDate = m_locale.toString(m_runDate, QLocale::LongFormat);
    const QString shortDate = m_locale.toString(m_runDate, QLocale::ShortFormat);
    for (int s = 0; s < 5; ++s) {
        for (const ReportItem &item : bands[s]->items) {
            QFont font(item.font.family);
            font.setStyleHint(QFont::SansSerif);
            // Sized in twips, the painter's unit, so text measures the same on every device.
            font.setPixelSize(qMax(1, qRound(item.font.pointSize * Twips::PerPoint)));
            font.setBold(item.font.bold);
            font.setHintingPreference(QFont::PreferNoHinting);
            Prepared::Item p(item, font);
            if (item.kind == ReportItem::Kind::Field) {
                p.column = m_rows ? m_rows->columnIndex(item.text) : -1;
            } else if (item.kind == ReportItem::Kind::Label) {
                QString text = item.text;
                text.replace(QLatin1String(Placeholder::Title), title);
                text.replace(QLatin1String(Placeholder::LongDate), longDate);
                text.replace(QLatin1String(Placeholder::ShortDate), shortDate);
                p.pageDependent = text.contains(QLatin1String(Placeholder::Page))
                                  || text.contains(QLatin1String(Placeholder::Pages));
                p.text = text;
            }
            prep->sections[s].push_back(std::move(p));
        }
    }
    m_prepared = std::move(prep);
    return *m_prepared;
}

void Report::paginate() const {
    if (m_paginated)
        return;
    m_pages.clear();
    const double usable = page.paperTwips().height() - page.topMargin - page.bottomMargin;
    const double room = usable - pageHeader.height - pageFooter.height;
    int row = 0;
    for (;;) {
        PageInfo info{row, 0, m_pages.empty(), false};
        double y = info.reportHeader ? reportHeader.height : 0;
        // A row taller than the room still gets a page of its own rather than none.
        while (row < m_rowCount
               && (y + detail.height <= room || (info.rowCount == 0 && !info.reportHeader))) {
            y += detail.height;
            ++row;
            ++info.rowCount;
        }
        if (row < m_rowCount) {
            m_pages.push_back(info);
            continue;
        }
        if (reportFooter.height == 0 || y + reportFooter.height <= room) {
            info.reportFooter = true;
            m_pages.push_back(info);
        } else {
            m_pages.push_back(info);
            m_pages.push_back(PageInfo{row, 0, false, true});
        }
        break;
    }
    m_paginated = true;
}

int Report::pageCount() const {
    paginate();
    return int(m_pages.size());
}

void Report::drawSection(QPainter &p, int sectionIndex, double top, int row, int pageIndex,
                         QList<DrawnItem> *drawn) const {
    const double dx = page.leftMargin;
    for (const Prepared::Item &pi : prepared().sections[sectionIndex]) {
        const ReportItem &item = *pi.item;
        if (item.kind == ReportItem::Kind::Line) {
            QPen pen(Qt::black, item.lineWidth);
            pen.setCapStyle(Qt::FlatCap);
            p.setPen(pen);
            const QPointF a(dx + item.left, top + item.top);
            const QPointF b(a.x() + item.width, a.y() + item.height);
            p.drawLine(a, b);
            if (drawn)
                drawn->append({DrawnItem::Kind::Line, QString(), QRectF(a, b), false});
            continue;
        }
        QString text;
        if (item.kind == ReportItem::Kind::Field) {
            if (pi.column >= 0 && row >= 0)
                text = formatValue(m_rows->value(row, pi.column), item.format, m_locale);
        } else if (pi.pageDependent) {
            text = pi.text;
            text.replace(QLatin1String(Placeholder::Pages), QString::number(pageCount()));
            text.replace(QLatin1String(Placeholder::Page), QString::number(pageIndex + 1));
        } else {
            text = pi.text;
        }
        if (text.isEmpty())
            continue;
        double width = pi.metrics.horizontalAdvance(text);
        if (width > item.width) {
            // Cut where the box ends, and say so, rather than run into the next column.
            text = pi.metrics.elidedText(text, Qt::ElideRight, item.width);
            width = pi.metrics.horizontalAdvance(text);
        }
        double x = dx + item.left;
        if (item.alignment & Qt::AlignRight)
            x += item.width - width;
        else if (item.alignment & Qt::AlignHCenter)
            x += (item.width - width) / 2;
        double baseline = top + item.top + pi.metrics.ascent();
        if (item.alignment & Qt::AlignVCenter)
            baseline += (item.height - pi.metrics.height()) / 2;
        else if (item.alignment & Qt::AlignBottom)
            baseline += item.height - pi.metrics.height();
        p.setFont(pi.font);
        p.setPen(Qt::black);
        p.drawText(QPointF(x, baseline), text);
        if (drawn)
            drawn->append({DrawnItem::Kind::Text, text,
                           QRectF(dx + item.left, top + item.top, item.width, item.height),
                           item.font.bold});
    }
}

void Report::renderPage(QPainter &painter, int pageIndex, QList<DrawnItem> *drawn) const {
    paginate();
    if (pageIndex < 0 || pageIndex >= int(m_pages.size()))
        return;
    const PageInfo &info = m_pages[size_t(pageIndex)];
    painter.save();
    double y = page.topMargin;
    if (info.reportHeader) {
        drawSection(painter, 0, y, -1, pageIndex, drawn);
        y += reportHeader.height;
    }
    drawSection(painter, 1, y, -1, pageIndex, drawn);
    y += pageHeader.height;
    for (int r = info.firstRow; r < info.firstRow + info.rowCount; ++r) {
        drawSection(painter, 2, y, r, pageIndex, drawn);
        y += detail.height;
    }
    if (info.reportFooter)
        drawSection(painter, 4, y, -1, pageIndex, drawn);
    const double footerTop = page.paperTwips().height() - page.bottomMargin - pageFooter.height;
    drawSection(painter, 3, footerTop, -1, pageIndex, drawn);
    painter.restore();
}

int Report::print(QPagedPaintDevice &device, int first, int last,
                  const PageObserver &observer) const {
    const int count = pageCount();
    if (last < 0 || last >= count)
        last = count - 1;
    first = qBound(0, first, last);
    if (auto *printer = dynamic_cast<QPrinter *>(&device))
        printer->setFullPage(true);
    // The report keeps its own margins, so the device's page is the whole sheet.
    device.setPageLayout(
        QPageLayout(page.pageSize, page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                    QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&device))
        return -1;
    const double scale = device.logicalDpiX() / Twips::PerInch;
    QList<DrawnItem> drawn;
    for (int i = first; i <= last; ++i) {
        if (i > first)
            device.newPage();
        painter.save();
        painter.scale(scale, scale);
        drawn.clear();
        renderPage(painter, i, observer ? &drawn : nullptr);
        painter.restore();
        if (observer)
            observer(i, drawn);
    }
    painter.end();
    return last - first + 1;
}

int Report::writePdf(const QString &path, const PageObserver &observer) const {
    QPdfWriter writer(path);
    writer.setCreator(QCoreApplication::applicationName());
    writer.setTitle(title);
    return print(writer, 0, -1, observer);
}

QImage Report::pageImage(int pageIndex, double dpi, QList<DrawnItem> *drawn) const {
    const double scale = dpi / Twips::PerInch;
    const QSizeF paper = page.paperTwips() * scale;
    QImage image(paper.toSize(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    renderPage(painter, pageIndex, drawn);
    return image;
}
