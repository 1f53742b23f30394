#pragma once

// The interface of the data-access component. The program compiles against this header
// only and obtains the object by class name at run time.

#include "club/RecordSlots.h"
#include "db/Connection.h"

#include <QObject>
#include <QStringList>
#include <QtPlugin>

// Slot order is part of the contract: new members go at the end.
class _libClub {
public:
    virtual ~_libClub() = default;

    virtual Connection *conDataBase() = 0;
    virtual QString strFunction() const = 0;
    virtual void setStrFunction(const QString &s) = 0;
    virtual QString strConnect() const = 0;
    virtual void setStrConnect(const QString &s) = 0;

    virtual bool AddClubDetails(const QStringList &strText) = 0;
    virtual bool UpdateClubDetails(const QStringList &strText) = 0;
    // Dues travel at double precision so the amount typed is the amount stored.
    virtual bool AddMember(const QStringList &strText, double sngMoney) = 0;
    virtual bool UpdateMember(const QStringList &strText, const QString &strID,
                              double sngMoney) = 0;
    virtual bool DeleteMember(const QString &strID) = 0;
    virtual RecordsetPtr GetNewMemberID() = 0;
    virtual RecordsetPtr GetNewClubID() = 0;
    virtual RecordsetPtr LoadStates() = 0;
    virtual RecordsetPtr LoadCanada() = 0;
    virtual RecordsetPtr LoadMembers() = 0;
    virtual RecordsetPtr LoadClub() = 0;
    virtual RecordsetPtr LoadEditClub() = 0;
    virtual RecordsetPtr RefreshMembers() = 0;
    virtual RecordsetPtr RefreshRegularMembers() = 0;
    virtual RecordsetPtr RefreshFamilyMembers() = 0;
    virtual RecordsetPtr RefreshClub() = 0;
    virtual RecordsetPtr RefreshJuniorMembers() = 0;
    virtual RecordsetPtr RefreshLifeMembers() = 0;
    virtual RecordsetPtr RefreshSportsMembers() = 0;
    virtual RecordsetPtr RefreshPoolMembers() = 0;
    virtual RecordsetPtr RefreshSeniorMembers() = 0;
    virtual QString Clean(const QString &strText) = 0;
};

#define libClub_iid "com.velliscar.quillmere._libClub/3.0"
Q_DECLARE_INTERFACE(_libClub, libClub_iid)

// The class name under which the component provides the object.
inline constexpr char libClubClassName[] = "libClub";
