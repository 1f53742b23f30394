#include "frmFindMember.h"
#include "ClubAccess.h"
#include "MemberFinder.h"
#include "MemberList.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <tuple>

using namespace members;

namespace {
inline constexpr std::array<ListColumn, 8> FindListColumns{{
    {"ID", "MemberID", 2, false, false, WidestID},
    {"Last Name", "LName", 4, false, false},
    {"First Name", "FName", 4, false, false},
    {"Mid Name", "MName", 3, false, false},
    {"City", "City", 4, false, false},
    {"Home Phone", "Phone1", 4, false, false, WidestPhone},
    {"Email", "Email", 5, false, false},
    {"Membership", "Membership", 3, false, false},
}};
constexpr int LastNameColumn = 1, FirstNameColumn = 2;
} // namespace

frmFindMember::frmFindMember(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmFindMember"));
    setWindowTitle(appTitle() + QStringLiteral(" - Find Member"));
    auto *layout = new QVBoxLayout(this);
    std::tie(finder, lvMember) =
        addFindableList(this, layout, FindListColumns, QStringLiteral("Members found"),
                        QStringLiteral(" Enter or double-click opens the member for editing "));
    lvMember->installEventFilter(this);

    connect(finder, &MemberFinder::picked, this,
            [this] { skipOnFailure([this] { chooseSelected(); }); });
    connect(lvMember, &QAbstractItemView::doubleClicked, this,
            [this] { skipOnFailure([this] { chooseSelected(); }); });
    connect(lvMember, &MemberList::headerClicked, this,
            [this](int column) { sortByColumn(*lvMember, column); });
    skipOnFailure([] { NewClub(); });
    FillMemberList();
}

void frmFindMember::FillMemberList() {
    fillFromRoll(*lvMember);
    // Ties in the last name fall back on the first.
    skipOnFailure([this] {
        lvMember->rows()->sortByText(FirstNameColumn, Qt::AscendingOrder);
        lvMember->rows()->sortByText(LastNameColumn, Qt::AscendingOrder);
    });
}

QSize frmFindMember::sizeHint() const {
    const QSize list = lvMember->sizeHint();
    return {list.width() + 24, fontMetrics().height() * 30};
}

void frmFindMember::chooseSelected() {
    const QString id = lvMember->selectedRow().value(0);
    if (!id.isEmpty())
        Q_EMIT memberChosen(id);
}

bool frmFindMember::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lvMember && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            skipOnFailure([this] { chooseSelected(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
