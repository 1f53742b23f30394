#include "frmDeleteMem.h"
#include "ClubAccess.h"
#include "MemberFinder.h"
#include "MemberList.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string_view>

using namespace members;

namespace {
constexpr const char *ValueCaptions[] = {"ID", "Member Name", "Address", "Membership"};
constexpr int ValueWidths[] = {1, 3, 3, 2};

// The column of the member list that shows a column of tblMembers; none does not compile.
consteval int shown(std::string_view column) {
    for (int c = 0; c < int(DeleteListColumns.size()); ++c)
        if (DeleteListColumns[c].column == column)
            return c;
    throw "the member list does not show this column";
}
} // namespace

frmDeleteMem::frmDeleteMem(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmDeleteMem"));
    setWindowTitle(appTitle() + QStringLiteral(" - Delete Member"));
    auto *layout = new QVBoxLayout(this);

    lblTitle = formTitle(this, QStringLiteral("Delete Member Record"), 1.4);
    QPalette red = lblTitle->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    lblTitle->setPalette(red);
    layout->addWidget(lblTitle);

    lvMember = new MemberList(DeleteListColumns, this);
    lvMember->setObjectName(QStringLiteral("lvMember"));
    lvMember->setAccessibleName(QStringLiteral("Member list"));
    finder = new MemberFinder(lvMember, this);
    layout->addWidget(finder);
    layout->addWidget(lvMember, 1);

    auto *values = new QGridLayout;
    for (int i = 0; i < int(lblData.size()); ++i) {
        auto *caption = new QLabel(QString::fromLatin1(ValueCaptions[i]), this);
        caption->setObjectName(QStringLiteral("lblCaption_%1").arg(i));
        auto *value = new QLabel(this);
        value->setObjectName(QStringLiteral("lblData_%1").arg(i));
        value->setAccessibleName(caption->text());
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setAutoFillBackground(true);
        QPalette white = value->palette();
        white.setColor(QPalette::Window, Qt::white);
        white.setColor(QPalette::WindowText, Qt::black);
        value->setPalette(white);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        values->addWidget(caption, 0, i);
        values->addWidget(value, 1, i);
        values->setColumnStretch(i, ValueWidths[i]);
        lblData[i] = value;
    }
    layout->addLayout(values);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto button = [&](const QString &text, const QString &name, const QString &spoken) {
        QPushButton *b = formButton(this, text, name, spoken);
        buttons->addWidget(b);
        return b;
    };
    cmdDelete =
        button(QStringLiteral("&Delete"), QStringLiteral("cmdDelete"), QStringLiteral("Delete"));
    cmdClear =
        button(QStringLiteral("&Clear"), QStringLiteral("cmdClear"), QStringLiteral("Clear"));
    cmdExit = button(QStringLiteral("e&Xit"), QStringLiteral("cmdExit"), QStringLiteral("Exit"));
    layout->addLayout(buttons);

    skipOnFailure([] { NewClub(); });
    FillMemberList();

    connect(lvMember, &MemberList::rowChosen, this, &frmDeleteMem::lvMember_Click);
    connect(finder, &MemberFinder::picked, this,
            [this] { lvMember->setFocus(Qt::OtherFocusReason); });
    QWidget::setTabOrder(finder->txtFind, lvMember);
    connect(lvMember, &MemberList::headerClicked, this, &frmDeleteMem::lvMember_ColumnClick);
    connect(cmdDelete, &QPushButton::clicked, this, &frmDeleteMem::cmdDelete_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmDeleteMem::cmdClear_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmDeleteMem::cmdExit_Click);
}

void frmDeleteMem::FillMemberList() {
    fillFromRoll(*lvMember);
}

void frmDeleteMem::lvMember_Click() {
    showChosenRow(*lvMember, [this](const QStringList &row) {
        itmMember = row;
        lblData[0]->setText(row.value(shown("MemberID")));
        lblData[1]->setText(row.value(shown("LName")) + QStringLiteral(", ")
                            + row.value(shown("FName")) + u' ' + row.value(shown("MName")));
        lblData[2]->setText(row.value(shown("Address1")));
        lblData[3]->setText(row.value(shown("Membership")));
    });
}

void frmDeleteMem::lvMember_ColumnClick(int column) {
    sortByColumn(*lvMember, column);
}

void frmDeleteMem::cmdDelete_Click() {
    const QString id = lblData[0]->text();
    if (id.isEmpty())
        return;
    const QString notDeleted = QStringLiteral("Member Record NOT Deleted");
    try {
        const bool deleted = club().DeleteMember(id);
        if (!deleted) {
            MsgBox(notDeleted, Mb::OKOnly | Mb::Critical);
            cmdClear_Click();
            return;
        }
        const int answer = MsgBox(QStringLiteral("Member Record Deleted!") + LineBreak + LineBreak
                                      + QStringLiteral("Do you want to delete another Member? "),
                                  Mb::YesNo | Mb::Question | Mb::DefaultButton2,
                                  QStringLiteral("Record Deleted Successfully"));
        if (answer == Mb::Yes) {
            // The list comes back as the user left it, the next member where the deleted one was.
            const MemberList::Place place = lvMember->place();
            cmdClear_Click();
            FillMemberList();
            skipOnFailure([&] { lvMember->restorePlace(place); });
        } else {
            UnloadForm(this);
        }
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(failureText(notDeleted, f), Mb::OKOnly | Mb::Critical);
    }
}

void frmDeleteMem::cmdClear_Click() {
    for (QLabel *value : lblData)
        value->clear();
}

void frmDeleteMem::cmdExit_Click() {
    UnloadForm(this);
}
