#include "FormParts.h"
#include "ui/EnterKey.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

QLabel *formTitle(QWidget *form, const QString &text, qreal scale) {
    auto *title = new QLabel(text, form);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * scale);
    title->setFont(big);
    return title;
}

QPushButton *formButton(QWidget *form, const QString &text, const QString &name,
                        const QString &spoken) {
    auto *b = new QPushButton(text, form);
    b->setObjectName(name);
    if (!spoken.isEmpty())
        b->setAccessibleName(spoken);
    b->setAutoDefault(false);
    b->setDefault(false);
    pressOnEnter(b);
    return b;
}
