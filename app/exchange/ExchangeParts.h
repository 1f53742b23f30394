#pragma once

// What the windows of the import, the export and the e-mail list share.
#include "MemberTable.h"
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

// Puts the members' e-mail addresses on the clipboard, each once, and says how many were
// copied and how many members have none; false, after saying so, when none has one.
bool copyEmailAddresses(const Recordset &rows);

// Where an export's file is suggested: the folder the last one went to in this session, or the
// user's documents.
QString exportFolder();
// What an export says: `notDone` when it failed (with the reason), otherwise the count as `one`
// or `many` ("member was", "members were") followed by `writtenTo` and the file's full name.
struct ExportWords {
    QString notDone;
    QString one;
    QString many;
    QString writtenTo = QStringLiteral(" written to:");
};
// Runs `write` under the busy pointer and says how it went; the folder is remembered for the
// next export. False when the file was not written.
bool writeAndTell(const QString &path, const std::function<ExportOutcome()> &write,
                  const ExportWords &words);

// Gives a widget and everything in it a part of its window's help page (F1).
void setHelpTopic(QWidget *widget, const QString &topic);

} // namespace exchange
