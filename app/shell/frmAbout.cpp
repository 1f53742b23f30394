#include "frmAbout.h"
#include "common/modGlobal.h"
#include "richtext/RtfReader.h"
#include "system/System.h"
#include "ui/MsgBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <memory>

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblTitle = new QLabel(QStringLiteral("Quillmere"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont f = lblTitle->font();
    f.setPointSize(18);
    f.setBold(true);
    lblTitle->setFont(f);
    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    rtBox = new QTextEdit(this);
    rtBox->setObjectName(QStringLiteral("rtBox"));
    rtBox->setReadOnly(true);
    rtBox->setMinimumSize(420, 240);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblTitle, 0, 0);
    grid->addWidget(lblVersion, 0, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->addWidget(rtBox, 1, 0, 1, 2);
    grid->addWidget(cmdOK, 2, 1, Qt::AlignRight);
}

void frmAbout::load() {
    setWindowTitle(QStringLiteral("About ") + appTitle());
    lblVersion->setText(QStringLiteral("v") + versionText());
    loadRtfFile(appPath(QStringLiteral("\\text\\About.rtf")), rtBox->document());
}

void frmAbout::showModal(QWidget *parent) {
    // Each showing loads afresh; closing destroys the window.
    auto about = std::make_unique<frmAbout>(parent);
    about->load();
    about->exec();
}
