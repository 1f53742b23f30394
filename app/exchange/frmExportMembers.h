#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QPushButton;
class QRadioButton;
enum class Roster;

// "Export Members...": a roster's members, in its order, to a CSV file or an Excel workbook.
class frmExportMembers : public QDialog {
    Q_OBJECT

public:
    explicit frmExportMembers(QWidget *parent = nullptr);

    QComboBox *cboRoster = nullptr;
    QRadioButton *optCsv = nullptr;
    QRadioButton *optWorkbook = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdCancel = nullptr;

    // Asks where the file goes, starting from a suggested path; empty: the user cancelled.
    // Replaceable so the export runs without a person.
    std::function<QString(const QString &suggested)> askPath;

    // "<roster>-members-YYYY-MM-DD.csv" (or .xlsx) in the folder last written to, at first the
    // user's documents.
    QString suggestedPath() const;
    // Writes the chosen roster's members where the user says and tells how many went where;
    // false when nothing was written (no members, cancelled, or a failure told to the user).
    bool exportChosen();
};
