#include "MemberFinder.h"
#include "MemberList.h"
#include "core/Failure.h"
#include "help/HelpWindow.h"
#include "ui/TextLimit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

namespace members {

MemberFinder::MemberFinder(MemberList *list, QWidget *parent)
    : QWidget(parent)
    , m_list(list) {
    setObjectName(QStringLiteral("MemberFinder"));
    auto *caption = new QLabel(QStringLiteral("&Find:"), this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setAccessibleName(QStringLiteral("Find member"));
    txtFind->setPlaceholderText(
        QStringLiteral("Name, ID, city, postal code, phone, e-mail or notes"));
    txtFind->setClearButtonEnabled(true);
    txtFind->setMaxLength(100);
    guardOneLineBox(txtFind);
    // F1 here opens the help at its part on finding.
    txtFind->setProperty(HelpTopicProperty, QStringLiteral("find"));
    caption->setBuddy(txtFind);
    lblFound = new QLabel(this);
    lblFound->setObjectName(QStringLiteral("lblFound"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(caption);
    row->addWidget(txtFind, 1);
    row->addWidget(lblFound);
    txtFind->installEventFilter(this);

    connect(txtFind, &QLineEdit::textChanged, this,
            [this](const QString &typed) { skipOnFailure([&] { m_list->find(typed); }); });
    connect(m_list, &MemberList::countChanged, this, &MemberFinder::updateCount);
    updateCount();
}

QString MemberFinder::countText(int shown, int total, bool finding) {
    const QLocale locale;
    const QString members = total == 1 ? QStringLiteral(" member") : QStringLiteral(" members");
    if (!finding)
        return locale.toString(total) + members;
    return locale.toString(shown) + QStringLiteral(" of ") + locale.toString(total) + members;
}

void MemberFinder::updateCount() {
    const MemberListModel *rows = m_list->rows();
    lblFound->setText(
        countText(rows->rowCount(), rows->totalCount(), !MemberQuery(txtFind->text()).isEmpty()));
}

void MemberFinder::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        txtFind->setFocus(Qt::OtherFocusReason);
    }
}

void MemberFinder::enterList() {
    if (m_list->rows()->rowCount() == 0)
        return;
    m_list->setFocus(Qt::TabFocusReason);
    if (!m_list->currentIndex().isValid() || m_list->selectionModel()->selectedRows().isEmpty())
        m_list->setCurrentIndex(m_list->rows()->index(0, 0));
}

bool MemberFinder::eventFilter(QObject *watched, QEvent *event) {
    if (watched != txtFind || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Escape:
        if (txtFind->text().isEmpty())
            return false;
        txtFind->clear();
        return true;
    case Qt::Key_Down:
        skipOnFailure([this] { enterList(); });
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter never reaches a button from here: with one member found it picks that one.
        skipOnFailure([this] {
            if (m_list->rows()->rowCount() == 1
                && m_list->pick(m_list->rows()->rowTexts(0).value(0)))
                Q_EMIT picked();
        });
        return true;
    default:
        return false;
    }
}

FindableList addFindableList(QWidget *form, QBoxLayout *layout, std::span<const ListColumn> columns,
                             const QString &spoken, const QString &tip) {
    auto *list = new MemberList(columns, form);
    list->setObjectName(QStringLiteral("lvMember"));
    list->setAccessibleName(spoken);
    list->setToolTip(tip);
    auto *finder = new MemberFinder(list, form);
    layout->addWidget(finder);
    layout->addWidget(list, 1);
    QWidget::setTabOrder(finder->txtFind, list);
    return {finder, list};
}

} // namespace members
