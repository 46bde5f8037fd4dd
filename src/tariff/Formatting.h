#pragma once

#include "core/DateTime.h"

#include <QString>

struct AppContext;

// Money in the locale's currency layout with the symbol in force
// (ctx.currencySymbol) and the locale's currency decimals.
QString FormatMoney(const AppContext &ctx, double value);

// Digits after the decimal point in the locale's currency format.
int LocaleCurrencyDecimals();
// The same with one decimal more, for the running cost of a session (when
// the locale shows any currency decimals at all).
QString FormatSessionMoney(const AppContext &ctx, double value);

// Bytes as "1024.00 k" up to 1048575, as "1.00 MB" from 1048576 on.
QString FormatBytes(qint64 bytes);
// Bytes per second as "k/s" below 1048576, as "MB/s" from there on.
QString FormatRate(double bytesPerSecond);

// The time of day of a moment as "hh:nn:ss".
QString FormatClockTime(DateTime moment);
