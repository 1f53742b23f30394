#pragma once

#include "common/OpenWindows.h"
#include "table/TableFile.h"

#include <QList>
#include <QWizard>
#include <functional>
#include <memory>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QWizardPage;

namespace exchange {
class ImportPlan;
class ImportPlanFilter;
class ImportPlanModel;
} // namespace exchange

// "Import Members...": a spreadsheet's members into the roll, none of them twice. The file as
// read, its columns matched to the member fields, what will happen to every row (changeable),
// then all of it in one transaction that "Undo Last Import" takes back.
class frmImportMembers : public QWizard {
    Q_OBJECT

public:
    enum PageId { FilePage, ColumnsPage, PreviewPage, SummaryPage };
    enum ColumnsColumn { HeadingColumn, FieldColumn, SampleColumn };

    // The import runs only when no other window is open (common/OpenWindows.h).
    explicit frmImportMembers(OpenWindows openWindows = {}, QWidget *parent = nullptr);
    ~frmImportMembers() override;
    void setOpenWindows(OpenWindows openWindows) { m_openWindows = std::move(openWindows); }

    // The file: how it was read (each changeable), its first rows and how many there are.
    QLineEdit *txtFile = nullptr;
    QPushButton *cmdChooseFile = nullptr;
    QComboBox *cboEncoding = nullptr;
    QComboBox *cboSeparator = nullptr;
    QComboBox *cboSheet = nullptr;
    QLabel *lblFileProblem = nullptr;
    QLabel *lblRows = nullptr;
    QTableWidget *tblSample = nullptr;
    // The columns: one row per heading, the field it fills chosen in a list beside it.
    QTableWidget *tblColumns = nullptr;
    QLabel *lblColumnProblem = nullptr;
    // The preview.
    QLabel *lblCounts = nullptr;
    QLabel *lblPlanProblem = nullptr;
    QComboBox *cboShow = nullptr;
    QPushButton *cmdAddAll = nullptr;
    QPushButton *cmdUpdateAll = nullptr;
    QPushButton *cmdSkipAll = nullptr;
    QPushButton *cmdUndoChoices = nullptr;
    QTableView *tvPlan = nullptr;
    // The summary.
    QLabel *lblAdded = nullptr;
    QLabel *lblUpdated = nullptr;
    QLabel *lblSkipped = nullptr;
    QLabel *lblRefused = nullptr;

    // Asks for the file to import; empty: the user cancelled. Replaceable so the wizard runs
    // without a person.
    std::function<QString()> askFile;

    // Reads a file afresh, detecting how it is written, and shows what it holds or why it
    // cannot be read.
    void openFile(const QString &path);
    const TableRead &table() const { return m_table; }
    // The field each column of the file fills, as chosen on the columns page.
    QList<int> mapping() const;
    void setMapping(int column, int field);
    exchange::ImportPlan *plan() const { return m_plan.get(); }
    exchange::ImportPlanModel *planModel() const { return m_model; }
    exchange::ImportPlanFilter *planFilter() const { return m_filter; }
    // Imports the plan's additions and updates once the user confirms them; false when nothing
    // was imported (the user was told why).
    bool importPlan();

    QSize sizeHint() const override;
    void done(int result) override;

private:
    QWizardPage *buildFilePage();
    QWizardPage *buildColumnsPage();
    QWizardPage *buildPreviewPage();
    QWizardPage *buildSummaryPage();
    void chooseFile();
    // Reads the file again as the lists say, or detecting everything.
    void readFile(bool detect);
    void showFile(bool detected);
    void fillColumns();
    void columnsChanged();
    void buildPlan();
    void countsChanged();
    void setAll(int action);

    OpenWindows m_openWindows;
    QString m_path;
    TableRead m_table;
    // Each read counts up; the columns are filled afresh for a read they were not filled for.
    int m_reads = 0;
    int m_columnsRead = -1;
    std::unique_ptr<exchange::ImportPlan> m_plan;
    exchange::ImportPlanModel *m_model = nullptr;
    exchange::ImportPlanFilter *m_filter = nullptr;
    QWizardPage *m_filePage = nullptr;
    QWizardPage *m_columnsPage = nullptr;
    QWizardPage *m_previewPage = nullptr;
    QWizardPage *m_summaryPage = nullptr;
    QFormLayout *m_fileForm = nullptr;
};
