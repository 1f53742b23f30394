#pragma once

#include <QWidget>

class frmEditMem : public QWidget {
    Q_OBJECT

public:
    explicit frmEditMem(QWidget *parent = nullptr);
};
