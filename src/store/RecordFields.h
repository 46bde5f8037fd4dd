#pragma once

#include "store/Store.h"

#include <QHash>
#include <span>
#include <variant>

// The values of one key, taken in one query, for the typed records: a record
// reads its key once and then picks its values by name with the store
// functions' rules (a missing value is not an error; a value of the wrong
// registry type raises "Invalid data type for '<name>'").
class KeyValues
{
public:
    // Empty when the key does not exist.
    static KeyValues read(Store &store, const QString &keyPath);
    // For readers that visit several keys in one query.
    void add(const Store::RawValue &value);

    // As ReadStoreInteger: false, the target untouched, when the value is missing.
    bool readInteger(const QString &name, int &value) const;
    // As ReadStoreString: a missing value reads as empty.
    QString readString(const QString &name) const;

private:
    struct Entry {
        int type = RegNone;
        QString text;
        qint64 integer = 0;
    };
    const Entry *find(const QString &name) const;

    QHash<QByteArray, Entry> m_values;  // by folded name
};

// One stored value of a record: its name exactly as written and the member it
// fills. Integers and flags are stored as REG_DWORD, texts as REG_SZ and
// numbers (money, dates, byte totals) as float text.
template <class Record>
struct RecordField {
    const char *name;
    std::variant<int Record::*, bool Record::*, QString Record::*, double Record::*> member;
};

// What a reader does with a value stored with the wrong registry type.
enum class DamagedValue {
    Raise,          // "Invalid data type for '<name>'", as the store functions do
    ReadAsMissing,  // for readers that must go on whatever the record holds
};

// Reads the fields over `record`, in table order (so that the first damaged
// value is the one reported). A missing integer, flag or number keeps the
// member, as does an empty number text; a missing text reads as empty; a
// number text that does not convert reads as 0.
template <class Record>
void ReadRecordFields(const KeyValues &values, std::span<const RecordField<Record>> fields, Record &record,
                      DamagedValue damaged = DamagedValue::Raise);

// Writes the fields whose bit (1 << position in the table) is set in `which`,
// in table order, as one transaction.
template <class Record>
void WriteRecordFields(Store &store, const QString &keyPath, std::span<const RecordField<Record>> fields,
                       const Record &record, quint64 which = ~quint64(0));

namespace recordfields {
// Non-template halves of the above.
bool readInteger(const KeyValues &values, const char *name, int &value, DamagedValue damaged);
bool readText(const KeyValues &values, const char *name, QString &text, DamagedValue damaged);
void readNumber(const KeyValues &values, const char *name, double &value, DamagedValue damaged);
} // namespace recordfields

template <class Record>
void ReadRecordFields(const KeyValues &values, std::span<const RecordField<Record>> fields, Record &record,
                      DamagedValue damaged)
{
    for (const RecordField<Record> &field : fields) {
        std::visit(
            [&](auto member) {
                using Member = std::remove_reference_t<decltype(record.*member)>;
                if constexpr (std::is_same_v<Member, int>) {
                    recordfields::readInteger(values, field.name, record.*member, damaged);
                } else if constexpr (std::is_same_v<Member, bool>) {
                    int value = 0;
                    if (recordfields::readInteger(values, field.name, value, damaged))
                        record.*member = value != 0;
                } else if constexpr (std::is_same_v<Member, QString>) {
                    recordfields::readText(values, field.name, record.*member, damaged);
                } else {
                    recordfields::readNumber(values, field.name, record.*member, damaged);
                }
            },
            field.member);
    }
}

template <class Record>
void WriteRecordFields(Store &store, const QString &keyPath, std::span<const RecordField<Record>> fields,
                       const Record &record, quint64 which)
{
    Store::Transaction transaction(store);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i >= 64 || (which & (quint64(1) << i)) == 0)
            continue;
        const QString name = QLatin1String(fields[i].name);
        std::visit(
            [&](auto member) {
                using Member = std::remove_cvref_t<decltype(record.*member)>;
                if constexpr (std::is_same_v<Member, int>)
                    store.WriteStoreInteger(name, keyPath, record.*member);
                else if constexpr (std::is_same_v<Member, bool>)
                    store.WriteStoreBool(name, keyPath, record.*member);
                else if constexpr (std::is_same_v<Member, QString>)
                    store.WriteStoreString(name, keyPath, record.*member);
                else
                    store.WriteStoreFloat(name, keyPath, record.*member);
            },
            fields[i].member);
    }
    transaction.commit();
}
