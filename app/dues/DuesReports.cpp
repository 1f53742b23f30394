#include "DuesReports.h"
#include "DuesRoll.h"
#include "report/DisplayFormat.h"
#include "ui/MsgBox.h"

#include <QLocale>
#include <array>

namespace dues {

namespace {
const ReportFont TitleFont{QStringLiteral("Arial"), 14, true};
const ReportFont SubtitleFont{QStringLiteral("Arial"), 11, true};
const ReportFont DateFont{QStringLiteral("Arial"), 9, false};
const ReportFont HeadingFont{QStringLiteral("Arial"), 8, true};
const ReportFont DetailFont{QStringLiteral("Arial"), 8, false};

// The rosters' sheet: Letter landscape with their margins and ruled grid.
constexpr int GridLeft = 144;
constexpr int GridLength = 14100;
constexpr int BodyWidth = 14595;
constexpr int CellInset = 60;

struct RosterColumnLayout {
    DuesColumn column;
    const char *source; // the column of the roster's own rows
    int width;
    Qt::AlignmentFlag alignment;
    bool whole; // identifiers and amounts: drawn smaller as far as it takes, never cut
};
// Left to right from GridLeft; the widths fill the grid.
constexpr std::array<RosterColumnLayout, DuesColumnCount> RenewalColumns{{
    {DuesColumn::MemberID, "MemberID", 900, Qt::AlignHCenter, true},
    {DuesColumn::Name, "Name", 2900, Qt::AlignLeft, false},
    {DuesColumn::Membership, "Membership", 1300, Qt::AlignHCenter, false},
    {DuesColumn::Amount, "Dues", 1100, Qt::AlignRight, true},
    {DuesColumn::PaidThrough, "PaidThrough", 1300, Qt::AlignHCenter, true},
    {DuesColumn::Standing, "Standing", 1900, Qt::AlignLeft, false},
    {DuesColumn::Phone, "Phone1", 1700, Qt::AlignHCenter, false},
    {DuesColumn::Email, "Email", 3000, Qt::AlignLeft, false},
}};
static_assert([] {
    int sum = 0;
    for (const RosterColumnLayout &c : RenewalColumns)
        sum += c.width;
    return sum == GridLength;
}());

// The letters' sheet: Letter portrait, an inch at the sides.
constexpr int LetterSide = 1440;
constexpr int LetterTop = 720;
constexpr int LetterBottom = 1080;
constexpr int LetterWidth = 12240 - 2 * LetterSide;
const ReportFont LetterheadFont{QStringLiteral("Arial"), 16, true};
const ReportFont LetterheadLineFont{QStringLiteral("Arial"), 10, false};
const ReportFont LetterFont{QStringLiteral("Arial"), 11, false};

QString joined(const QStringList &parts, QChar separator = u' ') {
    QStringList kept;
    for (const QString &p : parts)
        if (!p.trimmed().isEmpty())
            kept << p.trimmed();
    return kept.join(separator);
}

// The roster's rows: the selection's columns it prints, dates as text in the user's locale.
RecordsetPtr rosterRows(const RecordsetPtr &rows) {
    QStringList columns;
    for (const RosterColumnLayout &c : RenewalColumns)
        columns << QLatin1String(c.source);
    QVector<QVector<QVariant>> out;
    if (rows) {
        std::array<int, DuesColumnCount> from{};
        for (size_t c = 0; c < from.size(); ++c)
            from[c] = rows->columnIndex(columns[qsizetype(c)]);
        const int through = rows->columnIndex(QStringLiteral("PaidThrough"));
        out.reserve(rows->recordCount());
        for (int r = 0; r < rows->recordCount(); ++r) {
            QVector<QVariant> row;
            row.reserve(DuesColumnCount);
            for (int c : from)
                row.append(c < 0          ? QVariant()
                           : c == through ? QVariant(dateText(rows->value(r, c).toDate()))
                                          : rows->value(r, c));
            out.append(std::move(row));
        }
    }
    return std::make_shared<Recordset>(columns, std::move(out));
}
} // namespace

QString stateCode(const QString &stored) {
    const qsizetype dash = stored.indexOf(QLatin1String(" - "));
    return (dash > 0 ? stored.left(dash) : stored).trimmed();
}

QString cityLine(const QString &city, const QString &state, const QString &zip) {
    const QString place = joined({stateCode(state), zip});
    if (city.trimmed().isEmpty())
        return place;
    return place.isEmpty() ? city.trimmed() : city.trimmed() + QStringLiteral(", ") + place;
}

ClubLetterhead clubLetterhead(const Recordset &club) {
    ClubLetterhead l;
    if (club.recordCount() == 0)
        return l;
    const auto value = [&](const char *column) {
        const int c = club.columnIndex(QLatin1String(column));
        return c < 0 ? QString() : club.value(0, c).toString().trimmed();
    };
    l.name = value("ClubName");
    for (const QString &line :
         {value("Address1"), cityLine(value("City"), value("State"), value("Zip"))})
        if (!line.isEmpty())
            l.addressLines << line;
    l.phone = value("Phone1");
    l.email = value("Email");
    return l;
}

QString reminderText(const QString &saved) {
    return saved.trimmed().isEmpty() ? defaultReminderText() : saved;
}

QString defaultReminderText() {
    // {PaidThrough} stands on a line of its own, so "no payment on record" reads as well as a
    // date.
    return QStringLiteral(
        "This is a friendly reminder that your membership dues are due for renewal.\n"
        "\n"
        "Amount due: {Amount}\n"
        "Paid through: {PaidThrough}\n"
        "\n"
        "If you have already sent your payment, thank you, and please disregard this letter. "
        "Otherwise, we would be grateful to receive it at your earliest convenience. Thank you "
        "for your continued support of the club.");
}

std::shared_ptr<Report> buildRenewalRoster(const QString &clubName, const QString &title,
                                           RecordsetPtr rows) {
    auto report = std::make_shared<Report>();
    constexpr auto Centre = Qt::AlignHCenter;

    std::array<int, DuesColumnCount + 1> rules{};
    rules[0] = GridLeft;
    for (size_t c = 0; c < RenewalColumns.size(); ++c)
        rules[c + 1] = rules[c] + RenewalColumns[c].width;
    const auto addVerticalRules = [&](Section &s, int top, int length) {
        for (int x : rules)
            s.items.append(ReportItem::vline(x, top, length));
    };

    Section &header = report->pageHeader;
    header.height = 1455;
    header.items << ReportItem::label(GridLeft, 0, GridLength, 360, clubName, Centre, TitleFont)
                 << ReportItem::label(GridLeft, 370, GridLength, 300,
                                      QLatin1String(Placeholder::Title), Centre, SubtitleFont)
                 << ReportItem::label(GridLeft, 690, GridLength, 260,
                                      QLatin1String(Placeholder::LongDate), Centre, DateFont)
                 << ReportItem::hline(GridLeft, 1008, GridLength)
                 << ReportItem::hline(GridLeft, 1440, GridLength);
    addVerticalRules(header, 1008, 435);

    Section &detail = report->detail;
    detail.height = 435;
    for (size_t c = 0; c < RenewalColumns.size(); ++c) {
        const RosterColumnLayout &col = RenewalColumns[c];
        const int left = rules[c] + CellInset;
        const int width = col.width - 2 * CellInset;
        header.items << ReportItem::label(left, 1152, width, 285, columnHeading(col.column), Centre,
                                          HeadingFont);
        detail.items << ReportItem::field(
            left, 144, width, 285, QLatin1String(col.source), col.alignment, DetailFont,
            col.column == DuesColumn::Amount ? amountFormat() : QString());
        if (col.whole)
            detail.items.last().minPointSize = 0;
    }
    detail.items << ReportItem::hline(GridLeft, 432, GridLength);
    addVerticalRules(detail, 0, 435);

    Section &footer = report->pageFooter;
    footer.height = 450;
    footer.items << ReportItem::hline(GridLeft, 0, GridLength)
                 << ReportItem::label(GridLeft, 144, 3000, 285,
                                      QStringLiteral("Page %1 of %2")
                                          .arg(QLatin1String(Placeholder::Page),
                                               QLatin1String(Placeholder::Pages)),
                                      Qt::AlignLeft, DetailFont)
                 << ReportItem::label(0, 144, BodyWidth, 285, appTitle(), Centre, DetailFont)
                 << ReportItem::label(GridLeft + GridLength - 3000, 144, 3000, 285,
                                      QLatin1String(Placeholder::ShortDate), Qt::AlignRight,
                                      DetailFont);

    report->title = title;
    report->page.bodyWidth = BodyWidth;
    report->page.landscape = true;
    report->page.pageSize = QPageSize(QPageSize::Letter);
    report->page.leftMargin = 500;
    report->page.rightMargin = 500;
    report->page.topMargin = 1000;
    report->page.bottomMargin = 400;
    report->setData(rosterRows(rows));
    return report;
}

std::shared_ptr<Report> buildReminderLetters(const ClubLetterhead &club, const QString &text,
                                             RecordsetPtr rows) {
    auto report = std::make_shared<Report>();
    report->title = QStringLiteral("Reminder Letters");
    report->page.pageSize = QPageSize(QPageSize::Letter);
    report->page.landscape = false;
    report->page.leftMargin = report->page.rightMargin = LetterSide;
    report->page.topMargin = LetterTop;
    report->page.bottomMargin = LetterBottom;
    report->page.bodyWidth = LetterWidth;
    constexpr auto Centre = Qt::AlignHCenter;

    // The letterhead heads every page, and every page is one letter.
    Section &head = report->pageHeader;
    int y = 0;
    head.items << ReportItem::label(0, y, LetterWidth, 400, club.name, Centre, LetterheadFont);
    y += 420;
    for (const QString &line : club.addressLines + QStringList{club.phone, club.email}) {
        if (line.trimmed().isEmpty())
            continue;
        head.items << ReportItem::label(0, y, LetterWidth, 240, line.trimmed(), Centre,
                                        LetterheadLineFont);
        y += 240;
    }
    y += 120;
    head.items << ReportItem::hline(0, y, LetterWidth);
    head.height = y + 480;

    Section &letter = report->detail;
    const int room =
        int(report->page.paperTwips().height()) - LetterTop - LetterBottom - head.height;
    letter.height = room;
    constexpr int AddressTop = 600;
    constexpr int AddressHeight = 1100; // name, two lines of address, city: four lines
    constexpr int TextTop = AddressTop + AddressHeight + 400;
    letter.items << ReportItem::label(0, 0, LetterWidth, 300, QLatin1String(Placeholder::LongDate),
                                      Qt::AlignLeft, LetterFont)
                 << ReportItem::field(0, AddressTop, LetterWidth / 2, AddressHeight,
                                      QStringLiteral("Address"), Qt::AlignLeft, LetterFont)
                 << ReportItem::field(0, TextTop, LetterWidth, room - TextTop,
                                      QStringLiteral("Letter"), Qt::AlignLeft, LetterFont);
    for (qsizetype i = 1; i < letter.items.size(); ++i) {
        letter.items[i].wrap = true;
        letter.items[i].minPointSize = 8;
    }

    // Each member's words, worked out once: the engine draws the fields as they are.
    QVector<QVector<QVariant>> letters;
    if (rows) {
        const auto column = [&](const char *name) {
            return rows->columnIndex(QLatin1String(name));
        };
        const int last = column("LName"), first = column("FName"), middle = column("MName");
        const int a1 = column("Address1"), a2 = column("Address2"), city = column("City"),
                  state = column("State"), zip = column("Zip"), dues = column("Dues"),
                  through = column("PaidThrough");
        const auto at = [&](int r, int c) {
            return c < 0 ? QString() : rows->value(r, c).toString().trimmed();
        };
        const QLocale locale;
        const DisplayFormat money(amountFormat(), locale);
        const QString closing = QStringLiteral("\n\nYours sincerely,\n\n\n") + club.name;
        letters.reserve(rows->recordCount());
        for (int r = 0; r < rows->recordCount(); ++r) {
            QStringList address{joined({at(r, first), at(r, middle), at(r, last)}), at(r, a1)};
            if (!at(r, a2).isEmpty())
                address << at(r, a2);
            address << cityLine(at(r, city), at(r, state), at(r, zip));
            const QString dear = joined({at(r, first), at(r, last)});
            const QDate paid = through < 0 ? QDate() : rows->value(r, through).toDate();
            QString body = text.trimmed();
            body.replace(QLatin1String("{Amount}"),
                         money.apply(dues < 0 ? 0.0 : rows->value(r, dues).toDouble()));
            body.replace(QLatin1String("{PaidThrough}"),
                         paid.isValid() ? locale.toString(paid, QLocale::LongFormat)
                                        : QStringLiteral("no payment on record"));
            letters.append(
                {address.join(u'\n'), QStringLiteral("Dear %1,\n\n")
                                              .arg(dear.isEmpty() ? QStringLiteral("Member") : dear)
                                          + body + closing});
        }
    }
    report->setData(std::make_shared<Recordset>(
        QStringList{QStringLiteral("Address"), QStringLiteral("Letter")}, std::move(letters)));
    return report;
}

} // namespace dues
