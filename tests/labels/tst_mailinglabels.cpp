// "Mailing Labels" on a real roll: what the summary counts for each choice, the start following
// the sheet, the preview's sheets, and qmr labels writing the same to a PDF.
#include "MemberTestUtil.h"
#include "labels/frmMailingLabels.h"
#include "report/ReportPreview.h"
#include "system/System.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

namespace {
const QDate Today(2026, 12, 8);

StoredMember at(const char *id, const char *last, const char *first, const char *address,
                const char *type) {
    StoredMember m = member(QLatin1String(id), QLatin1String(last), QLatin1String(first));
    m.address1 = QLatin1String(address);
    m.membership = QLatin1String(type);
    return m;
}

// Two households (two Alvarez, three Reyes), two members on their own, one without an address.
const QList<StoredMember> Roll{
    at("M-1", "Alvarez", "Maria", "12 Elm St", "Family"),
    at("M-2", "Alvarez", "Tomas", "12 Elm St", "Family"),
    at("M-3", "Reyes", "Ana", "5 Bay Rd", "Family"),
    at("M-4", "Smith", "Ann", "", "Regular"),
    at("M-5", "Reyes", "Luis", "5 Bay Rd", "Family"),
    at("M-6", "Reyes", "Sofia", "5 Bay Rd", "Family"),
    at("M-7", "Diaz", "Ana", "7 Oak Ave", "Regular"),
    at("M-8", "Fox", "Pat", "9 Pine Ln", "Regular"),
};

// The page count pdfinfo (poppler-utils) reads from a PDF; -1 when it cannot.
int pdfPages(const QString &path) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished(60000) || info.exitCode() != 0)
        return -1;
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(QString::fromUtf8(info.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}
} // namespace

class tst_MailingLabels : public QObject, FormFixture<frmMailingLabels> {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        setClock([] { return QDateTime(Today, QTime(9, 30)); });
    }
    void init() {
        setUp();
        // The rosters read the roll in the working folder, as the program sets it at start.
        QDir::setCurrent(app->path());
    }
    void cleanup() {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        deletePreviewWindows();
        tearDown();
    }
    void summaryFollowsTheChoices_data();
    void summaryFollowsTheChoices();
    void startFollowsTheSheet();
    void previewHasTheSheets_data();
    void previewHasTheSheets();
    void commandLine_data();
    void commandLine();
};

void tst_MailingLabels::summaryFollowsTheChoices_data() {
    QTest::addColumn<QString>("whom");
    QTest::addColumn<bool>("households");
    QTest::addColumn<QString>("summary");
    const QString leftOut = " 1 member has no address and gets no label: Smith, Ann (M-4).";
    QTest::newRow("roll, households")
        << "All Members" << true
        << "4 labels for 7 members: 2 households. Printed on 1 sheet." + leftOut;
    QTest::newRow("roll, one each")
        << "All Members" << false
        << "7 labels for 7 members, one each. Printed on 1 sheet." + leftOut;
    QTest::newRow("roster") << "Family Members" << true
                            << "2 labels for 5 members: 2 households. Printed on 1 sheet.";
    QTest::newRow("due and lapsed")
        << "Due and lapsed members" << true
        << "2 labels for 2 members: no two share an address. Printed on 1 sheet.";
    QTest::newRow("lapsed") << "Lapsed members" << true
                            << "1 label for 1 member. Printed on 1 sheet.";
    QTest::newRow("nobody") << "Junior Members" << true
                            << "No member is on the Junior Members roster, so there is nobody to "
                               "label.";
}

void tst_MailingLabels::summaryFollowsTheChoices() {
    QFETCH(QString, whom);
    QFETCH(bool, households);
    QFETCH(QString, summary);
    for (const StoredMember &m : Roll)
        storeMember(*app, m);
    NewClub();
    QCOMPARE(club2().MarkPaidThrough({"M-1", "M-2", "M-3", "M-5", "M-6"}, QDate(2027, 6, 30)), 5);
    QCOMPARE(club2().MarkPaidThrough({"M-7"}, Today.addDays(10)), 1);
    QCOMPARE(club2().MarkPaidThrough({"M-8"}, QDate(2026, 10, 31)), 1);
    form = host->open<frmMailingLabels>();
    QVERIFY(form->chkHouseholds->isChecked());

    form->cboWhom->setCurrentIndex(form->cboWhom->findText(whom));
    form->chkHouseholds->setChecked(households);
    QCOMPARE(form->lblSummary->text(), summary);
    QCOMPARE(form->cmdPreview->isEnabled(), !form->run().labels.isEmpty());

    // With nobody to label, the preview says so and opens nothing.
    boxes->clear();
    QWidget *preview = form->showPreview();
    QCOMPARE(preview == nullptr, form->run().labels.isEmpty());
    QCOMPARE(boxes->prompts(), preview ? QStringList() : QStringList{summary});
    QVERIFY(boxes->shown().isEmpty() || icon(boxes->shown().first()) == Mb::Exclamation);
}

void tst_MailingLabels::startFollowsTheSheet() {
    openWith({Roll.first()});
    for (int i = 0; i < int(labels::LabelSheets.size()); ++i) {
        form->cboSheet->setCurrentIndex(i);
        const int perSheet = labels::LabelSheets[size_t(i)].perSheet();
        QCOMPARE(form->spnStart->value(), 1);
        QCOMPARE(form->spnStart->maximum(), perSheet);
        // Clicking the picture's last label starts there; on another sheet it starts anew.
        const labels::LabelSheet &g = labels::LabelSheets[size_t(i)];
        const double scale = (form->picSheet->height() - 1) / labels::paperHeight(g.paper);
        const double left = (form->picSheet->width() - labels::paperWidth(g.paper) * scale) / 2;
        const QPointF last(
            left + (g.leftMargin + (g.columns - 1) * g.horizontalPitch + g.labelWidth / 2) * scale,
            (g.topMargin + (g.rows - 1) * g.verticalPitch + g.labelHeight / 2) * scale);
        QTest::mouseClick(form->picSheet, Qt::LeftButton, {}, last.toPoint());
        QCOMPARE(form->spnStart->value(), perSheet);
    }
}

void tst_MailingLabels::previewHasTheSheets_data() {
    QTest::addColumn<int>("members");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("pages");
    QTest::newRow("a full 5160 sheet") << 30 << "5160" << 1 << 1;
    QTest::newRow("one more than a sheet") << 31 << "5160" << 1 << 2;
    QTest::newRow("a used 5160 sheet") << 30 << "5160" << 2 << 2;
    QTest::newRow("5163 from label 4") << 7 << "5163" << 4 << 1;
    QTest::newRow("5163 from label 5") << 7 << "5163" << 5 << 2;
    QTest::newRow("L7651's last label") << 2 << "L7651" << 65 << 2;
}

void tst_MailingLabels::previewHasTheSheets() {
    QFETCH(int, members);
    QFETCH(QString, sheet);
    QFETCH(int, start);
    QFETCH(int, pages);
    QList<StoredMember> roll;
    for (int i = 1; i <= members; ++i)
        roll << at(qPrintable(QStringLiteral("M-%1").arg(i)), "Lee",
                   qPrintable(QStringLiteral("Kim%1").arg(i, 2, 10, QChar(u'0'))),
                   qPrintable(QStringLiteral("%1 Main St").arg(i)), "Regular");
    openWith(roll);
    form->cboSheet->setCurrentIndex(form->cboSheet->findData(sheet));
    form->spnStart->setValue(start);
    QVERIFY2(form->lblSummary->text().contains(QStringLiteral(" Printed on %1 sheet").arg(pages)),
             qPrintable(form->lblSummary->text()));

    QPointer<QWidget> preview = form->showPreview();
    QVERIFY(preview);
    QCOMPARE(preview->objectName(), QStringLiteral("rptMailingLabels"));
    QVERIFY2(
        preview->windowTitle().endsWith(QStringLiteral("Mailing Labels: %1 labels").arg(members)),
        qPrintable(preview->windowTitle()));
    const Report &report = preview->findChild<ReportPreview *>()->report();
    QCOMPARE(report.pageCount(), pages);
    // The first label printed is the first by name, wherever the sheet starts.
    QList<DrawnItem> drawn;
    report.pageImage(0, 20, &drawn);
    const auto first = std::find_if(drawn.cbegin(), drawn.cend(),
                                    [](const DrawnItem &item) { return !item.text.isEmpty(); });
    QVERIFY(first != drawn.cend());
    QCOMPARE(first->text, QStringLiteral("Kim01 Lee"));

    // A second preview replaces the first.
    QPointer<QWidget> again = form->showPreview();
    QVERIFY(again);
    QVERIFY(MdiHost::closed(preview));
}

void tst_MailingLabels::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("pages");
    const QString nobody = "Nobody, Ned (M-35)";
    QTest::newRow("defaults") << QStringList{} << 0
                              << "34 labels for 34 members (0 households); 1 without an address: "
                                     + nobody
                              << 2;
    QTest::newRow("households from label 8 of 5163")
        << QStringList{"--sheet", "5163", "--households", "--start", "8", "--order", "zip"} << 0
        << "33 labels for 34 members (1 households); 1 without an address: " + nobody << 4;
    QTest::newRow("start beyond the sheet") << QStringList{"--start", "31"} << 2 << "1 to 30" << -1;
    QTest::newRow("unknown sheet")
        << QStringList{"--sheet", "9999"} << 2 << "unknown label sheet" << -1;
    QTest::newRow("nobody") << QStringList{"--roster", "junior"} << 1 << "nobody to label" << -1;
}

void tst_MailingLabels::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(int, pages);
    TempAppFolder roll;
    for (int i = 1; i <= 35; ++i) {
        StoredMember m = member(QStringLiteral("M-%1").arg(i), QStringLiteral("Lee"),
                                QStringLiteral("Kim%1").arg(i));
        // The last but one lives with the first; the last has no address.
        m.address1 = i == 34   ? QStringLiteral("1 Main St")
                     : i == 35 ? QString()
                               : QStringLiteral("%1 Main St").arg(i);
        if (i == 35) {
            m.last = QStringLiteral("Nobody");
            m.first = QStringLiteral("Ned");
        }
        storeMember(roll, m);
    }
    const QString pdf = roll.path() + QStringLiteral("/labels.pdf");
    QProcess qmr;
    qmr.start(builtAppFolder() + QStringLiteral("/qmr"),
              QStringList{"labels", "--app-folder", roll.path(), "--pdf", pdf} + args);
    QVERIFY(qmr.waitForFinished(60000));
    const QString out = QString::fromUtf8(qmr.readAllStandardOutput() + qmr.readAllStandardError());
    QCOMPARE(qmr.exitCode(), exitCode);
    QVERIFY2(out.contains(said), qPrintable(out));
    QCOMPARE(pdfPages(pdf), pages);
}

QTEST_MAIN(tst_MailingLabels)
#include "tst_mailinglabels.moc"
