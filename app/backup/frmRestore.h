#pragma once

#include "common/OpenWindows.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The window of "Restore From Backup...": the roll's backups and any file picked, each with
// what it holds, and the one chosen put in place of the roll by the library.
class frmRestore : public QWidget {
    Q_OBJECT

public:
    // The roll is replaced only when no other window is open (common/OpenWindows.h).
    explicit frmRestore(OpenWindows openWindows = {}, QWidget *parent = nullptr);
    void setOpenWindows(OpenWindows openWindows) { m_openWindows = std::move(openWindows); }

    enum Column { DateColumn, MembersColumn, ClubColumn, StateColumn, KindColumn, FileColumn };

    QLabel *lblHint = nullptr;
    QTreeWidget *lvBackups = nullptr;
    QPushButton *cmdOtherFile = nullptr;
    QPushButton *cmdRestore = nullptr;
    QPushButton *cmdClose = nullptr;

    // Lists the files picked and the automatic backups, each read afresh.
    void FillBackupList();
    // What "Other File..." does with the file picked: lists it (once) and selects it.
    void addFile(const QString &path);
    // The selected file, once checked and confirmed, replaces the roll.
    void Restore();
    QSize sizeHint() const override;

private:
    void addRow(const QString &path, const QString &kind);
    QString selectedPath() const;
    void selectionChanged();
    void pickFile();

    OpenWindows m_openWindows;
    QStringList m_picked; // newest first
};
