#pragma once

#include "ClubFields.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

using ClubTextBoxes = std::array<QLineEdit *, ClubFieldCount>;

// The controls both club forms share, built from the club field table. Each club form
// inherits them and builds them first thing, so the forms differ only in what they add.
struct ClubFormControls {
    QLabel *lblTitle = nullptr;
    std::array<QLabel *, ClubFieldCount> lblData{};
    ClubTextBoxes txtBox{};
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdExit = nullptr;

protected:
    // Lays out the title, the thirteen captioned fields and the three buttons on the form.
    // extraRow (may be null) goes between the title and the fields.
    void buildClubForm(QWidget *form, const QString &title, QWidget *extraRow = nullptr);
    // Save and Clear run the form's own steps, eXit closes it; nothing thrown reaches the
    // event loop, so a failing click leaves the form usable.
    void connectButtons(QWidget *form, std::function<void()> save, std::function<void()> clear);
};

// "Quillmere  -  3.0"
QString clubFormCaption();

// Shows the message of the first empty required field and puts the focus there.
// True when every required field holds text.
bool validateClubFields(const ClubTextBoxes &txtBox);

// Element 0 the identifier, elements 1 to 13 the fields in table order.
QStringList clubSaveArray(const QString &clubId, const ClubTextBoxes &txtBox);

void clearClubFields(const ClubTextBoxes &txtBox);

// Tells the outcome of a save. A stored record clears the fields and closes the form; one not
// stored keeps every entry for another try.
void reportClubSave(QWidget *form, const ClubTextBoxes &txtBox, bool stored,
                    const QString &storedText, const QString &notStoredText);
