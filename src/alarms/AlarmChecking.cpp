#include "alarms/AlarmChecking.h"

#include "core/AppContext.h"
#include "session/DesktopNotices.h"
#include "platform/SoundPlayer.h"
#include "session/DialUp.h"
#include "session/SessionLifecycle.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "tariff/DayTypes.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

const QString NoSound = QStringLiteral("None");

int fireCounter(const AlarmState &state, int alarm)
{
    const qsizetype i = alarm - 1;
    return i < state.FireCounters.size() ? state.FireCounters[i] : 1;
}

void setFireCounter(AlarmState &state, int alarm, int value)
{
    const qsizetype i = alarm - 1;
    if (state.FireCounters.size() <= i)
        state.FireCounters.resize(i + 1, 1);
    state.FireCounters[i] = value;
}

// The line goes first, then the session, so the box never shows over a
// session that is still being priced. A line that refused to hang up is
// still online: its session goes on being counted (the user has been told
// why), rather than closed here and opened again by the next tick, where
// the alarm would fire and close it once more.
void hangUpAndClose(AppContext &ctx)
{
    if (HangUpAllConnections(ctx))
        CloseSession(ctx);
}

void playAlarmSound(AppContext &ctx, const QString &file)
{
    if (ctx.platform.sound)
        ctx.platform.sound->play(file);
}

// Monitoring goes on while the box waits; an alarm whose box is still up is
// not raised a second time by a tick that runs meanwhile.
void showAlarmBox(AppContext &ctx, const QString &text)
{
    NotifyAlarm(ctx, text);
    ctx.ui.showMessageFromTick(MessageKind::Information, text);
}

int wholeMinutes(qint64 seconds)
{
    return int(seconds / 60);
}

int minuteOfDay(const AppContext &ctx)
{
    const QTime t = ctx.clock.now().time();
    return t.hour() * 60 + t.minute();
}

bool isTimeAlarm(int type)
{
    return type == SessionTimeAlarm || type == CustomMessageAlarm || type == DailyTimeAlarm
           || type == AccountTimeAlarm;
}

bool isCostAlarm(int type)
{
    return type == SessionCostAlarm || type == AccountCostAlarm || type == DailyCostAlarm;
}

double alarmLimit(const AlarmRecord &r)
{
    if (isTimeAlarm(r.AlarmType))
        return r.AllowanceTime;
    if (isCostAlarm(r.AlarmType))
        return SafeStrToFloat(r.TotalCost);
    return r.DownloadLimit;
}

double watchedTotal(const AppContext &ctx, int type)
{
    const PricingState &p = ctx.pricing;
    switch (type) {
    case SessionTimeAlarm:
    case CustomMessageAlarm:
        return wholeMinutes(p.SecondsOnline);
    case SessionCostAlarm:
        return p.SessionCost;
    case AccountCostAlarm:
        return p.AccountCost;
    case DailyTimeAlarm:
        return wholeMinutes(p.DailySeconds);
    case DailyCostAlarm:
        return p.DailyCost;
    case AccountTimeAlarm:
        return wholeMinutes(p.AccountSeconds);
    case AccountDownloadAlarm:
        return double(p.AccountDownloaded);
    case DailyDownloadAlarm:
        return double(p.DailyDownloaded);
    default:
        return 0;
    }
}

// Costs are summed a little at a time, so a total that shows as the
// threshold can sit a rounding error below it (a penny a second comes to
// 2.99999999999998 after 300 seconds); such a total has reached it.
bool reached(double total, double threshold)
{
    return total >= threshold - 1e-9 * std::max(1.0, std::fabs(threshold));
}

// The highest whole multiple of a positive limit that the total has reached.
int multiplesReached(double total, double limit)
{
    constexpr double Most = 1e9;
    double m = std::floor(std::min(total / limit, Most));
    if (m < Most && reached(total, limit * (m + 1)))
        ++m;
    return int(std::max(m, 0.0));
}

QString money(double value)
{
    return QString::asprintf("%6.2f", value);
}

QString kilobytes(double bytes)
{
    return QString::number(qRound64(bytes / 1024.0));
}

void checkOnlineTimeQuickAlarm(AppContext &ctx)
{
    AlarmState &a = ctx.alarms;
    if (!a.OnlineTimeAlarmArmed || wholeMinutes(ctx.pricing.SecondsOnline) < a.OnlineTimeAlarmMinutes)
        return;
    a.OnlineTimeAlarmArmed = false;
    if (a.OnlineTimeAlarmHangUp)
        hangUpAndClose(ctx);
    ctx.ui.beep();
    showAlarmBox(ctx, QStringLiteral("You have been online for ") + DecodeHoursMinutesString(a.OnlineTimeAlarmMinutes));
}

void checkClockTimeQuickAlarm(AppContext &ctx)
{
    AlarmState &a = ctx.alarms;
    if (!a.ClockTimeAlarmArmed)
        return;
    if (a.ClockTimeAlarmDue.isValid() ? ctx.clock.now() < a.ClockTimeAlarmDue
                                      : minuteOfDay(ctx) < a.ClockTimeAlarmMinutes)
        return;
    a.ClockTimeAlarmArmed = false;
    if (a.ClockTimeAlarmHangUp)
        hangUpAndClose(ctx);
    ctx.ui.beep();
    showAlarmBox(ctx, QStringLiteral("Online alarm for ") + DecodeHoursMinutesString(a.ClockTimeAlarmMinutes));
}

bool alarmAppliesNow(AppContext &ctx, const AlarmRecord &r)
{
    if (r.UseISP == 1 && r.ISPIndex != ctx.tariff.CurrentTimeZoneISP)
        return false;
    if (r.UseTimeZone == 1) {
        if (!CheckIfInTimeZone(ctx, r.StartTime, r.EndTime))
            return false;
        const int dayBit = 1 << (IsoDayOfWeek(ctx.clock.today()) - 1);
        if ((r.Days & dayBit) == 0)
            return false;
    }
    return true;
}

} // namespace

const QStringList &AlarmTypeNames()
{
    static const QStringList names = {
        QStringLiteral("Session time limit"),
        QStringLiteral("Session cost limit"),
        QStringLiteral("Account cost limit"),
        QStringLiteral("Custom message time limit"),
        QStringLiteral("Daily time limit"),
        QStringLiteral("Daily cost limit"),
        QStringLiteral("Account time limit"),
        QStringLiteral("Account download limit"),
        QStringLiteral("Daily download limit"),
    };
    return names;
}

void ResetAlarmFireCounters(AppContext &ctx)
{
    ctx.alarms.FireCounters.clear();
}

void DisarmQuickAlarms(AppContext &ctx)
{
    ctx.alarms.OnlineTimeAlarmArmed = false;
    ctx.alarms.ClockTimeAlarmArmed = false;
    ctx.alarms.ClockTimeAlarmDue = QDateTime();
}

QString AlarmMessage(AppContext &ctx, const AlarmRecord &r, double threshold)
{
    const PricingState &p = ctx.pricing;
    const QString exceeded = QStringLiteral(". Limit exceeded!");
    const QString dailyExceeded = QStringLiteral(". Daily limit exceeded!");
    switch (r.AlarmType) {
    case SessionTimeAlarm:
        return QStringLiteral("You have been online for ") + DecodeHoursMinutesString(int(threshold)) + exceeded;
    case SessionCostAlarm:
        return QStringLiteral("You have spent ") + money(p.SessionCost) + exceeded;
    case AccountCostAlarm:
        return QStringLiteral("You have spent ") + money(p.AccountCost) + exceeded;
    case CustomMessageAlarm:
        return r.CustomMessage;
    case DailyTimeAlarm:
        return QStringLiteral("You have been online for ") + DecodeHoursMinutesString(int(threshold)) + dailyExceeded;
    case DailyCostAlarm:
        return QStringLiteral("You have spent ") + money(p.DailyCost) + dailyExceeded;
    case AccountTimeAlarm:
        return QStringLiteral("You have exceeded the online time limit for this account period. You have spent ")
               + DecodeHoursMinutesString(int(std::lround(double(p.AccountSeconds) / 60.0))) + QStringLiteral(" online.");
    case AccountDownloadAlarm:
        return QStringLiteral("You have exceeded the maximum download limit of ") + kilobytes(threshold)
               + QStringLiteral("K for this account period.");
    case DailyDownloadAlarm:
        return QStringLiteral("You have exceeded the maximum download limit of ") + kilobytes(threshold)
               + QStringLiteral("K for this day.");
    default:
        return QString();
    }
}

void CheckAlarms(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CheckAlarms");
    checkOnlineTimeQuickAlarm(ctx);
    checkClockTimeQuickAlarm(ctx);

    const int user = ctx.login.CurrentUser;
    QList<AlarmRecord> records;
    {
        // All records under one read lock, taken before any box can open:
        // a store transaction must not stay open while a box waits.
        Store::Transaction reading(ctx.store);
        const int count = ReadNumberOfAlarms(ctx, user);
        records.reserve(count);
        // One record for the whole pass: a value missing from an alarm keeps
        // the previous alarm's, except the ISP binding, which never carries over.
        AlarmRecord carried;
        for (int i = 1; i <= count; ++i) {
            carried.UseISP = 0;
            carried.ISPIndex = 0;
            ReadAlarmRecord(ctx, user, i, carried);
            records.append(carried);
        }
        reading.commit();
    }
    for (int i = 1; i <= records.size(); ++i) {
        const AlarmRecord &r = records[i - 1];
        if (!alarmAppliesNow(ctx, r))
            continue;
        const int multiple = fireCounter(ctx.alarms, i);
        const double limit = alarmLimit(r);
        // A limit of nothing is reached at once; repeating it would raise a
        // box on every tick, so it fires once per session.
        const bool repeats = r.RepeatAlarm == 1 && limit > 0;
        if (multiple != 1 && !repeats)
            continue;
        const double total = watchedTotal(ctx, r.AlarmType);
        if (!reached(total, limit * multiple))
            continue;
        // A repeating alarm whose total has passed several multiples since it
        // last fired (a day's time at the start of a session, a burst of
        // downloading) fires once, for the highest multiple reached. One box
        // per multiple would follow tick after tick, each opened over the last.
        const int fired = repeats ? std::max(multiple, multiplesReached(total, limit)) : multiple;
        const double threshold = limit * fired;
        setFireCounter(ctx.alarms, i, fired + 1);

        const QString message = AlarmMessage(ctx, r, threshold);
        if (message.isEmpty())
            continue;
        if (r.AlarmWaveFile != NoSound && !r.AlarmWaveFile.isEmpty())
            playAlarmSound(ctx, r.AlarmWaveFile);
        if (r.HangUpPhone == 1)
            hangUpAndClose(ctx);
        showAlarmBox(ctx, message);
    }
}

QString AlarmDaysText(int days)
{
    static const char *const names[] = {"Mon, ", "Tue, ", "Wed, ", "Thu, ", "Fri, ", "Sat, ", "Sun, "};
    QString text;
    for (int bit = 0; bit < 7; ++bit)
        if (days & (1 << bit))
            text += QLatin1String(names[bit]);
    text.chop(2);
    return text;
}

AlarmListRow AlarmListRowTexts(const AlarmRecord &r, const QString &currencySymbol)
{
    AlarmListRow row;
    row.description = AlarmTypeNames().value(r.AlarmType);
    if (isCostAlarm(r.AlarmType))
        row.limit = currencySymbol + QLatin1Char(' ') + r.TotalCost;
    else if (r.AlarmType == AccountDownloadAlarm || r.AlarmType == DailyDownloadAlarm)
        row.limit = QString::asprintf("%.0f", r.DownloadLimit / 1024.0) + QStringLiteral(" K");
    else
        row.limit = QString::asprintf("%.2d:%.2d", r.AllowanceTime / 60, r.AllowanceTime % 60);
    row.hangUp = r.HangUpPhone == 1 ? QStringLiteral("Yes") : QStringLiteral("No");
    row.start = DecodeHoursMinutesString(r.StartTime);
    row.end = DecodeHoursMinutesString(r.EndTime);
    row.days = AlarmDaysText(r.Days);
    return row;
}

QList<AlarmListRow> AlarmListRows(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "UpdateAlarmsList");
    const int user = ctx.login.CurrentUser;
    const int count = ReadNumberOfAlarms(ctx, user);
    const QString symbol = QLocale().currencySymbol(QLocale::CurrencySymbol);
    QList<AlarmListRow> rows;
    for (int i = 1; i <= count; ++i) {
        AlarmRecord r;
        ReadAlarmRecord(ctx, user, i, r);
        rows.append(AlarmListRowTexts(r, symbol));
    }
    return rows;
}
