#include "tariff/DayTypes.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "store/FloatText.h"
#include "tariff/BandRecord.h"
#include "tariff/HolidayRecord.h"
#include "tariff/IspRecord.h"
#include "tariff/TariffKeys.h"
#include "users/UserRecord.h"

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

} // namespace

int CalculateCurrentDay(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CalculateCurrentDay");
    const DateTime today = ctx.clock.today();
    int day = IsoDayOfWeek(today);
    const QStringList holidays = ReadHolidayTexts(ctx.store, ctx.login.CurrentUser, ctx.tariff.CurrentTimeZoneISP);
    // Holidays are compared as texts, the way the store writes a whole day.
    if (!holidays.isEmpty() && holidays.contains(FloatToStoreText(today)))
        day = PublicHolidayDayType;
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
    const QList<BandRecord> bands = ReadDayTariff(ctx.store, ctx.login.CurrentUser, ctx.tariff.CurrentTimeZoneISP, day);
    const int now = currentMinute(ctx);
    for (int k = 1; k <= bands.size(); ++k) {
        if (minuteInBand(now, bands[k - 1].startTime, bands[k - 1].endTime))
            return k;
    }
    return -1;
}

bool CheckTimeZoneOverLap(AppContext &ctx, int newStart, int newEnd, int dayType)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CheckTimeZoneOverLap");
    const QList<BandRecord> bands =
        ReadDayTariff(ctx.store, ctx.login.CurrentUser, ctx.tariff.CurrentTimeZoneISP, dayType);
    // Out-of-range minutes would never meet the end of the walk.
    const int s = ((newStart % 1440) + 1440) % 1440;
    const int e = ((newEnd % 1440) + 1440) % 1440;
    for (const BandRecord &band : bands) {
        const int S = band.startTime;
        const int E = band.endTime;
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

QString NormaliseTimeField(const QString &text, int maximum)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return QString::asprintf("%.2d", ok ? qBound(0, value, maximum) : 0);
}

void SelectCurrentISP(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "SelectCurrentISP");
    if (!ctx.login.LoggedIn)
        return;
    const int user = ctx.login.CurrentUser;
    int current = 1;
    const int count = ReadUserRecord(ctx.store, user).numberOfISPs;
    const QString entry = ctx.connection.ConnectedEntryName.toUpper();
    for (int i = 1; i <= count; ++i) {
        if (ReadIspRecord(ctx.store, user, i).dialupName.toUpper() == entry) {
            current = i;
            break;
        }
    }
    ctx.tariff.CurrentTimeZoneISP = current;
    UserRecord chosen;
    chosen.currentTimeZoneISP = current;
    WriteUserRecord(ctx.store, user, chosen, UserCurrentTimeZoneISP);
}
