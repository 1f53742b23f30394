#include "frmClubData.h"
#include "club/NextIdentifier.h"
#include "common/modGlobal.h"
#include "core/Failure.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

frmClubData::frmClubData(QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmClubData"));
    buildClubForm(this, QStringLiteral("Add Club Details"));
    connectButtons(
        this, [this] { cmdSave_Click(); }, [this] { cmdClear_Click(); });
    Form_Load();
}

void frmClubData::showFirstRun() {
    frmClubData form;
    form.exec();
}

void frmClubData::Form_Load() {
    setWindowTitle(clubFormCaption());
    // Without a library object the form still opens; a save is then refused.
    skipOnFailure([] { NewClub(); });
}

// Every way out of a dialog (Save, eXit, the window frame) passes here.
void frmClubData::done(int r) {
    QDialog::done(r);
    Form_Unload();
}

void frmClubData::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frmClubData::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    skipOnFailure([] { EndProgram(); });
}

bool frmClubData::newClubId(QString &id) {
    std::optional<QVariant> highest;
    skipOnFailure([&] {
        rsClub = std::make_shared<Recordset>();
        // The library reports its own failure through strFunction; a stale name from an
        // earlier call must not be taken for a new one.
        club().setStrFunction(QString());
        rsClub = club().GetNewClubID();
        if (!rsClub || club().strFunction() == QLatin1String("GetNewClubID"))
            return;
        highest = rsClub->field(QStringLiteral("NewClubID"));
    });
    CloseRecordset();
    std::optional<QString> next;
    if (highest)
        skipOnFailure([&] { next = nextIdentifier(club2(), ClubIdPrefix, *highest); });
    if (next)
        id = *next;
    return next.has_value();
}

void frmClubData::cmdSave_Click() {
    skipOnFailure([this] { TrimTextFields(this); });
    bool valid = true;
    skipOnFailure([&] { valid = validateClubFields(txtBox); });
    if (!valid)
        return;

    bool saved = false;
    QString id;
    // A guessed identifier could repeat one already given: without the counter nothing is
    // stored, and the entries stay for another try.
    if (newClubId(id)) {
        const QStringList strText = clubSaveArray(id, txtBox);
        skipOnFailure([&] { saved = club().AddClubDetails(strText); });
    }

    reportClubSave(this, txtBox, saved, QStringLiteral("Your Club information has been saved! "),
                   QStringLiteral("This record was NOT saved! "));
}

void frmClubData::cmdClear_Click() {
    clearClubFields(txtBox);
}
