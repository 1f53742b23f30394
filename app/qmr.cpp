// Members in and out of a roll without a window, for scripts and tests:
//   qmr export --roster NAME --out FILE.csv|FILE.xlsx
//   qmr emails --roster NAME
//   qmr import FILE [--dry-run] [--encoding E] [--delimiter D] [--sheet N]
//   qmr undo-import
//   qmr dues [--show STANDINGS] [--days N] [--membership TYPE] [--out FILE]
//            [--roster-pdf FILE] [--letters-pdf FILE]
//   qmr payments [--from DATE] [--to DATE] [--out FILE]
//   qmr labels [--sheet CODE] [--households] [--order name|zip] [--start N]
//              [--roster NAME | --show STANDINGS] --pdf FILE
// each with [--app-folder DIR] (the program's own folder by default). Exit codes: 0 done,
// 1 failed (nothing changed), 2 wrong command line, 3 done but rows were refused.
#include "ProgramNames.h"
#include "club/ImportRecord.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "dues/DuesExport.h"
#include "dues/DuesReports.h"
#include "dues/DuesRoll.h"
#include "exchange/ImportPlan.h"
#include "exchange/MemberTable.h"
#include "labels/LabelReport.h"
#include "labels/frmMailingLabels.h"
#include "system/System.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>
#include <map>

namespace {
constexpr int Done = 0, Failed = 1, Usage = 2, Refused = 3;

void err(const QString &text) {
    std::fprintf(stderr, "qmr: %s\n", qPrintable(text));
}

int usage(const QString &problem) {
    if (!problem.isEmpty())
        err(problem);
    std::fprintf(stderr,
                 "usage: qmr export --roster NAME --out FILE.csv|FILE.xlsx\n"
                 "       qmr emails --roster NAME\n"
                 "       qmr import FILE [--dry-run] [--encoding utf-8|windows-1252|utf-16le|"
                 "utf-16be]\n"
                 "                       [--delimiter comma|semicolon|tab] [--sheet N]\n"
                 "       qmr undo-import\n"
                 "       qmr dues [--show STANDINGS] [--days N] [--membership TYPE] [--out FILE]\n"
                 "                [--roster-pdf FILE] [--letters-pdf FILE]\n"
                 "       qmr payments [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--out FILE]\n"
                 "       qmr labels [--sheet CODE] [--households] [--order name|zip] [--start N]\n"
                 "                  [--roster NAME | --show STANDINGS] --pdf FILE\n"
                 "  each with [--app-folder DIR]; NAME is all, regular, family, life, senior, "
                 "sports, pool or junior;\n"
                 "  STANDINGS is a comma-separated list of paid, due, lapsed, never, life "
                 "(default due,lapsed)\n"
                 "  CODE is a label sheet: 5160 (the default), 5161, 5163, L7160, L7163 or L7651;\n"
                 "  labels are one per member unless --households, by last name from label 1\n"
                 "  exit codes: 0 done, 1 failed (nothing changed), 2 wrong command line, 3 done "
                 "but rows were refused\n");
    return Usage;
}

struct Options {
    QString command, file, roster, out, folder, encoding, delimiter;
    QString show, days, membership, rosterPdf, lettersPdf, from, to;
    QString labelSheet, order, start, pdf;
    int sheet = 0;
    bool dryRun = false;
    bool households = false;
};

std::optional<Options> parse(const QStringList &args, QString *problem) {
    Options o;
    o.folder = QCoreApplication::applicationDirPath();
    if (args.size() < 2) {
        *problem = QStringLiteral("a command is required");
        return std::nullopt;
    }
    o.command = args[1];
    const std::map<QString, QString *> valued{{QStringLiteral("--roster"), &o.roster},
                                              {QStringLiteral("--out"), &o.out},
                                              {QStringLiteral("--app-folder"), &o.folder},
                                              {QStringLiteral("--encoding"), &o.encoding},
                                              {QStringLiteral("--delimiter"), &o.delimiter},
                                              {QStringLiteral("--show"), &o.show},
                                              {QStringLiteral("--days"), &o.days},
                                              {QStringLiteral("--membership"), &o.membership},
                                              {QStringLiteral("--roster-pdf"), &o.rosterPdf},
                                              {QStringLiteral("--letters-pdf"), &o.lettersPdf},
                                              {QStringLiteral("--from"), &o.from},
                                              {QStringLiteral("--to"), &o.to},
                                              {QStringLiteral("--order"), &o.order},
                                              {QStringLiteral("--start"), &o.start},
                                              {QStringLiteral("--pdf"), &o.pdf}};
    // The import's --sheet is a workbook's sheet by number; the labels' is a label sheet's code.
    const bool labels = o.command == u"labels";
    for (int i = 2; i < args.size(); ++i) {
        const QString &a = args[i];
        if (const auto it = valued.find(a); it != valued.end() || a == u"--sheet") {
            if (i + 1 >= args.size()) {
                *problem = a + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            const QString value = args[++i];
            bool ok = true;
            if (a == u"--sheet" && labels)
                o.labelSheet = value;
            else if (a == u"--sheet")
                o.sheet = value.toInt(&ok) - 1;
            else
                *it->second = value;
            if (!ok || o.sheet < 0) {
                *problem = QStringLiteral("--sheet takes the sheet's number, 1 for the first");
                return std::nullopt;
            }
        } else if (a == u"--dry-run") {
            o.dryRun = true;
        } else if (a == u"--households") {
            o.households = true;
        } else if (!a.startsWith(u"--") && o.file.isEmpty()) {
            o.file = a;
        } else {
            *problem = QStringLiteral("unknown argument %1").arg(a);
            return std::nullopt;
        }
    }
    // Files named on the command line are where the user stands, not in the application
    // folder the run moves into.
    for (QString *path : {&o.out, &o.file, &o.rosterPdf, &o.lettersPdf, &o.pdf})
        if (!path->isEmpty())
            *path = QFileInfo(*path).absoluteFilePath();
    return o;
}

std::optional<TableReadOptions> readOptions(const Options &o, QString *problem) {
    TableReadOptions r;
    r.sheet = o.sheet;
    static const std::map<QString, TextEncoding> encodings{
        {QStringLiteral("utf-8"), TextEncoding::Utf8},
        {QStringLiteral("windows-1252"), TextEncoding::Windows1252},
        {QStringLiteral("utf-16le"), TextEncoding::Utf16LE},
        {QStringLiteral("utf-16be"), TextEncoding::Utf16BE}};
    static const std::map<QString, QChar> delimiters{{QStringLiteral("comma"), u','},
                                                     {QStringLiteral("semicolon"), u';'},
                                                     {QStringLiteral("tab"), u'\t'}};
    if (!o.encoding.isEmpty()) {
        const auto it = encodings.find(o.encoding.toLower());
        if (it == encodings.end()) {
            *problem = QStringLiteral("unknown encoding \"%1\"").arg(o.encoding);
            return std::nullopt;
        }
        r.encoding = it->second;
    }
    if (!o.delimiter.isEmpty()) {
        const auto it = delimiters.find(o.delimiter.toLower());
        if (it == delimiters.end()) {
            *problem = QStringLiteral("unknown delimiter \"%1\"").arg(o.delimiter);
            return std::nullopt;
        }
        r.delimiter = it->second;
    }
    return r;
}

RecordsetPtr selection(const Options &o) {
    const std::optional<Roster> roster =
        rosterByName(o.roster.isEmpty() ? QStringLiteral("all") : o.roster);
    if (!roster)
        throw Failure(ErrNo::Unexpected, QStringLiteral("unknown roster \"%1\"").arg(o.roster));
    return exchange::rosterMembers(*roster);
}

int exportMembers(const Options &o) {
    if (o.out.isEmpty())
        return usage(QStringLiteral("export needs --out FILE"));
    QElapsedTimer timer;
    timer.start();
    const RecordsetPtr rows = selection(o);
    const exchange::ExportOutcome outcome =
        exchange::exportMembers(*rows, QFileInfo(o.out).absoluteFilePath());
    if (!outcome.ok) {
        err(outcome.error);
        return Failed;
    }
    std::printf("%d members written to %s in %lld ms\n", outcome.members,
                qPrintable(QFileInfo(o.out).absoluteFilePath()),
                static_cast<long long>(timer.elapsed()));
    return Done;
}

int emails(const Options &o) {
    const exchange::EmailAddresses list = exchange::emailAddresses(*selection(o));
    std::printf("%s\n", qPrintable(list.text));
    std::fprintf(stderr, "%d addresses; %d members have none\n", list.copied, list.withoutEmail);
    return Done;
}

int importMembers(const Options &o) {
    if (o.file.isEmpty())
        return usage(QStringLiteral("import needs the file to read"));
    QString problem;
    const auto options = readOptions(o, &problem);
    if (!options)
        return usage(problem);
    QElapsedTimer timer;
    timer.start();
    const QString path = QFileInfo(o.file).absoluteFilePath();
    const TableRead table = readTableFile(path, *options);
    if (!table.ok) {
        err(table.error);
        return Failed;
    }
    if (table.rows.isEmpty()) {
        err(QStringLiteral("%1 has headings but no rows below them: there is nobody to import.")
                .arg(path));
        return Failed;
    }
    const QList<int> mapping = exchange::guessMapping(table.headings);
    if (const QStringList missing = exchange::unmappedRequired(mapping); !missing.isEmpty()) {
        err(QStringLiteral("%1: no column holds %2; name the columns as the member form does.")
                .arg(path, missing.join(QStringLiteral(", "))));
        return Failed;
    }
    for (qsizetype c = 0; c < mapping.size(); ++c)
        if (mapping[c] == exchange::NotImported && !table.headings[c].trimmed().isEmpty())
            std::fprintf(stderr, "column \"%s\" is not imported\n", qPrintable(table.headings[c]));
    const RecordsetPtr members = club().LoadMembers();
    const exchange::ImportPlan plan(table, mapping, members ? *members : Recordset(),
                                    exchange::importLists(club()));
    for (const exchange::PlannedRow &row : plan.rows())
        if (row.action != exchange::Action::Skip || row.sameAsRow >= 0)
            std::printf("row %lld: %s %s%s%s\n", static_cast<long long>(row.fileRow),
                        qPrintable(exchange::actionName(row.action)), qPrintable(row.name),
                        row.reason.isEmpty() ? "" : ": ", qPrintable(row.reason.simplified()));
    using exchange::Action;
    const int refused = plan.count(Action::Refused);
    const auto summary = [&](const char *verb) {
        std::printf("%s: %d added, %d updated, %d skipped, %d refused (%lld ms)\n", verb,
                    plan.count(Action::Add), plan.count(Action::Update), plan.count(Action::Skip),
                    refused, static_cast<long long>(timer.elapsed()));
    };
    if (o.dryRun) {
        summary("dry run, nothing imported");
        return refused ? Refused : Done;
    }
    const QList<ImportedMember> changes = plan.toImport();
    if (!changes.isEmpty())
        club2().ImportMembers(path, changes, {});
    summary(changes.isEmpty() ? "nothing to import" : "imported");
    return refused ? Refused : Done;
}

int undoImport() {
    const RecordsetPtr last = club2().LastImport();
    if (!last || last->recordCount() == 0) {
        err(QStringLiteral("the roll holds no import to undo"));
        return Failed;
    }
    const ImportRecord undone = importRecord(*last);
    club2().UndoLastImport();
    std::printf("undone: the import of %s (%lld added, %lld updated)\n", qPrintable(undone.file),
                static_cast<long long>(undone.added), static_cast<long long>(undone.updated));
    return Done;
}

// What `dues` writes, each said on its own line.
int written(const QString &what, const exchange::ExportOutcome &outcome, const QString &path) {
    if (!outcome.ok) {
        err(outcome.error);
        return Failed;
    }
    std::printf("%s: %d written to %s\n", qPrintable(what), outcome.members, qPrintable(path));
    return Done;
}

int pdfWritten(const QString &what, const Report &report, const QString &path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const int pages = report.writePdf(full);
    if (pages < 0) {
        err(QStringLiteral("%1 could not be written").arg(full));
        return Failed;
    }
    std::printf("%s: %d pages written to %s\n", qPrintable(what), pages, qPrintable(full));
    return Done;
}

// The standings of --show, due and lapsed when none is named; nothing after saying which name
// is unknown.
std::optional<QList<dues::Standing>> standingsAsked(const Options &o, QString *problem) {
    using dues::Standing;
    QList<Standing> asked;
    static const std::map<QString, Standing> names{{QStringLiteral("paid"), Standing::Paid},
                                                   {QStringLiteral("due"), Standing::Due},
                                                   {QStringLiteral("lapsed"), Standing::Lapsed},
                                                   {QStringLiteral("never"), Standing::NeverPaid},
                                                   {QStringLiteral("life"), Standing::Life}};
    for (const QString &name : (o.show.isEmpty() ? QStringLiteral("due,lapsed") : o.show)
                                   .split(u',', Qt::SkipEmptyParts)) {
        const auto it = names.find(name.trimmed().toLower());
        if (it == names.end()) {
            *problem = QStringLiteral("unknown standing \"%1\"").arg(name);
            return std::nullopt;
        }
        asked << it->second;
    }
    return asked;
}

int duesList(const Options &o) {
    using dues::Standing;
    QString problem;
    const std::optional<QList<Standing>> asked = standingsAsked(o, &problem);
    if (!asked)
        return usage(problem);
    bool ok = true;
    const int days = o.days.isEmpty() ? dues::DefaultDueDays : o.days.toInt(&ok);
    if (!ok || days < 0)
        return usage(QStringLiteral("--days takes a number of days"));

    dues::DuesList list;
    list.setRows(club2().DuesStanding());
    list.judge(currentDateTime().date(), days);
    const auto counts = list.counts();
    for (int s = 0; s < dues::StandingCount; ++s)
        std::printf("%s: %d\n", qPrintable(dues::standingName(Standing(s))), counts[size_t(s)]);
    const RecordsetPtr shown = list.selection(list.select(*asked, o.membership));
    std::printf("shown: %d of %d members\n", shown->recordCount(), list.size());

    int code = Done;
    if (!o.out.isEmpty())
        code = std::max(
            code, written(QStringLiteral("renewal list"),
                          dues::exportRenewalList(*shown, QFileInfo(o.out).absoluteFilePath()),
                          QFileInfo(o.out).absoluteFilePath()));
    if (!o.rosterPdf.isEmpty() || !o.lettersPdf.isEmpty()) {
        const RecordsetPtr club = ::club().LoadEditClub();
        const dues::ClubLetterhead head =
            club ? dues::clubLetterhead(*club) : dues::ClubLetterhead{};
        if (!o.rosterPdf.isEmpty())
            code =
                std::max(code, pdfWritten(QStringLiteral("renewal roster"),
                                          *dues::buildRenewalRoster(
                                              head.name, QStringLiteral("Renewal Roster"), shown),
                                          o.rosterPdf));
        if (!o.lettersPdf.isEmpty()) {
            const QString words =
                dues::reminderText(club2().Setting(QLatin1String(SettingName::ReminderText)));
            code = std::max(code, pdfWritten(QStringLiteral("reminder letters"),
                                             *dues::buildReminderLetters(head, words, shown),
                                             o.lettersPdf));
        }
    }
    return code;
}

int payments(const Options &o) {
    const QDate today = currentDateTime().date();
    const QDate from =
        o.from.isEmpty() ? QDate(today.year(), 1, 1) : QDate::fromString(o.from, Qt::ISODate);
    const QDate to = o.to.isEmpty() ? today : QDate::fromString(o.to, Qt::ISODate);
    if (!from.isValid() || !to.isValid() || to < from)
        return usage(QStringLiteral("--from and --to take dates as YYYY-MM-DD, from before to"));
    const RecordsetPtr rows = club2().PaymentsReceived(from, to);
    const dues::DuesTotals totals = dues::totalsOf(*rows);
    std::printf("collected %s to %s: %.2f in %d payments\n", qPrintable(from.toString(Qt::ISODate)),
                qPrintable(to.toString(Qt::ISODate)), totals.collected, totals.payments);
    for (auto it = totals.byMethod.cbegin(); it != totals.byMethod.cend(); ++it)
        std::printf("  method %s: %.2f\n", qPrintable(it.key()), it.value());
    for (auto it = totals.byMembership.cbegin(); it != totals.byMembership.cend(); ++it)
        std::printf("  membership %s: %.2f\n", qPrintable(it.key()), it.value());
    std::printf("opening balances (no money): %d\n", totals.openingBalances);
    if (o.out.isEmpty())
        return Done;
    const QString path = QFileInfo(o.out).absoluteFilePath();
    return written(QStringLiteral("payments"), dues::exportPayments(*rows, from, to, path), path);
}

int mailingLabels(const Options &o) {
    if (o.pdf.isEmpty())
        return usage(QStringLiteral("labels needs --pdf FILE"));
    const labels::LabelSheet *sheet =
        labels::sheetByCode(o.labelSheet.isEmpty() ? QStringLiteral("5160") : o.labelSheet);
    if (!sheet)
        return usage(QStringLiteral("unknown label sheet \"%1\"").arg(o.labelSheet));
    labels::LabelOrder order = labels::LabelOrder::LastName;
    const QString orderName = o.order.toLower();
    if (orderName == u"zip")
        order = labels::LabelOrder::PostalCode;
    else if (!orderName.isEmpty() && orderName != u"name")
        return usage(QStringLiteral("--order takes name or zip"));
    bool ok = true;
    const int start = o.start.isEmpty() ? 1 : o.start.toInt(&ok);
    if (!ok || start < 1 || start > sheet->perSheet())
        return usage(
            QStringLiteral("--start takes a label of the sheet, 1 to %1").arg(sheet->perSheet()));
    if (!o.roster.isEmpty() && !o.show.isEmpty())
        return usage(QStringLiteral("labels takes --roster or --show, not both"));

    RecordsetPtr rows;
    if (!o.show.isEmpty()) {
        QString problem;
        const auto asked = standingsAsked(o, &problem);
        if (!asked)
            return usage(problem);
        rows = labels::duesMembers(*asked);
    } else {
        rows = selection(o);
    }
    const labels::LabelRun run =
        labels::makeLabels(*rows, o.households, order, labels::nameChars(*sheet));
    std::printf("%d labels for %d members (%d households); %d without an address%s%s\n",
                int(run.labels.size()), run.members, run.households, run.withoutAddress,
                run.leftOut.isEmpty() ? "" : ": ",
                qPrintable(run.leftOut.join(QStringLiteral("; "))));
    const std::shared_ptr<Report> report = labels::buildLabelReport(*sheet, run.labels, start);
    if (!report) {
        err(run.withoutAddress > 0
                ? QStringLiteral("nobody to label: none of the members chosen has an address; "
                                 "nothing was written")
                : QStringLiteral("nobody to label: no member is chosen; nothing was written"));
        return Failed;
    }
    return pdfWritten(QStringLiteral("labels"), *report, o.pdf);
}

int run(const Options &o, bool writes) {
    const QString roll = club().conDataBase()->dataSource();
    if (!QFileInfo(roll).isFile()) {
        err(QStringLiteral("no roll at %1").arg(roll));
        return Failed;
    }
    // A change under an open program would leave its windows showing what is gone.
    if (writes && anotherInstanceRunning(roll)) {
        err(QStringLiteral("the roll %1 is open in Quillmere: close it first").arg(roll));
        return Failed;
    }
    if (o.command == u"export")
        return exportMembers(o);
    if (o.command == u"emails")
        return emails(o);
    if (o.command == u"import")
        return importMembers(o);
    if (o.command == u"undo-import")
        return undoImport();
    if (o.command == u"dues")
        return duesList(o);
    if (o.command == u"payments")
        return payments(o);
    if (o.command == u"labels")
        return mailingLabels(o);
    return usage(QStringLiteral("unknown command \"%1\"").arg(o.command));
}
} // namespace

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nameTheProgram();
    // Nobody is there to answer a box: its words go to the error output, and the safe answer
    // is taken.
    setMsgBoxHandler([](const MsgBoxRequest &request) {
        err(request.prompt.simplified());
        const int buttons = request.style & 7;
        if (buttons == Mb::YesNo || buttons == Mb::YesNoCancel)
            return Mb::No;
        return buttons == Mb::OKCancel ? Mb::Cancel : Mb::OK;
    });

    QString problem;
    const std::optional<Options> o = parse(app.arguments(), &problem);
    if (!o)
        return usage(problem);
    const QString folder = QFileInfo(o->folder).absoluteFilePath();
    setAppFolder(folder);
    // The rosters' data source is relative to the working folder, as in the program.
    if (!QDir::setCurrent(folder)) {
        err(QStringLiteral("no application folder at %1").arg(folder));
        return Failed;
    }
    const bool writes = (o->command == u"import" && !o->dryRun) || o->command == u"undo-import";
    int code = Failed;
    try {
        NewClub();
        code = run(*o, writes);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        err(f.description());
        code = Failed;
    }
    // The library object goes before the application that loaded its plugin.
    objClub.reset();
    return code;
}
