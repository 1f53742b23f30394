#include "ExchangeParts.h"
#include "MemberTable.h"
#include "core/Failure.h"
#include "help/HelpWindow.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

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

bool copyEmailAddresses(const Recordset &rows) {
    const EmailAddresses addresses = emailAddresses(rows);
    if (addresses.copied == 0) {
        MsgBox(QStringLiteral("None of these members has an e-mail address; nothing was copied."),
               Mb::Exclamation | Mb::OKOnly);
        return false;
    }
    QGuiApplication::clipboard()->setText(addresses.text);
    QString said = counted(addresses.copied, QStringLiteral("e-mail address"),
                           QStringLiteral("e-mail addresses"))
                   + QStringLiteral(" copied, ready to paste into Bcc.");
    if (addresses.withoutEmail > 0)
        said += u' '
                + counted(addresses.withoutEmail, QStringLiteral("member has"),
                          QStringLiteral("members have"))
                + QStringLiteral(" no e-mail address.");
    MsgBox(said, Mb::Information | Mb::OKOnly);
    return true;
}

namespace {
QString &lastFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString exportFolder() {
    const QString folder = lastFolder();
    return !folder.isEmpty() && QFileInfo(folder).isDir()
               ? folder
               : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool writeAndTell(const QString &path, const std::function<ExportOutcome()> &write,
                  const ExportWords &words) {
    setPointer(Pointer::Busy);
    ExportOutcome outcome;
    try {
        outcome = write();
    } catch (...) {
        setPointer(Pointer::Default);
        throw;
    }
    setPointer(Pointer::Default);
    if (!outcome.ok) {
        MsgBox(words.notDone + LineBreak + LineBreak + outcome.error, Mb::Critical | Mb::OKOnly);
        return false;
    }
    lastFolder() = QFileInfo(path).absolutePath();
    MsgBox(counted(outcome.members, words.one, words.many) + words.writtenTo + LineBreak + LineBreak
               + QDir::toNativeSeparators(path),
           Mb::Information | Mb::OKOnly);
    return true;
}

void setHelpTopic(QWidget *widget, const QString &topic) {
    widget->setProperty(HelpTopicProperty, topic);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->setProperty(HelpTopicProperty, topic);
}

} // namespace exchange
