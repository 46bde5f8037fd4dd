#include "session/HistoryGenerator.h"

#include "core/AppContext.h"
#include "core/Clock.h"
#include "session/SessionRecord.h"
#include "store/SettingsRecord.h"
#include "store/Store.h"
#include "tariff/BandRecord.h"
#include "users/UserAccounts.h"
#include "users/Users.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr int MostSessionsPerDay = 1440;

// Sessions fall between 07:00 and midnight while they fit there, each in
// its own slot of the day, so that none overlaps the next.
constexpr double WakingMinutes = 17 * 60;
constexpr double WakingStart = 7 * 60;

// The tariff the generated costs follow (see writeGeneratedTariff).
constexpr double DayRate = 0.015;
constexpr double EveningRate = 0.006;
constexpr int EveningStartMinute = 18 * 60;

// A clock that stands on one day: AddEditUser dates a new user's creation
// "today", and a generated user must exist from the history's first day.
class DayClock : public Clock
{
public:
    explicit DayClock(DateTime day) : m_moment(QDateTimeFromDateTime(DateOf(day) + 0.5)) {}
    QDateTime now() const override { return m_moment; }

private:
    QDateTime m_moment;
};

class SessionMaker
{
public:
    SessionMaker(int sessionsPerDay, quint64 seed) : m_perDay(sessionsPerDay), m_random(seed)
    {
        const bool fitsTheEvening = sessionsPerDay * 4 <= WakingMinutes;
        m_firstMinute = fitsTheEvening ? WakingStart : 0;
        m_slot = (fitsTheEvening ? WakingMinutes : 1440.0) / sessionsPerDay;
    }

    SessionRecord make(DateTime day, int index)
    {
        // Start somewhere in the first 40% of the slot and stay in its first 90%.
        const double slotStart = m_firstMinute + index * m_slot;
        const double startMinute = slotStart + uniform(0, m_slot * 0.4);
        const double longest = std::max(0.5, m_slot * 0.5);
        const qint64 seconds = std::max<qint64>(20, qint64(uniform(0.3, longest) * 60));
        const DateTime start = DateOf(day) + std::floor(startMinute * 60) / SecondsPerDay;
        const DateTime end = start + double(seconds) / SecondsPerDay;

        SessionRecord r;
        r.startTime = start;
        r.endTime = TimeOf(end);
        r.endDate = DateOf(end);
        r.timeOnline = double(seconds);
        const bool evening = startMinute >= EveningStartMinute || IsoDayOfWeek(day) >= 6;
        r.cost = double(seconds) / 60.0 * (evening ? EveningRate : DayRate);
        r.avgDownload = std::round(uniform(1200, 5600));
        r.avgUpload = std::round(r.avgDownload * uniform(0.05, 0.25));
        r.totalDownloaded = r.avgDownload * double(seconds);
        r.totalUploaded = r.avgUpload * double(seconds);
        const double pick = uniform(0, 1);
        const QStringList names = GeneratedConnectionNames();
        r.connection = pick < 0.3 ? names[2] : pick < 0.8 ? names[0] : names[1];
        return r;
    }

    int perDay() const { return m_perDay; }

private:
    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }

    int m_perDay;
    std::mt19937_64 m_random;
    double m_firstMinute = 0;
    double m_slot = 0;
};

// ISP 1's tariff, so that a session the program prices on top of the
// history costs what the history does: a day rate until 18:00 on weekdays,
// the evening rate after it and all weekend and holiday long.

void writeGeneratedTariff(Store &store, int user)
{
    const auto band = [](int start, int end, double rate) {
        BandRecord b;
        b.startTime = start;
        b.endTime = end;
        b.cost = QString::number(rate, 'f', 4);
        b.connectionFee = QStringLiteral("0.0000");
        return b;
    };
    const QList<BandRecord> weekday{band(0, EveningStartMinute - 1, DayRate), band(EveningStartMinute, 1439, EveningRate)};
    const QList<BandRecord> weekend{band(0, 1439, EveningRate)};
    for (int dayType = 1; dayType <= 8; ++dayType)
        WriteDayTariff(store, user, 1, dayType, dayType <= 5 ? weekday : weekend);
}

} // namespace

QStringList GeneratedConnectionNames()
{
    return {QStringLiteral("Simulated ISP"), QStringLiteral("Simulated Backup ISP"), QStringLiteral("Any")};
}

qint64 WriteGeneratedSessions(Store &store, int user, DateTime firstDay, int days, int sessionsPerDay, quint64 seed)
{
    if (days <= 0 || sessionsPerDay < 1 || sessionsPerDay > MostSessionsPerDay)
        return 0;
    firstDay = DateOf(firstDay);
    const DateTime lastDay = firstDay + days - 1;
    QSet<qint64> taken;
    for (const SessionDay &day : ReadSessionDays(store, user, firstDay, lastDay))
        taken.insert(qint64(day.day));

    SessionMaker maker(sessionsPerDay, seed * 1000003u + quint64(user));
    qint64 written = 0;
    Store::Transaction transaction(store);
    for (int d = 0; d < days; ++d) {
        const DateTime day = firstDay + d;
        if (taken.contains(qint64(day)))
            continue;
        WriteNumberOfSessions(store, user, day, sessionsPerDay);
        for (int m = 1; m <= sessionsPerDay; ++m)
            WriteSessionRecord(store, user, day, m, maker.make(day, m - 1));
        written += sessionsPerDay;
    }
    transaction.commit();
    return written;
}

HistoryResult GenerateHistory(AppContext &ctx, const HistoryOptions &options)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "GenerateHistory");
    HistoryResult result;
    const QDate last = QDateFromDateTime(DateOf(options.lastDay));
    result.firstDay = DateTimeFromQDate(last.addYears(-options.years).addDays(1));
    const int days = int(DateOf(options.lastDay) - result.firstDay) + 1;

    ReadSettingsFromDatabase(ctx);
    const bool freshStore = ctx.settings.NumberOfUsers == 0;

    // New users exactly as the setup wizard adds them, dated on the first day.
    DayClock firstDayClock(result.firstDay);
    AppContext dated(ctx.store, firstDayClock, ctx.ui);
    dated.settings = ctx.settings;
    dated.login.PasswordCost = ctx.login.PasswordCost;
    while (dated.settings.NumberOfUsers < options.users) {
        TUserInfo user;
        const int number = dated.settings.NumberOfUsers + 1;
        user.loginName = number == 1 ? QStringLiteral("Admin") : QStringLiteral("User%1").arg(number);
        user.realName = user.loginName;
        user.password = options.password;
        user.accountType = QStringLiteral("Monthly");
        user.billDate = QStringLiteral("1");
        user.restrictions = number == 1 ? 0 : DisableUserEditing;
        AddEditUser(dated, user);
        writeGeneratedTariff(ctx.store, number);
        ++result.usersCreated;
    }
    ctx.settings.NumberOfUsers = dated.settings.NumberOfUsers;

    // A store that had users keeps its settings record as it is (adding a
    // user stores the count alone); a new one gets the whole record.
    if (freshStore) {
        ctx.settings.LoadAtStartUp = false;
        ctx.settings.PreviousUser = 1;
        WriteSettingsToDatabase(ctx);
    }

    for (int user = 1; user <= options.users; ++user)
        result.sessionsWritten +=
            WriteGeneratedSessions(ctx.store, user, result.firstDay, days, options.sessionsPerDay, options.seed);
    return result;
}
