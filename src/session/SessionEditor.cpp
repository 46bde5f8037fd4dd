#include "session/SessionEditor.h"

#include "core/AppContext.h"
#include "core/Errors.h"
#include "session/SessionRecord.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "tariff/AccountPeriods.h"
#include "tariff/BandRecord.h"
#include "tariff/IspRecord.h"
#include "users/UserRecord.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr int SecondsPerDayInt = 86400;

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool bandHolds(const BandRecord &band, int minute)
{
    if (band.endTime < band.startTime)
        return minute >= band.startTime || minute <= band.endTime;
    return band.startTime <= minute && minute <= band.endTime;
}

// While a session is open each tick sets the running totals to the opening
// snapshot plus that session; a corrected past session must move the
// snapshot too, or the next tick undoes the recomputed totals.
void moveOpeningSnapshot(AppContext &ctx, DateTime day, int session, double costChange, qint64 secondsChange)
{
    if (!ctx.shell.SessionOpen)
        return;
    // The open session's own record is rewritten by every tick anyway.
    const bool openOne = DateOf(ctx.pricing.SessionDay) == day && !ctx.recordWrites.openRecordUnnumbered
        && session == ReadNumberOfSessions(ctx.store, ctx.login.CurrentUser, day);
    if (openOne)
        return;
    PricingState::Snapshot &opening = ctx.pricing.Opening;
    if (day >= ctx.tariff.AccountStartDate && day < ctx.tariff.AccountEndDate) {
        opening.AccountCost += costChange;
        opening.AccountSeconds += secondsChange;
    }
    if (day == ctx.clock.today()) {
        opening.DailyCost += costChange;
        opening.DailySeconds += secondsChange;
    }
}

} // namespace

std::optional<int> EditorTimeSeconds(const QString &text, int maxHours)
{
    static const QRegularExpression pattern(QStringLiteral("^[ _]*(\\d{1,2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int hours = m.capturedView(1).toInt();
    const int minutes = m.capturedView(2).toInt();
    const int seconds = m.capturedView(3).toInt();
    if (hours > maxHours || minutes > 59 || seconds > 59)
        return std::nullopt;
    return hours * 3600 + minutes * 60 + seconds;
}

QString EditorTimeText(int seconds)
{
    return QString::asprintf("%.2d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

QString DerivedTimeOnline(const QString &start, const QString &end)
{
    const std::optional<int> from = EditorTimeSeconds(start);
    const std::optional<int> to = EditorTimeSeconds(end);
    if (!from || !to)
        return QString();
    return EditorTimeText(((*to - *from) % SecondsPerDayInt + SecondsPerDayInt) % SecondsPerDayInt);
}

QString EditorCostText(const AppContext &ctx, double cost)
{
    return QString::asprintf("%.*f", ctx.startup.savedCurrencyDecimals + 1, cost);
}

std::optional<int> EditorIspForConnection(AppContext &ctx, const QString &connection)
{
    const int user = ctx.login.CurrentUser;
    std::optional<int> isp;
    if (sameName(connection, QLatin1String(DefaultConnectionItem)))
        isp = 1;
    const int count = ReadUserRecord(ctx.store, user).numberOfISPs;
    for (int i = 1; i <= count; ++i) {
        if (sameName(ReadIspRecord(ctx.store, user, i).dialupName, connection))
            isp = i;
    }
    return isp;
}

std::optional<double> CalculateEditedSessionCost(AppContext &ctx, DateTime day, const QString &connection,
                                                 const QString &startText, const QString &endText,
                                                 const QString &timeOnlineText)
{
    PROCEDURE_GUARD(ctx, "EditSession", "Button3Click");
    const int dayType = IsoDayOfWeek(day);
    const std::optional<int> start = EditorTimeSeconds(startText);
    if (!start || !IsValidEditorTime(endText)) {
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("An invalid start or end time has been entered."));
        return std::nullopt;
    }
    const int startMinute = *start / 60;

    std::optional<int> isp = EditorIspForConnection(ctx, connection);
    if (!isp) {
        ctx.ui.showMessage(MessageKind::Information,
                           QStringLiteral("There is no set of timezones defined for this ISP, default timezones "
                                          "will be used"));
        isp = 1;
    }

    const QList<BandRecord> bands = ReadDayTariff(ctx.store, ctx.login.CurrentUser, *isp, dayType);
    const auto band = std::find_if(bands.cbegin(), bands.cend(),
                                   [startMinute](const BandRecord &b) { return bandHolds(b, startMinute); });
    if (band == bands.cend()) {
        ctx.ui.showMessage(MessageKind::Warning,
                           QStringLiteral("A timezone hasn't been defined for the specified start and end times."));
        return std::nullopt;
    }

    // The whole session at the rate of the band it started in.
    const double seconds = EditorTimeSeconds(timeOnlineText, 99).value_or(0);
    const double charge = band->costPerMinute() / 60.0 * seconds;
    if (band->connectionFeeType != 0)
        return charge + band->fee();
    return charge > band->fee() ? charge : band->fee();
}

SessionEditResult SaveSessionEdit(AppContext &ctx, DateTime day, int session, const SessionEdit &edit)
{
    PROCEDURE_GUARD(ctx, "EditSession", "Button1Click");
    const std::optional<int> start = EditorTimeSeconds(edit.startText);
    const std::optional<int> end = EditorTimeSeconds(edit.endText);
    if (!start)
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("Invalid Start Time Entered"));
    if (!end)
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("Invalid End Time Entered"));
    if (!start || !end)
        return SessionEditResult::InvalidTimes;

    // Converted before anything is written: a cost that is no number must
    // not leave the record half corrected.
    const double cost = StoreTextToFloat(edit.costText.trimmed());
    // The time online field follows the times; should it not hold a time,
    // the times decide.
    const int timeOnline = EditorTimeSeconds(edit.timeOnlineText, 99)
                               .value_or(EditorTimeSeconds(DerivedTimeOnline(edit.startText, edit.endText)).value_or(0));
    const QString connection = sameName(edit.connection, QLatin1String(DefaultConnectionItem))
        ? QString::fromLatin1(AnyConnection)
        : edit.connection;

    const int user = ctx.login.CurrentUser;
    day = DateOf(day);
    double oldCost = 0;
    qint64 oldSeconds = 0;
    {
        Store::Transaction transaction(ctx.store, Store::Transaction::Lock::Immediate);
        if (session < 1 || session > ReadNumberOfSessions(ctx.store, user, day))
            return SessionEditResult::NoSuchSession;
        oldCost = ReadSessionField(ctx.store, user, session, SessionCost, day);
        oldSeconds = std::llround(ReadSessionField(ctx.store, user, session, SessionTimeOnline, day));
        WriteSessionField(ctx.store, user, session, SessionStartTime, double(*start) / SecondsPerDay, day);
        WriteSessionField(ctx.store, user, session, SessionEndTime, double(*end) / SecondsPerDay, day);
        WriteSessionField(ctx.store, user, session, SessionTimeOnline, timeOnline, day);
        WriteSessionField(ctx.store, user, session, SessionCost, cost, day);
        WriteSessionConnection(ctx.store, user, session, connection, day);
        transaction.commit();
    }

    moveOpeningSnapshot(ctx, day, session, cost - oldCost, qint64(timeOnline) - oldSeconds);
    CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);
    CalculateDailyTotals(ctx);
    Q_EMIT ctx.events.sessionRecordChanged(day, session);
    return SessionEditResult::Saved;
}
