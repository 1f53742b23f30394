#include "ExchangeParts.h"
#include "MemberTable.h"
#include "core/Failure.h"
#include "help/HelpWindow.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QComboBox>

namespace exchange {

namespace {
constexpr const char *RosterNames[] = {"All Members",  "Regular Members", "Family Members",
                                       "Life Members", "Senior Members",  "Sports Members",
                                       "Pool Members", "Junior Members"};
static_assert(std::size(RosterNames) == Rosters.size());
} // namespace

QString rosterName(Roster roster) {
    return QString::fromLatin1(RosterNames[size_t(roster)]);
}

QComboBox *rosterChoice(QWidget *parent) {
    auto *list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("cboRoster"));
    for (const RosterInfo &info : Rosters)
        list->addItem(rosterName(info.roster), int(info.roster));
    list->setCurrentIndex(0);
    return list;
}

Roster chosenRoster(const QComboBox *list) {
    const int r = list->currentData().toInt();
    return r >= 0 && r < int(Rosters.size()) ? Roster(r) : Roster::All;
}

RecordsetPtr chosenMembers(const QComboBox *list) {
    const Roster roster = chosenRoster(list);
    setPointer(Pointer::Busy);
    RecordsetPtr rows = rosterMembers(roster);
    setPointer(Pointer::Default);
    if (rows && !rows->isEmpty())
        return rows;
    MsgBox(QString::fromLatin1(rosterInfo(roster).noRecords), Mb::Exclamation | Mb::OKOnly);
    return nullptr;
}

void setHelpTopic(QWidget *widget, const QString &topic) {
    widget->setProperty(HelpTopicProperty, topic);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->setProperty(HelpTopicProperty, topic);
}

} // namespace exchange
