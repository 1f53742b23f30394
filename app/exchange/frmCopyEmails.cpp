#include "frmCopyEmails.h"
#include "ExchangeParts.h"
#include "MemberTable.h"
#include "common/FormParts.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace exchange;

frmCopyEmails::frmCopyEmails(QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmCopyEmails"));
    setWindowTitle(appTitle() + QStringLiteral(" - Copy E-mail Addresses"));
    auto *hint = new QLabel(QStringLiteral("The addresses go on the clipboard, each once, ready to "
                                           "paste into the Bcc field of a message."),
                            this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);
    cboRoster = rosterChoice(this);
    cmdCopy = formButton(this, QStringLiteral("&Copy"), QStringLiteral("cmdCopy"));
    cmdCopy->setDefault(true);
    cmdCancel = formButton(this, QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Members:"), cboRoster);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);

    connect(cmdCopy, &QPushButton::clicked, this, [this] {
        guarded([this] {
            if (copyChosen())
                accept();
        });
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmCopyEmails::copyChosen() {
    const RecordsetPtr rows = chosenMembers(cboRoster);
    return rows && copyEmailAddresses(*rows);
}
