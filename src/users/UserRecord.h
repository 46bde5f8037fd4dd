#pragma once

#include "core/DateTime.h"

#include <QString>
#include <QtGlobal>

class Store;

// A user's own values, Users\User<u> (its ISPs, alarms, programs and
// sessions are records of their own below it).
struct UserRecord {
    int numberOfAlarms = 0;
    int numberOfPrograms = 0;
    int numberOfISPs = 0;
    int currentTimeZoneISP = 0;
    QString billDate;            // a weekday or day number, or a date as float text, by account type
    QString loginName;
    QString realName;
    QString accountType;         // "Weekly", "Monthly", ... read without regard to case
    DateTime creationDate = 0;
    QString password;            // its hash (an older database may hold it as typed)
    int restrictions = 0;        // RestrictionBit set
    DateTime endAccountDate = 0;

    bool operator==(const UserRecord &) const = default;
};

// Which values a write stores; in the order they are written.
enum UserValue : quint64 {
    UserNumberOfAlarms = 1 << 0,
    UserNumberOfPrograms = 1 << 1,
    UserNumberOfISPs = 1 << 2,
    UserCurrentTimeZoneISP = 1 << 3,
    UserBillDate = 1 << 4,
    UserLoginName = 1 << 5,
    UserRealName = 1 << 6,
    UserAccountType = 1 << 7,
    UserCreationDate = 1 << 8,
    UserPassword = 1 << 9,
    UserRestrictions = 1 << 10,
    UserEndAccountDate = 1 << 11,
    AllUserValues = (1 << 12) - 1,
};

QString UserKey(int user);

// Reads the record in one query over `record`: a missing number keeps the
// member as it was (so a caller can read over what it holds), a missing
// text reads as empty.
void ReadUserRecord(Store &store, int user, UserRecord &record);
UserRecord ReadUserRecord(Store &store, int user);

// The chosen values, as one transaction.
void WriteUserRecord(Store &store, int user, const UserRecord &record, quint64 which = AllUserValues);
