#pragma once

#include "MemberFields.h"

#include <QHash>
#include <QPlainTextEdit>
#include <QWidget>
#include <array>
#include <optional>

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace members {

// The notes box: plain text with a hard limit, whether typed, pasted or dropped. Text put in
// by the program (a stored member's notes) is taken whole, so loading never loses any.
class NotesBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit NotesBox(int maxLength, QWidget *parent = nullptr);
    int maxLength() const { return m_max; }

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int room() const;
    int m_max;
};

// A dues text read under the user's locale (thousands separators allowed); nothing when it is
// not an amount.
std::optional<double> parseDues(const QString &text);
// An amount as the member lists and the dues box show it: grouped thousands, two decimals.
QString formatDues(double amount);

// What the entry and the edit form share: the member fields built from the field table, their
// caption highlight and Enter walk, the state list and the checks made before saving.
class MemberForm : public QWidget {
    Q_OBJECT

public:
    enum class Kind { Add, Edit };

    std::array<QLabel *, CaptionCount> lblData{};
    std::array<QLineEdit *, TextBoxCount> txtBox{};
    std::array<QComboBox *, ListCount> cboBox{};
    NotesBox *rtBox = nullptr;
    QLabel *lblNotes = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblDate = nullptr;
    QLabel *imgBox = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdExit = nullptr;

    // The checks made before saving, in their fixed order; false after telling the user.
    bool ValidateMember();
    void FillStateList();
    void FillProvinceList();

protected:
    MemberForm(Kind kind, const QString &title, QWidget *parent);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Empties every field and clears every list's choice.
    void clearFields();
    // Builds the text array for AddMember or UpdateMember from the fields.
    QStringList memberTexts() const;
    // The dues amount as typed; 0 for an empty box.
    double duesAmount() const;
    // Puts a stored value into a text box; a value longer than the box allows is kept whole.
    void setFieldText(int index, const QString &text);
    // Chooses the item equal to the text; no item when none matches.
    void chooseItem(int index, const QString &text);
    void loadPicture(const QString &suffix);

    QWidget *fieldWidget(int row) const;
    QGridLayout *fieldGrid() const { return m_grid; }
    QVBoxLayout *rightColumn() const { return m_right; }
    QVBoxLayout *mainLayout() const { return m_main; }
    QHBoxLayout *buttonRow() const { return m_buttons; }
    // The tab chain, fields and buttons placed as the table says; `first` leads it.
    void setTabChain(QWidget *first);

private:
    void buildFields();
    void highlight(int row, bool on);
    QLabel *captionOf(int row) const;
    int rowOf(QObject *o) const;

    Kind m_kind;
    QHash<QObject *, int> m_rows; // field widget -> row of MemberFields
    QVBoxLayout *m_main = nullptr;
    QGridLayout *m_grid = nullptr;
    QVBoxLayout *m_right = nullptr;
    QHBoxLayout *m_buttons = nullptr;
};

} // namespace members
