#include "frmMailingLabels.h"
#include "LabelReport.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "dues/DuesDialogs.h"
#include "dues/DuesRoll.h"
#include "exchange/ExchangeParts.h"
#include "exchange/MemberTable.h"
#include "members/ClubAccess.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using dues::Standing;

namespace labels {

RecordsetPtr duesMembers(const QList<Standing> &standings) {
    const RecordsetPtr rows = club2().DuesStanding();
    if (!rows)
        throwObjectNotSet();
    dues::DuesList list;
    list.setRows(rows);
    list.judge(currentDateTime().date(), dues::DefaultDueDays);
    return list.selection(list.select(standings, QString()));
}

} // namespace labels

namespace {
// The choices of "Whom" after the rosters, from the dues standings.
struct DuesChoice {
    const char *text;
    QList<Standing> standings;
    const char *nobody;
};
const DuesChoice DuesChoices[] = {
    {"Due and lapsed members", {Standing::Due, Standing::Lapsed}, "No member is due or lapsed"},
    {"Lapsed members", {Standing::Lapsed}, "No member has lapsed"},
    {"Due members", {Standing::Due}, "No member is due"},
};
// The dues choices' data in the list follows the rosters'.
constexpr int FirstDuesChoice = int(Rosters.size());

// Names shown in the summary line before the rest are only counted; all are in its tooltip.
constexpr int NamesShown = 5;

QString joinedNames(const QStringList &names, int shown) {
    if (shown <= 0 || names.size() <= shown)
        return names.join(QStringLiteral("; "));
    return names.mid(0, shown).join(QStringLiteral("; ")) + QStringLiteral("; … and ")
           + QLocale().toString(names.size() - shown) + QStringLiteral(" more");
}

QString leftOutText(const labels::LabelRun &run, int shown) {
    if (run.withoutAddress == 0)
        return {};
    return counted(run.withoutAddress, QStringLiteral("member has"), QStringLiteral("members have"))
           + (run.withoutAddress == 1 ? QStringLiteral(" no address and gets no label: ")
                                      : QStringLiteral(" no address and get no label: "))
           + joinedNames(run.leftOut, shown) + u'.';
}

int sheetsNeeded(int labels, int startAt, int perSheet) {
    return (startAt - 1 + labels + perSheet - 1) / perSheet;
}

void tellFailure(const QString &what) {
    const Failure f = currentFailure(std::current_exception());
    setPointer(Pointer::Default);
    MsgBox(members::failureText(what, f), Mb::OKOnly | Mb::Critical);
}

// The sheet in small: the labels a used sheet has lost greyed, the first one printed marked.
// Clicking a label starts there.
class SheetPicture : public QWidget {
public:
    SheetPicture(QSpinBox *start, QWidget *parent)
        : QWidget(parent)
        , m_start(start) {
        setObjectName(QStringLiteral("picSheet"));
        setAccessibleName(QStringLiteral("The sheet, with the label printing starts at"));
        setToolTip(QStringLiteral(" Click the first free label of a sheet already used "));
        setCursor(Qt::PointingHandCursor);
        setFixedSize(sizeHint());
    }

    void setSheet(const labels::LabelSheet &sheet) {
        m_sheet = &sheet;
        update();
    }

    QSize sizeHint() const override {
        const int h = fontMetrics().height() * 14;
        // Room for the wider of the two papers at this height.
        return {int(h * labels::paperWidth(labels::Paper::Letter)
                    / labels::paperHeight(labels::Paper::Letter))
                    + 2,
                h};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        if (!m_sheet)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF paper = paperRect();
        p.setPen(palette().color(QPalette::Mid));
        p.setBrush(Qt::white);
        p.drawRect(paper);
        const int start = m_start->value();
        for (int n = 1; n <= m_sheet->perSheet(); ++n) {
            const QRectF label = labelRect(n);
            if (n < start) {
                p.setPen(QColor(170, 170, 170));
                p.setBrush(QColor(215, 215, 215));
            } else if (n == start) {
                p.setPen(QColor(18, 58, 92));
                p.setBrush(QColor(255, 226, 130));
            } else {
                p.setPen(QColor(120, 140, 160));
                p.setBrush(QColor(240, 245, 250));
            }
            const double round = std::min(label.width(), label.height()) * 0.12;
            p.drawRoundedRect(label, round, round);
        }
    }

    void mousePressEvent(QMouseEvent *event) override {
        if (!m_sheet || event->button() != Qt::LeftButton)
            return;
        for (int n = 1; n <= m_sheet->perSheet(); ++n)
            if (labelRect(n).contains(event->position())) {
                m_start->setValue(n);
                return;
            }
    }

private:
    double scale() const { return (height() - 1) / labels::paperHeight(m_sheet->paper); }
    QRectF paperRect() const {
        const double w = labels::paperWidth(m_sheet->paper) * scale();
        return {(width() - w) / 2, 0.5, w, height() - 1.0};
    }
    // Label n (1 = top left, along the rows).
    QRectF labelRect(int n) const {
        const int row = (n - 1) / m_sheet->columns, column = (n - 1) % m_sheet->columns;
        const double s = scale();
        const QPointF origin = paperRect().topLeft();
        return {origin.x() + (m_sheet->leftMargin + column * m_sheet->horizontalPitch) * s,
                origin.y() + (m_sheet->topMargin + row * m_sheet->verticalPitch) * s,
                m_sheet->labelWidth * s, m_sheet->labelHeight * s};
    }

    QSpinBox *m_start;
    const labels::LabelSheet *m_sheet = nullptr;
};
} // namespace

frmMailingLabels::frmMailingLabels(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmMailingLabels"));
    setWindowTitle(appTitle() + QStringLiteral(" - Mailing Labels"));

    cboWhom = exchange::rosterChoice(this);
    cboWhom->setObjectName(QStringLiteral("cboWhom"));
    fillWhom();
    cboSheet = new QComboBox(this);
    cboSheet->setObjectName(QStringLiteral("cboSheet"));
    for (const labels::LabelSheet &sheet : labels::LabelSheets)
        cboSheet->addItem(QString::fromLatin1(sheet.description), QString::fromLatin1(sheet.code));
    cboOrder = new QComboBox(this);
    cboOrder->setObjectName(QStringLiteral("cboOrder"));
    cboOrder->addItem(QStringLiteral("By last name"), int(labels::LabelOrder::LastName));
    cboOrder->addItem(QStringLiteral("By postal code"), int(labels::LabelOrder::PostalCode));
    cboOrder->setToolTip(QStringLiteral(" By postal code: sorted as the post office wants bulk "
                                        "mail "));
    chkHouseholds = new QCheckBox(QStringLiteral("&One label per household"), this);
    chkHouseholds->setObjectName(QStringLiteral("chkHouseholds"));
    chkHouseholds->setToolTip(QStringLiteral(" Members at the same address share one label, "
                                             "such as \"Maria & Tomas Alvarez\" "));
    // On at first: a family's members are separate records at one address, and a club posts
    // one newsletter to a house, not one to each of the family.
    chkHouseholds->setChecked(true);
    spnStart = new QSpinBox(this);
    spnStart->setObjectName(QStringLiteral("spnStart"));
    spnStart->setAccessibleName(QStringLiteral("Start at label"));
    spnStart->setMinimumWidth(spnStart->fontMetrics().horizontalAdvance(QStringLiteral("65 of 65"))
                              + spnStart->fontMetrics().height() * 3);
    spnStart->setToolTip(QStringLiteral(" On a sheet already partly used: the first free label, "
                                        "counted along the rows from the top left "));
    auto *picture = new SheetPicture(spnStart, this);
    picSheet = picture;
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSummary->setMinimumHeight(lblSummary->fontMetrics().height() * 4);
    lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdPreview = formButton(this, QStringLiteral("&Preview"), QStringLiteral("cmdPreview"));
    cmdPreview->setToolTip(QStringLiteral(" Shows the sheets as they print; print or save a PDF "
                                          "from there "));

    // The access keys keep clear of the menu bar's (A, E, U, R, T, W, H).
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Who&m:"), cboWhom);
    form->addRow(QStringLiteral("&Sheet:"), cboSheet);
    form->addRow(QStringLiteral("Or&der:"), cboOrder);
    form->addRow(QString(), chkHouseholds);
    auto *startRow = new QHBoxLayout;
    startRow->addWidget(spnStart);
    startRow->addStretch(1);
    auto *startCaption = new QLabel(QStringLiteral("Start at &label:"), this);
    startCaption->setBuddy(spnStart);
    form->addRow(startCaption, startRow);
    auto *choices = new QHBoxLayout;
    choices->addLayout(form, 1);
    choices->addSpacing(12);
    choices->addWidget(picSheet, 0, Qt::AlignTop);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPreview);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(lblSummary);
    layout->addStretch(1);
    layout->addLayout(buttons);

    exchange::setHelpTopic(cboSheet, QStringLiteral("sheets"));
    exchange::setHelpTopic(chkHouseholds, QStringLiteral("households"));
    exchange::setHelpTopic(spnStart, QStringLiteral("start"));
    exchange::setHelpTopic(picSheet, QStringLiteral("start"));

    auto sheetChosen = [this, picture] {
        // Positions are counted on the sheet chosen: a used sheet of another kind starts anew.
        const QSignalBlocker quiet(spnStart);
        spnStart->setRange(1, sheet().perSheet());
        spnStart->setSuffix(QStringLiteral(" of %1").arg(sheet().perSheet()));
        spnStart->setValue(1);
        picture->setSheet(sheet());
        // A smaller label shortens a long household's names line.
        recount();
    };
    sheetChosen();
    connect(cboSheet, &QComboBox::currentIndexChanged, this,
            [sheetChosen] { guarded(sheetChosen); });
    connect(spnStart, &QSpinBox::valueChanged, this, [this] {
        guarded([this] {
            picSheet->update();
            showSummary();
        });
    });
    connect(cboWhom, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { reload(); }); });
    connect(cboOrder, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { recount(); }); });
    connect(chkHouseholds, &QCheckBox::toggled, this, [this] { guarded([this] { recount(); }); });
    connect(cmdPreview, &QPushButton::clicked, this,
            [this] { guarded([this] { showPreview(); }); });

    skipOnFailure([] { NewClub(); });
    reload();
    cboWhom->setFocus(Qt::OtherFocusReason);
}

void frmMailingLabels::fillWhom() {
    for (int i = 0; i < int(std::size(DuesChoices)); ++i)
        cboWhom->addItem(QString::fromLatin1(DuesChoices[i].text), FirstDuesChoice + i);
    cboWhom->setToolTip(QStringLiteral(" The whole roll, a roster's members, or the members "
                                       "whose dues are due (within %1 days) or lapsed ")
                            .arg(dues::DefaultDueDays));
}

const labels::LabelSheet &frmMailingLabels::sheet() const {
    const int i = cboSheet->currentIndex();
    return labels::LabelSheets[size_t(i >= 0 && i < int(labels::LabelSheets.size()) ? i : 0)];
}

bool frmMailingLabels::reload() {
    const int whom = cboWhom->currentData().toInt();
    m_read = true;
    try {
        setPointer(Pointer::Busy);
        if (whom < FirstDuesChoice) {
            m_rows = exchange::rosterMembers(Roster(whom));
        } else {
            const DuesChoice &choice = DuesChoices[size_t(whom - FirstDuesChoice)];
            m_rows = labels::duesMembers(choice.standings);
        }
        if (!m_rows)
            throwObjectNotSet();
        setPointer(Pointer::Default);
    } catch (...) {
        m_rows.reset();
        m_read = false;
        tellFailure(QStringLiteral("The members could not be read, so no label can be made."));
    }
    recount();
    return m_read;
}

void frmMailingLabels::recount() {
    m_run = {};
    if (m_rows) {
        setPointer(Pointer::Busy);
        m_run = labels::makeLabels(*m_rows, chkHouseholds->isChecked(),
                                   labels::LabelOrder(cboOrder->currentData().toInt()),
                                   labels::nameChars(sheet()));
        setPointer(Pointer::Default);
    }
    showSummary();
}

QString frmMailingLabels::nobodyText() const {
    if (!m_read)
        return QStringLiteral("The members could not be read, so no label can be made.");
    QString text;
    if (m_run.withoutAddress > 0) {
        text = m_run.withoutAddress == 1
                   ? QStringLiteral("The one member chosen has no address")
                   : QStringLiteral("None of the %1 members chosen has an address")
                         .arg(QLocale().toString(m_run.withoutAddress));
        return text + QStringLiteral(", so there is no label to print: ")
               + joinedNames(m_run.leftOut, NamesShown) + u'.';
    }
    const int whom = cboWhom->currentData().toInt();
    if (whom >= FirstDuesChoice)
        text = QString::fromLatin1(DuesChoices[size_t(whom - FirstDuesChoice)].nobody);
    else if (Roster(whom) == Roster::All)
        text = QStringLiteral("The roll holds no member yet");
    else
        text = QStringLiteral("No member is on the %1 roster").arg(cboWhom->currentText());
    return text + QStringLiteral(", so there is nobody to label.");
}

void frmMailingLabels::showSummary() {
    const qsizetype labelCount = m_run.labels.size();
    cmdPreview->setEnabled(labelCount > 0);
    lblSummary->setToolTip(m_run.leftOut.size() > NamesShown
                               ? QStringLiteral("Without an address:\n") + m_run.leftOut.join(u'\n')
                               : QString());
    if (labelCount == 0) {
        lblSummary->setText(nobodyText());
        return;
    }
    QString text = counted(labelCount, QStringLiteral("label"), QStringLiteral("labels"))
                   + QStringLiteral(" for ") + membersText(m_run.members);
    if (m_run.members == 1)
        text += u'.';
    else if (!chkHouseholds->isChecked())
        text += QStringLiteral(", one each.");
    else if (m_run.households == 0)
        text += QStringLiteral(": no two share an address.");
    else
        text +=
            QStringLiteral(": ")
            + counted(m_run.households, QStringLiteral("household"), QStringLiteral("households"))
            + u'.';
    const int start = spnStart->value();
    text += QStringLiteral(" Printed on ")
            + counted(sheetsNeeded(int(labelCount), start, sheet().perSheet()),
                      QStringLiteral("sheet"), QStringLiteral("sheets"));
    if (start > 1)
        text += QStringLiteral(", the first from label %1").arg(start);
    text += u'.';
    if (const QString leftOut = leftOutText(m_run, NamesShown); !leftOut.isEmpty())
        text += u' ' + leftOut;
    lblSummary->setText(text);
}

QWidget *frmMailingLabels::showPreview() {
    if (!reload())
        return nullptr;
    std::shared_ptr<Report> report;
    if (!m_run.labels.isEmpty()) {
        setPointer(Pointer::Busy);
        report = labels::buildLabelReport(sheet(), m_run.labels, spnStart->value());
        setPointer(Pointer::Default);
    }
    if (!report) {
        MsgBox(nobodyText(), Mb::OKOnly | Mb::Exclamation);
        return nullptr;
    }
    // The counts and who is left out go with the sheets, which must print as labels only.
    QString caption =
        (strClubName.isEmpty() ? appTitle() : strClubName) + QStringLiteral(" - Mailing Labels: ")
        + counted(m_run.labels.size(), QStringLiteral("label"), QStringLiteral("labels"));
    if (m_run.households > 0)
        caption += QStringLiteral(" (%1)").arg(
            counted(m_run.households, QStringLiteral("household"), QStringLiteral("households")));
    if (m_run.withoutAddress > 0)
        caption +=
            QStringLiteral("; ")
            + counted(m_run.withoutAddress, QStringLiteral("member"), QStringLiteral("members"))
            + QStringLiteral(" without an address left out");
    // A preview shows the labels as of this request: the old one goes.
    if (m_preview)
        UnloadForm(m_preview);
    auto *window = new rptDues(QStringLiteral("rptMailingLabels"), caption, std::move(report));
    m_preview = window;
    showInMainWindow(window);
    return window;
}

QSize frmMailingLabels::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 110, fm.height() * 22};
}
