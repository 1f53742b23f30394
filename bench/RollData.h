#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>

struct StateItem {
    QString code;
    QString name;
    bool canadian = false;
    // As the member forms store it.
    QString item() const { return code + QStringLiteral(" - ") + name; }
};

struct MemberRecord {
    QString memberId, lName, fName, mName, address1, address2, city, state, zip;
    QString phone1, phone2, phone3;
    double dues = 0;
    QString membership, duesPaid, email, notes, addDate, modDate;
};

// tblMain's columns after ID, in table order.
struct ClubRecord {
    QStringList values;
};

// Small, fast and the same on every platform (the standard distributions are not).
class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed)
        : m_state(seed) {}
    std::uint64_t next();
    // 0 <= result < n
    int below(int n) { return int(next() % std::uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t m_state;
};

// Member k depends only on the seed and k, so any member can be made on its own.
class RollGenerator {
public:
    RollGenerator(std::uint64_t seed, QList<StateItem> states);

    ClubRecord club() const;
    // Picks which members carry the states, types and periods a random draw might miss.
    void planMembers(qint64 count);
    MemberRecord member(qint64 id) const;

    static const QStringList &membershipTypes();
    static const QStringList &paymentPeriods();

private:
    std::uint64_t m_seed;
    QList<StateItem> m_states;
    int m_homeState = 0;
    QMap<qint64, int> m_forcedState, m_forcedType, m_forcedPeriod;
    qint64 m_topDuesMember = 0;
    qint64 m_count = 0;
};
