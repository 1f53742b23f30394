#include "frmEditClubData.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/Pointer.h"
#include "ui/TextLimit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmEditClubData::frmEditClubData(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmEditClubData"));
    // Not an entry field: it only carries the loaded record's identifier to the save.
    lblID = new QLabel(this);
    lblID->setObjectName(QStringLiteral("lblID"));
    lblID->setAlignment(Qt::AlignCenter);
    buildClubForm(this, QStringLiteral("Edit Club Details"), lblID);
    for (QLineEdit *t : txtBox)
        t->installEventFilter(this);
    connectButtons(
        this, [this] { cmdSave_Click(); }, [this] { cmdClear_Click(); });
    Form_Load();
}

void frmEditClubData::Form_Load() {
    setWindowTitle(clubFormCaption());
    skipOnFailure([] { NewClub(); });
    loadClub();
}

void frmEditClubData::loadClub() {
    skipOnFailure([this] { setWindowPointer(this, Pointer::Busy); });
    skipOnFailure([] {
        rsClub = std::make_shared<Recordset>();
        rsClub = club().LoadEditClub();
        rsClub->moveFirst();
    });
    // Should the table ever hold more than one row, the last one is what the user sees.
    skipOnFailure([this] {
        while (!rsClub->eof()) {
            lblID->setText(rsClub->field(QStringLiteral("ClubID")).toString());
            for (std::size_t i = 0; i < ClubFieldCount; ++i)
                setStoredText(txtBox[i],
                              rsClub->field(QString::fromLatin1(ClubFields[i].column)).toString());
            rsClub->moveNext();
        }
    });
    CloseRecordset();
    skipOnFailure([this] { setWindowPointer(this, Pointer::Default); });
}

bool frmEditClubData::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        for (std::size_t i = 0; i < ClubFieldCount; ++i)
            if (watched == txtBox[i])
                return txtBox_KeyPress(i, static_cast<QKeyEvent *>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
}

bool frmEditClubData::txtBox_KeyPress(std::size_t index, int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (index + 1 >= ClubFieldCount)
        return false;
    skipOnFailure([&] { txtBox[index + 1]->setFocus(); });
    return true;
}

void frmEditClubData::cmdSave_Click() {
    skipOnFailure([this] { TrimTextFields(this); });
    bool valid = true;
    skipOnFailure([&] { valid = validateClubFields(txtBox); });
    if (!valid)
        return;

    bool updated = false;
    skipOnFailure(
        [&] { updated = club().UpdateClubDetails(clubSaveArray(lblID->text(), txtBox)); });

    reportClubSave(this, txtBox, updated,
                   QStringLiteral("Your Club information has been updated! "),
                   QStringLiteral("This record was NOT updated! "));
}

void frmEditClubData::cmdClear_Click() {
    clearClubFields(txtBox);
}
