#include "TextLimit.h"

#include <QLineEdit>

QString leftWhole(const QString &text, int units) {
    if (units <= 0)
        return {};
    if (units >= text.size())
        return text;
    if (text.at(units - 1).isHighSurrogate())
        --units;
    return text.left(units);
}

void keepCharactersWhole(QLineEdit *box) {
    QObject::connect(box, &QLineEdit::textChanged, box, [box](const QString &t) {
        if (!t.isEmpty() && t.back().isHighSurrogate()) {
            const int cursor = box->cursorPosition();
            box->setText(t.chopped(1));
            box->setCursorPosition(std::min(cursor, int(t.size()) - 1));
        }
    });
}

QString trimBlanks(const QString &text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.mid(b, e - b);
}
