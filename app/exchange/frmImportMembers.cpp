#include "frmImportMembers.h"
#include "ExchangeParts.h"
#include "ImportPlan.h"
#include "ImportPlanModel.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "help/HelpWindow.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizardPage>

using namespace exchange;

namespace {
constexpr int SampleRows = 10;
// How far down a column its example value is looked for.
constexpr int SampleSearch = 50;

// A page whose completeness, arrival and leaving the wizard decides.
class StepPage : public QWizardPage {
public:
    using QWizardPage::QWizardPage;
    std::function<bool()> complete;
    std::function<void()> arrive;
    std::function<bool()> leave;

    bool isComplete() const override { return complete ? complete() : true; }
    void initializePage() override {
        if (arrive)
            arrive();
    }
    bool validatePage() override { return leave ? leave() : true; }
};

QLabel *problemLabel(QWidget *parent, const QString &name) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(Qt::darkRed));
    label->setPalette(p);
    label->hide();
    return label;
}

void showProblem(QLabel *label, const QString &text) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QString headingText(const QString &heading, int column) {
    return heading.trimmed().isEmpty() ? QStringLiteral("(column %1, no heading)").arg(column + 1)
                                       : heading;
}

// A column no wider than a person reads at a glance; the rest shows in its tooltip.
void capColumns(QTableView *table, int chars) {
    const int widest = table->fontMetrics().averageCharWidth() * chars;
    for (int c = 0; c < table->model()->columnCount(); ++c)
        if (table->columnWidth(c) > widest)
            table->setColumnWidth(c, widest);
}
} // namespace

frmImportMembers::frmImportMembers(OpenWindows openWindows, QWidget *parent)
    : QWizard(parent)
    , m_openWindows(std::move(openWindows)) {
    setObjectName(QStringLiteral("frmImportMembers"));
    setWindowTitle(appTitle() + QStringLiteral(" - Import Members"));
    setOption(QWizard::NoCancelButtonOnLastPage);
    setOption(QWizard::NoBackButtonOnLastPage);
    setButtonText(QWizard::CommitButton, QStringLiteral("&Import"));
    m_model = new ImportPlanModel(this);
    m_filter = new ImportPlanFilter(this);
    m_filter->setSourceModel(m_model);
    setPage(FilePage, buildFilePage());
    setPage(ColumnsPage, buildColumnsPage());
    setPage(PreviewPage, buildPreviewPage());
    setPage(SummaryPage, buildSummaryPage());

    askFile = [this] {
        return QFileDialog::getOpenFileName(
            this, QStringLiteral("Import Members - Choose File"), QString(),
            QStringLiteral("Spreadsheets (*.csv *.txt *.xlsx);;All files (*)"));
    };
    skipOnFailure([] { NewClub(); });
}

frmImportMembers::~frmImportMembers() {
    // The plan goes before the model and the table that read it.
    m_model->setPlan(nullptr);
}

QSize frmImportMembers::sizeHint() const {
    return {fontMetrics().averageCharWidth() * 165, fontMetrics().height() * 44};
}

void frmImportMembers::done(int result) {
    QWizard::done(result);
    // In the main window's area the wizard closes with its frame, which may be closing already.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        QTimer::singleShot(0, sub, [sub] { sub->close(); });
}

QWizardPage *frmImportMembers::buildFilePage() {
    auto *page = new StepPage(this);
    m_filePage = page;
    page->setTitle(QStringLiteral("The file"));
    page->setSubTitle(QStringLiteral("A CSV file or an Excel workbook (.xlsx) with the headings "
                                     "of its columns in the first row."));
    txtFile = new QLineEdit(page);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setReadOnly(true);
    txtFile->setAccessibleName(QStringLiteral("File"));
    cmdChooseFile =
        formButton(page, QStringLiteral("Ch&oose File..."), QStringLiteral("cmdChooseFile"));
    cboEncoding = new QComboBox(page);
    cboEncoding->setObjectName(QStringLiteral("cboEncoding"));
    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE,
                           TextEncoding::Utf16BE})
        cboEncoding->addItem(encodingName(e), int(e));
    cboSeparator = new QComboBox(page);
    cboSeparator->setObjectName(QStringLiteral("cboSeparator"));
    cboSeparator->addItem(QStringLiteral("Comma"), int(u','));
    cboSeparator->addItem(QStringLiteral("Semicolon"), int(u';'));
    cboSeparator->addItem(QStringLiteral("Tab"), int(u'\t'));
    cboSheet = new QComboBox(page);
    cboSheet->setObjectName(QStringLiteral("cboSheet"));
    lblFileProblem = problemLabel(page, QStringLiteral("lblFileProblem"));
    lblRows = new QLabel(page);
    lblRows->setObjectName(QStringLiteral("lblRows"));
    tblSample = new QTableWidget(page);
    tblSample->setObjectName(QStringLiteral("tblSample"));
    tblSample->setAccessibleName(QStringLiteral("The first rows of the file"));
    tblSample->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblSample->setWordWrap(false);
    tblSample->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblSample->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(txtFile, 1);
    fileRow->addWidget(cmdChooseFile);
    m_fileForm = new QFormLayout;
    m_fileForm->addRow(QStringLiteral("File:"), fileRow);
    m_fileForm->addRow(QStringLiteral("&Encoding:"), cboEncoding);
    m_fileForm->addRow(QStringLiteral("&Separator:"), cboSeparator);
    m_fileForm->addRow(QStringLiteral("S&heet:"), cboSheet);
    m_fileForm->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(m_fileForm);
    layout->addWidget(lblFileProblem);
    layout->addWidget(lblRows);
    layout->addWidget(tblSample, 1);
    setHelpTopic(page, QStringLiteral("file"));

    page->complete = [this] {
        return m_table.ok && !m_table.rows.isEmpty();
    };
    connect(cmdChooseFile, &QPushButton::clicked, this,
            [this] { guarded([this] { chooseFile(); }); });
    for (QComboBox *list : {cboEncoding, cboSeparator, cboSheet})
        connect(list, &QComboBox::activated, this,
                [this] { guarded([this] { readFile(false); }); });
    showFile(false);
    return page;
}

QWizardPage *frmImportMembers::buildColumnsPage() {
    auto *page = new StepPage(this);
    m_columnsPage = page;
    page->setTitle(QStringLiteral("The columns"));
    page->setSubTitle(QStringLiteral("Choose the member field each column of the file fills. A "
                                     "column left out is not imported."));
    tblColumns = new QTableWidget(0, 3, page);
    tblColumns->setObjectName(QStringLiteral("tblColumns"));
    tblColumns->setAccessibleName(QStringLiteral("Columns of the file and the fields they fill"));
    tblColumns->setHorizontalHeaderLabels({QStringLiteral("Column in the file"),
                                           QStringLiteral("Fills the field"),
                                           QStringLiteral("Example")});
    tblColumns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblColumns->setSelectionMode(QAbstractItemView::NoSelection);
    tblColumns->setWordWrap(false);
    tblColumns->verticalHeader()->hide();
    tblColumns->horizontalHeader()->setStretchLastSection(true);
    const int ch = fontMetrics().averageCharWidth();
    tblColumns->setColumnWidth(HeadingColumn, ch * 28);
    tblColumns->setColumnWidth(FieldColumn, ch * 24);
    auto *caption = new QLabel(QStringLiteral("&Columns:"), page);
    caption->setBuddy(tblColumns);
    lblColumnProblem = problemLabel(page, QStringLiteral("lblColumnProblem"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(caption);
    layout->addWidget(tblColumns, 1);
    layout->addWidget(lblColumnProblem);
    setHelpTopic(page, QStringLiteral("columns"));

    page->arrive = [this] {
        if (m_columnsRead != m_reads)
            guarded([this] { fillColumns(); });
    };
    page->complete = [this] {
        return m_columnsRead == m_reads && lblColumnProblem->isHidden();
    };
    return page;
}

QWizardPage *frmImportMembers::buildPreviewPage() {
    auto *page = new StepPage(this);
    m_previewPage = page;
    page->setTitle(QStringLiteral("What happens to each row"));
    page->setSubTitle(
        QStringLiteral("Nothing is changed until you import. A row's action can be "
                       "changed in its Action column, every row's with the buttons."));
    page->setCommitPage(true);
    lblCounts = new QLabel(page);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));
    QFont bold = lblCounts->font();
    bold.setBold(true);
    lblCounts->setFont(bold);
    lblPlanProblem = problemLabel(page, QStringLiteral("lblPlanProblem"));
    cboShow = new QComboBox(page);
    cboShow->setObjectName(QStringLiteral("cboShow"));
    cboShow->addItem(QStringLiteral("All rows"), int(ImportPlanFilter::Show::All));
    cboShow->addItem(QStringLiteral("Refused rows only"), int(ImportPlanFilter::Show::Refused));
    cboShow->addItem(QStringLiteral("Changes only (add and update)"),
                     int(ImportPlanFilter::Show::Changes));
    auto *showCaption = new QLabel(QStringLiteral("Sh&ow:"), page);
    showCaption->setBuddy(cboShow);
    cmdAddAll = formButton(page, QStringLiteral("Add &All"), QStringLiteral("cmdAddAll"));
    cmdAddAll->setToolTip(QStringLiteral(" Adds every row that is not refused as a new member "));
    cmdUpdateAll = formButton(page, QStringLiteral("U&pdate All"), QStringLiteral("cmdUpdateAll"));
    cmdUpdateAll->setToolTip(QStringLiteral(" Updates every member a row matched "));
    cmdSkipAll = formButton(page, QStringLiteral("S&kip All"), QStringLiteral("cmdSkipAll"));
    cmdUndoChoices =
        formButton(page, QStringLiteral("&Undo Choices"), QStringLiteral("cmdUndoChoices"));
    cmdUndoChoices->setToolTip(QStringLiteral(" Puts every row back to what was proposed "));

    tvPlan = new QTableView(page);
    tvPlan->setObjectName(QStringLiteral("tvPlan"));
    tvPlan->setAccessibleName(QStringLiteral("Rows of the file and what happens to each"));
    tvPlan->setModel(m_filter);
    tvPlan->setItemDelegateForColumn(ImportPlanModel::ActionColumn, new ActionDelegate(tvPlan));
    tvPlan->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvPlan->setSelectionMode(QAbstractItemView::SingleSelection);
    tvPlan->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                            | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    tvPlan->setWordWrap(false);
    tvPlan->setTextElideMode(Qt::ElideRight);
    tvPlan->verticalHeader()->hide();
    // Fixed heights keep a table of 100,000 rows from measuring each one.
    tvPlan->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tvPlan->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    tvPlan->horizontalHeader()->setStretchLastSection(true);
    tvPlan->horizontalHeader()->setHighlightSections(false);
    const QFontMetrics fm = tvPlan->fontMetrics();
    const int pad = fm.averageCharWidth() * 3;
    tvPlan->setColumnWidth(ImportPlanModel::RowColumn,
                           fm.horizontalAdvance(QStringLiteral("100,000")) + pad);
    // Room for the list that edits the action.
    tvPlan->setColumnWidth(ImportPlanModel::ActionColumn,
                           fm.horizontalAdvance(QStringLiteral("Refused")) + pad * 3);
    tvPlan->setColumnWidth(ImportPlanModel::MemberColumn,
                           fm.horizontalAdvance(QStringLiteral("Member ID")) + pad);
    tvPlan->setColumnWidth(ImportPlanModel::NameColumn, fm.averageCharWidth() * 30);

    auto *top = new QHBoxLayout;
    top->addWidget(lblCounts, 1);
    top->addWidget(showCaption);
    top->addWidget(cboShow);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddAll);
    buttons->addWidget(cmdUpdateAll);
    buttons->addWidget(cmdSkipAll);
    buttons->addStretch(1);
    buttons->addWidget(cmdUndoChoices);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(lblPlanProblem);
    layout->addWidget(tvPlan, 1);
    layout->addLayout(buttons);
    setHelpTopic(page, QStringLiteral("preview"));

    page->arrive = [this] {
        guarded([this] { buildPlan(); });
    };
    page->complete = [this] {
        return m_plan != nullptr;
    };
    page->leave = [this] {
        bool imported = false;
        guarded([&] { imported = importPlan(); });
        return imported;
    };
    connect(m_model, &ImportPlanModel::countsChanged, this, [this] { countsChanged(); });
    connect(cboShow, &QComboBox::activated, this,
            [this] { m_filter->setShow(ImportPlanFilter::Show(cboShow->currentData().toInt())); });
    connect(cmdAddAll, &QPushButton::clicked, this, [this] { setAll(int(Action::Add)); });
    connect(cmdUpdateAll, &QPushButton::clicked, this, [this] { setAll(int(Action::Update)); });
    connect(cmdSkipAll, &QPushButton::clicked, this, [this] { setAll(int(Action::Skip)); });
    connect(cmdUndoChoices, &QPushButton::clicked, this, [this] { setAll(-1); });
    return page;
}

QWizardPage *frmImportMembers::buildSummaryPage() {
    auto *page = new StepPage(this);
    m_summaryPage = page;
    page->setTitle(QStringLiteral("Imported"));
    auto number = [page](const char *name) {
        auto *label = new QLabel(page);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    lblAdded = number("lblAdded");
    lblUpdated = number("lblUpdated");
    lblSkipped = number("lblSkipped");
    lblRefused = number("lblRefused");
    auto *undo = new QLabel(QStringLiteral("\"Undo Last Import\" in the Tools menu puts the roll "
                                           "back exactly as it was before this import, as long as "
                                           "nothing else has changed it since."),
                            page);
    undo->setObjectName(QStringLiteral("lblUndo"));
    undo->setWordWrap(true);
    auto *counts = new QFormLayout;
    counts->addRow(QStringLiteral("Members added:"), lblAdded);
    counts->addRow(QStringLiteral("Members updated:"), lblUpdated);
    counts->addRow(QStringLiteral("Rows skipped:"), lblSkipped);
    counts->addRow(QStringLiteral("Rows refused:"), lblRefused);
    counts->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(counts);
    layout->addSpacing(fontMetrics().height());
    layout->addWidget(undo);
    layout->addStretch(1);
    setHelpTopic(page, QStringLiteral("summary"));
    return page;
}

void frmImportMembers::chooseFile() {
    const QString path = askFile ? askFile() : QString();
    if (!path.isEmpty())
        openFile(path);
}

void frmImportMembers::openFile(const QString &path) {
    m_path = QFileInfo(path).absoluteFilePath();
    txtFile->setText(QDir::toNativeSeparators(m_path));
    readFile(true);
}

void frmImportMembers::readFile(bool detect) {
    if (m_path.isEmpty())
        return;
    TableReadOptions options;
    if (!detect && m_table.workbook) {
        options.sheet = std::max(0, cboSheet->currentIndex());
    } else if (!detect) {
        options.encoding = TextEncoding(cboEncoding->currentData().toInt());
        options.delimiter = QChar(cboSeparator->currentData().toInt());
    }
    const bool workbook = m_table.workbook;
    setPointer(Pointer::Busy);
    TableRead read;
    try {
        read = readTableFile(m_path, options);
    } catch (...) {
        read = TableRead();
        read.error = currentFailure(std::current_exception()).description();
    }
    setPointer(Pointer::Default);
    // A read as asked that fails keeps what the lists say, so another choice can be tried.
    if (!detect && !read.ok)
        read.workbook = workbook;
    m_table = std::move(read);
    ++m_reads;
    showFile(detect);
}

void frmImportMembers::showFile(bool detected) {
    const bool read = !m_path.isEmpty();
    if (detected && m_table.ok) {
        cboEncoding->setCurrentIndex(cboEncoding->findData(int(m_table.encoding)));
        cboSeparator->setCurrentIndex(cboSeparator->findData(int(m_table.delimiter.unicode())));
        cboSheet->clear();
        cboSheet->addItems(m_table.sheets);
        cboSheet->setCurrentIndex(m_table.sheet);
    }
    // Lists are offered once the file was read as what it is.
    const bool known = read && (m_table.ok || !detected);
    for (QComboBox *list : {cboEncoding, cboSeparator, cboSheet})
        list->setEnabled(known);
    m_fileForm->setRowVisible(cboEncoding, !m_table.workbook);
    m_fileForm->setRowVisible(cboSeparator, !m_table.workbook);
    m_fileForm->setRowVisible(cboSheet, m_table.workbook);

    QString problem = read && !m_table.ok ? m_table.error : QString();
    if (read && m_table.ok && m_table.rows.isEmpty())
        problem = QStringLiteral("%1 has headings but no rows below them: there is nobody to "
                                 "import.")
                      .arg(QDir::toNativeSeparators(m_path));
    showProblem(lblFileProblem, problem);
    tblSample->clear();
    tblSample->setRowCount(0);
    tblSample->setColumnCount(0);
    lblRows->clear();
    if (m_table.ok) {
        const qsizetype shown = std::min<qsizetype>(SampleRows, m_table.rows.size());
        tblSample->setColumnCount(int(m_table.headings.size()));
        tblSample->setRowCount(int(shown));
        QStringList headings;
        for (int c = 0; c < m_table.headings.size(); ++c)
            headings << headingText(m_table.headings[c], c);
        tblSample->setHorizontalHeaderLabels(headings);
        QStringList rowNumbers;
        for (int r = 0; r < shown; ++r) {
            rowNumbers << QString::number(m_table.rowNumbers.value(r, r + 2));
            const QStringList &cells = m_table.rows[r];
            for (int c = 0; c < cells.size() && c < m_table.headings.size(); ++c) {
                auto *item = new QTableWidgetItem(cells[c]);
                item->setToolTip(cells[c]);
                tblSample->setItem(r, c, item);
            }
        }
        tblSample->setVerticalHeaderLabels(rowNumbers);
        tblSample->resizeColumnsToContents();
        capColumns(tblSample, 30);
        lblRows->setText(counted(m_table.rows.size(), QStringLiteral("row"), QStringLiteral("rows"))
                         + QStringLiteral(" below the headings."));
    }
    Q_EMIT m_filePage->completeChanged();
}

QList<int> frmImportMembers::mapping() const {
    QList<int> fields;
    for (int r = 0; r < tblColumns->rowCount(); ++r) {
        const auto *list = qobject_cast<QComboBox *>(tblColumns->cellWidget(r, FieldColumn));
        fields << (list ? list->currentData().toInt() : NotImported);
    }
    return fields;
}

void frmImportMembers::setMapping(int column, int field) {
    if (auto *list = qobject_cast<QComboBox *>(tblColumns->cellWidget(column, FieldColumn)))
        list->setCurrentIndex(list->findData(field));
}

void frmImportMembers::fillColumns() {
    setPointer(Pointer::Busy);
    const QList<int> guessed = guessMapping(m_table.headings);
    const QList<int> targets = mappingTargets();
    tblColumns->setRowCount(0);
    tblColumns->setRowCount(int(m_table.headings.size()));
    for (int c = 0; c < m_table.headings.size(); ++c) {
        auto *heading = new QTableWidgetItem(headingText(m_table.headings[c], c));
        heading->setToolTip(heading->text());
        tblColumns->setItem(c, HeadingColumn, heading);
        auto *list = new QComboBox;
        list->setAccessibleName(QStringLiteral("Field filled by %1").arg(heading->text()));
        for (int target : targets)
            list->addItem(fieldName(target), target);
        list->setCurrentIndex(list->findData(guessed.value(c, NotImported)));
        list->setProperty(HelpTopicProperty, QStringLiteral("columns"));
        connect(list, &QComboBox::currentIndexChanged, this, [this] { columnsChanged(); });
        tblColumns->setCellWidget(c, FieldColumn, list);
        QString sample;
        for (qsizetype r = 0; r < m_table.rows.size() && r < SampleSearch && sample.isEmpty(); ++r)
            sample = m_table.rows[r].value(c).trimmed();
        auto *value = new QTableWidgetItem(sample);
        value->setToolTip(sample);
        tblColumns->setItem(c, SampleColumn, value);
    }
    tblColumns->verticalHeader()->setDefaultSectionSize(
        tblColumns->cellWidget(0, FieldColumn)
            ? tblColumns->cellWidget(0, FieldColumn)->sizeHint().height()
            : fontMetrics().height() + 8);
    m_columnsRead = m_reads;
    setPointer(Pointer::Default);
    columnsChanged();
}

void frmImportMembers::columnsChanged() {
    const QList<int> fields = mapping();
    QStringList problems;
    const QStringList missing = unmappedRequired(fields);
    if (!missing.isEmpty())
        problems << QStringLiteral("A new member needs these fields; choose the column that "
                                   "fills each: %1.")
                        .arg(missing.join(QStringLiteral(", ")));
    const QString twice = mappedTwice(fields);
    if (!twice.isEmpty())
        problems
            << QStringLiteral("More than one column fills %1; leave all but one out.").arg(twice);
    showProblem(lblColumnProblem, problems.join(LineBreak));
    Q_EMIT m_columnsPage->completeChanged();
}

void frmImportMembers::buildPlan() {
    m_model->setPlan(nullptr);
    m_plan.reset();
    cboShow->setCurrentIndex(0);
    m_filter->setShow(ImportPlanFilter::Show::All);
    QString problem;
    setPointer(Pointer::Busy);
    try {
        const RecordsetPtr members = club().LoadMembers();
        if (!members)
            throwObjectNotSet();
        m_plan = std::make_unique<ImportPlan>(m_table, mapping(), *members, importLists(club()));
    } catch (...) {
        m_plan.reset();
        problem = QStringLiteral("The rows cannot be matched, for the roll could not be read.")
                  + LineBreak + LineBreak + currentFailure(std::current_exception()).description();
    }
    CloseRecordset();
    m_model->setPlan(m_plan.get());
    setPointer(Pointer::Default);
    showProblem(lblPlanProblem, problem);
    for (QPushButton *b : {cmdAddAll, cmdUpdateAll, cmdSkipAll, cmdUndoChoices})
        b->setEnabled(m_plan != nullptr);
    cboShow->setEnabled(m_plan != nullptr);
    Q_EMIT m_previewPage->completeChanged();
}

void frmImportMembers::countsChanged() {
    lblCounts->setText(m_plan ? actionCounts(*m_plan) : QString());
}

void frmImportMembers::setAll(int action) {
    if (!m_plan)
        return;
    if (action < 0)
        m_plan->reset();
    else
        m_plan->setAll(Action(action));
    m_model->actionsChanged();
    m_filter->setShow(m_filter->show());
}

bool frmImportMembers::importPlan() {
    if (!m_plan)
        return false;
    const int adds = m_plan->count(Action::Add);
    const int updates = m_plan->count(Action::Update);
    if (adds + updates == 0) {
        MsgBox(QStringLiteral("Nothing to import: no row is to be added or updated, so the roll "
                              "stays as it is."),
               Mb::Information | Mb::OKOnly);
        return false;
    }
    if (!otherWindowsClosed(m_openWindows, QStringLiteral("importing members")))
        return false;
    const QString file = QFileInfo(m_path).fileName();
    if (MsgBox(QStringLiteral("Import the rows of %1?").arg(file) + LineBreak + LineBreak
                   + actionCounts(*m_plan) + u'.' + LineBreak + LineBreak
                   + QStringLiteral("The roll is backed up first; \"Undo Last Import\" in the "
                                    "Tools menu puts it back."),
               Mb::Question | Mb::YesNo | Mb::DefaultButton2)
        != Mb::Yes)
        return false;

    const QList<ImportedMember> members = m_plan->toImport();
    QProgressDialog progress(QStringLiteral("Importing %1...").arg(membersText(members.size())),
                             QStringLiteral("Cancel"), 0, int(members.size()), this);
    progress.setObjectName(QStringLiteral("dlgImportProgress"));
    progress.setWindowTitle(appTitle() + QStringLiteral(" - Import Members"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    // The window is kept alive without spending the import's time on it: at the first step and
    // then every 50 ms.
    QElapsedTimer sinceShown;
    const ImportProgress report = [&](qsizetype done) {
        if (!sinceShown.isValid() || sinceShown.elapsed() >= 50) {
            progress.setValue(int(done));
            QCoreApplication::processEvents();
            sinceShown.start();
        }
        return !progress.wasCanceled();
    };
    QStringList added;
    bool imported = false;
    Failure failure(0, QString());
    setPointer(Pointer::Busy);
    try {
        added = club2().ImportMembers(m_path, members, report);
        imported = true;
    } catch (...) {
        failure = currentFailure(std::current_exception());
    }
    setPointer(Pointer::Default);
    progress.close();
    if (!imported) {
        if (failure.number() == ErrNo::UserInterrupt)
            MsgBox(QStringLiteral("The import was cancelled; nothing was imported."),
                   Mb::Information | Mb::OKOnly);
        else
            MsgBox(QStringLiteral("Nothing was imported; the roll is as it was.") + LineBreak
                       + LineBreak + failure.description(),
                   Mb::Critical | Mb::OKOnly);
        return false;
    }
    const QLocale l;
    m_summaryPage->setSubTitle(QStringLiteral("The rows of %1 are in the roll.").arg(file));
    lblAdded->setText(l.toString(added.size()));
    lblUpdated->setText(l.toString(updates));
    lblSkipped->setText(l.toString(m_plan->count(Action::Skip)));
    lblRefused->setText(l.toString(m_plan->count(Action::Refused)));
    return true;
}
