#include "LabelReport.h"

#include <QPageSize>
#include <algorithm>
#include <cmath>

namespace labels {

namespace {
constexpr double TwipsPerMm = Twips::PerInch / 25.4;
int twips(double mm) {
    return qRound(mm * TwipsPerMm);
}

// The name, two address lines and the city line.
constexpr int LinesPerLabel = 4;
// A tenth of an inch at the left, where a sheet that feeds a little askew shows it first; less
// at the right, as a long line is drawn smaller before it reaches the edge.
constexpr int InsetLeft = 144;
constexpr int InsetRight = 72;
// The rosters' face, and its line spacing in points per point of size.
const QString FontFamily = QStringLiteral("Arial");
constexpr double LineSpacing = 1.15;
constexpr double LargestSize = 11;
constexpr double SmallestSize = 6;

// Ten points an inch of the label's height, in half points up to 11: 10 pt on a 1-inch label, 8
// on the small A4 ones, so four lines keep their air.
double pointSizeFor(const LabelSheet &sheet) {
    const double heightPoints = sheet.labelHeight / 25.4 * 72;
    return std::clamp(std::floor(heightPoints / 7.2 * 2) / 2, SmallestSize, LargestSize);
}

// Names run a little over half an em a character in this face, capitals and blanks included.
constexpr double CharsPerEm = 1.85;
// A list of names may be drawn this much smaller than the label's size before it is shortened.
constexpr double ListShrink = 0.8;

int textWidth(const LabelSheet &sheet) {
    return twips(sheet.labelWidth) - InsetLeft - InsetRight;
}

QString column(int sheetColumn, int line) {
    return line == 0 ? QStringLiteral("C%1Name").arg(sheetColumn + 1)
                     : QStringLiteral("C%1Line%2").arg(sheetColumn + 1).arg(line);
}
} // namespace

int nameChars(const LabelSheet &sheet) {
    const double em = pointSizeFor(sheet) * ListShrink * Twips::PerPoint;
    return int(textWidth(sheet) / em * CharsPerEm);
}

std::shared_ptr<Report> buildLabelReport(const LabelSheet &sheet, const QList<MailingLabel> &labels,
                                         int startAt) {
    if (labels.isEmpty())
        return nullptr;
    startAt = std::clamp(startAt, 1, sheet.perSheet());
    auto report = std::make_shared<Report>();
    report->title = QStringLiteral("Mailing Labels");

    PageSetup &page = report->page;
    page.pageSize = QPageSize(sheet.paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4);
    page.landscape = false;
    page.leftMargin = twips(sheet.leftMargin);
    page.topMargin = twips(sheet.topMargin);
    const double lastRight =
        sheet.leftMargin + (sheet.columns - 1) * sheet.horizontalPitch + sheet.labelWidth;
    page.bodyWidth = twips(lastRight) - page.leftMargin;
    const QSizeF paper = page.paperTwips();
    page.rightMargin = qMax(0, int(paper.width()) - page.leftMargin - page.bodyWidth);

    // One band per row of labels; the body holds exactly the sheet's rows, so a page is a sheet.
    Section &band = report->detail;
    band.height = twips(sheet.verticalPitch);
    page.bottomMargin =
        qMax(0, int(std::floor(paper.height() - page.topMargin - sheet.rows * band.height)));

    const ReportFont font{FontFamily, pointSizeFor(sheet), false};
    const int lineHeight = qRound(font.pointSize * Twips::PerPoint * LineSpacing);
    const int labelHeight = twips(sheet.labelHeight);
    // A tenth of an inch at the top too, unless four lines would then leave less below.
    const int insetTop = qMin(144, (labelHeight - LinesPerLabel * lineHeight) / 2);
    QStringList columns;
    for (int c = 0; c < sheet.columns; ++c) {
        // Each column from the paper's edge, so rounding never adds up across the sheet.
        const int left = twips(sheet.leftMargin + c * sheet.horizontalPitch) - page.leftMargin;
        const int width = textWidth(sheet);
        for (int line = 0; line < LinesPerLabel; ++line) {
            columns << column(c, line);
            band.items << ReportItem::field(left + InsetLeft, insetTop + line * lineHeight, width,
                                            lineHeight, columns.last(), Qt::AlignLeft, font);
            band.items.last().minPointSize = SmallestSize;
        }
    }

    // Positions before startAt stay empty: the part of the first sheet already used.
    const qsizetype positions = startAt - 1 + labels.size();
    const qsizetype rowCount = (positions + sheet.columns - 1) / sheet.columns;
    QVector<QVector<QVariant>> rows(rowCount, QVector<QVariant>(columns.size()));
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const qsizetype at = startAt - 1 + i;
        QVector<QVariant> &row = rows[at / sheet.columns];
        const int first = int(at % sheet.columns) * LinesPerLabel;
        const MailingLabel &label = labels[i];
        row[first] = label.name;
        for (int line = 0; line < LinesPerLabel - 1 && line < label.lines.size(); ++line)
            row[first + 1 + line] = label.lines[line];
    }
    report->setData(std::make_shared<Recordset>(columns, std::move(rows)));
    return report;
}

} // namespace labels
