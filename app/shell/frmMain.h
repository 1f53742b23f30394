#pragma once

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <functional>

class QMdiArea;
class frmAddMem;
class frmEditMem;
class frmDeleteMem;
class frmFindMember;
class frmMemberHistory;
class frmDeletedMembers;
class frmRestore;
class frmEditClubData;
class frmImportMembers;
class frmRecordPayment;
class frmDues;
class frmMailingLabels;
enum class Roster;

// The page "Check For Update" opens in the browser.
inline constexpr char UpdatePage[] = "https://velliscar.example/quillmere/updates";

// What a menu item does; the menu table pairs each item with one of these.
enum class MenuCommand {
    None,
    AddNewMember,
    Exit,
    EditMember,
    EditClubDetails,
    DeleteMember,
    Report,
    FindMember,
    MemberHistory,
    RecentlyDeleted,
    BackUpNow,
    RestoreFromBackup,
    ImportMembers,
    UndoLastImport,
    ExportMembers,
    CopyEmailAddresses,
    RecordDuesPayment,
    DuesAndRenewals,
    MailingLabels,
    Cascade,
    TileVertically,
    TileHorizontally,
    ArrangeIcons,
    UserHelp,
    CheckForUpdate,
    About,
};

// The platform's arrangement codes of the child windows.
namespace ArrangeCode {
constexpr int Cascade = 0, TileHorizontal = 1, TileVertical = 2, ArrangeIcons = 3;
}

// The one top-level window: a multiple-document area holding the child forms.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // Creates the window hidden and runs its load. Later calls return the same window.
    static frmMain *load();
    static frmMain *instance();
    QMdiArea *mdiArea() const { return m_mdi; }
    // The background picture of the client area; null when it could not be loaded.
    QPixmap backgroundPicture() const;

    // Shows a child form (single instance per form type): creates it on first use (then
    // hands it to setUp, to be wired), raises it when already open, then cascades the child
    // windows.
    template<typename Form>
    Form *showChild(QPointer<Form> &slot, const std::function<void(Form *)> &setUp = {}) {
        if (!slot) {
            slot = new Form;
            addChild(slot);
            if (setUp)
                setUp(slot);
        }
        raiseChild(slot);
        return slot;
    }

    // Arranges the child windows by the platform's code (ArrangeCode).
    void Arrange(int code);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    frmMain();
    void Form_Load();
    void buildMenus();
    void run(MenuCommand command, Roster roster);
    void openMemberList(bool forEditing);
    // Opens the find window, or fills the open one afresh; a member chosen there opens in
    // "Edit Member".
    void openFindMember();
    // "Recently Deleted"; its "Member History..." opens the history window on that member.
    void openRecentlyDeleted();
    // "Record Dues Payment..."; a member given (from "Dues and Renewals") is chosen in it.
    void openRecordPayment(const QString &memberId = QString());
    // "Dues and Renewals..."; its "Record Payment..." opens the record window on that member.
    void openDues();
    // The titles of the child windows open now, but one.
    QStringList otherChildTitles(const QWidget *except) const;
    void checkForUpdate();
    // The client area the window opens with where the screen has room for it: the largest
    // child form, member editing, with room to cascade the others.
    QSize preferredClientSize() const;
    void cascade();
    void tile(bool sideBySide);
    void arrangeIcons();
    void addChild(QWidget *form);
    void raiseChild(QWidget *form);
    // Grows the window until its client area holds a size, within the screen's available
    // area; where the screen is too small, the window takes all of it.
    void fitClientArea(QSize client);

    QMdiArea *m_mdi;
    QPointer<frmAddMem> m_addMem;
    QPointer<frmEditMem> m_editMem;
    QPointer<frmDeleteMem> m_deleteMem;
    QPointer<frmFindMember> m_findMem;
    QPointer<frmMemberHistory> m_history;
    QPointer<frmDeletedMembers> m_deleted;
    QPointer<frmRestore> m_restore;
    QPointer<frmEditClubData> m_editClub;
    QPointer<frmImportMembers> m_import;
    QPointer<frmRecordPayment> m_recordPayment;
    QPointer<frmDues> m_dues;
    QPointer<frmMailingLabels> m_labels;
};
