#include "store/RecordFields.h"

#include "core/Errors.h"
#include "store/FloatText.h"

namespace {

QByteArray folded(const QString &name)
{
    // The store keeps value names folded the same way.
    return name.toCaseFolded().toUtf8();
}

bool isText(int type)
{
    return type == RegSz || type == RegExpandSz;
}

[[noreturn]] void invalidType(const QString &name)
{
    throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

} // namespace

KeyValues KeyValues::read(Store &store, const QString &keyPath)
{
    KeyValues values;
    store.visitValues(keyPath, [&values](const Store::RawValue &v) { values.add(v); });
    return values;
}

void KeyValues::add(const Store::RawValue &v)
{
    Entry e;
    e.type = v.type;
    if (isText(v.type))
        e.text = QString::fromUtf8(v.text);
    else
        e.integer = v.integer;
    m_values.insert(v.foldedName.toByteArray(), e);
}

const KeyValues::Entry *KeyValues::find(const QString &name) const
{
    const auto it = m_values.constFind(folded(name));
    return it == m_values.constEnd() ? nullptr : &*it;
}

bool KeyValues::readInteger(const QString &name, int &value) const
{
    const Entry *e = find(name);
    if (!e)
        return false;
    if (e->type != RegDword)
        invalidType(name);
    value = int(qint32(e->integer));
    return true;
}

QString KeyValues::readString(const QString &name) const
{
    const Entry *e = find(name);
    if (!e)
        return QString();
    if (!isText(e->type))
        invalidType(name);
    return e->text;
}

namespace recordfields {

bool readInteger(const KeyValues &values, const char *name, int &value, DamagedValue damaged)
{
    try {
        return values.readInteger(QLatin1String(name), value);
    } catch (const StoreError &) {
        if (damaged == DamagedValue::Raise)
            throw;
        return false;
    }
}

bool readText(const KeyValues &values, const char *name, QString &text, DamagedValue damaged)
{
    try {
        text = values.readString(QLatin1String(name));
        return true;
    } catch (const StoreError &) {
        if (damaged == DamagedValue::Raise)
            throw;
        text.clear();
        return false;
    }
}

void readNumber(const KeyValues &values, const char *name, double &value, DamagedValue damaged)
{
    QString text;
    if (readText(values, name, text, damaged) && !text.isEmpty())
        value = SafeStrToFloat(text);
}

} // namespace recordfields
