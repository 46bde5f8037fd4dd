#include "tariff/IspRecord.h"

#include "store/RecordFields.h"
#include "store/Store.h"
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

void WriteIspFromDialog(Store &store, int user, int isp, const QString &ispName, const QString &dialupName)
{
    const QString key = TariffKeys::isp(user, isp);
    Store::Transaction transaction(store);
    store.WriteStoreString(QLatin1String(Fields[0].name), key, ispName);
    store.WriteStoreString(QStringLiteral("DialUpName"), key, dialupName);
    transaction.commit();
}
