#include "session/SessionMonitor.h"

#include "core/AppContext.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"

#include <QLocale>

namespace {

constexpr qint64 LargestKilobyteTotal = 1048575;

// "%2.2f" with the locale's decimal separator.
QString twoDecimals(double value)
{
    QString text = QString::asprintf("%2.2f", value);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

} // namespace

QStringList MonitorDesignCaptions()
{
    return {QString(),
            QStringLiteral("Account \u00a30.00"),
            QStringLiteral("Daily \u00a30.00"),
            QStringLiteral("Rec 00.00K/s"),
            QStringLiteral("Tran 00.00K/s"),
            QStringLiteral("Tot Rec 00.00K"),
            QStringLiteral("Tot Tran 00.00K")};
}

QStringList MonitorSampleTexts()
{
    return {QStringLiteral("Cost \u00a30000.0000 Time 00:00:00"),
            QStringLiteral("Account \u00a30000.0000"),
            QStringLiteral("Daily \u00a30000.0000"),
            QStringLiteral("Rec 000.00K/s"),
            QStringLiteral("Tran 000.00K/s"),
            QStringLiteral("Tot Rec 0000.00K"),
            QStringLiteral("Tot Tran 0000.00K")};
}

std::array<bool, MonitorTextCount> MonitorTextsShown(const Settings &s)
{
    return {true,
            s.ShowMonitorAccountCost,
            s.ShowMonitorDailyCost,
            s.ShowMonitorReceived,
            s.ShowMonitorTransmitted,
            s.ShowMonitorTotalReceived,
            s.ShowMonitorTotalTransmitted};
}

MonitorLayout LayoutSessionMonitor(const std::array<int, MonitorTextCount> &sampleWidths, int transmittedHeight,
                                   const std::array<bool, MonitorTextCount> &shown)
{
    MonitorLayout layout;
    layout.visible[TimerFloatingText] = true;
    int x = sampleWidths[TimerFloatingText] + 1;
    for (int i = 1; i < MonitorTextCount; ++i) {
        if (!shown[i])
            continue;
        layout.left[i] = x;
        layout.visible[i] = true;
        x += sampleWidths[i] + 1;
    }
    layout.width = x;
    layout.height = transmittedHeight + 1;
    return layout;
}

QString MonitorTotalText(const QString &prefix, qint64 bytes)
{
    if (bytes > LargestKilobyteTotal)
        return prefix + twoDecimals(double(bytes) / 1048576.0) + QStringLiteral("MB");
    return prefix + twoDecimals(double(bytes) / 1024.0) + QStringLiteral("K");
}

QString MonitorRateText(const QString &prefix, double bytesPerInterval)
{
    return prefix + twoDecimals(bytesPerInterval / ConnectionCheckIntervalMs) + QStringLiteral("K/S");
}

MonitorCaptions UpdateSessionMonitor(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "UpdateSessionMonitor");
    MonitorCaptions captions;
    const Settings &s = ctx.settings;
    if (!s.ShowTaskBarWindow)
        return captions;
    const PricingState &p = ctx.pricing;
    const ConnectionState &c = ctx.connection;
    const QString cost = FormatMoney(ctx, p.SessionCost);
    const QString time = OnlineIntegerToString(p.SecondsOnline);
    captions[TimerFloatingText] = s.ShowCostsBeforeTime ? QStringLiteral("Cost ") + cost + QStringLiteral("  Time ") + time
                                                        : QStringLiteral("Time ") + time + QStringLiteral("  Cost ") + cost;
    if (s.ShowMonitorAccountCost)
        captions[AccountText] = QStringLiteral("Account ") + FormatMoney(ctx, p.AccountCost);
    if (s.ShowMonitorDailyCost)
        captions[DailyText] = QStringLiteral("Daily ") + FormatMoney(ctx, p.DailyCost);
    if (s.ShowMonitorReceived)
        captions[ReceivedText] = MonitorRateText(QStringLiteral("Rec "), c.ReceiveRate);
    if (s.ShowMonitorTransmitted)
        captions[TransmittedText] = MonitorRateText(QStringLiteral("Tran "), c.TransmitRate);
    if (s.ShowMonitorTotalReceived)
        captions[TotalReceivedText] = MonitorTotalText(QStringLiteral("Tot Rec "), c.TotalReceived);
    if (s.ShowMonitorTotalTransmitted)
        captions[TotalTransmittedText] = MonitorTotalText(QStringLiteral("Tot Tran "), c.TotalTransmitted);
    return captions;
}

QRect SnapMonitorRect(const QRect &moved, const QSize &screen)
{
    QRect r = moved;
    if (r.left() < MonitorSnapDistance)
        r.moveLeft(0);
    // QRect's right() is the last pixel column; the window's right edge is one past it.
    if (r.left() + r.width() > screen.width() - MonitorSnapDistance)
        r.moveLeft(screen.width() - r.width());
    if (r.top() < MonitorSnapDistance)
        r.moveTop(0);
    if (r.top() + r.height() > screen.height() - MonitorSnapDistance)
        r.moveTop(screen.height() - r.height());
    return r;
}
