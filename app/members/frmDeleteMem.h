#pragma once

#include <QWidget>

class frmDeleteMem : public QWidget {
    Q_OBJECT

public:
    explicit frmDeleteMem(QWidget *parent = nullptr);
};
