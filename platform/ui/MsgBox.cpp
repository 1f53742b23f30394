#include "MsgBox.h"
#include "Pointer.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
MsgBoxHandler &handler() {
    static MsgBoxHandler h;
    return h;
}

QString &title() {
    static QString t;
    return t;
}

int showDialog(const MsgBoxRequest &r) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(r.title);
    box.setText(r.prompt);
    switch (r.style & Mb::IconMask) {
    case Mb::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Mb::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Mb::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Mb::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    const bool second = (r.style & Mb::DefaultMask) == Mb::DefaultButton2;
    switch (r.style & Mb::ButtonMask) {
    case Mb::YesNo: {
        auto *yes = box.addButton(QMessageBox::Yes);
        auto *no = box.addButton(QMessageBox::No);
        box.setDefaultButton(second ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Mb::Yes : Mb::No;
    }
    case Mb::OKCancel: {
        auto *ok = box.addButton(QMessageBox::Ok);
        auto *cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(second ? cancel : ok);
        box.exec();
        return box.clickedButton() == ok ? Mb::OK : Mb::Cancel;
    }
    default:
        box.addButton(QMessageBox::Ok);
        box.exec();
        return Mb::OK;
    }
}
} // namespace

QString appTitle() {
    return title();
}

void setAppTitle(const QString &t) {
    title() = t;
}

int MsgBox(const QString &prompt, int style, const QString &title) {
    setPointer(Pointer::Default);
    const MsgBoxRequest request{prompt, style, title.isEmpty() ? appTitle() : title};
    if (handler())
        return handler()(request);
    return showDialog(request);
}

void setMsgBoxHandler(MsgBoxHandler h) {
    handler() = std::move(h);
}
