#include "tariff/HolidayRecord.h"

#include "store/FloatText.h"
#include "store/RecordFields.h"
#include "store/Store.h"
#include "tariff/TariffKeys.h"

#include <algorithm>

namespace {

const QString NumberOfHolidays = QStringLiteral("NumberOfHolidays");

// A holiday every day for a century: anything more is a damaged count, and
// must not have a reader list millions of empty holidays.
constexpr int MaxHolidays = 36600;

QString holidayName(int h)
{
    return QStringLiteral("Holiday%1").arg(h);
}

} // namespace

QStringList ReadHolidayTexts(Store &store, int user, int isp)
{
    const KeyValues values = KeyValues::read(store, TariffKeys::holidays(user, isp));
    int count = 0;
    values.readInteger(NumberOfHolidays, count);
    count = std::clamp(count, 0, MaxHolidays);
    QStringList texts;
    texts.reserve(count);
    for (int h = 1; h <= count; ++h)
        texts.append(values.readString(holidayName(h)));
    return texts;
}

QList<DateTime> ReadHolidays(Store &store, int user, int isp)
{
    QList<DateTime> days;
    for (const QString &text : ReadHolidayTexts(store, user, isp))
        days.append(SafeStrToFloat(text));
    return days;
}

void WriteHolidays(Store &store, int user, int isp, const QList<DateTime> &days)
{
    Store::Transaction transaction(store);
    WriteNumberOfHolidays(store, user, isp, int(days.size()));
    for (int h = 1; h <= days.size(); ++h)
        WriteHoliday(store, user, isp, h, days[h - 1]);
    transaction.commit();
}

void WriteNumberOfHolidays(Store &store, int user, int isp, int count)
{
    store.WriteStoreInteger(NumberOfHolidays, TariffKeys::holidays(user, isp), count);
}

void WriteHoliday(Store &store, int user, int isp, int holiday, DateTime day)
{
    store.WriteStoreFloat(holidayName(holiday), TariffKeys::holidays(user, isp), day);
}
