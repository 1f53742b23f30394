#include "frmAddMem.h"
#include "ClubAccess.h"
#include "club/NextIdentifier.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QLineEdit>
#include <QPushButton>

using namespace members;

frmAddMem::frmAddMem(QWidget *parent)
    : MemberForm(Kind::Add, QStringLiteral("Add New Member"), parent) {
    setObjectName(QStringLiteral("frmAddMem"));
    setWindowTitle(appTitle() + QStringLiteral("  -  ") + versionText());
    skipOnFailure([] { NewClub(); });
    loadPicture(QStringLiteral("\\images\\Club_02.jpg"));
    FillStateList();
    FillProvinceList();
    setTabChain(nullptr);
    connect(cmdSave, &QPushButton::clicked, this, &frmAddMem::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmAddMem::cmdClear_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmAddMem::cmdExit_Click);
}

void frmAddMem::showEvent(QShowEvent *e) {
    MemberForm::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        txtBox[0]->setFocus(Qt::OtherFocusReason);
    }
}

std::optional<QString> frmAddMem::NextMemberID() {
    std::optional<QVariant> highest;
    skipOnFailure([] { rsClub = std::make_shared<Recordset>(); });
    skipOnFailure([] { rsClub = club().GetNewMemberID(); });
    skipOnFailure([&] {
        const RecordsetPtr &rs = currentRecordset();
        rs->moveFirst();
        highest = rs->field(QStringLiteral("NewMemberID"));
    });
    CloseRecordset();
    std::optional<QString> id;
    if (highest)
        skipOnFailure([&] { id = nextIdentifier(club2(), MemberIdPrefix, *highest); });
    return id;
}

void frmAddMem::cmdSave_Click() {
    const QString notSaved = QStringLiteral("Member Record NOT Saved");
    try {
        setPointer(Pointer::Busy);
        TrimTextFields(this);
        if (!ValidateMember())
            return;
        QStringList strText = memberTexts();
        // Never store a member under a number that may already be in use.
        const std::optional<QString> id = NextMemberID();
        if (!id) {
            MsgBox(notSaved, Mb::OKOnly | Mb::Critical, QStringLiteral(" ERROR"));
            return;
        }
        strText[AddMemberIdSlot] = *id;
        const bool saved = club().AddMember(strText, duesAmount());
        setPointer(Pointer::Default);
        if (!saved) {
            // What was typed stays for another try.
            MsgBox(notSaved, Mb::OKOnly | Mb::Critical, QStringLiteral(" ERROR"));
            return;
        }
        const int answer = MsgBox(QStringLiteral("New Member Record Saved!") + LineBreak + LineBreak
                                      + QStringLiteral("Do you want to add another Member? "),
                                  Mb::YesNo | Mb::Question | Mb::DefaultButton2,
                                  QStringLiteral("Record Saved Successfully"));
        if (answer == Mb::Yes)
            cmdClear_Click();
        else
            UnloadForm(this);
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(failureText(notSaved, f), Mb::OKOnly | Mb::Critical, QStringLiteral(" ERROR"));
    }
}

void frmAddMem::cmdClear_Click() {
    clearFields();
    txtBox[0]->setFocus(Qt::OtherFocusReason);
}

void frmAddMem::cmdExit_Click() {
    UnloadForm(this);
}
