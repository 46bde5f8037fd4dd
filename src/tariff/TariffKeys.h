#pragma once

#include <QString>

// Key paths (relative to the store root) of a user's tariff records.
namespace TariffKeys {

inline QString user(int u)
{
    return QStringLiteral("Users\\User%1").arg(u);
}

inline QString isp(int u, int i)
{
    return user(u) + QStringLiteral("\\ISP%1").arg(i);
}

// Day types 1..8: "Mon" ... "Sun", "Public Holiday". Empty outside that range.
QString dayTypeName(int dayType);

inline QString dayType(int u, int i, int day)
{
    return isp(u, i) + QStringLiteral("\\Timezones\\") + dayTypeName(day);
}

// "TimeZone<k>", the subkey of band k under its day type.
inline QString bandName(int k)
{
    return QStringLiteral("TimeZone%1").arg(k);
}

inline QString band(int u, int i, int day, int k)
{
    return dayType(u, i, day) + QLatin1Char('\\') + bandName(k);
}

inline QString holidays(int u, int i)
{
    return isp(u, i) + QStringLiteral("\\Timezones\\Holidays");
}

} // namespace TariffKeys
