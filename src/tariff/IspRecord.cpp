#include "tariff/IspRecord.h"

#include "store/RecordFields.h"
#include "tariff/TariffKeys.h"

namespace {

// In IspValue bit order. "DialupName" is spelled as the editors of this
// program write it; some older ones wrote "DialUpName", the same name to
// the store.
const RecordField<IspRecord> Fields[] = {
    {"ISPName", &IspRecord::ispName},
    {"DialupName", &IspRecord::dialupName},
    {"CurrentTimezonePresetName", &IspRecord::presetName},
};

} // namespace

IspRecord ReadIspRecord(Store &store, int user, int isp)
{
    IspRecord record;
    ReadRecordFields<IspRecord>(KeyValues::read(store, TariffKeys::isp(user, isp)), Fields, record);
    return record;
}

void WriteIspRecord(Store &store, int user, int isp, const IspRecord &record, quint64 which)
{
    WriteRecordFields<IspRecord>(store, TariffKeys::isp(user, isp), Fields, record, which);
}
