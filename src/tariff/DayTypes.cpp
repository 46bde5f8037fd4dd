#include "tariff/DayTypes.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "store/FloatText.h"
#include "tariff/TariffKeys.h"

QString TariffKeys::dayTypeName(int dayType)
{
    static const char *const names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Public Holiday"};
    if (dayType < 1 || dayType > 8)
        return QString();
    return QLatin1String(names[dayType - 1]);
}

namespace {

int currentMinute(const AppContext &ctx)
{
    const QTime time = ctx.clock.now().time();
    return time.hour() * 60 + time.minute();
}

bool minuteInBand(int now, int start, int end)
{
    if (start < end)
        return start <= now && now <= end;
    return now >= start || now <= end;
}

int readInteger(AppContext &ctx, const char *name, const QString &key)
{
    int value = 0;
    ctx.store.ReadStoreInteger(QLatin1String(name), key, value);
    return value;
}

} // namespace

int CalculateCurrentDay(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CalculateCurrentDay");
    const DateTime today = ctx.clock.today();
    int day = IsoDayOfWeek(today);
    const QString key = TariffKeys::holidays(ctx.login.CurrentUser, ctx.tariff.CurrentTimeZoneISP);
    const int count = readInteger(ctx, "NumberOfHolidays", key);
    if (count <= 0)
        return day;
    // Holidays are compared as texts, the way the store writes a whole day.
    const QString todayText = FloatToStoreText(today);
    for (int h = 1; h <= count; ++h) {
        if (ctx.store.ReadStoreString(QStringLiteral("Holiday%1").arg(h), key) == todayText)
            day = PublicHolidayDayType;
    }
    return day;
}

bool CheckIfInTimeZone(AppContext &ctx, int startMinute, int endMinute)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CheckIfInTimeZone");
    return minuteInBand(currentMinute(ctx), startMinute, endMinute);
}

int DetermineCurrentTimeZone(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "DetermineCurrentTimeZone");
    const int day = CalculateCurrentDay(ctx);
    ctx.tariff.CurrentDayType = day;
    const int user = ctx.login.CurrentUser;
    const int isp = ctx.tariff.CurrentTimeZoneISP;
    const int count = readInteger(ctx, "NumberOfTimeZones", TariffKeys::dayType(user, isp, day));
    const int now = currentMinute(ctx);
    for (int k = 1; k <= count; ++k) {
        const QString key = TariffKeys::band(user, isp, day, k);
        const int start = readInteger(ctx, "Start Time", key);
        const int end = readInteger(ctx, "End Time", key);
        if (minuteInBand(now, start, end))
            return k;
    }
    return -1;
}

bool CheckTimeZoneOverLap(AppContext &ctx, int newStart, int newEnd, int dayType)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CheckTimeZoneOverLap");
    const int user = ctx.login.CurrentUser;
    const int isp = ctx.tariff.CurrentTimeZoneISP;
    const int count = readInteger(ctx, "NumberOfTimeZones", TariffKeys::dayType(user, isp, dayType));
    // Out-of-range minutes would never meet the end of the walk.
    const int s = ((newStart % 1440) + 1440) % 1440;
    const int e = ((newEnd % 1440) + 1440) % 1440;
    for (int k = 1; k <= count; ++k) {
        const QString key = TariffKeys::band(user, isp, dayType, k);
        const int S = readInteger(ctx, "Start Time", key);
        const int E = readInteger(ctx, "End Time", key);
        int m = s;
        do {
            const bool hit = E > S ? (S < m && m < E) : (m > S || m < E);
            if (hit)
                return true;
            m = m == 1439 ? 0 : m + 1;
        } while (m != e);
    }
    return false;
}

QString DecodeHoursMinutesString(int minutes)
{
    const int hours = minutes / 60;
    const int rest = minutes - hours * 60;
    return QString::asprintf("%.2d:%.2d", hours, rest);
}

void SelectCurrentISP(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "SelectCurrentISP");
    if (!ctx.login.LoggedIn)
        return;
    const int user = ctx.login.CurrentUser;
    int current = 1;
    const int count = readInteger(ctx, "NumberOfISPs", TariffKeys::user(user));
    const QString entry = ctx.connection.ConnectedEntryName.toUpper();
    for (int i = 1; i <= count; ++i) {
        if (ctx.store.ReadStoreString(QStringLiteral("DialupName"), TariffKeys::isp(user, i)).toUpper() == entry) {
            current = i;
            break;
        }
    }
    ctx.tariff.CurrentTimeZoneISP = current;
    ctx.store.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), TariffKeys::user(user), current);
}
