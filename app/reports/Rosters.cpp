#include "Rosters.h"
#include "ui/MsgBox.h"

namespace {
// Twips, measured from the left edge of the report body.
constexpr int GridLeft = 144;
constexpr int GridLength = 14100;
constexpr int BodyWidth = 14595;

const ReportFont TitleFont{QStringLiteral("Arial"), 14, true};
const ReportFont DateFont{QStringLiteral("Arial"), 9, false};
const ReportFont HeadingFont{QStringLiteral("Arial"), 8, true};
const ReportFont DetailFont{QStringLiteral("Arial"), 8, false};

void addVerticalRules(Section &s, int top, int length) {
    for (int x : RosterRules)
        s.items.append(ReportItem::vline(x, top, length));
}
} // namespace

QStringList rosterOrderKeys(const RosterInfo &info) {
    const QString sql = QLatin1String(info.sql);
    const qsizetype at = sql.lastIndexOf(QLatin1String(" ORDER BY "), -1, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    QStringList keys = sql.mid(at + 10).split(u',', Qt::SkipEmptyParts);
    for (QString &k : keys)
        k = k.trimmed();
    return keys;
}

std::optional<Roster> rosterByName(const QString &name) {
    for (const RosterInfo &r : Rosters)
        if (name.compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0)
            return r.roster;
    return std::nullopt;
}

std::shared_ptr<Report> buildRosterReport(const RosterInfo &info, RecordsetPtr rows) {
    auto report = std::make_shared<Report>();
    constexpr auto Centre = Qt::AlignHCenter;

    Section &header = report->pageHeader;
    header.height = 1455;
    header.items << ReportItem::label(GridLeft, 0, GridLength, 420,
                                      QLatin1String(Placeholder::Title), Centre, TitleFont)
                 << ReportItem::label(GridLeft, 576, GridLength, 285,
                                      QLatin1String(Placeholder::LongDate), Centre, DateFont)
                 << ReportItem::hline(GridLeft, 1008, GridLength)
                 << ReportItem::hline(GridLeft, 1440, GridLength);
    addVerticalRules(header, 1008, 435);

    Section &detail = report->detail;
    detail.height = 435;
    for (const RosterColumn &c : RosterColumns) {
        header.items << ReportItem::label(c.left, 1152, c.width, 285, QLatin1String(c.heading),
                                          Centre, HeadingFont);
        detail.items << ReportItem::field(c.left, 144, c.width, 285, QLatin1String(c.column),
                                          c.alignment, DetailFont, QLatin1String(c.format));
        if (c.whole)
            detail.items.last().minPointSize = 0;
    }
    detail.items << ReportItem::hline(GridLeft, 432, GridLength);
    addVerticalRules(detail, 0, 435);

    Section &footer = report->pageFooter;
    footer.height = 450;
    if (info.footerRule)
        footer.items << ReportItem::hline(GridLeft, 0, GridLength);
    footer.items << ReportItem::label(
        GridLeft, 144, 3000, 285,
        QStringLiteral("Page %1 of %2")
            .arg(QLatin1String(Placeholder::Page), QLatin1String(Placeholder::Pages)),
        Qt::AlignLeft, DetailFont)
                 << ReportItem::label(0, 144, BodyWidth, 285, appTitle(), Centre, DetailFont)
                 << ReportItem::label(12384, 144, 1875, 285, QLatin1String(Placeholder::ShortDate),
                                      Qt::AlignRight, DetailFont);

    // The report's initialisation.
    report->title = QLatin1String(info.title);
    report->page.bodyWidth = BodyWidth;
    report->page.landscape = true;
    report->page.pageSize = QPageSize(QPageSize::Letter);
    report->page.leftMargin = 500;
    report->page.rightMargin = 500;
    report->page.topMargin = 1000;
    report->page.bottomMargin = 400;
    report->setData(std::move(rows));
    return report;
}
