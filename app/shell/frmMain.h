#pragma once

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>

class QMdiArea;

// The one top-level window: a multiple-document area holding the child forms.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // Creates the window hidden and runs its load. Later calls return the same window.
    static frmMain *load();
    static frmMain *instance();
    QMdiArea *mdiArea() const { return m_mdi; }

    // Shows a child form (single instance per form type): creates it on first use, raises it
    // when already open, then cascades the child windows.
    template<typename Form>
    Form *showChild(QPointer<Form> &slot)
    {
        if (!slot) {
            slot = new Form;
            addChild(slot);
        }
        raiseChild(slot);
        return slot;
    }

private:
    frmMain();
    void Form_Load();
    void addChild(QWidget *form);
    void raiseChild(QWidget *form);

    QMdiArea *m_mdi;
};

// Closes a form, whether it sits in the main window's area or stands alone.
void UnloadForm(QWidget *form);
