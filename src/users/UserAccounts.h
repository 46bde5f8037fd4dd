#pragma once

#include <QString>

struct AppContext;

// What the user editor and the setup wizard hand to AddEditUser.
struct TUserInfo {
    QString loginName;
    QString realName;
    QString password;     // as typed; stored as its hash
    QString accountType;  // "Weekly", "Monthly", "Quarterly" or "Yearly"
    QString billDate;     // encoded for the account type
    qint32 restrictions = 0;
    qint32 userNumber = 0;  // the user edited; unused for a new user
    bool isEdit = false;    // false: a new user numbered NumberOfUsers + 1
    // Editing: the stored password stays (the editor cannot show a hashed
    // one, so empty password fields leave it alone).
    bool keepPassword = false;
};

// Writes a new or changed user record: a new user gets no alarms and no
// programs, one ISP "Default" for the dial-up name "Any" and today's
// creation date; then the bill date, names, account type, password (unless
// an edit keeps it) and restrictions, and the user count. All values commit
// together. Returns true (failures are exceptions).
bool AddEditUser(AppContext &ctx, const TUserInfo &info);
