#include "tools/ClockCorrection.h"

#include "core/AppContext.h"
#include "platform/SystemClock.h"
#include "session/SessionRecord.h"
#include "sntp/SntpTime.h"
#include "store/SessionDaySummary.h"
#include "store/Store.h"
#include "tariff/SessionPricing.h"

namespace {

// A box from the clock-correction tick; the main timer's switch is the main
// tick's business and stays as it was.
void tellFromTick(AppContext &ctx, MessageKind kind, const QString &text)
{
    const bool timerEnabled = ctx.shell.Timer1Enabled;
    ctx.ui.showMessageFromTick(kind, text);
    ctx.shell.Timer1Enabled = timerEnabled;
}

// Files the open session under newDay: its record leaves the old day (the
// later sessions of that day cannot exist while it is open, so only the
// count drops) and the next write numbers it as the last of the new day, in
// the same transaction. The daily totals it adds to become the new day's.
void moveSessionToDay(AppContext &ctx, DateTime newDay)
{
    PricingState &p = ctx.pricing;
    SessionRecordWriteState &writes = ctx.recordWrites;
    const int user = ctx.login.CurrentUser;
    const DateTime oldDay = p.SessionDay;
    const bool wasUnnumbered = writes.openRecordUnnumbered;
    const PricingState::Snapshot opening = p.Opening;

    try {
        Store::Transaction tx(ctx.store, Store::Transaction::Lock::Immediate);
        if (!wasUnnumbered) {
            const int count = ReadNumberOfSessions(ctx.store, user, oldDay);
            if (count >= 1)
                RemoveSessionRecord(ctx.store, user, oldDay, count);
            writes.openRecordUnnumbered = true;
        }
        p.SessionDay = newDay;
        const SessionTotals day = SumSessionDays(ctx.store, user, newDay, newDay + 1);
        p.Opening.DailyCost = day.cost;
        p.Opening.DailySeconds = day.seconds;
        p.Opening.DailyDownloaded = day.downloaded;
        UpdateSessionInformation(ctx);
        tx.commit();
    } catch (...) {
        // Nothing moved on disk: neither may it in memory.
        writes.openRecordUnnumbered = wasUnnumbered;
        p.SessionDay = oldDay;
        p.Opening = opening;
        throw;
    }
}

} // namespace

TimeServerAnswer QueryTimeServer(const QString &host)
{
    TimeServerAnswer answer;
    unsigned char ok = 0;
    double time = 0;
    double extra = 0;
    GetTimeFromHost(host.toLocal8Bit().constData(), &ok, &time, &extra);
    answer.ok = ok != 0;
    if (answer.ok)
        answer.time = time;
    return answer;
}

QString TimeServerFailureMessage()
{
    return QStringLiteral("Failed to connect to internet time server. The server might be down, please check "
                          "your clock correction server settings");
}

void GetTimeFromServer(AppContext &ctx, const QString &host, const TimeServerQuery &query)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "GetTimeFromServer");
    // One attempt a session, failed or not.
    ctx.shell.ClockCorrected = true;

    TimeServerAnswer answer;
    try {
        answer = query(host);
    } catch (...) {
        answer = TimeServerAnswer();
    }
    const QDateTime correct = answer.ok ? QDateTimeFromDateTime(answer.time) : QDateTime();
    if (!correct.isValid()) {
        ctx.ui.beep();
        tellFromTick(ctx, MessageKind::Warning, TimeServerFailureMessage());
        return;
    }

    const QDateTime noted = ctx.clock.now();
    // A clock that is right already (most desktops keep it so) needs no
    // change, and so no privilege.
    if (qAbs(noted.msecsTo(correct)) < 1000)
        return;
    QString error;
    const bool set = ctx.platform.systemClock
                         ? ctx.platform.systemClock->setLocalTime(correct, &error)
                         : (error = QStringLiteral("The system clock was not set: no clock service is available."),
                            false);
    if (!set) {
        // Without the right to set the clock every session would fail the
        // same way: the user is told once a run.
        if (!ctx.shell.ClockSetRefusalReported)
            tellFromTick(ctx, MessageKind::Warning, error);
        ctx.shell.ClockSetRefusalReported = true;
        return;
    }

    const QDateTime now = ctx.clock.now();
    PricingState &p = ctx.pricing;
    // The jump is ours: the clock guard must not take it for tampering.
    p.LastTickUtc = now.toUTC();
    if (!ctx.shell.SessionOpen)
        return;

    // The session moves with the clock: its time online stays as it was.
    const qint64 shiftMs = noted.msecsTo(now);
    const DateTime shift = DateTimeFromQDateTime(now) - DateTimeFromQDateTime(noted);
    p.SessionStartUtc = p.SessionStartUtc.addMSecs(shiftMs);
    p.SessionStart += shift;
    p.OpeningMoment += shift;

    // A session is filed under the day it opened on; when the corrected
    // opening moment lies on another day, that is where it belongs.
    const DateTime newDay = DateOf(p.OpeningMoment);
    if (newDay != p.SessionDay)
        moveSessionToDay(ctx, newDay);
}
