#pragma once

#include "core/DateTime.h"
#include "store/Store.h"

namespace testsupport {

// A database as version 1 of the program left it: the user count under
// "General", the settings under "properties", users at the root with their
// dates as text ("28-Dec-99") and sessions under "Session Info\<short date>".
// Two users: 1 monthly (Admin), 2 quarterly. The clock is meant to stand at
// 1 January 2000.
inline void seedVersion1(Store &s)
{
    const auto str = [&s](const char *key, const char *name, const QString &text) {
        s.WriteStoreString(QLatin1String(name), QLatin1String(key), text);
    };
    const auto num = [&s](const char *key, const char *name, int value) {
        s.WriteStoreInteger(QLatin1String(name), QLatin1String(key), value);
    };
    num("General", "NumberOfUsers", 2);
    num("General", "PreviousUser", 1);
    s.WriteStoreBool(QStringLiteral("DeletePrompt"), QStringLiteral("properties"), false);
    s.WriteStoreBool(QStringLiteral("AdminsettingsLockOut"), QStringLiteral("properties"), false);
    s.WriteStoreBool(QStringLiteral("LoadAtStartUp"), QStringLiteral("properties"), false);
    num("properties", "ModemCorrectionFactor", 25);
    num("properties", "TaskBarWindowX", 5);
    str("properties", "NTPClockServer", QStringLiteral("time.example.org"));
    str("properties", "ConnectionSound", QStringLiteral("/old/in.wav"));
    // Names that only version 2 knows are ignored even where version 1 has them.
    s.WriteStoreBool(QStringLiteral("PromptForReconnection"), QStringLiteral("properties"), false);
    num("properties", "SessionColumn3", 99);

    str("User1", "Login Name", QStringLiteral("Admin"));
    str("User1", "Real Name", QStringLiteral("Ann Admin"));
    str("User1", "Account Type", QStringLiteral("MONTHLY"));
    str("User1", "Creation Date", QStringLiteral("28-Dec-99"));
    str("User1", "Password", QStringLiteral("s3cr\u00e9t"));
    str("User1", "CurrentTimezonePresetName", QStringLiteral("Evening Saver"));
    str("User1", "Bill Date", QStringLiteral("15"));
    num("User1", "NumberOfPrograms", 1);
    num("User1", "NumberOfAlarms", 1);
    num("User1", "Restrictions", 64);

    num("User1\\Alarm1", "Use TimeZone", 1);
    num("User1\\Alarm1", "Start Time", 60);
    num("User1\\Alarm1", "End Time", 120);
    num("User1\\Alarm1", "Days", 31);
    num("User1\\Alarm1", "AlarmType", 2);
    num("User1\\Alarm1", "HangUpPhone", 1);
    num("User1\\Alarm1", "AllowanceTime", 30);
    str("User1\\Alarm1", "AlarmWaveFile", QStringLiteral("alarm.wav"));
    str("User1\\Alarm1", "TotalCost", QStringLiteral("1.5"));
    str("User1\\Alarm1", "CustomMessage", QStringLiteral("Stop now"));

    s.WriteStoreBool(QStringLiteral("AutoProgramClose"), QStringLiteral("User1\\Programs1"), true);
    str("User1\\Programs1", "Filename", QStringLiteral("/usr/bin/xterm"));

    num("User1\\Mon", "NumberOfTimeZones", 2);
    num("User1\\Mon\\TimeZone1", "Start Time", 0);
    num("User1\\Mon\\TimeZone1", "End Time", 480);
    num("User1\\Mon\\TimeZone1", "ConnectionFeeType", 1);
    str("User1\\Mon\\TimeZone1", "Cost", QStringLiteral("0.01"));
    str("User1\\Mon\\TimeZone1", "ConnectionFee", QStringLiteral("0.05"));
    num("User1\\Mon\\TimeZone2", "Start Time", 480);
    num("User1\\Mon\\TimeZone2", "End Time", 0);
    num("User1\\Mon\\TimeZone2", "ConnectionFeeType", 0);
    str("User1\\Mon\\TimeZone2", "Cost", QStringLiteral("0.04"));
    str("User1\\Mon\\TimeZone2", "ConnectionFee", QStringLiteral("0"));
    num("User1\\Public Holiday", "NumberOfTimeZones", 1);
    num("User1\\Public Holiday\\TimeZone1", "Start Time", 0);
    num("User1\\Public Holiday\\TimeZone1", "End Time", 0);
    str("User1\\Public Holiday\\TimeZone1", "Cost", QStringLiteral("0.005"));

    num("User1\\Holidays", "NumberOfHolidays", 2);
    str("User1\\Holidays", "Holiday1", QStringLiteral("25-Dec-99"));
    str("User1\\Holidays", "Holiday2", QStringLiteral("01/01/2000"));

    const auto sessionKey = [](int y, int m, int d) {
        return QStringLiteral("User1\\Session Info\\") + FormatShortDate(EncodeDate(y, m, d));
    };
    const auto session = [&](const QString &key, int n, const char *online, const char *endDate, const char *start,
                             const char *end, const char *cost) {
        const QString p = QStringLiteral("Session%1").arg(n);
        s.WriteStoreString(p + QStringLiteral("-Time Online"), key, QLatin1String(online));
        s.WriteStoreString(p + QStringLiteral("-End Date"), key, QLatin1String(endDate));
        s.WriteStoreString(p + QStringLiteral("-Start Time"), key, QLatin1String(start));
        s.WriteStoreString(p + QStringLiteral("-End Time"), key, QLatin1String(end));
        s.WriteStoreString(p + QStringLiteral("-Cost"), key, QLatin1String(cost));
    };
    // Before the creation date and after today: neither is converted.
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), sessionKey(1999, 12, 27), 1);
    session(sessionKey(1999, 12, 27), 1, "60", "27-Dec-99", "09:00:00", "09:01:00", "0.01");
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), sessionKey(2000, 1, 2), 1);
    session(sessionKey(2000, 1, 2), 1, "60", "02-Jan-00", "09:00:00", "09:01:00", "0.01");

    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), sessionKey(1999, 12, 28), 1);
    session(sessionKey(1999, 12, 28), 1, "3600", "28-Dec-99", "10:00:00", "11:00:00", "0.6");
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), sessionKey(1999, 12, 31), 2);
    session(sessionKey(1999, 12, 31), 1, "90", "31-Dec-99", "18:30:00", "18:31:30", "0.02");
    session(sessionKey(1999, 12, 31), 2, "1800", "01-Jan-00", "23:45:00", "00:15:00", "0.3");
    s.WriteStoreInteger(QStringLiteral("NumberOfSessions"), sessionKey(2000, 1, 1), 1);
    session(sessionKey(2000, 1, 1), 1, "5", "01-Jan-00", "08:00:00", "08:00:05", "0");

    str("User2", "Login Name", QStringLiteral("Bob"));
    str("User2", "Real Name", QStringLiteral("Bob Quarter"));
    str("User2", "Account Type", QStringLiteral("QUARTERLY"));
    str("User2", "Creation Date", QStringLiteral("31-Dec-99"));
    str("User2", "Password", QString());
    str("User2", "Bill Date", QStringLiteral("01-Oct-99"));
}

} // namespace testsupport
