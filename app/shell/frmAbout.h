#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextEdit;

// The About box: product, version and the About document shipped beside the program.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);
    // Fills caption, version and document; a missing or unreadable document fails, and the
    // window is then not to be shown.
    void load();
    // Loads a new About box and shows it modal over the parent.
    static void showModal(QWidget *parent);

    QLabel *lblTitle;
    QLabel *lblVersion;
    QTextEdit *rtBox;
    QPushButton *cmdOK;
};
