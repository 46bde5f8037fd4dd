#include "users/UserRecord.h"

#include "store/RecordFields.h"
#include "tariff/TariffKeys.h"

namespace {

// In UserValue bit order, which is the order a new user's values have
// always been written in.
const RecordField<UserRecord> Fields[] = {
    {"NumberOfAlarms", &UserRecord::numberOfAlarms},
    {"NumberOfPrograms", &UserRecord::numberOfPrograms},
    {"NumberOfISPs", &UserRecord::numberOfISPs},
    {"CurrentTimeZoneISP", &UserRecord::currentTimeZoneISP},
    {"Bill Date", &UserRecord::billDate},
    {"Login Name", &UserRecord::loginName},
    {"Real Name", &UserRecord::realName},
    {"Account Type", &UserRecord::accountType},
    {"Creation Date", &UserRecord::creationDate},
    {"Password", &UserRecord::password},
    {"Restrictions", &UserRecord::restrictions},
    {"EndAccountDate", &UserRecord::endAccountDate},
};
static_assert(std::size(Fields) == 12 && AllUserValues == (1 << std::size(Fields)) - 1);

} // namespace

QString UserKey(int user)
{
    return TariffKeys::user(user);
}

void ReadUserRecord(Store &store, int user, UserRecord &record)
{
    ReadRecordFields<UserRecord>(KeyValues::read(store, UserKey(user)), Fields, record);
}

UserRecord ReadUserRecord(Store &store, int user)
{
    UserRecord record;
    ReadUserRecord(store, user, record);
    return record;
}

void WriteUserRecord(Store &store, int user, const UserRecord &record, quint64 which)
{
    WriteRecordFields<UserRecord>(store, UserKey(user), Fields, record, which);
}
