#pragma once

#include "clubdetails/ClubFields.h"

#include <QLineEdit>
#include <QStringList>
#include <QTest>

// What a person types into the thirteen club fields, in table order.
inline QStringList sampleClub() {
    return {QStringLiteral("St. Mary's Club"),
            QStringLiteral("12 Harbour Road"),
            QStringLiteral("Tarnwell"),
            QStringLiteral("ON"),
            QStringLiteral("K1A 0B1"),
            QStringLiteral("555-0100"),
            QStringLiteral("555-0101"),
            QStringLiteral("555-0102"),
            QStringLiteral("555-0103"),
            QStringLiteral("555-0104"),
            QStringLiteral("555-0105"),
            QStringLiteral("www.stmarys.example"),
            QStringLiteral("office@stmarys.example")};
}

template<typename Boxes>
void typeInto(const Boxes &txtBox, const QStringList &values) {
    for (std::size_t i = 0; i < ClubFieldCount; ++i) {
        txtBox[i]->clear();
        QTest::keyClicks(txtBox[i], values.value(int(i)));
    }
}

template<typename Boxes>
QStringList textsOf(const Boxes &txtBox) {
    QStringList out;
    for (QLineEdit *t : txtBox)
        out << t->text();
    return out;
}

// The club's thirteen columns in table order, as stored.
inline QString clubColumnsSql() {
    QStringList cols;
    for (const ClubField &f : ClubFields)
        cols << QStringLiteral("IFNULL(%1,'<null>')").arg(QLatin1String(f.column));
    return cols.join(QStringLiteral(" || '|' || "));
}
