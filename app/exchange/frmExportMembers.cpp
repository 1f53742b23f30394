#include "frmExportMembers.h"
#include "ExchangeParts.h"
#include "MemberTable.h"
#include "common/FormParts.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace exchange;

frmExportMembers::frmExportMembers(QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmExportMembers"));
    setWindowTitle(appTitle() + QStringLiteral(" - Export Members"));
    cboRoster = rosterChoice(this);
    optCsv = new QRadioButton(QStringLiteral("&CSV file, for any spreadsheet or mail merge"), this);
    optCsv->setObjectName(QStringLiteral("optCsv"));
    optCsv->setChecked(true);
    optWorkbook = new QRadioButton(QStringLiteral("Excel &workbook (.xlsx)"), this);
    optWorkbook->setObjectName(QStringLiteral("optWorkbook"));
    cmdExport = formButton(this, QStringLiteral("&Export..."), QStringLiteral("cmdExport"));
    cmdExport->setDefault(true);
    cmdCancel = formButton(this, QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Members:"), cboRoster);
    auto *formats = new QVBoxLayout;
    formats->addWidget(optCsv);
    formats->addWidget(optWorkbook);
    form->addRow(QStringLiteral("Format:"), formats);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(buttons);

    askPath = [this](const QString &suggested) {
        const bool workbook = suggested.endsWith(QLatin1String(".xlsx"));
        return QFileDialog::getSaveFileName(
            this, QStringLiteral("Export Members"), suggested,
            workbook ? QStringLiteral("Excel workbooks (*.xlsx);;All files (*)")
                     : QStringLiteral("CSV files (*.csv);;All files (*)"));
    };
    connect(cmdExport, &QPushButton::clicked, this, [this] {
        guarded([this] {
            if (exportChosen())
                accept();
        });
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmExportMembers::suggestedPath() const {
    const QString name =
        QStringLiteral("%1-members-%2.%3")
            .arg(QString::fromLatin1(rosterInfo(chosenRoster(cboRoster)).name),
                 currentDateTime().date().toString(Qt::ISODate),
                 optWorkbook->isChecked() ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    return QDir(exportFolder()).filePath(name);
}

bool frmExportMembers::exportChosen() {
    const RecordsetPtr rows = chosenMembers(cboRoster);
    if (!rows)
        return false;
    QString path = askPath ? askPath(suggestedPath()) : QString();
    if (path.isEmpty())
        return false;
    // A name typed without an ending gets the chosen format's; one typed with its own keeps it.
    if (QFileInfo(path).suffix().isEmpty())
        path += optWorkbook->isChecked() ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    return writeAndTell(path, [&] { return exportMembers(*rows, path); },
                        {QStringLiteral("The members were not exported."),
                         QStringLiteral("member was"), QStringLiteral("members were")});
}
