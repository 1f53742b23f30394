#pragma once

#include "DuesRoll.h"

#include <QDate>
#include <QPointer>
#include <QWidget>
#include <functional>

class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;

// "Dues and Renewals": every member with where they stand on their dues, filtered by standing
// and membership type, what to send them (roster, letters, e-mail addresses, a spreadsheet),
// and the money received in a period for the treasurer.
class frmDues : public QWidget {
    Q_OBJECT

public:
    // The choices of "Show", in list order.
    enum class Show { All, DueAndLapsed, Paid, Due, Lapsed, NeverPaid, Life };

    explicit frmDues(QWidget *parent = nullptr);

    // Shown while no member has a payment: says so and offers the opening balances.
    QFrame *fraFirstUse = nullptr;
    QLabel *lblFirstUse = nullptr;
    QPushButton *cmdFirstUse = nullptr;

    QComboBox *cboShow = nullptr;
    QComboBox *cboMembership = nullptr;
    QSpinBox *spnDueDays = nullptr;
    QPushButton *cmdRefresh = nullptr;
    // Members per standing over the whole roll, and how many the list shows.
    QLabel *lblCounts = nullptr;
    QLabel *lblShown = nullptr;
    QTableView *tvDues = nullptr;

    QPushButton *cmdRecordPayment = nullptr;
    QPushButton *cmdMarkPaid = nullptr;
    QPushButton *cmdRoster = nullptr;
    QPushButton *cmdLetters = nullptr;
    QPushButton *cmdLetterText = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdCopyEmails = nullptr;

    // Money received.
    QGroupBox *grpTotals = nullptr;
    QDateEdit *dtpFrom = nullptr;
    QDateEdit *dtpTo = nullptr;
    QLabel *lblTotals = nullptr;
    QTableWidget *tblByMethod = nullptr;
    QTableWidget *tblByMembership = nullptr;
    QLabel *lblOpening = nullptr;
    QPushButton *cmdExportPayments = nullptr;

    // Replaceable so the window runs without a person. askPaidThrough: the date chosen for
    // `members` members, invalid when cancelled. askExportPath: where a file goes, empty when
    // cancelled.
    std::function<QDate(int members, const QDate &suggested)> askPaidThrough;
    std::function<QString(const QString &title, const QString &suggested)> askExportPath;

    // Reads the roll afresh, judged on today, keeping the member the list stood on; false
    // after telling the user it could not be read (the list is then empty).
    bool reload();
    // reload(), then the totals: what "Refresh" (F5) does.
    void refresh();
    // Shows the members the filters choose.
    void applyFilter();
    const dues::DuesList &list() const { return m_list; }
    dues::DuesListModel *model() const { return m_model; }
    // The members shown, in the list's order.
    QStringList shownMemberIds() const;
    // The members selected, or all shown when none is.
    QStringList chosenMemberIds() const;
    bool firstUse() const { return m_firstUse; }

    // The commands; each tells the user what happened, false when nothing was done.
    bool markPaidThrough();
    void recordPayment();
    // The previews open (or null); a new one replaces the old.
    QWidget *showRenewalRoster();
    QWidget *showReminderLetters();
    void editLetterText();
    bool exportList();
    bool copyEmails();
    // Reads the payments of the period chosen and shows their totals.
    void showTotals();
    bool exportPayments();

    // The suggested opening balance: the last day of last month.
    static QDate suggestedPaidThrough(const QDate &today);

    QSize sizeHint() const override;

Q_SIGNALS:
    void recordPaymentFor(const QString &memberId);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildList();
    void buildButtons();
    void buildTotals();
    void showCounts();
    // The list rows selected, or all shown when none is.
    std::vector<int> chosenRows() const;
    RecordsetPtr shownSelection() const;
    QString memberIdOf(int listRow) const;
    QString currentMemberId() const;
    void standOn(const QString &memberId);
    QString suggestedFile(const QString &stem) const;
    // Watches the main window's area: coming back from another window reads the roll afresh.
    void watchActivation();

    dues::DuesList m_list;
    dues::DuesListModel *m_model = nullptr;
    int m_idColumn = -1;
    bool m_firstUse = false;
    bool m_watching = false;
    bool m_away = false;
    bool m_totalsPending = false;
    QPointer<QWidget> m_roster;
    QPointer<QWidget> m_letters;
};
