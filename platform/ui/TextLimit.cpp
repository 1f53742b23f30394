#include "TextLimit.h"

#include <QLineEdit>
#include <QValidator>

QString leftWhole(const QString &text, int units) {
    if (units <= 0)
        return {};
    if (units >= text.size())
        return text;
    if (text.at(units - 1).isHighSurrogate())
        --units;
    return text.left(units);
}

namespace {
bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// The box asks its validator about every change after taking it in (and after its length cap)
// and before telling anyone, so a mended text is the only one ever seen. It always answers
// Acceptable; it only mends.
class OneLineGuard : public QValidator {
public:
    explicit OneLineGuard(QLineEdit *box)
        : QValidator(box)
        , m_before(box->text()) {}

    State validate(QString &text, int &pos) const override {
        if (!storing && text != m_before)
            keepFirstLine(text, pos);
        // A lone surrogate is half a character, wherever the cap or the input left it.
        for (qsizetype i = 0; i < text.size();) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                i += 2;
            } else if (text[i].isSurrogate()) {
                text.remove(i, 1);
                if (pos > i)
                    --pos;
            } else {
                ++i;
            }
        }
        m_before = text;
        return Acceptable;
    }

    mutable bool storing = false;

private:
    // Cuts what the edit put in at its first line break. Only the new piece is cut: a stored
    // value shown with its breaks keeps them, and trimming it cuts nothing.
    void keepFirstLine(QString &text, int &pos) const {
        const QStringView now(text), was(m_before);
        const qsizetype size = now.size(), oldSize = was.size();
        qsizetype same = 0, tail = 0;
        while (same < std::min(size, oldSize) && now[same] == was[same])
            ++same;
        while (tail < std::min(size, oldSize) - same
               && now[size - 1 - tail] == was[oldSize - 1 - tail])
            ++tail;
        qsizetype start = same, end = size - tail;
        // Where letters repeat, the cursor tells which of them are new: it stands at the end of
        // what was put in.
        const qsizetype at = pos - (end - start);
        if (at >= 0 && pos <= size && size - pos <= oldSize - at && now.left(at) == was.left(at)
            && now.mid(pos) == was.right(size - pos)) {
            start = at;
            end = pos;
        }
        for (qsizetype i = start; i < end; ++i) {
            if (!isLineBreak(text[i]))
                continue;
            text.remove(i, end - i);
            pos = pos >= end ? int(pos - (end - i)) : std::min(pos, int(i));
            return;
        }
    }

    mutable QString m_before;
};
} // namespace

void guardOneLineBox(QLineEdit *box) {
    box->setValidator(new OneLineGuard(box));
}

void setStoredText(QLineEdit *box, const QString &text) {
    const auto *guard = dynamic_cast<const OneLineGuard *>(box->validator());
    if (guard)
        guard->storing = true;
    box->setText(text);
    if (guard)
        guard->storing = false;
}

QString trimBlanks(const QString &text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.mid(b, e - b);
}
