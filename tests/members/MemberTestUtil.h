#pragma once

#include "TestSupport.h"
#include "common/modGlobal.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <QTreeView>

// The forms live in a multiple-document area, as in the program.
class MdiHost {
public:
    MdiHost() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        area = new QMdiArea(&window);
        window.setCentralWidget(area);
        window.resize(1400, 1000);
        window.show();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the host window did not become active");
    }

    template<typename Form>
    Form *open() {
        auto *form = new Form;
        QMdiSubWindow *sub = area->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        area->setActiveSubWindow(sub);
        sub->showMaximized();
        QCoreApplication::processEvents();
        return form;
    }

    // True once the form's window was closed and destroyed.
    static bool closed(QPointer<QWidget> form) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        return form.isNull();
    }

    QMainWindow window;
    QMdiArea *area;
};

struct StoredMember {
    QString id, last, first, middle, address1, address2, city, state, zip, phone1, phone2, phone3;
    QString dues = QStringLiteral("25"); // SQL literal
    QString paid = QStringLiteral("Annual"), membership = QStringLiteral("Regular");
    QString email, notes;
};

inline QString sqlText(const QString &s) {
    if (s.isNull())
        return QStringLiteral("NULL");
    return u'\'' + QString(s).replace(u'\'', QStringLiteral("''")) + u'\'';
}

inline void storeMember(const TempAppFolder &app, const StoredMember &m) {
    const QStringList values{sqlText(m.id),
                             sqlText(m.last),
                             sqlText(m.first),
                             sqlText(m.middle),
                             sqlText(m.address1),
                             sqlText(m.address2),
                             sqlText(m.city),
                             sqlText(m.state),
                             sqlText(m.zip),
                             sqlText(m.phone1),
                             sqlText(m.phone2),
                             sqlText(m.phone3),
                             m.dues,
                             sqlText(m.membership),
                             sqlText(m.paid),
                             sqlText(m.email),
                             sqlText(m.notes)};
    app.exec(QStringLiteral("INSERT INTO tblMembers (MemberID,LName,FName,MName,Address1,Address2,"
                            "City,State,Zip,Phone1,Phone2,Phone3,Dues,Membership,DuesPaid,Email,"
                            "Notes) VALUES (")
             + values.join(u',') + QStringLiteral(");"));
}

// A member form in its window over a fresh roll, answering message boxes from a script.
template<typename Form>
struct FormFixture {
    std::unique_ptr<TempAppFolder> app;
    std::unique_ptr<MdiHost> host;
    std::unique_ptr<MsgBoxRecorder> boxes;
    QPointer<Form> form;

    void setUp() {
        app = std::make_unique<TempAppFolder>();
        host = std::make_unique<MdiHost>();
        boxes = std::make_unique<MsgBoxRecorder>();
    }
    void tearDown() {
        delete form.data();
        host.reset();
        boxes.reset();
        objClub.reset();
        app.reset();
    }
    // Stores the members, then opens the form on them.
    void openWith(const QList<StoredMember> &members) {
        for (const StoredMember &m : members)
            storeMember(*app, m);
        form = host->open<Form>();
    }
};

inline StoredMember member(const QString &id, const QString &last, const QString &first) {
    StoredMember m;
    m.id = id;
    m.last = last;
    m.first = first;
    m.address1 = QStringLiteral("1 Main St");
    m.city = QStringLiteral("Springfield");
    m.state = QStringLiteral("NY - New York");
    m.zip = QStringLiteral("12345");
    return m;
}

// What a person sees of a caption: bold or not, and its colour.
inline bool highlighted(const QLabel *caption) {
    return caption->font().bold()
           && caption->palette().color(QPalette::WindowText) == QColor(0, 0, 255);
}

inline bool plain(const QLabel *caption) {
    return !caption->font().bold()
           && caption->palette().color(QPalette::WindowText) == QColor(0, 0, 0);
}

inline QStringList columnTexts(const QTreeView *view, int column) {
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, column).data().toString();
    return out;
}

inline QStringList headerTexts(const QTreeView *view) {
    QStringList out;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        out << view->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

inline void clickRow(QTreeView *view, int row) {
    const QModelIndex i = view->model()->index(row, 1);
    view->scrollTo(i);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(i).center());
}

inline void clickHeader(QTreeView *view, int column) {
    QHeaderView *h = view->header();
    view->scrollTo(view->model()->index(0, column));
    const int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
}

inline int icon(const MsgBoxRequest &r) {
    return r.style & Mb::IconMask;
}
