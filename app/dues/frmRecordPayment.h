#pragma once

#include <QDate>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace members {
class MemberFinder;
class MemberList;
} // namespace members

// "Record Dues Payment...": an evening's cheques entered from the keyboard. The member is found
// with the find box; the payment is filled in from their dues and paid-through date; Save
// records it and the find box waits for the next member.
class frmRecordPayment : public QWidget {
    Q_OBJECT

public:
    explicit frmRecordPayment(QWidget *parent = nullptr);

    members::MemberFinder *finder = nullptr;
    members::MemberList *lvMember = nullptr;

    // The member chosen.
    QLabel *lblName = nullptr;
    QLabel *lblMembership = nullptr;
    QLabel *lblDues = nullptr;
    QLabel *lblPaid = nullptr;
    QLabel *lblPaidThrough = nullptr;
    QLabel *lblStanding = nullptr;
    // Their newest payments: received, amount, period, method, reference.
    QTreeWidget *lvPayments = nullptr;
    QPushButton *cmdDeletePayment = nullptr;

    // The new payment, in the order Enter walks it.
    QLineEdit *txtReceived = nullptr;
    QLineEdit *txtAmount = nullptr;
    QLineEdit *txtFrom = nullptr;
    QLineEdit *txtTo = nullptr;
    QComboBox *cboMethod = nullptr;
    QLineEdit *txtReference = nullptr;
    QLineEdit *txtNote = nullptr;
    QLabel *lblPeriodNote = nullptr;
    QPushButton *cmdSave = nullptr;
    // What the last save or deletion did, in one line.
    QLabel *lblRecorded = nullptr;

    // Lists every member afresh, by last and then first name.
    void FillMemberList();
    // Shows a member and makes the new payment theirs, as if picked from the list (the dues
    // window's "Record Payment..." comes here); false when no member holds the identifier.
    bool chooseMember(const QString &memberId);
    // The member the new payment is for; empty before one is chosen and after a save.
    QString payingMember() const { return m_ready ? m_member.id : QString(); }

    // Checks and records the new payment; false after telling the user why it was not.
    bool cmdSave_Click();
    // Deletes the payment selected in the last payments, once the user confirms.
    void cmdDeletePayment_Click();

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Member {
        QString id, name, membership, duesText, duesPaid;
        QDate paidThrough;
    };
    // Shows the member of a list row; the new payment becomes theirs unless it already is.
    void showMember(const QStringList &row);
    // Reads the member's payments into the panel; false when they could not be read.
    bool loadPayments();
    // Fills the new payment in from the member; what the user typed for them is replaced.
    void startPayment();
    // The period from the received date and the member's paid-through date, keeping any date
    // the user typed.
    void recomputePeriod();
    void enablePayment(bool on);
    // Where a check failed: tells the user and puts the focus in the field, text kept.
    bool refuse(QWidget *field, const QString &prompt);
    void backToFind();
    // The amount is what most often differs from the dues: a cheque for two years, a part.
    void focusAmount();
    void updateDeleteButton();

    Member m_member;
    bool m_ready = false; // the new payment is for m_member
    bool m_fromEdited = false;
    bool m_toEdited = false;
    int m_lastMethod = 1; // cheques are the evening's usual
    QList<QWidget *> m_fields;
};
