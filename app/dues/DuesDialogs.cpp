#include "DuesDialogs.h"
#include "DuesRoll.h"
#include "DuesReports.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "exchange/ExchangeParts.h"
#include "members/ClubAccess.h"
#include "report/ReportPreview.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> left,
                       std::initializer_list<QPushButton *> right) {
    auto *row = new QHBoxLayout;
    for (QPushButton *b : left)
        row->addWidget(b);
    row->addStretch(1);
    for (QPushButton *b : right)
        row->addWidget(b);
    return row;
}
} // namespace

frmMarkPaidThrough::frmMarkPaidThrough(int members, const QDate &suggested, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmMarkPaidThrough"));
    setWindowTitle(appTitle() + QStringLiteral(" - Mark as Paid Through"));
    lblExplain = new QLabel(
        QStringLiteral(
            "Each of these members gets an opening balance: the date their dues were paid "
            "through before Quillmere kept payments. It records no money received, so the "
            "treasurer's totals count it apart. Members already paid through this date or later "
            "are left as they are.")
            + QStringLiteral("\n\nSuggested: the last day of last month. Mark everyone paid "
                             "through it, then record the payments received since one by one."),
        this);
    lblExplain->setObjectName(QStringLiteral("lblExplain"));
    lblExplain->setWordWrap(true);
    dtpPaidThrough = new QDateEdit(suggested, this);
    dtpPaidThrough->setObjectName(QStringLiteral("dtpPaidThrough"));
    dtpPaidThrough->setDisplayFormat(dues::dateFormat());
    dtpPaidThrough->setCalendarPopup(true);
    cmdMark = formButton(this, QStringLiteral("&Mark"), QStringLiteral("cmdMark"));
    cmdMark->setDefault(true);
    cmdCancel = formButton(this, QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Mark ") + membersText(members)
                     + QStringLiteral(" as &paid through:"),
                 dtpPaidThrough);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblExplain);
    layout->addStretch(1);
    layout->addLayout(buttonRow({}, {cmdMark, cmdCancel}));
    setMinimumWidth(fontMetrics().averageCharWidth() * 70);
    exchange::setHelpTopic(this, QStringLiteral("first-use"));
    connect(cmdMark, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmReminderText::frmReminderText(QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmReminderText"));
    setWindowTitle(appTitle() + QStringLiteral(" - Reminder Letter Text"));
    auto *hint = new QLabel(
        QStringLiteral("The words of every reminder letter, between \"Dear ...,\" and the club's "
                       "name. {Amount} becomes the member's dues and {PaidThrough} the date they "
                       "are paid through. A blank line starts a new paragraph. The text is kept "
                       "in the roll, so it travels with it."),
        this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);
    txtText = new QPlainTextEdit(this);
    txtText->setObjectName(QStringLiteral("txtText"));
    txtText->setAccessibleName(QStringLiteral("Reminder letter text"));
    txtText->setTabChangesFocus(true);
    cmdDefault = formButton(this, QStringLiteral("&Default Text"), QStringLiteral("cmdDefault"));
    cmdDefault->setToolTip(QStringLiteral(" Puts back the text Quillmere starts with "));
    cmdSave = formButton(this, QStringLiteral("&Save"), QStringLiteral("cmdSave"));
    cmdCancel = formButton(this, QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(txtText, 1);
    layout->addLayout(buttonRow({cmdDefault}, {cmdSave, cmdCancel}));
    resize(fontMetrics().averageCharWidth() * 80, fontMetrics().height() * 24);
    exchange::setHelpTopic(this, QStringLiteral("letters"));

    QString text;
    try {
        text = club2().Setting(QString::fromLatin1(SettingName::ReminderText));
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(members::failureText(
                   QStringLiteral("The saved letter text could not be read; the default is shown."),
                   f),
               Mb::OKOnly | Mb::Exclamation);
    }
    txtText->setPlainText(dues::reminderText(text));

    connect(cmdDefault, &QPushButton::clicked, this,
            [this] { txtText->setPlainText(dues::defaultReminderText()); });
    connect(cmdSave, &QPushButton::clicked, this, [this] {
        guarded([this] {
            if (save())
                accept();
        });
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmReminderText::save() {
    QString text = txtText->toPlainText().trimmed();
    // The default is kept as no text of the roll's own, so the letters follow it.
    if (text == dues::defaultReminderText().trimmed())
        text.clear();
    try {
        setPointer(Pointer::Busy);
        const bool saved =
            club2().SaveSetting(QString::fromLatin1(SettingName::ReminderText), text);
        setPointer(Pointer::Default);
        if (!saved)
            throw Failure(ErrNo::Unexpected, QStringLiteral("The roll did not take the text."));
        return true;
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        MsgBox(members::failureText(QStringLiteral("The letter text was NOT saved."), f),
               Mb::OKOnly | Mb::Critical);
        return false;
    }
}

rptDues::rptDues(const QString &name, const QString &caption, std::shared_ptr<Report> report,
                 QWidget *parent)
    : QWidget(parent)
    , m_preview(new ReportPreview(std::move(report))) {
    setObjectName(name);
    setWindowTitle(caption);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_preview);
    resize(1000, 700);
}

QSize rptDues::sizeHint() const {
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (auto *area = qobject_cast<QMdiArea *>(w))
            return (area->viewport()->size() * 0.8).expandedTo(QSize(600, 400));
    return QSize(1000, 700);
}
