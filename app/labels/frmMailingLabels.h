#pragma once

#include "LabelSheets.h"
#include "MailingLabels.h"
#include "dues/DuesPeriods.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace labels {
// The members standing as asked, judged today with the dues window's usual reminder window,
// with the columns makeLabels reads.
RecordsetPtr duesMembers(const QList<dues::Standing> &standings);
} // namespace labels

// "Mailing Labels": address labels for the whole roll, a roster's members or the members who
// owe their dues, on the sheet the club bought, one per member or one per household.
class frmMailingLabels : public QWidget {
    Q_OBJECT

public:
    explicit frmMailingLabels(QWidget *parent = nullptr);

    QComboBox *cboWhom = nullptr;
    QComboBox *cboSheet = nullptr;
    QComboBox *cboOrder = nullptr;
    QCheckBox *chkHouseholds = nullptr;
    QSpinBox *spnStart = nullptr;
    // Drawn sheet: the positions "Start at label" leaves empty, and the first one printed.
    QWidget *picSheet = nullptr;
    // How many labels, for how many members and households, and who is left out.
    QLabel *lblSummary = nullptr;
    QPushButton *cmdPreview = nullptr;

    const labels::LabelSheet &sheet() const;
    // The labels the choices make, as the summary line counts them.
    const labels::LabelRun &run() const { return m_run; }

    // Reads the members chosen afresh and counts their labels; false after telling the user
    // they could not be read (the summary then says so).
    bool reload();
    // The preview of the labels, read afresh (a new one replaces the old); null when there is
    // nobody to label, after saying why.
    QWidget *showPreview();

    QSize sizeHint() const override;

private:
    void fillWhom();
    // Counts the labels of the members already read, with the order and households chosen.
    void recount();
    void showSummary();
    // What the summary says when there is no label: whom the choice holds, in plain words.
    QString nobodyText() const;

    RecordsetPtr m_rows;
    bool m_read = false;
    labels::LabelRun m_run;
    QPointer<QWidget> m_preview;
};
