#include "tariff/BandRecord.h"

#include "store/FloatText.h"
#include "store/Store.h"
#include "tariff/TariffKeys.h"

#include <QHash>

#include <algorithm>

namespace {

const QString NumberOfTimeZones = QStringLiteral("NumberOfTimeZones");

// In the order the tariff writers have always written them, and in BandValue bit order.
const RecordField<BandRecord> Fields[] = {
    {"Start Time", &BandRecord::startTime},
    {"End Time", &BandRecord::endTime},
    {"Cost", &BandRecord::cost},
    {"ConnectionFee", &BandRecord::connectionFee},
    {"ConnectionFeeType", &BandRecord::connectionFeeType},
};

// More bands than minutes in a day is a damaged count, not a tariff.
constexpr int MaxBandsPerDay = 1440;

} // namespace

double BandRecord::costPerMinute() const
{
    return SafeStrToFloat(cost);
}

double BandRecord::fee() const
{
    return SafeStrToFloat(connectionFee);
}

BandRecord ReadBandRecord(Store &store, int user, int isp, int dayType, int band, DamagedValue damaged)
{
    BandRecord record;
    ReadRecordFields<BandRecord>(KeyValues::read(store, TariffKeys::band(user, isp, dayType, band)), Fields, record,
                                 damaged);
    return record;
}

void WriteBandRecord(Store &store, int user, int isp, int dayType, int band, const BandRecord &record,
                     quint64 which)
{
    WriteRecordFields<BandRecord>(store, TariffKeys::band(user, isp, dayType, band), Fields, record, which);
}

int ReadNumberOfBands(Store &store, int user, int isp, int dayType)
{
    int count = 0;
    store.ReadStoreInteger(NumberOfTimeZones, TariffKeys::dayType(user, isp, dayType), count);
    return count;
}

QList<BandRecord> ReadDayTariff(Store &store, int user, int isp, int dayType)
{
    const QString key = TariffKeys::dayType(user, isp, dayType);
    KeyValues own = KeyValues::read(store, key);
    int count = 0;
    own.readInteger(NumberOfTimeZones, count);
    count = std::clamp(count, 0, MaxBandsPerDay);
    QList<BandRecord> bands(count);
    if (count == 0)
        return bands;
    QHash<QByteArray, KeyValues> keys;
    store.visitSubkeyValues(key, [&keys](QByteArrayView subkey, const Store::RawValue &v) {
        keys[subkey.toByteArray()].add(v);
    });
    for (int k = 1; k <= count; ++k) {
        const auto found = keys.constFind(TariffKeys::bandName(k).toCaseFolded().toUtf8());
        if (found != keys.constEnd())
            ReadRecordFields<BandRecord>(*found, Fields, bands[k - 1]);
    }
    return bands;
}

void WriteDayTariff(Store &store, int user, int isp, int dayType, const QList<BandRecord> &bands)
{
    Store::Transaction transaction(store);
    store.WriteStoreInteger(NumberOfTimeZones, TariffKeys::dayType(user, isp, dayType), int(bands.size()));
    for (int k = 1; k <= bands.size(); ++k)
        WriteBandRecord(store, user, isp, dayType, k, bands[k - 1]);
    transaction.commit();
}
