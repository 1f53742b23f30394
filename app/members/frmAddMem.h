#pragma once

#include <QWidget>

class frmAddMem : public QWidget {
    Q_OBJECT

public:
    explicit frmAddMem(QWidget *parent = nullptr);
};
