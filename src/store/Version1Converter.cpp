#include "store/Version1Converter.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/DateTime.h"
#include "store/FloatText.h"
#include "store/GeneralRoutines.h"
#include "store/SessionDaySummary.h"
#include "store/SettingsRecord.h"

namespace {

const char *const DayTypeNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Public Holiday"};

void ReadVersion1Settings(AppContext &ctx)
{
    Store &store = ctx.store;
    Settings defaults;
    const QList<SettingField> fields = SettingFields(ctx.settings);
    const QList<SettingField> defaultFields = SettingFields(defaults);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const SettingField &field = fields[i];
        if (field.newInVersion2) {
            std::visit([&](auto *target) { *target = *std::get<decltype(target)>(defaultFields[i].target); },
                       field.target);
            continue;
        }
        // Version 1 kept the user count under "General" and everything else
        // under "properties" (where "AdminsettingsLockOut" is the same name
        // as "AdminSettingsLockOut", names being case-blind).
        const QString key = field.keyPath == QLatin1String("Users") ? QStringLiteral("General")
                                                                     : QStringLiteral("properties");
        if (int *const *value = std::get_if<int *>(&field.target)) {
            store.ReadStoreInteger(field.valueName, key, **value);
        } else if (bool *const *flag = std::get_if<bool *>(&field.target)) {
            store.ReadStoreBool(field.valueName, key, **flag);
        } else {
            StoreValue stored;
            if (store.readValue(Store::hivePathOf(key), field.valueName, stored))
                *std::get<QString *>(field.target) = store.ReadStoreString(field.valueName, key);
        }
    }
}

int ReadInteger(Store &store, const QString &name, const QString &key)
{
    int value = 0;
    store.ReadStoreInteger(name, key, value);
    return value;
}

void ConvertAlarms(Store &store, const QString &oldUser, const QString &newUser, int count)
{
    static const char *const integerNames[] = {"Use TimeZone", "Start Time", "End Time", "Days",
                                               "AlarmType", "HangUpPhone", "AllowanceTime"};
    static const char *const stringNames[] = {"AlarmWaveFile", "TotalCost", "CustomMessage"};
    for (int a = 1; a <= count; ++a) {
        const QString from = oldUser + QStringLiteral("\\Alarm%1").arg(a);
        const QString to = newUser + QStringLiteral("\\Alarms\\Alarm%1").arg(a);
        QList<int> integers;
        for (const char *name : integerNames)
            integers.append(ReadInteger(store, QLatin1String(name), from));
        QStringList strings;
        for (const char *name : stringNames)
            strings.append(store.ReadStoreString(QLatin1String(name), from));

        store.WriteStoreInteger(QStringLiteral("UseISP"), to, 0);
        for (int i = 0; i < int(std::size(integerNames)); ++i)
            store.WriteStoreInteger(QLatin1String(integerNames[i]), to, integers[i]);
        for (int i = 0; i < int(std::size(stringNames)); ++i)
            store.WriteStoreString(QLatin1String(stringNames[i]), to, strings[i]);
    }
}

void ConvertPrograms(Store &store, const QString &oldUser, const QString &newUser, int count)
{
    for (int p = 1; p <= count; ++p) {
        const QString from = oldUser + QStringLiteral("\\Programs%1").arg(p);
        const QString to = newUser + QStringLiteral("\\Programs\\Program%1").arg(p);
        bool autoClose = false;
        store.ReadStoreBool(QStringLiteral("AutoProgramClose"), from, autoClose);
        const QString fileName = store.ReadStoreString(QStringLiteral("Filename"), from);
        store.WriteStoreBool(QStringLiteral("AutoProgramClose"), to, autoClose);
        store.WriteStoreBool(QStringLiteral("Use TimeZone"), to, false);
        store.WriteStoreString(QStringLiteral("Filename"), to, fileName);
    }
}

void ConvertTariff(Store &store, const QString &oldUser, const QString &newUser)
{
    const QString isp = newUser + QStringLiteral("\\ISP1");
    for (const char *day : DayTypeNames) {
        const QString from = oldUser + QLatin1Char('\\') + QLatin1String(day);
        const QString to = isp + QStringLiteral("\\Timezones\\") + QLatin1String(day);
        const int bands = ReadInteger(store, QStringLiteral("NumberOfTimeZones"), from);
        store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), to, bands);
        store.WriteStoreString(QStringLiteral("ISPName"), isp, QStringLiteral("Default"));
        store.WriteStoreString(QStringLiteral("DialupName"), isp, QStringLiteral("Any"));
        for (int k = 1; k <= bands; ++k) {
            const QString band = QStringLiteral("\\TimeZone%1").arg(k);
            for (const char *name : {"Start Time", "End Time", "ConnectionFeeType"})
                store.WriteStoreInteger(QLatin1String(name), to + band,
                                        ReadInteger(store, QLatin1String(name), from + band));
            for (const char *name : {"Cost", "ConnectionFee"})
                store.WriteStoreString(QLatin1String(name), to + band,
                                       store.ReadStoreString(QLatin1String(name), from + band));
        }
    }
}

void ConvertHolidays(AppContext &ctx, const QString &oldUser, const QString &newUser)
{
    Store &store = ctx.store;
    const QString from = oldUser + QStringLiteral("\\Holidays");
    const QString to = newUser + QStringLiteral("\\ISP1\\Timezones\\Holidays");
    const int count = ReadInteger(store, QStringLiteral("NumberOfHolidays"), from);
    store.WriteStoreInteger(QStringLiteral("NumberOfHolidays"), to, count);
    for (int h = 1; h <= count; ++h) {
        const QString name = QStringLiteral("Holiday%1").arg(h);
        const DateTime date = ParseMonthNameDate(store.ReadStoreString(name, from), ctx.clock.currentYear());
        store.WriteStoreFloat(name, to, date);
    }
}

void ConvertSessions(AppContext &ctx, const QString &oldUser, int user, DateTime creationDate)
{
    Store &store = ctx.store;
    const int currentYear = ctx.clock.currentYear();
    const DateTime today = ctx.clock.today();
    for (DateTime day = DateOf(creationDate); day <= today; day += 1) {
        const QString from = oldUser + QStringLiteral("\\Session Info\\") + FormatShortDate(day);
        const int count = ReadInteger(store, QStringLiteral("NumberOfSessions"), from);
        if (count == 0)
            continue;
        const QString to = sessionvalues::dayKeyPath(user, day);
        // A date that does not convert stops the conversion with what was
        // written before it kept, as it always was; the day's totals are
        // summarised along with whatever of the day got written.
        SessionDaysChange change(store);
        change.dayChanged(user, day);
        try {
            store.WriteStoreInteger(QStringLiteral("NumberOfSessions"), to, count);
            for (int m = 1; m <= count; ++m) {
                const QString prefix = QStringLiteral("Session%1").arg(m);
                const auto read = [&](const char *field) { return store.ReadStoreString(prefix + QLatin1String(field), from); };
                const QString timeOnline = read("-Time Online");
                const QString endDate = read("-End Date");
                const QString startTime = read("-Start Time");
                const QString endTime = read("-End Time");
                const QString cost = read("-Cost");

                store.WriteStoreString(prefix + QStringLiteral("-Time Online"), to, timeOnline);
                store.WriteStoreFloat(prefix + QStringLiteral("-End Date"), to, ParseMonthNameDate(endDate, currentYear));
                store.WriteStoreFloat(prefix + QStringLiteral("-Start Time"), to, StrToTime(startTime));
                store.WriteStoreFloat(prefix + QStringLiteral("-End Time"), to, StrToTime(endTime));
                store.WriteStoreString(prefix + QStringLiteral("-Cost"), to, cost);
            }
        } catch (const ConvertError &) {
            change.commit();
            throw;
        }
        change.commit();
    }
}

void ConvertUser(AppContext &ctx, int n)
{
    Store &store = ctx.store;
    const int currentYear = ctx.clock.currentYear();
    const QString from = QStringLiteral("User%1").arg(n);
    const QString to = QStringLiteral("Users\\User%1").arg(n);

    const auto text = [&](const char *name) { return store.ReadStoreString(QLatin1String(name), from); };
    const QString loginName = text("Login Name");
    const QString realName = text("Real Name");
    const QString accountType = text("Account Type");
    const QString creationText = text("Creation Date");
    const QString password = text("Password");
    const QString presetName = text("CurrentTimezonePresetName");
    const QString billText = text("Bill Date");
    const int programs = ReadInteger(store, QStringLiteral("NumberOfPrograms"), from);
    const int alarms = ReadInteger(store, QStringLiteral("NumberOfAlarms"), from);
    const int restrictions = ReadInteger(store, QStringLiteral("Restrictions"), from);

    const DateTime creationDate = ParseMonthNameDate(creationText, currentYear);
    // Quarterly and yearly accounts kept a date; weekly and monthly ones a day number.
    const bool billIsDate = accountType == QLatin1String("QUARTERLY") || accountType == QLatin1String("YEARLY");
    const QString billDate = billIsDate ? FloatToStoreText(ParseMonthNameDate(billText, currentYear)) : billText;

    store.WriteStoreString(QStringLiteral("Login Name"), to, loginName);
    store.WriteStoreString(QStringLiteral("Real Name"), to, realName);
    store.WriteStoreString(QStringLiteral("Account Type"), to, accountType);
    store.WriteStoreFloat(QStringLiteral("Creation Date"), to, creationDate);
    store.WriteStoreString(QStringLiteral("Password"), to, password);
    store.WriteStoreString(QStringLiteral("Bill Date"), to, billDate);
    store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), to, 1);
    store.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), to, 1);
    store.WriteStoreInteger(QStringLiteral("NumberOfPrograms"), to, programs);
    store.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), to, alarms);
    store.WriteStoreInteger(QStringLiteral("Restrictions"), to, restrictions);
    store.WriteStoreString(QStringLiteral("CurrentTimezonePresetName"), to + QStringLiteral("\\ISP1"), presetName);

    ConvertAlarms(store, from, to, alarms);
    ConvertPrograms(store, from, to, programs);
    ConvertTariff(store, from, to);
    ConvertHolidays(ctx, from, to);
    ConvertSessions(ctx, from, n, creationDate);
}

} // namespace

void ConvertVersion1Database(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "ConvertVersion1Database");
    ReadVersion1Settings(ctx);
    WriteSettingsToDatabase(ctx);
    for (int n = 1; n <= ctx.settings.NumberOfUsers; ++n)
        ConvertUser(ctx, n);
}
