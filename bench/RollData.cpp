#include "RollData.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

const char *const LastNames[] = {
    "Smith",    "Johnson",    "Williams", "Brown",        "Jones",      "Garcia",      "Miller",
    "Davis",    "Rodriguez",  "Martinez", "Hernández",    "López",      "Gonzalez",    "Wilson",
    "Anderson", "Thomas",     "Taylor",   "Moore",        "Jackson",    "Martin",      "Lee",
    "Pérez",    "Thompson",   "White",    "Harris",       "Sánchez",    "Clark",       "Ramírez",
    "Lewis",    "Robinson",   "Walker",   "Young",        "Allen",      "King",        "Wright",
    "Scott",    "Torres",     "Nguyen",   "Hill",         "Flores",     "Green",       "Adams",
    "Nelson",   "Baker",      "Hall",     "Rivera",       "Campbell",   "Mitchell",    "Carter",
    "Roberts",  "O'Neil",     "O'Brien",  "O'Connor",     "O'Sullivan", "D'Angelo",    "D'Amico",
    "McDonald", "MacLeod",    "Côté",     "Tremblay",     "Gagnon",     "Bouchard",    "Gauthier",
    "Lévesque", "Bélanger",   "Bergeron", "Leblanc",      "Pelletier",  "Müller",      "Schröder",
    "Nuñez",    "Peña",       "St. John", "Van der Berg", "De la Cruz", "Smith-Jones", "Kowalski",
    "Nowak",    "Wiśniewski", "Dvořák",   "Björk",        "Åström",     "Chen",        "Wang",
    "Kim",      "Park",       "Patel",    "Singh",        "Cohen",      "Rossi",       "Russo",
    "Ferrari",  "Esposito",   "Bianchi",  "Romano",       "Colombo",    "Ricci",       "Greco",
    "De Luca",  "Costa",      "Moretti",  "Fitzgerald",   "Ó Briain",   "N'Dour",
};

const char *const FirstNames[] = {
    "James",  "Mary",      "Robert",    "Patricia", "John",    "Jennifer", "Michael",
    "Linda",  "David",     "Elizabeth", "William",  "Barbara", "Richard",  "Susan",
    "Joseph", "Jessica",   "Thomas",    "Sarah",    "Charles", "Karen",    "Christopher",
    "Lisa",   "Daniel",    "Nancy",     "Matthew",  "Betty",   "Anthony",  "Margaret",
    "Mark",   "Sandra",    "José",      "María",    "Zoë",     "Chloé",    "Renée",
    "André",  "François",  "Amélie",    "Hélène",   "Jérôme",  "Noël",     "Björn",
    "Søren",  "Françoise", "Siobhán",   "Seán",     "D'Arcy",  "Jean-Luc", "Marie-Ève",
    "Ana",    "Lucía",     "Ramón",     "Jürgen",   "Inês",    "Léa",      "Émile",
    "Mateo",  "Sofía",     "Liam",      "Olivia",   "Noah",    "Emma",     "Aiden",
    "Ava",    "Ethan",     "Isabella",  "Mason",    "Mia",     "Lucas",    "Harper",
    "Grace",  "Henry",     "Chiara",    "Giuseppe", "Wei",     "Min-jun",  "Priya",
    "Arjun",  "Fatima",    "Omar",      "Yusuf",    "Ingrid",  "Åsa",      "Nikolaj",
};

const char *const Streets[] = {
    "Maple",
    "Oak",
    "Pine",
    "Cedar",
    "Elm",
    "Main",
    "Church",
    "Park",
    "Lakeview",
    "Hillcrest",
    "Washington",
    "Lincoln",
    "Sunset",
    "Highland",
    "Riverside",
    "Willow",
    "Birch",
    "Meadow",
    "King's",
    "Queen's",
    "O'Connell",
    "St. Patrick's",
    "Bay",
    "Harbour",
    "Rue Saint-Denis",
    "Chemin du Lac",
    "Côte-des-Neiges",
    "Boul. René-Lévesque",
    "Old Mill",
    "Fox Run",
    "Country Club",
    "Fairway",
    "Prospect",
    "Ridge",
};

const char *const StreetKinds[] = {"St.", "Ave.", "Rd.", "Blvd.", "Dr.", "Ln.", "Ct.", "Way"};

const char *const SecondLines[] = {"Apt 4B",
                                   "Apt 12",
                                   "Suite 210",
                                   "Unit 7",
                                   "P.O. Box 118",
                                   "Floor 3",
                                   "c/o Marsh & Daughters",
                                   "Bldg. C",
                                   "Apt 1203",
                                   "Rear entrance"};

// A few real towns per state or province; codes without an entry use the generic towns.
const char *const Towns[] = {
    "AL:Birmingham|Montgomery|Mobile",
    "AK:Anchorage|Juneau|Fairbanks",
    "AZ:Phoenix|Tucson|Flagstaff",
    "AR:Little Rock|Fayetteville",
    "CA:Los Angeles|San Diego|Sacramento|San José",
    "CO:Denver|Boulder|Colorado Springs",
    "CT:Hartford|New Haven|Stamford",
    "DE:Wilmington|Dover",
    "DC:Washington",
    "FL:Miami|Orlando|Tampa",
    "GA:Atlanta|Savannah",
    "HI:Honolulu|Hilo",
    "ID:Boise|Coeur d'Alene",
    "IL:Chicago|Springfield|Des Plaines",
    "IN:Indianapolis|Fort Wayne",
    "IA:Des Moines|Cedar Rapids",
    "KS:Wichita|Topeka",
    "KY:Louisville|Lexington",
    "LA:New Orleans|Baton Rouge",
    "ME:Portland|Bangor",
    "MD:Baltimore|Annapolis",
    "MA:Boston|Worcester|Martha's Vineyard",
    "MI:Detroit|Grand Rapids",
    "MN:Minneapolis|Saint Paul",
    "MS:Jackson|Biloxi",
    "MO:St. Louis|Kansas City",
    "MT:Billings|Missoula",
    "NE:Omaha|Lincoln",
    "NV:Las Vegas|Reno",
    "NH:Manchester|Concord",
    "NJ:Newark|Princeton",
    "NM:Albuquerque|Santa Fe|Española",
    "NY:New York|Buffalo|Rochester|Saratoga Springs",
    "NC:Charlotte|Raleigh",
    "ND:Fargo|Bismarck",
    "OH:Columbus|Cleveland|Cincinnati",
    "OK:Oklahoma City|Tulsa",
    "OR:Portland|Eugene",
    "PA:Philadelphia|Pittsburgh",
    "RI:Providence|Newport",
    "SC:Charleston|Columbia",
    "SD:Sioux Falls|Rapid City",
    "TN:Nashville|Memphis",
    "TX:Houston|Austin|Dallas|San Antonio",
    "UT:Salt Lake City|Provo",
    "VT:Burlington|Montpelier",
    "VA:Richmond|Norfolk",
    "WA:Seattle|Spokane",
    "WV:Charleston|Morgantown",
    "WI:Milwaukee|Madison",
    "WY:Cheyenne|Casper",
    "AS:Pago Pago",
    "GU:Hagåtña|Tamuning",
    "MP:Saipan",
    "PR:San Juan|Bayamón|Mayagüez",
    "VI:Charlotte Amalie|Christiansted",
    "AB:Calgary|Edmonton",
    "BC:Vancouver|Victoria",
    "MB:Winnipeg|Brandon",
    "NB:Moncton|Fredericton",
    "NL:St. John's|Corner Brook",
    "NS:Halifax|Sydney",
    "NT:Yellowknife",
    "NU:Iqaluit",
    "ON:Toronto|Ottawa|Kingston",
    "PE:Charlottetown",
    "QC:Montréal|Québec|Trois-Rivières|Saint-Jean-sur-Richelieu",
    "SK:Saskatoon|Regina",
    "YT:Whitehorse",
};

const char *const Notes[] = {
    "Prefers e-mail",
    "Won't be available in July",
    "Board member 2019–2021",
    "Pays by cheque",
    "Locker #214",
    "Handicap 12",
    "Café volunteer on Saturdays",
    "Spouse's name: Marie-Ève",
    "Moved from the family plan in 2022",
    "Do not call before 9 a.m.",
    "Guest of the Smiths' table at the gala",
    "Tournament committee\nJunior coach on Sundays",
    "Dues waived by the board (see minutes)",
    "Allergic to peanuts – kitchen informed",
};

const char *const Domains[] = {"example.com", "example.org", "mail.example.net", "club.example.ca",
                               "courriel.example.qc.ca"};

// Shares of a typical club: mostly regular and family members, few of the special types.
struct Share {
    int type; // index into membershipTypes()
    int percent;
};
const Share TypeShares[] = {{0, 40}, {1, 20}, {2, 5}, {3, 10}, {4, 7},
                            {5, 5},  {6, 5},  {7, 4}, {8, 2},  {9, 2}};
const Share PeriodShares[] = {{3, 45}, {0, 20}, {2, 15}, {1, 15}, {4, 5}};

// Yearly dues per membership type (lowest, highest), in whole dollars.
const int DuesRange[][2] = {{1200, 2500}, {2000, 5000}, {0, 0},      {400, 1200},  {100, 600},
                            {250, 800},   {1500, 4000}, {600, 1500}, {1000, 3000}, {0, 5000}};
const int PeriodsPerYear[] = {12, 2, 4, 1, 1};

template<typename T, std::size_t N>
const T &pick(SplitMix &r, const T (&items)[N]) {
    return items[r.below(int(N))];
}

int pickShare(SplitMix &r, const Share *shares, int n) {
    int roll = r.below(100);
    for (int i = 0; i < n; ++i) {
        if (roll < shares[i].percent)
            return shares[i].type;
        roll -= shares[i].percent;
    }
    return shares[n - 1].type;
}

QString digits(SplitMix &r, int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + r.below(10));
    return s;
}

QString phone(SplitMix &r) {
    return QStringLiteral("(%1) %2-%3")
        .arg(200 + r.below(800))
        .arg(200 + r.below(800))
        .arg(digits(r, 4));
}

// E-mail addresses carry no accents; an apostrophe is allowed and kept.
QString mailPart(const QString &name) {
    QString folded;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c.isLetterOrNumber() || c == u'\'')
            folded += c.toLower();
        else if (c == u'-')
            folded += u'-';
    }
    return folded;
}

QString town(SplitMix &r, const QString &code) {
    static const QMap<QString, QStringList> byCode = [] {
        QMap<QString, QStringList> m;
        for (const char *entry : Towns) {
            const QString e = QString::fromUtf8(entry);
            const qsizetype colon = e.indexOf(u':');
            m.insert(e.left(colon), e.mid(colon + 1).split(u'|'));
        }
        return m;
    }();
    const auto it = byCode.constFind(code);
    if (it == byCode.constEnd())
        return QStringLiteral("Springfield");
    return it->at(r.below(int(it->size())));
}

// The first letter of a Canadian postal code names the province.
QChar postalDistrict(SplitMix &r, const QString &province) {
    static const QMap<QString, QString> first = {
        {"NL", "A"},     {"NS", "B"}, {"PE", "C"}, {"NB", "E"}, {"QC", "GHJ"},
        {"ON", "KLMNP"}, {"MB", "R"}, {"SK", "S"}, {"AB", "T"}, {"BC", "V"},
        {"NT", "X"},     {"NU", "X"}, {"YT", "Y"}};
    const QString letters = first.value(province, QStringLiteral("K"));
    return letters.at(r.below(int(letters.size())));
}

QString postalCode(SplitMix &r, bool canadian, const QString &code) {
    if (canadian) {
        const QString letters = QStringLiteral("ABCEGHJKLMNPRSTVWXYZ");
        auto l = [&] {
            return letters.at(r.below(int(letters.size())));
        };
        return QString(postalDistrict(r, code)) + digits(r, 1) + l() + u' ' + digits(r, 1) + l()
               + digits(r, 1);
    }
    return r.chance(20) ? digits(r, 5) + u'-' + digits(r, 4) : digits(r, 5);
}

QString stamp(const QDateTime &t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

const QDateTime FirstAdd(QDate(2012, 1, 3), QTime(8, 0), Qt::UTC);
const QDateTime LastAdd(QDate(2026, 11, 30), QTime(20, 0), Qt::UTC);

} // namespace

std::uint64_t SplitMix::next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

const QStringList &RollGenerator::membershipTypes() {
    static const QStringList t = {QStringLiteral("Regular"), QStringLiteral("Family"),
                                  QStringLiteral("Life"),    QStringLiteral("Senior"),
                                  QStringLiteral("Junior"),  QStringLiteral("Pool"),
                                  QStringLiteral("Golf"),    QStringLiteral("Tennis"),
                                  QStringLiteral("Sports"),  QStringLiteral("Other")};
    return t;
}

const QStringList &RollGenerator::paymentPeriods() {
    static const QStringList p = {QStringLiteral("Monthly"), QStringLiteral("Semi Annual"),
                                  QStringLiteral("Quarterly"), QStringLiteral("Annual"),
                                  QStringLiteral("Other")};
    return p;
}

RollGenerator::RollGenerator(std::uint64_t seed, QList<StateItem> states)
    : m_seed(seed)
    , m_states(std::move(states)) {
    SplitMix r(m_seed);
    if (!m_states.isEmpty())
        m_homeState = r.below(int(m_states.size()));
}

ClubRecord RollGenerator::club() const {
    SplitMix r(m_seed ^ 0xC1B0C1B0ull);
    const char *const names[] = {"Harrow's Landing Golf & Country Club", "St. Mary's Lakeside Club",
                                 "Club de golf Côte-Saint-Luc", "The O'Hara Racquet & Swim Club",
                                 "Pine Ridge Country Club"};
    const QString name = QString::fromUtf8(pick(r, names));
    const StateItem home = m_states.value(m_homeState);
    const QString host = QStringLiteral("club%1.example").arg(r.below(900) + 100);
    return {{QStringLiteral("C-1"), name, QStringLiteral("1 Clubhouse Rd."), town(r, home.code),
             home.code.left(3), postalCode(r, home.canadian, home.code), phone(r), phone(r),
             phone(r), phone(r), phone(r), phone(r), QStringLiteral("www.") + host,
             QStringLiteral("office@") + host, QStringLiteral("2011-12-15 09:30:00")}};
}

void RollGenerator::planMembers(qint64 count) {
    m_count = count;
    m_forcedState.clear();
    m_forcedType.clear();
    m_forcedPeriod.clear();
    m_topDuesMember = 0;
    SplitMix r(m_seed ^ 0x9A77E2Dull);
    // Distinct members for every value of one column, drawn without replacement.
    auto spread = [&](QMap<qint64, int> &forced, int values) {
        const qint64 take = std::min<qint64>(values, count);
        std::vector<qint64> chosen;
        while (qint64(chosen.size()) < take) {
            const qint64 id = 1 + qint64(r.next() % std::uint64_t(count));
            if (std::find(chosen.begin(), chosen.end(), id) == chosen.end())
                chosen.push_back(id);
        }
        for (qint64 i = 0; i < take; ++i)
            forced.insert(chosen[std::size_t(i)], int(i));
    };
    if (count == 0)
        return;
    spread(m_forcedState, int(m_states.size()));
    spread(m_forcedType, int(membershipTypes().size()));
    spread(m_forcedPeriod, int(paymentPeriods().size()));
    m_topDuesMember = 1 + qint64(r.next() % std::uint64_t(count));
}

MemberRecord RollGenerator::member(qint64 id) const {
    SplitMix r(m_seed * 0x100000001B3ull + std::uint64_t(id));
    MemberRecord m;
    m.memberId = QStringLiteral("M-") + QString::number(id);
    m.lName = QString::fromUtf8(pick(r, LastNames));
    m.fName = QString::fromUtf8(pick(r, FirstNames));
    const int middle = r.below(100);
    if (middle < 35)
        m.mName = QString(QChar(u'A' + r.below(26))) + u'.';
    else if (middle < 60)
        m.mName = QString::fromUtf8(pick(r, FirstNames));
    else
        m.mName = QStringLiteral("");

    // Most members live near the club; the rest anywhere in the lists.
    int state = r.chance(60) ? m_homeState : r.below(int(m_states.size()));
    state = m_forcedState.value(id, state);
    const StateItem &s = m_states.at(state);
    m.state = s.item();
    m.address1 =
        QStringLiteral("%1 %2 %3")
            .arg(1 + r.below(9999))
            .arg(QString::fromUtf8(pick(r, Streets)), QString::fromUtf8(pick(r, StreetKinds)))
            .left(35);
    m.address2 = r.chance(25) ? QString::fromUtf8(pick(r, SecondLines)) : QStringLiteral("");
    m.city = town(r, s.code);
    m.zip = postalCode(r, s.canadian, s.code);
    m.phone1 = r.chance(95) ? phone(r) : QStringLiteral("");
    m.phone2 =
        r.chance(45)
            ? phone(r) + (r.chance(20) ? QStringLiteral(" x") + digits(r, 3) : QStringLiteral(""))
            : QStringLiteral("");
    m.phone3 = r.chance(60) ? QStringLiteral("%1-%2-%3")
                                  .arg(200 + r.below(800))
                                  .arg(200 + r.below(800))
                                  .arg(digits(r, 4))
                            : QStringLiteral("");

    const int type = m_forcedType.value(id, pickShare(r, TypeShares, 10));
    const int period = m_forcedPeriod.value(id, pickShare(r, PeriodShares, 5));
    m.membership = membershipTypes().at(type);
    m.duesPaid = paymentPeriods().at(period);
    const int low = DuesRange[type][0], high = DuesRange[type][1];
    // Yearly dues in steps of 25 dollars, billed per period to the cent.
    const int yearly = low + 25 * r.below((high - low) / 25 + 1);
    m.dues = std::round(yearly * 100.0 / PeriodsPerYear[period]) / 100.0;
    if (id == m_topDuesMember)
        m.dues = 5000.0;

    // Some members live with the one before them, mostly under one last name, as couples and
    // families do; drawn apart from the rest, so every other value stays as it was. A member
    // chosen to carry a state keeps it.
    if (SplitMix home(m_seed ^ (0x4F5E1D00ull + std::uint64_t(id)));
        id > 1 && home.chance(8) && !m_forcedState.contains(id)) {
        const MemberRecord before = member(id - 1);
        m.address1 = before.address1;
        m.address2 = before.address2;
        m.city = before.city;
        m.state = before.state;
        m.zip = before.zip;
        if (home.chance(80))
            m.lName = before.lName;
    }

    if (r.chance(75)) {
        QString local = mailPart(m.fName) + u'.' + mailPart(m.lName);
        if (r.chance(30))
            local += QString::number(r.below(100));
        QString mail = local + u'@' + QString::fromUtf8(pick(r, Domains));
        if (mail.size() > 45)
            mail = mailPart(m.fName).left(1) + mailPart(m.lName) + QStringLiteral("@example.com");
        m.email = mail.left(45);
    } else {
        m.email = QStringLiteral("");
    }
    m.notes = r.chance(30) ? QString::fromUtf8(pick(r, Notes)) : QStringLiteral("");

    // Members join in the order of their ID, spread over the club's years.
    const qint64 span = FirstAdd.secsTo(LastAdd);
    const qint64 slot = m_count > 0 ? span / std::max<qint64>(m_count, 1) : span;
    const QDateTime added = FirstAdd.addSecs(
        (id - 1) * slot + qint64(r.next() % std::uint64_t(std::max<qint64>(slot, 1))));
    m.addDate = stamp(added);
    if (r.chance(20)) {
        const qint64 after = std::max<qint64>(added.secsTo(LastAdd), 1);
        m.modDate = stamp(added.addSecs(qint64(r.next() % std::uint64_t(after))));
    }
    return m;
}
