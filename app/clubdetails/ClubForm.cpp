#include "ClubForm.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/TextLimit.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void ClubFormControls::buildClubForm(QWidget *form, const QString &title, QWidget *extraRow) {
    ClubFormControls &c = *this;
    auto *outer = new QVBoxLayout(form);

    c.lblTitle = formTitle(form, title, 1.5);
    c.lblTitle->setAlignment(Qt::AlignCenter);
    outer->addWidget(c.lblTitle);
    if (extraRow)
        outer->addWidget(extraRow);

    auto *grid = new QGridLayout;
    for (std::size_t i = 0; i < ClubFieldCount; ++i) {
        const ClubField &f = ClubFields[i];
        auto *lbl = new QLabel(QString::fromLatin1(f.caption), form);
        lbl->setObjectName(QStringLiteral("lblData%1").arg(i));
        lbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *txt = new QLineEdit(form);
        txt->setObjectName(QStringLiteral("txtBox%1").arg(i));
        txt->setMaxLength(f.maxLength);
        guardOneLineBox(txt);
        // A screen reader announces the field by its caption.
        lbl->setBuddy(txt);
        grid->addWidget(lbl, int(i), 0);
        if (i == ClubStateField) {
            txt->setAlignment(Qt::AlignCenter);
            txt->setFixedWidth(txt->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 16);
            grid->addWidget(txt, int(i), 1, Qt::AlignLeft);
        } else {
            txt->setMinimumWidth(txt->fontMetrics().averageCharWidth() * 40);
            grid->addWidget(txt, int(i), 1);
        }
        c.lblData[i] = lbl;
        c.txtBox[i] = txt;
    }
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    c.cmdSave = formButton(form, QStringLiteral("&Save"), QStringLiteral("cmdSave"));
    c.cmdClear = formButton(form, QStringLiteral("&Clear"), QStringLiteral("cmdClear"));
    c.cmdExit = formButton(form, QStringLiteral("e&Xit"), QStringLiteral("cmdExit"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(c.cmdSave);
    buttons->addWidget(c.cmdClear);
    buttons->addWidget(c.cmdExit);
    buttons->addStretch();
    outer->addLayout(buttons);

    // Tab order follows the index, then the buttons.
    QWidget *previous = c.txtBox[0];
    auto chain = [&previous](QWidget *w) {
        QWidget::setTabOrder(previous, w);
        previous = w;
    };
    for (std::size_t i = 1; i < ClubFieldCount; ++i)
        chain(c.txtBox[i]);
    chain(c.cmdSave);
    chain(c.cmdClear);
    chain(c.cmdExit);
    c.txtBox[0]->setFocus();
}

void ClubFormControls::connectButtons(QWidget *form, std::function<void()> save,
                                      std::function<void()> clear) {
    QObject::connect(cmdSave, &QPushButton::clicked, form,
                     [save = std::move(save)] { skipOnFailure(save); });
    QObject::connect(cmdClear, &QPushButton::clicked, form,
                     [clear = std::move(clear)] { skipOnFailure(clear); });
    QObject::connect(cmdExit, &QPushButton::clicked, form,
                     [form] { skipOnFailure([form] { UnloadForm(form); }); });
}

QString clubFormCaption() {
    return appTitle() + QStringLiteral("  -  ") + versionText();
}

bool validateClubFields(const ClubTextBoxes &txtBox) {
    for (std::size_t i = 0; i < ClubFieldCount; ++i) {
        if (!ClubFields[i].missing || !txtBox[i]->text().isEmpty())
            continue;
        MsgBox(QString::fromLatin1(ClubFields[i].missing), Mb::OKOnly);
        skipOnFailure([&] { txtBox[i]->setFocus(); });
        return false;
    }
    return true;
}

QStringList clubSaveArray(const QString &clubId, const ClubTextBoxes &txtBox) {
    QStringList strText(ClubSaveArraySize);
    strText[clubSlot(ClubSlot::ClubID)] = clubId;
    for (std::size_t i = 0; i < ClubFieldCount; ++i)
        strText[clubSlot(ClubFields[i].slot)] = txtBox[i]->text();
    return strText;
}

void clearClubFields(const ClubTextBoxes &txtBox) {
    for (QLineEdit *t : txtBox)
        skipOnFailure([&] { t->clear(); });
    skipOnFailure([&] { txtBox[0]->setFocus(); });
}

void reportClubSave(QWidget *form, const ClubTextBoxes &txtBox, bool stored,
                    const QString &storedText, const QString &notStoredText) {
    if (stored) {
        MsgBox(storedText, Mb::Information | Mb::OKOnly);
        clearClubFields(txtBox);
        UnloadForm(form);
    } else {
        MsgBox(notStoredText, Mb::Critical | Mb::OKOnly, QStringLiteral(" * ERROR * "));
    }
}
