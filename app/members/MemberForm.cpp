#include "MemberForm.h"
#include "ClubAccess.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "system/System.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"
#include "ui/TextLimit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace members {

namespace {
QString latin(const char *s) {
    return s ? QString::fromLatin1(s) : QString();
}

QString withoutMark(const char *caption) {
    QString s = latin(caption);
    if (s.startsWith(u'*'))
        s.remove(0, 1);
    return s;
}
} // namespace

NotesBox::NotesBox(int maxLength, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_max(maxLength) {
    // Tab walks on to the buttons, as in every other field.
    setTabChangesFocus(true);
}

int NotesBox::room() const {
    const QTextCursor c = textCursor();
    const int selected = c.selectionEnd() - c.selectionStart();
    return m_max - (int(toPlainText().size()) - selected);
}

void NotesBox::keyPressEvent(QKeyEvent *e) {
    const QString t = e->text();
    // Surrogates count too: a typed emoji must not slip past the limit.
    const bool inserts =
        !t.isEmpty() && !(e->modifiers() & Qt::ControlModifier)
        && (t.at(0).category() != QChar::Other_Control || t.at(0) == u'\r' || t.at(0) == u'\n');
    if (inserts && room() < int(t.size())) {
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void NotesBox::inputMethodEvent(QInputMethodEvent *e) {
    const int r = std::max(0, room());
    if (e->commitString().size() > r) {
        QInputMethodEvent cut(e->preeditString(), e->attributes());
        cut.setCommitString(leftWhole(e->commitString(), r), e->replacementStart(),
                            e->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
        return;
    }
    QPlainTextEdit::inputMethodEvent(e);
}

void NotesBox::insertFromMimeData(const QMimeData *source) {
    if (!source || !source->hasText())
        return;
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text = leftWhole(text, room());
    if (!text.isEmpty())
        textCursor().insertText(text);
}

std::optional<double> parseDues(const QString &text) {
    bool ok = false;
    const double amount = QLocale().toDouble(text, &ok);
    // "inf" and "nan" read as numbers but are no amount anybody owes.
    if (!ok || !std::isfinite(amount))
        return std::nullopt;
    return amount;
}

QString formatDues(double amount) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(amount, 'f', 2);
}

MemberForm::MemberForm(Kind kind, const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind) {
    m_main = new QVBoxLayout(this);
    lblTitle = formTitle(this, title, 1.4);
    m_main->addWidget(lblTitle);
    buildFields();
}

void MemberForm::buildFields() {
    // One grid holds both sides, so the buttons can stand on the e-mail box's own row; the
    // date, the notes and the picture fill the right side above them.
    m_grid = new QGridLayout;
    m_right = new QVBoxLayout;
    m_main->addLayout(m_grid);
    const int emailRow = MemberFields[fieldRow(FieldKind::Text, EmailBox)].gridRow;
    m_grid->addLayout(m_right, 0, RightColumn, emailRow, 1);

    const bool add = m_kind == Kind::Add;
    for (int c = 0; c < CaptionCount; ++c) {
        lblData[c] = new QLabel(this);
        lblData[c]->setObjectName(QStringLiteral("lblData_%1").arg(c));
    }
    lblNotes = new QLabel(this);
    lblNotes->setObjectName(QStringLiteral("lblNotes"));

    lblDate = new QLabel(this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setAlignment(Qt::AlignRight);
    m_right->addWidget(lblDate);

    for (int r = 0; r < int(MemberFields.size()); ++r) {
        const MemberField &f = MemberFields[r];
        QWidget *w = nullptr;
        switch (f.kind) {
        case FieldKind::Text: {
            auto *box = new QLineEdit(this);
            box->setObjectName(QStringLiteral("txtBox_%1").arg(f.index));
            box->setMaxLength(f.maxLength);
            guardOneLineBox(box);
            if (f.index == DuesBox)
                box->setAlignment(Qt::AlignRight);
            // A stored value longer than the box allows was let in whole; once the user
            // shortens it the usual limit holds again.
            connect(box, &QLineEdit::textEdited, box, [box, max = f.maxLength](const QString &t) {
                if (box->maxLength() > max && t.size() <= max)
                    box->setMaxLength(max);
            });
            txtBox[f.index] = box;
            w = box;
            break;
        }
        case FieldKind::List: {
            auto *list = new QComboBox(this);
            list->setObjectName(QStringLiteral("cboBox_%1").arg(f.index));
            list->setEditable(false);
            for (const char *item : f.items)
                list->addItem(latin(item));
            list->setCurrentIndex(-1);
            list->setAccessibleName(withoutMark(f.captionText));
            cboBox[f.index] = list;
            w = list;
            break;
        }
        case FieldKind::Notes:
            rtBox = new NotesBox(f.maxLength, this);
            rtBox->setObjectName(QStringLiteral("rtBox"));
            rtBox->setAccessibleName(withoutMark(f.captionText));
            w = rtBox;
            break;
        }
        const char *tip = add ? f.tipAdd : f.tipEdit;
        if (tip)
            w->setToolTip(latin(tip));

        QLabel *caption = captionOf(r);
        caption->setText(latin(f.captionText));
        caption->setBuddy(w);
        if (const char *ctip = add ? f.captionTipAdd : f.captionTipEdit)
            caption->setToolTip(latin(ctip));
        highlight(r, false);

        m_rows.insert(w, r);
        w->installEventFilter(this);

        if (f.kind == FieldKind::Notes) {
            m_right->addWidget(caption);
            m_right->addWidget(rtBox, 1);
        } else {
            m_grid->addWidget(caption, f.gridRow, f.gridColumn);
            // Short values get a short box, leaving room beside it (Paid, the edit form's ID).
            const bool narrow = f.kind == FieldKind::Text && f.maxLength <= 10;
            if (f.gridColumn == 0)
                m_grid->addWidget(w, f.gridRow, 1, 1, narrow ? 1 : 3);
            else
                m_grid->addWidget(w, f.gridRow, f.gridColumn + 1);
        }
    }
    m_grid->setColumnStretch(1, 3);
    m_grid->setColumnStretch(RightColumn, 2);
    m_grid->setRowStretch(emailRow + 1, 1);

    imgBox = new QLabel(this);
    imgBox->setObjectName(QStringLiteral("imgBox"));
    imgBox->setAlignment(Qt::AlignCenter);
    m_right->addWidget(imgBox);

    m_buttons = new QHBoxLayout;
    m_buttons->addStretch(1);
    auto button = [this](const QString &text, const QString &name, const QString &spoken) {
        QPushButton *b = formButton(this, text, name, spoken);
        m_buttons->addWidget(b);
        return b;
    };
    cmdSave = button(QStringLiteral("&Save"), QStringLiteral("cmdSave"), QStringLiteral("Save"));
    cmdClear =
        button(QStringLiteral("&Clear"), QStringLiteral("cmdClear"), QStringLiteral("Clear"));
    cmdExit = button(QStringLiteral("e&Xit"), QStringLiteral("cmdExit"), QStringLiteral("Exit"));
    m_grid->addLayout(m_buttons, emailRow, RightColumn);

    lblDate->setText(QLocale().toString(currentDateTime().date(), QLocale::LongFormat));
}

void MemberForm::setTabChain(QWidget *first) {
    QList<QWidget *> chain;
    if (first)
        chain << first;
    const bool edit = m_kind == Kind::Edit;
    for (int r = 0; r < int(MemberFields.size()); ++r)
        if (!(edit && MemberFields[r].lastOnEditTab))
            chain << fieldWidget(r);
    chain << cmdSave << cmdClear << cmdExit;
    for (int r = 0; edit && r < int(MemberFields.size()); ++r)
        if (MemberFields[r].lastOnEditTab)
            chain << fieldWidget(r);
    QWidget *previous = nullptr;
    for (QWidget *w : chain) {
        if (!w)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QLabel *MemberForm::captionOf(int row) const {
    const int c = MemberFields[row].caption;
    return c == NotesCaption ? lblNotes : lblData[c];
}

QWidget *MemberForm::fieldWidget(int row) const {
    const MemberField &f = MemberFields[row];
    switch (f.kind) {
    case FieldKind::Text:
        return txtBox[f.index];
    case FieldKind::List:
        return cboBox[f.index];
    case FieldKind::Notes:
        return rtBox;
    }
    return nullptr;
}

int MemberForm::rowOf(QObject *o) const {
    return m_rows.value(o, -1);
}

void MemberForm::highlight(int row, bool on) {
    QLabel *caption = captionOf(row);
    QFont font = caption->font();
    font.setBold(on);
    caption->setFont(font);
    // Black is set explicitly on leaving, whatever colour the caption had before.
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, on ? QColor(0, 0, 255) : QColor(0, 0, 0));
    caption->setPalette(palette);
}

bool MemberForm::eventFilter(QObject *watched, QEvent *event) {
    const int row = rowOf(watched);
    if (row < 0)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        highlight(row, true);
        break;
    case QEvent::FocusOut:
        // An open drop-down keeps the list's focus in all but name.
        if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            highlight(row, false);
        break;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int next = enterNext(row);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && next >= 0) {
            skipOnFailure([&] { fieldWidget(next)->setFocus(Qt::OtherFocusReason); });
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool MemberForm::ValidateMember() {
    for (const MemberCheck &c : MemberChecks) {
        const MemberField &f = MemberFields[c.field];
        bool failed = false;
        switch (c.check) {
        case Check::Empty:
            failed = txtBox[f.index]->text().isEmpty();
            break;
        case Check::NoChoice:
            failed = cboBox[f.index]->currentIndex() < 0;
            break;
        case Check::Separator:
            failed = cboBox[f.index]->currentText() == QLatin1String(CanadaSeparator);
            break;
        case Check::NotNumeric:
            failed = !parseDues(txtBox[f.index]->text());
            break;
        }
        if (!failed)
            continue;
        setPointer(Pointer::Default);
        QString prompt = latin(c.prompt);
        if (c.check == Check::Separator)
            prompt += LineBreak + latin(SeparatorSecondLine);
        MsgBox(prompt, Mb::OKOnly | (c.stopIcon ? Mb::Critical : Mb::Exclamation));
        if (c.check == Check::NotNumeric)
            txtBox[f.index]->clear();
        skipOnFailure([&] { fieldWidget(c.field)->setFocus(Qt::OtherFocusReason); });
        return false;
    }
    return true;
}

namespace {
// Appends "code - name" for every row of a lookup; a failing step is passed over.
void fillFromLookup(QComboBox *list, RecordsetPtr (_libClub::*lookup)(), bool separator) {
    skipOnFailure([] { rsClub = std::make_shared<Recordset>(); });
    skipOnFailure([&] { rsClub = (club().*lookup)(); });
    skipOnFailure([] { currentRecordset()->moveFirst(); });
    skipOnFailure([&] {
        const RecordsetPtr &rs = currentRecordset();
        while (!rs->eof()) {
            list->addItem(rs->field(QStringLiteral("State")).toString() + QStringLiteral(" - ")
                          + rs->field(QStringLiteral("StateFull")).toString());
            rs->moveNext();
        }
    });
    if (separator)
        skipOnFailure([&] { list->addItem(QString::fromLatin1(CanadaSeparator)); });
    CloseRecordset();
    list->setCurrentIndex(-1);
}
} // namespace

void MemberForm::FillStateList() {
    fillFromLookup(cboBox[StateList], &_libClub::LoadStates, true);
}

void MemberForm::FillProvinceList() {
    fillFromLookup(cboBox[StateList], &_libClub::LoadCanada, false);
}

void MemberForm::clearFields() {
    for (int i = 0; i < TextBoxCount; ++i) {
        txtBox[i]->clear();
        txtBox[i]->setMaxLength(MemberFields[fieldRow(FieldKind::Text, i)].maxLength);
    }
    for (QComboBox *list : cboBox)
        list->setCurrentIndex(-1);
    rtBox->clear();
}

QStringList MemberForm::memberTexts() const {
    const bool add = m_kind == Kind::Add;
    QStringList texts(add ? AddArraySize : UpdateArraySize);
    for (int r = 0; r < int(MemberFields.size()); ++r) {
        const MemberField &f = MemberFields[r];
        const int slot = add ? f.addSlot() : f.updateSlot();
        if (slot == NoSlot)
            continue;
        QString value;
        switch (f.kind) {
        case FieldKind::Text:
            value = txtBox[f.index]->text();
            break;
        case FieldKind::List:
            if (cboBox[f.index]->currentIndex() >= 0)
                value = cboBox[f.index]->currentText();
            break;
        case FieldKind::Notes:
            value = rtBox->toPlainText();
            break;
        }
        texts[slot] = f.lowerCase ? value.toLower() : value;
    }
    return texts;
}

double MemberForm::duesAmount() const {
    const QString text = txtBox[DuesBox]->text();
    return text.isEmpty() ? 0.0 : parseDues(text).value_or(0.0);
}

void MemberForm::setFieldText(int index, const QString &text) {
    QLineEdit *box = txtBox[index];
    const int max = MemberFields[fieldRow(FieldKind::Text, index)].maxLength;
    box->setMaxLength(std::max(max, int(text.size())));
    setStoredText(box, text);
    box->setCursorPosition(0);
}

void MemberForm::chooseItem(int index, const QString &text) {
    QComboBox *list = cboBox[index];
    // Another member's choice must never stay behind when the stored text matches no item.
    list->setCurrentIndex(list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void MemberForm::loadPicture(const QString &suffix) {
    // A missing picture leaves the box empty; the form opens all the same.
    skipOnFailure([&] {
        const QPixmap picture(appPath(suffix));
        if (!picture.isNull())
            imgBox->setPixmap(
                picture.scaled(QSize(220, 165), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    });
}

} // namespace members
