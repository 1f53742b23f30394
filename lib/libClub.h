#pragma once

#include "club/libClub.h"
#include "component/Component.h"
#include "system/ErrorLog.h"

#include <functional>
#include <memory>

class libClub : public QObject, public _libClub {
    Q_OBJECT
    Q_INTERFACES(_libClub)

public:
    explicit libClub(const QString &libraryFolder);
    ~libClub() override;

    Connection *conDataBase() override { return m_conDataBase.get(); }
    QString strFunction() const override { return m_strFunction; }
    void setStrFunction(const QString &s) override { m_strFunction = s; }
    QString strConnect() const override { return m_strConnect; }
    void setStrConnect(const QString &s) override { m_strConnect = s; }

    bool AddClubDetails(const QStringList &strText) override;
    bool UpdateClubDetails(const QStringList &strText) override;
    bool AddMember(const QStringList &strText, double sngMoney) override;
    bool UpdateMember(const QStringList &strText, const QString &strID, double sngMoney) override;
    bool DeleteMember(const QString &strID) override;
    RecordsetPtr GetNewMemberID() override;
    RecordsetPtr GetNewClubID() override;
    RecordsetPtr LoadStates() override;
    RecordsetPtr LoadCanada() override;
    RecordsetPtr LoadMembers() override;
    RecordsetPtr LoadClub() override;
    RecordsetPtr LoadEditClub() override;
    RecordsetPtr RefreshMembers() override;
    RecordsetPtr RefreshRegularMembers() override;
    RecordsetPtr RefreshFamilyMembers() override;
    RecordsetPtr RefreshClub() override;
    RecordsetPtr RefreshJuniorMembers() override;
    RecordsetPtr RefreshLifeMembers() override;
    RecordsetPtr RefreshSportsMembers() override;
    RecordsetPtr RefreshPoolMembers() override;
    RecordsetPtr RefreshSeniorMembers() override;
    QString Clean(const QString &strText) override;

private:
    Connection &con();
    void discardLeftOpen();
    // The three ways an operation deals with a failure.
    bool changeReported(const std::function<QString()> &statement, const LogWriter *log,
                        const QString &function);
    RecordsetPtr queryReported(const QString &sql, const QString &function);
    RecordsetPtr queryQuiet(const QString &sql);
    RecordsetPtr queryPassedOn(const QString &sql);
    void reportFailure(const Failure &f, const LogWriter *log, const QString &function);

    std::unique_ptr<Connection> m_conDataBase;
    QString m_strFunction;
    QString m_strConnect;
};

class ClubComponent : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "club.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject *create(const QString &className, const QString &libraryFolder) override;
};
