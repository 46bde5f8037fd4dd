#include "tariff/Formatting.h"

#include "core/AppContext.h"

#include <QLocale>

namespace {

QString moneyText(const AppContext &ctx, double value, int decimals)
{
    return QLocale().toCurrencyString(value, ctx.currencySymbol, decimals);
}

// "%3.2f" with the locale's decimal separator and no digit grouping.
QString twoDecimals(double value)
{
    QString text = QString::asprintf("%3.2f", value);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

constexpr double Mega = 1048576.0;
constexpr double Kilo = 1024.0;

} // namespace

QString FormatMoney(const AppContext &ctx, double value)
{
    return moneyText(ctx, value, ctx.startup.savedCurrencyDecimals);
}

QString FormatSessionMoney(const AppContext &ctx, double value)
{
    const int decimals = ctx.startup.savedCurrencyDecimals;
    return moneyText(ctx, value, decimals > 0 ? decimals + 1 : decimals);
}

QString FormatBytes(qint64 bytes)
{
    if (bytes > 1048575)
        return twoDecimals(double(bytes) / Mega) + QStringLiteral(" MB");
    return twoDecimals(double(bytes) / Kilo) + QStringLiteral(" k");
}

QString FormatRate(double bytesPerSecond)
{
    if (bytesPerSecond >= Mega)
        return twoDecimals(bytesPerSecond / Mega) + QStringLiteral(" MB/s");
    return twoDecimals(bytesPerSecond / Kilo) + QStringLiteral(" k/s");
}

QString FormatClockTime(DateTime moment)
{
    return QTimeFromDateTime(moment).toString(QStringLiteral("hh:mm:ss"));
}

int LocaleCurrencyDecimals()
{
    const QLocale locale;
    const QString text = locale.toCurrencyString(1.0);
    const qsizetype point = text.lastIndexOf(locale.decimalPoint());
    if (point < 0)
        return 0;
    int digits = 0;
    for (qsizetype i = point + 1; i < text.size() && text[i].isDigit(); ++i)
        ++digits;
    return digits;
}
