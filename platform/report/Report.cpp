#include "Report.h"
#include "DisplayFormat.h"
#include "system/System.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <map>

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

namespace {
// Each row: a family, then the faces drawn with its very widths.
constexpr std::array<std::array<const char *, 3>, 3> MetricTwins{{
    {"Arial", "Liberation Sans", "Arimo"},
    {"Times New Roman", "Liberation Serif", "Tinos"},
    {"Courier New", "Liberation Mono", "Cousine"},
}};

// Shrinking goes in quarter points, so a report needs only a few extra sizes of each font.
constexpr int ShrinkStep = 5;
// A text drawn smaller keeps this much air at the sides it grows towards, so it never touches a
// column's rule; the side it is aligned to stays where the layout put it, so the amounts of a
// column still end in one line.
constexpr int ShrinkInset = 30;

QFont engineFont(const QString &family, int pixelSize, bool bold) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    // Sized in twips, the painter's unit, so text measures the same on every device.
    font.setPixelSize(qMax(1, pixelSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}
} // namespace

QString reportFontFamily(const QString &requested) {
    static QMutex mutex;
    static QHash<QString, QString> chosen;
    const QMutexLocker lock(&mutex);
    const QString key = requested.toCaseFolded();
    if (const auto it = chosen.constFind(key); it != chosen.constEnd())
        return *it;
    QString family = requested;
    for (const auto &twins : MetricTwins) {
        auto isTwin = [&](const QString &name) {
            return std::any_of(twins.begin(), twins.end(), [&](const char *t) {
                return name.compare(QLatin1String(t), Qt::CaseInsensitive) == 0;
            });
        };
        if (!isTwin(requested))
            continue;
        // A computer without a single font gives no raw font at all.
        const auto drawnWith = [](const QString &name) {
            const QRawFont raw = QRawFont::fromFont(engineFont(name, 160, false));
            return raw.isValid() ? raw.familyName() : QString();
        };
        const QString drawn = drawnWith(requested);
        if (isTwin(drawn))
            break;
        const QString liberation = QLatin1String(twins[1]);
        if (isTwin(drawnWith(liberation)))
            family = liberation;
        else
            qWarning("Reports: no face with the widths of %s is installed; %s is used and "
                     "wide cells are drawn smaller",
                     qPrintable(requested), qPrintable(drawn));
        break;
    }
    chosen.insert(key, family);
    return family;
}

// Text shaped once per font and text, so repeated values (a city, a category, a
// heading) cost nothing after their first page.
struct ShapedText {
    QList<QGlyphRun> runs; // positions relative to the start of the baseline
    double width = 0;
};

struct FontData {
    explicit FontData(const QFont &f)
        : font(f)
        , raw(QRawFont::fromFont(f))
        , metrics(f) {}
    QFont font;
    QRawFont raw;
    QFontMetricsF metrics;
    QHash<QString, ShapedText> shaped;

    const ShapedText &shape(const QString &text) {
        auto it = shaped.constFind(text);
        if (it != shaped.constEnd())
            return *it;
        // Bounded, so a roll of unique names cannot grow it without end.
        if (shaped.size() > 20000)
            shaped.clear();
        return *shaped.insert(text, shapeNow(text));
    }

private:
    ShapedText shapeNow(const QString &text) const {
        ShapedText s;
        // Plain Latin text needs no shaping: its glyphs come straight from the font's map.
        const bool plain = raw.isValid() && std::all_of(text.begin(), text.end(), [](QChar c) {
                               return c.unicode() >= 0x20 && c.unicode() < 0x300;
                           });
        if (plain) {
            const QList<quint32> glyphs = raw.glyphIndexesForString(text);
            if (!glyphs.contains(0u)) {
                const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
                QList<QPointF> positions;
                positions.reserve(glyphs.size());
                double x = 0;
                for (const QPointF &a : advances) {
                    positions.append(QPointF(x, 0));
                    x += a.x();
                }
                QGlyphRun run;
                run.setRawFont(raw);
                run.setGlyphIndexes(glyphs);
                run.setPositions(positions);
                s.runs.append(run);
                s.width = x;
                return s;
            }
        }
        QTextLayout layout(text, font);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e9);
        layout.endLayout();
        s.width = line.naturalTextWidth();
        const double ascent = line.ascent();
        for (QGlyphRun run : layout.glyphRuns()) {
            QList<QPointF> positions = run.positions();
            for (QPointF &p : positions)
                p.ry() -= ascent;
            run.setPositions(positions);
            s.runs.append(run);
        }
        return s;
    }
};

namespace {
// A wrapped text as it will be drawn: its lines, in the font that lets them fit.
struct WrappedText {
    QStringList lines;
    FontData *font = nullptr;
};

// Breaks at the text's line breaks and between words; a word wider than the box on its own is
// broken where the box ends. Widths are the words' own, which the glyph runs cache, so a
// letter's paragraphs cost little once the first has been drawn.
QStringList wrapLines(FontData &font, const QString &text, double width) {
    QStringList lines;
    const double space = font.shape(QStringLiteral(" ")).width;
    QString plain = text;
    plain.remove(u'\r').replace(u'\t', u' ');
    for (const QString &paragraph : plain.split(u'\n')) {
        QString line;
        double lineWidth = 0;
        for (QString word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            double w = font.shape(word).width;
            if (!line.isEmpty() && lineWidth + space + w <= width) {
                line += u' ' + word;
                lineWidth += space + w;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            while (w > width && word.size() > 1) {
                qsizetype cut = 1;
                double piece = font.metrics.horizontalAdvance(word.at(0));
                while (cut < word.size()
                       && piece + font.metrics.horizontalAdvance(word.at(cut)) <= width)
                    piece += font.metrics.horizontalAdvance(word.at(cut++));
                lines << word.left(cut);
                word = word.mid(cut);
                w = font.shape(word).width;
            }
            line = word;
            lineWidth = w;
        }
        lines << line;
    }
    return lines;
}

bool linesFit(const FontData &font, qsizetype lines, double height) {
    return lines <= 1 || (lines - 1) * font.metrics.lineSpacing() + font.metrics.height() <= height;
}

// The text at its own size when it fits the box, else smaller, a quarter point at a time; at
// the smallest size the lines that do not fit are dropped and the last one kept ends in "…".
template<typename Resize>
WrappedText wrapToFit(FontData &base, const QString &text, const ReportItem &item, Resize resized) {
    WrappedText w{wrapLines(base, text, item.width), &base};
    if (linesFit(base, w.lines.size(), item.height))
        return w;
    const int full = base.font.pixelSize();
    const int floor =
        item.minPointSize > 0 ? qBound(1, qRound(item.minPointSize * Twips::PerPoint), full) : 1;
    int size = full - full % ShrinkStep;
    if (size == full)
        size -= ShrinkStep;
    for (;;) {
        size = qMax(floor, size);
        w.font = resized(size);
        w.lines = wrapLines(*w.font, text, item.width);
        if (linesFit(*w.font, w.lines.size(), item.height) || size == floor)
            break;
        size -= ShrinkStep;
    }
    if (linesFit(*w.font, w.lines.size(), item.height) || item.minPointSize <= 0)
        return w;
    qsizetype kept = 1;
    while (linesFit(*w.font, kept + 1, item.height))
        ++kept;
    w.lines.resize(kept);
    const QChar ellipsis(0x2026);
    QString &last = w.lines.last();
    while (!last.isEmpty()
           && w.font->metrics.horizontalAdvance(last.trimmed() + ellipsis) > item.width)
        last.chop(1);
    last = last.trimmed() + ellipsis;
    return w;
}
} // namespace

// What drawing needs of each item, worked out once per binding rather than once per row.
struct Report::Prepared {
    struct Item {
        const ReportItem *item;
        FontData *font = nullptr;
        int column = -1;
        DisplayFormat format;
        bool formatted = false;
        QString text;
        bool pageDependent = false;
    };
    std::array<std::vector<Item>, 5> sections;
    std::vector<std::unique_ptr<FontData>> fonts;
    // Rules of the page being drawn, by pen width; joined and drawn in one go at its end.
    std::map<int, std::vector<QLineF>> lines;
    // The page's glyphs, one run per font: a PDF then sets each font once per page.
    struct Glyphs {
        QRawFont font;
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    std::vector<Glyphs> glyphs;

    void addRun(const QGlyphRun &run, const QPointF &origin) {
        const QRawFont font = run.rawFont();
        auto it = std::find_if(glyphs.begin(), glyphs.end(),
                               [&](const Glyphs &g) { return g.font == font; });
        if (it == glyphs.end()) {
            glyphs.push_back({font, {}, {}});
            it = glyphs.end() - 1;
        }
        it->indexes += run.glyphIndexes();
        for (const QPointF &p : run.positions())
            it->positions.append(p + origin);
    }

    FontData *fontFor(const ReportFont &f) {
        return fontFor(
            engineFont(reportFontFamily(f.family), qRound(f.pointSize * Twips::PerPoint), f.bold));
    }

    FontData *fontFor(const QFont &font) {
        for (const auto &d : fonts)
            if (d->font == font)
                return d.get();
        fonts.push_back(std::make_unique<FontData>(font));
        return fonts.back().get();
    }

    // The same face in another size; cells that overflow ask for it row after row.
    FontData *resized(FontData *base, int pixelSize) {
        FontData *&d = resizedFonts[{base, pixelSize}];
        if (!d) {
            QFont font = base->font;
            font.setPixelSize(qMax(1, pixelSize));
            d = fontFor(font);
        }
        return d;
    }
    std::map<std::pair<const FontData *, int>, FontData *> resizedFonts;
};

namespace {
// Joins rules that continue one another, so a ruled grid becomes a few long strokes.
std::vector<QLineF> joined(std::vector<QLineF> lines) {
    std::vector<QLineF> vertical, horizontal, other;
    for (const QLineF &l : lines) {
        if (l.x1() == l.x2())
            vertical.push_back(l.y1() <= l.y2() ? l : QLineF(l.p2(), l.p1()));
        else if (l.y1() == l.y2())
            horizontal.push_back(l.x1() <= l.x2() ? l : QLineF(l.p2(), l.p1()));
        else
            other.push_back(l);
    }
    auto join = [](std::vector<QLineF> &v, auto fixed, auto from, auto to, auto make) {
        std::sort(v.begin(), v.end(), [&](const QLineF &a, const QLineF &b) {
            return fixed(a) != fixed(b) ? fixed(a) < fixed(b) : from(a) < from(b);
        });
        std::vector<QLineF> out;
        for (const QLineF &l : v) {
            if (!out.empty() && fixed(out.back()) == fixed(l) && from(l) <= to(out.back()))
                out.back() = make(fixed(l), from(out.back()), std::max(to(out.back()), to(l)));
            else
                out.push_back(l);
        }
        v = std::move(out);
    };
    join(
        vertical, [](const QLineF &l) { return l.x1(); }, [](const QLineF &l) { return l.y1(); },
        [](const QLineF &l) { return l.y2(); },
        [](double x, double a, double b) { return QLineF(x, a, x, b); });
    join(
        horizontal, [](const QLineF &l) { return l.y1(); }, [](const QLineF &l) { return l.x1(); },
        [](const QLineF &l) { return l.x2(); },
        [](double y, double a, double b) { return QLineF(a, y, b, y); });
    other.insert(other.end(), vertical.begin(), vertical.end());
    other.insert(other.end(), horizontal.begin(), horizontal.end());
    return other;
}
} // namespace

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

Report::Prepared &Report::prepared() const {
    if (m_prepared)
        return *m_prepared;
    auto prep = std::make_unique<Prepared>();
    const Section *bands[] = {&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter};
    const QString longDate = m_locale.toString(m_runDate, QLocale::LongFormat);
    const QString shortDate = m_locale.toString(m_runDate, QLocale::ShortFormat);
    for (int s = 0; s < 5; ++s) {
        for (const ReportItem &item : bands[s]->items) {
            Prepared::Item p{&item, nullptr, -1, {}, false, {}, false};
            if (item.kind != ReportItem::Kind::Line)
                p.font = prep->fontFor(item.font);
            if (item.kind == ReportItem::Kind::Field) {
                p.column = m_rows ? m_rows->columnIndex(item.text) : -1;
                p.formatted = !item.format.isEmpty();
                if (p.formatted)
                    p.format = DisplayFormat(item.format, m_locale);
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

void Report::drawSection(int sectionIndex, double top, int row, int pageIndex,
                         QList<DrawnItem> *drawn) const {
    Prepared &prep = prepared();
    const double dx = page.leftMargin;
    for (const Prepared::Item &pi : prep.sections[sectionIndex]) {
        const ReportItem &item = *pi.item;
        if (item.kind == ReportItem::Kind::Line) {
            const QPointF a(dx + item.left, top + item.top);
            const QPointF b(a.x() + item.width, a.y() + item.height);
            prep.lines[item.lineWidth].push_back(QLineF(a, b));
            if (drawn)
                drawn->append({DrawnItem::Kind::Line, QString(), QRectF(a, b), false});
            continue;
        }
        QString text;
        if (item.kind == ReportItem::Kind::Field) {
            if (pi.column >= 0 && row >= 0) {
                const QVariant &v = m_rows->value(row, pi.column);
                text = pi.formatted ? pi.format.apply(v) : v.toString();
            }
        } else if (pi.pageDependent) {
            text = pi.text;
            text.replace(QLatin1String(Placeholder::Pages), QString::number(pageCount()));
            text.replace(QLatin1String(Placeholder::Page), QString::number(pageIndex + 1));
        } else {
            text = pi.text;
        }
        if (text.isEmpty())
            continue;
        if (item.wrap) {
            const WrappedText w = wrapToFit(*pi.font, text, item,
                                            [&](int size) { return prep.resized(pi.font, size); });
            const QFontMetricsF &m = w.font->metrics;
            double y = top + item.top;
            const double block = double(w.lines.size() - 1) * m.lineSpacing() + m.height();
            if (item.alignment & Qt::AlignVCenter)
                y += (item.height - block) / 2;
            else if (item.alignment & Qt::AlignBottom)
                y += item.height - block;
            for (const QString &line : w.lines) {
                if (!line.isEmpty()) {
                    const ShapedText &shaped = w.font->shape(line);
                    double x = dx + item.left;
                    if (item.alignment & Qt::AlignRight)
                        x += item.width - shaped.width;
                    else if (item.alignment & Qt::AlignHCenter)
                        x += (item.width - shaped.width) / 2;
                    for (const QGlyphRun &run : shaped.runs)
                        prep.addRun(run, QPointF(x, y + m.ascent()));
                    if (drawn)
                        drawn->append({DrawnItem::Kind::Text, line,
                                       QRectF(dx + item.left, y, item.width, m.height()),
                                       item.font.bold});
                }
                y += m.lineSpacing();
            }
            continue;
        }
        FontData &base = *pi.font;
        FontData *font = &base;
        const ShapedText *shaped = &font->shape(text);
        int insetLeft = 0, insetRight = 0;
        if (shaped->width > item.width) {
            const int inset = qMin(ShrinkInset, item.width / 4);
            insetLeft = item.alignment & Qt::AlignLeft ? 0 : inset;
            insetRight = item.alignment & Qt::AlignRight ? 0 : inset;
            const int room = item.width - insetLeft - insetRight;
            // Smaller rather than cut, so every digit prints; plain text stops at a size still
            // read with ease, and only there is cut where the box ends, saying so.
            const int full = base.font.pixelSize();
            const int floor = item.minPointSize > 0
                                  ? qBound(1, qRound(item.minPointSize * Twips::PerPoint), full)
                                  : 1;
            // Widths grow with the size, as the faces are unhinted.
            int size = qMin(full - 1, int(full * room / shaped->width));
            size = qMax(floor, size - size % ShrinkStep);
            for (;;) {
                font = prep.resized(&base, size);
                shaped = &font->shape(text);
                if (shaped->width <= room || size <= floor)
                    break;
                size = qMax(floor, size - ShrinkStep);
            }
            if (shaped->width > room && item.minPointSize > 0) {
                text = font->metrics.elidedText(text, Qt::ElideRight, room);
                shaped = &font->shape(text);
            }
        }
        double x = dx + item.left + insetLeft;
        const double room = item.width - insetLeft - insetRight;
        if (item.alignment & Qt::AlignRight)
            x += room - shaped->width;
        else if (item.alignment & Qt::AlignHCenter)
            x += (room - shaped->width) / 2;
        // A shrunk text keeps the line of its row.
        double baseline = top + item.top + base.metrics.ascent();
        if (item.alignment & Qt::AlignVCenter)
            baseline += (item.height - base.metrics.height()) / 2;
        else if (item.alignment & Qt::AlignBottom)
            baseline += item.height - base.metrics.height();
        for (const QGlyphRun &run : shaped->runs)
            prep.addRun(run, QPointF(x, baseline));
        if (drawn)
            drawn->append({DrawnItem::Kind::Text, text,
                           QRectF(dx + item.left, top + item.top, item.width, item.height),
                           item.font.bold});
    }
}

void Report::flush(QPainter &painter) const {
    Prepared &prep = prepared();
    painter.setPen(Qt::black);
    for (Prepared::Glyphs &g : prep.glyphs) {
        if (g.indexes.isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(g.font);
        run.setGlyphIndexes(g.indexes);
        run.setPositions(g.positions);
        painter.drawGlyphRun(QPointF(0, 0), run);
        g.indexes.clear();
        g.positions.clear();
    }
    for (auto &[width, lines] : prep.lines) {
        if (lines.empty())
            continue;
        QPen pen(Qt::black, width);
        pen.setCapStyle(Qt::SquareCap);
        painter.setPen(pen);
        const std::vector<QLineF> strokes = joined(std::move(lines));
        painter.drawLines(strokes.data(), int(strokes.size()));
        lines.clear();
    }
}

void Report::renderPage(QPainter &painter, int pageIndex, QList<DrawnItem> *drawn) const {
    paginate();
    if (pageIndex < 0 || pageIndex >= int(m_pages.size()))
        return;
    const PageInfo &info = m_pages[size_t(pageIndex)];
    painter.save();
    painter.setPen(Qt::black);
    double y = page.topMargin;
    if (info.reportHeader) {
        drawSection(0, y, -1, pageIndex, drawn);
        y += reportHeader.height;
    }
    drawSection(1, y, -1, pageIndex, drawn);
    y += pageHeader.height;
    for (int r = info.firstRow; r < info.firstRow + info.rowCount; ++r) {
        drawSection(2, y, r, pageIndex, drawn);
        y += detail.height;
    }
    if (info.reportFooter)
        drawSection(4, y, -1, pageIndex, drawn);
    const double footerTop = page.paperTwips().height() - page.bottomMargin - pageFooter.height;
    drawSection(3, footerTop, -1, pageIndex, drawn);
    flush(painter);
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
