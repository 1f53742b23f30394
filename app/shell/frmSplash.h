#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

// Shown once while the program starts: names the product and plays its progress bar.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget *parent = nullptr);
    // Shows the splash and plays its progress; returns when the bar is full. A missing
    // picture fails with 53 before anything is shown.
    void load();
    void ShowProgress();

    QFrame *Frame1;
    QLabel *lblCompanyProduct;
    QLabel *lblProductName;
    QLabel *lblVersion;
    QLabel *lblCompany;
    QLabel *lblCopyright;
    QLabel *Image1;
    QLabel *Label2;
    QProgressBar *proBar;
    QLabel *Label1;
};
