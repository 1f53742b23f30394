#pragma once

// Dues payments as the library stores them and the program shows them (tblPayments).
#include <QDate>
#include <QString>
#include <array>

// The ways money is received, as stored and as the payment form lists them.
inline constexpr std::array<const char *, 5> PaymentMethods{"cash", "cheque", "transfer", "card",
                                                            "other"};
// An opening balance: a paid-through date carried over from before the roll kept payments. It
// records no money received, so the totals keep it apart.
inline constexpr char OpeningMethod[] = "opening";

// One payment of dues. The period is inclusive: periodTo is the last day it covers, and the
// member's paid-through date is the latest periodTo of their payments.
struct DuesPayment {
    QString memberId;
    QDate receivedOn;
    double amount = 0;
    QDate periodFrom;
    QDate periodTo;
    QString method; // one of PaymentMethods
    QString reference{};
    QString note{};
};

// Dates as tblPayments stores them, so they sort and compare as text.
inline QString storedDate(const QDate &d) {
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// The names of the settings kept in the roll (tblSettings), so they travel with it.
namespace SettingName {
// The reminder letter's own words, between the greeting and the signature.
inline constexpr char ReminderText[] = "ReminderLetterText";
} // namespace SettingName
