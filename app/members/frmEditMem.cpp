#include "frmEditMem.h"
#include "ClubAccess.h"
#include "MemberFinder.h"
#include "MemberList.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string_view>

using namespace members;

namespace {
// The list shows the identifier, then every field in the table's order.
constexpr int IdColumn = 0;
consteval bool listMatchesFields() {
    if (std::string_view(EditListColumns[IdColumn].column) != "MemberID"
        || EditListColumns.size() != MemberFields.size() + 1)
        return false;
    for (int r = 0; r < int(MemberFields.size()); ++r)
        if (std::string_view(EditListColumns[listColumn(r)].column) != MemberFields[r].column)
            return false;
    return true;
}
static_assert(listMatchesFields());
} // namespace

frmEditMem::frmEditMem(QWidget *parent)
    : MemberForm(Kind::Edit, QStringLiteral("Edit Member Record"), parent) {
    setObjectName(QStringLiteral("frmEditMem"));
    setWindowTitle(appTitle() + QStringLiteral(" - Edit Member"));

    QPalette blue = lblTitle->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblTitle->setPalette(blue);

    lvMember = new MemberList(EditListColumns, this);
    lvMember->setObjectName(QStringLiteral("lvMember"));
    lvMember->setToolTip(QStringLiteral(" Select member record to edit from this list "));
    lvMember->setAccessibleName(QStringLiteral("Member list"));
    finder = new MemberFinder(lvMember, this);
    mainLayout()->insertWidget(1, finder);
    mainLayout()->insertWidget(2, lvMember, 1);

    lblID = new QLabel(this);
    lblID->setObjectName(QStringLiteral("lblID"));
    lblID->setAccessibleName(QStringLiteral("Member ID"));
    fieldGrid()->addWidget(lblID, MemberFields[fieldRow("Zip")].gridRow, 2, 1, 2);

    skipOnFailure([] { NewClub(); });
    loadPicture(QStringLiteral("\\images\\Club_03.jpg"));
    FillStateList();
    FillProvinceList();
    FillMemberList();
    QWidget::setTabOrder(finder->txtFind, lvMember);
    setTabChain(lvMember);

    connect(lvMember, &MemberList::rowChosen, this, &frmEditMem::lvMember_Click);
    connect(finder, &MemberFinder::picked, this,
            [this] { txtBox[0]->setFocus(Qt::OtherFocusReason); });
    connect(lvMember, &MemberList::headerClicked, this, &frmEditMem::lvMember_ColumnClick);
    connect(cmdSave, &QPushButton::clicked, this, &frmEditMem::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmEditMem::cmdClear_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmEditMem::cmdExit_Click);
}

void frmEditMem::FillMemberList() {
    fillFromRoll(*lvMember);
}

void frmEditMem::lvMember_Click() {
    showChosenRow(*lvMember, [this](const QStringList &row) {
        itmMember = row;
        lblID->setText(row.value(IdColumn));
        for (int r = 0; r < int(MemberFields.size()); ++r) {
            const MemberField &f = MemberFields[r];
            const QString value = row.value(listColumn(r));
            switch (f.kind) {
            case FieldKind::Text:
                setFieldText(f.index, value);
                break;
            case FieldKind::List:
                chooseItem(f.index, value);
                break;
            case FieldKind::Notes:
                rtBox->setPlainText(value);
                break;
            }
        }
    });
}

void frmEditMem::pickMember(const QString &memberId) {
    if (!lvMember->pick(memberId)) {
        // Hidden by what the box finds, or added since the list was filled.
        finder->txtFind->clear();
        if (!lvMember->pick(memberId)) {
            FillMemberList();
            if (!lvMember->pick(memberId))
                return;
        }
    }
    txtBox[0]->setFocus(Qt::OtherFocusReason);
}

void frmEditMem::lvMember_ColumnClick(int column) {
    sortByColumn(*lvMember, column);
}

void frmEditMem::cmdSave_Click() {
    const QString notUpdated = QStringLiteral("Member Record NOT Updated! ");
    if (lblID->text().isEmpty()) {
        MsgBox(QStringLiteral("Select a record to edit! "), Mb::OKOnly | Mb::Exclamation);
        return;
    }
    try {
        setPointer(Pointer::Busy);
        TrimTextFields(this);
        if (!ValidateMember())
            return;
        const QStringList strText = memberTexts();
        const bool updated = club().UpdateMember(strText, lblID->text(), duesAmount());
        setPointer(Pointer::Default);
        if (!updated) {
            // The changes stay in the fields for another try.
            MsgBox(notUpdated, Mb::OKOnly | Mb::Critical, QStringLiteral(" * ERROR * "));
            return;
        }
        const int answer = MsgBox(QStringLiteral("Do you want to edit another Member record? "),
                                  Mb::YesNo | Mb::Question | Mb::DefaultButton2,
                                  QStringLiteral("Record Updated Successfully"));
        if (answer == Mb::Yes) {
            // The list comes back as the user left it, the edited member still selected.
            const MemberList::Place place = lvMember->place();
            const QString edited = lblID->text();
            skipOnFailure([this] { lvMember->clearRows(); });
            cmdClear_Click();
            FillMemberList();
            skipOnFailure([&] { lvMember->restorePlace(place, edited); });
        } else {
            UnloadForm(this);
        }
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(failureText(notUpdated, f), Mb::OKOnly | Mb::Critical,
               QStringLiteral(" * ERROR * "));
    }
}

void frmEditMem::cmdClear_Click() {
    clearFields();
    lblID->clear();
    txtBox[0]->setFocus(Qt::OtherFocusReason);
}

void frmEditMem::cmdExit_Click() {
    UnloadForm(this);
}
