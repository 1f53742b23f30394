#include "frmSplash.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "frmMain.h"
#include "system/System.h"
#include "ui/Pointer.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QLabel *label(QWidget *parent, const char *name, const QString &text, int pointSize = 0,
              bool bold = false) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (pointSize > 0 || bold) {
        QFont f = l->font();
        if (pointSize > 0)
            f.setPointSize(pointSize);
        f.setBold(bold);
        l->setFont(f);
    }
    return l;
}

} // namespace

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Quillmere"));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    lblCompanyProduct =
        label(Frame1, "lblCompanyProduct", QStringLiteral("Velliscar Software"), 11);
    lblProductName = label(Frame1, "lblProductName", QStringLiteral("Quillmere"), 26, true);
    lblVersion = label(Frame1, "lblVersion", QStringLiteral("Version"), 12, true);
    lblCompany = label(Frame1, "lblCompany", QStringLiteral("Velliscar Software and Web Design"));
    lblCopyright = label(Frame1, "lblCopyright",
                         QStringLiteral("Copyright \u00A9 2026 Velliscar Software and Web Design. "
                                        "All rights reserved."),
                         8);
    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(220, 165);
    Image1->setScaledContents(true);
    Image1->setFrameShape(QFrame::StyledPanel);
    Label2 = label(Frame1, "Label2", QStringLiteral("https://velliscar.example/"), 8);

    auto *grid = new QGridLayout(Frame1);
    grid->addWidget(Image1, 0, 0, 6, 1);
    grid->addWidget(lblCompanyProduct, 0, 1);
    grid->addWidget(lblProductName, 1, 1);
    grid->addWidget(lblVersion, 2, 1, Qt::AlignRight);
    grid->addWidget(lblCompany, 3, 1);
    grid->addWidget(lblCopyright, 4, 1);
    grid->addWidget(Label2, 5, 1);
    grid->setColumnStretch(1, 1);

    proBar = new QProgressBar(this);
    proBar->setObjectName(QStringLiteral("proBar"));
    proBar->setTextVisible(false);
    proBar->setVisible(false);
    Label1 = label(this, "Label1", QStringLiteral("Initializing..."));

    auto *box = new QVBoxLayout(this);
    box->addWidget(Frame1);
    box->addWidget(proBar);
    box->addWidget(Label1);
    setMinimumWidth(560);
}

void frmSplash::load() {
    setPointer(Pointer::Busy);
    lblVersion->setText(QStringLiteral("Version ") + versionText());
    Image1->setPixmap(loadPicture(appPath(QStringLiteral("\\images\\club_01.jpg"))));
    proBar->setVisible(true);
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    ShowProgress();
    setPointer(Pointer::Default);
}

void frmSplash::ShowProgress() {
    skipOnFailure([this] {
        proBar->setMinimum(0);
        proBar->setMaximum(16);
    });
    int counter = 0;
    for (;;) {
        skipOnFailure([&] { proBar->setValue(counter); });
        ++counter;
        if (counter >= 16)
            break;
        skipOnFailure([] { Pause(0); });
        ++counter;
    }
    skipOnFailure([this] { setWindowPointer(this, Pointer::Default); });
}
