#pragma once

#include "store/RecordFields.h"

#include <QList>
#include <QString>

class Store;

// One tariff band, Users\User<u>\ISP<i>\Timezones\<Day>\TimeZone<k>. Costs
// are kept as the texts the store holds, so that a tariff copied into a
// preset file and back reads exactly as it was.
struct BandRecord {
    int startTime = 0;          // minutes after midnight
    int endTime = 0;            // an end before the start crosses midnight
    QString cost;               // per minute
    QString connectionFee;
    int connectionFeeType = 0;  // 0: the fee is a minimum charge; otherwise a base charge added once

    double costPerMinute() const;
    double fee() const;

    bool operator==(const BandRecord &) const = default;
};

// Which values a write stores.
enum BandValue : quint64 {
    BandStartTimeValue = 1,
    BandEndTimeValue = 2,
    BandCostValue = 4,
    BandConnectionFeeValue = 8,
    BandConnectionFeeTypeValue = 16,
    AllBandValues = 31,
};

// A band in one query; a missing band is all zeros.
BandRecord ReadBandRecord(Store &store, int user, int isp, int dayType, int band,
                          DamagedValue damaged = DamagedValue::Raise);
void WriteBandRecord(Store &store, int user, int isp, int dayType, int band, const BandRecord &record,
                     quint64 which = AllBandValues);

// "NumberOfTimeZones" of a day type; 0 when missing.
int ReadNumberOfBands(Store &store, int user, int isp, int dayType);

// The tariff of a day type: bands 1.."NumberOfTimeZones", in two queries
// however many bands it has. A band within the count that has no key reads
// as all zeros, as band by band reads would give it.
QList<BandRecord> ReadDayTariff(Store &store, int user, int isp, int dayType);
// The count and every band, as one transaction (bands beyond the new count
// are left as they are, as they always were).
void WriteDayTariff(Store &store, int user, int isp, int dayType, const QList<BandRecord> &bands);
