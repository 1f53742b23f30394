#include "EnterKey.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace {
class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        // A held key would press the button again and again: one save per press.
        if (!key->isAutoRepeat())
            static_cast<QAbstractButton *>(watched)->click();
        return true;
    }
};
} // namespace

void pressOnEnter(QAbstractButton *button) {
    button->installEventFilter(new EnterPresses(button));
}
