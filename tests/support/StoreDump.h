#pragma once

#include "store/Store.h"

#include <QStringList>

namespace testsupport {

// Every key and value below hivePath, in tree order, with names as written,
// types and data: two stores hold the same tree when their dumps are equal.
inline void dumpTree(Store &store, const QString &hivePath, QStringList &out)
{
    out.append(QStringLiteral("[%1]").arg(hivePath));
    const QList<StoreValue> values = store.values(hivePath);
    for (const StoreValue &v : values) {
        QString data;
        if (v.type == RegSz || v.type == RegExpandSz)
            data = v.data.toString();
        else if (v.type == RegDword || v.type == RegQword)
            data = QString::number(v.data.toLongLong());
        else
            data = QString::fromLatin1(v.data.toByteArray().toHex());
        out.append(QStringLiteral("%1|%2|%3").arg(v.name).arg(v.type).arg(data));
    }
    const QStringList children = store.subkeyNames(hivePath);
    for (const QString &child : children)
        dumpTree(store, hivePath.isEmpty() ? child : hivePath + QLatin1Char('\\') + child, out);
}

inline QStringList dumpTree(Store &store, const QString &hivePath = QString())
{
    QStringList out;
    dumpTree(store, hivePath, out);
    return out;
}

} // namespace testsupport
