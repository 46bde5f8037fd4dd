#pragma once

#include "session/SessionRecords.h"
#include "core/DateTime.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "tariff/TariffKeys.h"

#include <QDate>
#include <QList>
#include <QString>

namespace testsupport {

// One band as the editors store it: minutes, cost per minute, fee, fee type
// (0 Minimum, 1 Base).
struct SeedBand {
    int start = 0;
    int end = 0;
    double cost = 0;
    double fee = 0;
    int feeType = 0;
};

// One stored session record.
struct SeedSession {
    DateTime start = 0;        // full start moment
    qint64 timeOnline = 0;     // seconds
    double cost = 0;
    qint64 downloaded = 0;
    qint64 uploaded = 0;
    QString connection = QStringLiteral("Default");
};

// Writes a user's tariff and session records straight into a store, the
// way the editors and the pricing tick leave them.
class TariffSeed
{
public:
    explicit TariffSeed(Store &store, int user = 1) : m_store(store), m_user(user) {}

    int userNumber() const { return m_user; }
    QString userKey() const { return TariffKeys::user(m_user); }

    TariffSeed &account(const QString &accountType, const QString &billDate)
    {
        m_store.WriteStoreString(QStringLiteral("Account Type"), userKey(), accountType);
        m_store.WriteStoreString(QStringLiteral("Bill Date"), userKey(), billDate);
        return *this;
    }

    // Adds (or rewrites) ISP i and raises "NumberOfISPs" to cover it.
    TariffSeed &isp(int i, const QString &name, const QString &dialupName)
    {
        const QString key = TariffKeys::isp(m_user, i);
        m_store.WriteStoreString(QStringLiteral("ISPName"), key, name);
        m_store.WriteStoreString(QStringLiteral("DialupName"), key, dialupName);
        int count = 0;
        m_store.ReadStoreInteger(QStringLiteral("NumberOfISPs"), userKey(), count);
        if (i > count)
            m_store.WriteStoreInteger(QStringLiteral("NumberOfISPs"), userKey(), i);
        return *this;
    }

    // Replaces the bands of one day type (1..8) of ISP i.
    TariffSeed &bands(int i, int dayType, const QList<SeedBand> &list)
    {
        m_store.WriteStoreInteger(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(m_user, i, dayType),
                                  int(list.size()));
        for (int k = 1; k <= list.size(); ++k) {
            const SeedBand &b = list[k - 1];
            const QString key = TariffKeys::band(m_user, i, dayType, k);
            m_store.WriteStoreInteger(QStringLiteral("Start Time"), key, b.start);
            m_store.WriteStoreInteger(QStringLiteral("End Time"), key, b.end);
            m_store.WriteStoreFloat(QStringLiteral("Cost"), key, b.cost);
            m_store.WriteStoreFloat(QStringLiteral("ConnectionFee"), key, b.fee);
            m_store.WriteStoreInteger(QStringLiteral("ConnectionFeeType"), key, b.feeType);
        }
        return *this;
    }

    // The same bands on Monday to Sunday (not on public holidays).
    TariffSeed &weekBands(int i, const QList<SeedBand> &list)
    {
        for (int day = 1; day <= 7; ++day)
            bands(i, day, list);
        return *this;
    }

    TariffSeed &holidays(int i, const QList<QDate> &dates)
    {
        const QString key = TariffKeys::holidays(m_user, i);
        m_store.WriteStoreInteger(QStringLiteral("NumberOfHolidays"), key, int(dates.size()));
        for (int h = 1; h <= dates.size(); ++h)
            m_store.WriteStoreString(QStringLiteral("Holiday%1").arg(h), key,
                                     FloatToStoreText(DateTimeFromQDate(dates[h - 1])));
        return *this;
    }

    // Appends a session to the key of the day it started on; returns its number.
    int session(const SeedSession &s)
    {
        const DateTime day = DateOf(s.start);
        const QString key = SessionDayKey(m_user, day);
        int count = 0;
        m_store.ReadStoreInteger(QStringLiteral("NumberOfSessions"), key, count);
        const int m = count + 1;
        m_store.WriteStoreInteger(QStringLiteral("NumberOfSessions"), key, m);
        const auto put = [&](int field, double value) {
            m_store.WriteStoreFloat(SessionValueName(m, field), key, value);
        };
        const double end = s.start + double(s.timeOnline) / SecondsPerDay;
        put(SessionStartTime, s.start);
        put(SessionEndTime, TimeOf(end));
        put(SessionEndDate, DateOf(end));
        put(SessionTimeOnline, double(s.timeOnline));
        put(SessionCost, s.cost);
        put(SessionTotalDownloaded, double(s.downloaded));
        put(SessionTotalUploaded, double(s.uploaded));
        put(SessionAvgDownload, 0);
        put(SessionAvgUpload, 0);
        m_store.WriteStoreString(QStringLiteral("Session%1-Connection").arg(m), key, s.connection);
        return m;
    }

private:
    Store &m_store;
    int m_user;
};

} // namespace testsupport
