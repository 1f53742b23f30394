#pragma once

#include <QWidget>

class frmSplash : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget *parent = nullptr);
    // Shows the splash and plays its progress; returns when the bar is full.
    void load();
};
