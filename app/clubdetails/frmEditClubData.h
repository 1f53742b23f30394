#pragma once

#include <QWidget>

class frmEditClubData : public QWidget {
    Q_OBJECT

public:
    explicit frmEditClubData(QWidget *parent = nullptr);
};
