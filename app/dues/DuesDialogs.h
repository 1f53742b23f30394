#pragma once

// The small windows of "Dues and Renewals": the opening balances' date, the reminder letter's
// words, and the preview of the renewal roster or the letters.
#include <QDate>
#include <QDialog>
#include <QString>
#include <memory>

class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Report;
class ReportPreview;

// "Mark as Paid Through...": the one date the chosen members' opening balances carry.
class frmMarkPaidThrough : public QDialog {
    Q_OBJECT

public:
    frmMarkPaidThrough(int members, const QDate &suggested, QWidget *parent = nullptr);

    QLabel *lblExplain = nullptr;
    QDateEdit *dtpPaidThrough = nullptr;
    QPushButton *cmdMark = nullptr;
    QPushButton *cmdCancel = nullptr;
};

// "Letter Text...": the words of every reminder letter, kept in the roll.
class frmReminderText : public QDialog {
    Q_OBJECT

public:
    // Reads the saved text, or the default one when none was saved.
    explicit frmReminderText(QWidget *parent = nullptr);

    QPlainTextEdit *txtText = nullptr;
    QPushButton *cmdDefault = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;

    // Stores the text in the roll; false after telling the user why it could not.
    bool save();
};

// The preview of a dues report, handed to the main window like the rosters' previews.
class rptDues : public QWidget {
    Q_OBJECT

public:
    rptDues(const QString &name, const QString &caption, std::shared_ptr<Report> report,
            QWidget *parent = nullptr);
    ReportPreview *preview() const { return m_preview; }
    QSize sizeHint() const override;

private:
    ReportPreview *m_preview;
};
