#pragma once

// What the windows of the import, the export and the e-mail list share.
#include "common/FormParts.h"
#include "reports/Rosters.h"

#include <QString>
#include <functional>

class QComboBox;
class QWidget;

namespace exchange {

// A roster as the Reports menu names it; the whole roll is "All Members".
QString rosterName(Roster roster);
// A list of the rosters in menu order, named cboRoster, the whole roll chosen.
QComboBox *rosterChoice(QWidget *parent);
Roster chosenRoster(const QComboBox *list);

// The members of the roster chosen in the list, or, when it has none, null after saying so in
// the roster's own words.
RecordsetPtr chosenMembers(const QComboBox *list);

// Gives a widget and everything in it a part of its window's help page (F1).
void setHelpTopic(QWidget *widget, const QString &topic);

} // namespace exchange
