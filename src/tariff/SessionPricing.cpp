#include "tariff/SessionPricing.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "platform/SystemClock.h"
#include "session/SessionRecordWriter.h"
#include "session/SessionRecords.h"
#include "store/FloatText.h"
#include "tariff/AccountPeriods.h"
#include "tariff/DayTypes.h"
#include "tariff/Formatting.h"
#include "tariff/BandRecord.h"

#include <cmath>

namespace {

struct Band {
    int feeType = 0;
    double cost = 0;
    double fee = 0;
};

// A band that cannot be read prices at 0, and a damaged value of it counts
// as missing: a failed read must not stop the tick.
Band readBand(AppContext &ctx, int dayType, int band)
{
    Band b;
    try {
        const BandRecord r = ReadBandRecord(ctx.store, ctx.login.CurrentUser, ctx.tariff.CurrentTimeZoneISP, dayType,
                                            band, DamagedValue::ReadAsMissing);
        b.feeType = r.connectionFeeType;
        b.cost = r.costPerMinute();
        b.fee = r.fee();
    } catch (const std::exception &) {
    }
    return b;
}

void guardClock(AppContext &ctx)
{
    PricingState &p = ctx.pricing;
    if (!ctx.settings.CheckClockTamper || !p.LastTickUtc.isValid())
        return;
    const qint64 elapsedMs = p.LastTickUtc.msecsTo(ctx.clock.nowUtc());
    // Anything from 0 up to a minute is an ordinary tick interval.
    if (elapsedMs >= 0 && elapsedMs < 60000)
        return;
    QString error;
    bool set = false;
    if (ctx.platform.systemClock)
        set = ctx.platform.systemClock->setLocalTime(p.LastTickUtc.toLocalTime(), &error);
    else
        error = QStringLiteral("The system clock was not set: no clock service is available.");
    p.LastTickUtc = ctx.clock.nowUtc();
    ctx.ui.beep();
    // A clock that cannot be set will not be settable at the next jump
    // either: say so once a session, not at every jump.
    if (!set && !p.ClockRefusalReported) {
        p.ClockRefusalReported = true;
        ctx.ui.showMessage(MessageKind::Warning, error);
    }
}

void price(PricingState &p, const Band &band)
{
    const double rate = band.cost / 60.0;
    const qint64 delta = p.SecondsOnline - p.PricedSeconds;
    if (band.feeType != 0) {
        if (!p.BaseFeeCharged) {
            p.SessionCost = band.fee;
            p.BaseFeeCharged = true;
        }
        p.SessionCost += rate * double(delta);
    } else if (rate * double(p.SecondsOnline) > band.fee || p.SessionCost > band.fee) {
        p.SessionCost += rate * double(delta);
    } else {
        p.SessionCost = band.fee;
    }
    p.PricedSeconds = p.SecondsOnline;
}

SessionSnapshot snapshotOf(const AppContext &ctx, DateTime now)
{
    const PricingState &p = ctx.pricing;
    const ConnectionState &c = ctx.connection;
    SessionSnapshot snapshot;
    snapshot.sessionDay = p.SessionDay;
    snapshot.start = p.SessionStart;
    snapshot.moment = now;
    snapshot.secondsOnline = p.SecondsOnline;
    snapshot.sessionCost = p.SessionCost;
    snapshot.dailySeconds = p.DailySeconds;
    snapshot.dailyCost = p.DailyCost;
    snapshot.accountSeconds = p.AccountSeconds;
    snapshot.accountCost = p.AccountCost;
    snapshot.received = c.TotalReceived;
    snapshot.transmitted = c.TotalTransmitted;
    snapshot.averageReceiveRate = c.AverageReceiveRate;
    snapshot.averageTransmitRate = c.AverageTransmitRate;
    snapshot.dailyDownloaded = p.DailyDownloaded;
    snapshot.accountDownloaded = p.AccountDownloaded;
    return snapshot;
}

} // namespace

void BeginSessionPricing(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "BeginSessionPricing");
    PricingState &p = ctx.pricing;
    p.SessionCost = 0;
    p.BaseFeeCharged = false;
    p.Opening.AccountCost = p.AccountCost;
    p.Opening.DailyCost = p.DailyCost;
    p.Opening.DailySeconds = p.DailySeconds;
    p.Opening.AccountSeconds = p.AccountSeconds;
    p.Opening.DailyDownloaded = p.DailyDownloaded;
    p.Opening.AccountDownloaded = p.AccountDownloaded;
    p.SecondsOnline = 0;
    p.PricedSeconds = 0;
    p.LastTickUtc = QDateTime();
    p.ClockRefusalReported = false;
    const QDateTime moment = ctx.clock.now();
    const DateTime now = DateTimeFromQDateTime(moment);
    p.OpeningMoment = now;
    p.SessionStart = now - ctx.settings.ModemCorrectionFactor / SecondsPerDay;
    p.SessionStartUtc = moment.toUTC().addSecs(-ctx.settings.ModemCorrectionFactor);
    p.SessionDay = DateOf(now);
    p.StartDayType = CalculateCurrentDay(ctx);
    p.StartTimezone = DetermineCurrentTimeZone(ctx);
}

void UpdateSessionInformation(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "UpdateSessionInformation");
    PricingState &p = ctx.pricing;

    const int today = CalculateCurrentDay(ctx);
    guardClock(ctx);

    const QDateTime moment = ctx.clock.now();
    const DateTime now = DateTimeFromQDateTime(moment);
    const QDateTime nowUtc = moment.toUTC();
    // The second in progress counts; a clock put back (with the guard off)
    // never takes time online, or money, back.
    const qint64 elapsedMs = p.SessionStartUtc.msecsTo(nowUtc) + 1000;
    p.SecondsOnline = qMax(p.SecondsOnline, qMax<qint64>(0, elapsedMs / 1000));
    p.LastTickUtc = nowUtc;

    const Band band = ctx.settings.SessionChargesStartTimeZone ? readBand(ctx, p.StartDayType, p.StartTimezone)
                                                                : readBand(ctx, today, ctx.tariff.CurrentTimezone);
    price(p, band);

    p.AccountCost = p.Opening.AccountCost + p.SessionCost;
    p.DailyCost = p.Opening.DailyCost + p.SessionCost;
    p.DailySeconds = p.Opening.DailySeconds + p.SecondsOnline;
    p.AccountSeconds = p.Opening.AccountSeconds + p.SecondsOnline;
    p.DailyDownloaded = p.Opening.DailyDownloaded + ctx.connection.TotalReceived;
    p.AccountDownloaded = p.Opening.AccountDownloaded + ctx.connection.TotalReceived;

    WriteSessionRecordValues(ctx, now, true);
    Q_EMIT ctx.events.sessionPriced(snapshotOf(ctx, now));
}
