#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// "Copy E-mail Addresses": a roster's e-mail addresses on the clipboard, each once, ready to
// paste into a mail program's Bcc field.
class frmCopyEmails : public QDialog {
    Q_OBJECT

public:
    explicit frmCopyEmails(QWidget *parent = nullptr);

    QComboBox *cboRoster = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdCancel = nullptr;

    // Puts the chosen roster's addresses on the clipboard and says how many; false when there
    // was nothing to copy (the clipboard is then left as it was).
    bool copyChosen();
};
