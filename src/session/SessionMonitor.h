#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>

struct AppContext;
struct Settings;

// The floating session monitor's engine: its seven texts, their layout,
// the refreshed captions and the snapping of a dragged window. The window
// (TTaskBarWindowForm) measures fonts and moves itself; everything that
// can be decided without a screen is decided here.

enum MonitorText {
    TimerFloatingText = 0,
    AccountText,
    DailyText,
    ReceivedText,
    TransmittedText,
    TotalReceivedText,
    TotalTransmittedText,
};
constexpr int MonitorTextCount = 7;

// Interval of the connection check in milliseconds: the rates are bytes
// per interval, and dividing by it gives kilobytes per second.
constexpr int ConnectionCheckIntervalMs = 1000;

// The captions the texts are created with, and the widest samples each is
// sized by, in text order.
QStringList MonitorDesignCaptions();
QStringList MonitorSampleTexts();

// Which texts the settings ask for; the first is always shown.
std::array<bool, MonitorTextCount> MonitorTextsShown(const Settings &settings);

// Where each text goes, given each text's width measured with its sample
// and the height of the transmitted-rate text.
struct MonitorLayout {
    std::array<int, MonitorTextCount> left{};
    std::array<bool, MonitorTextCount> visible{};
    int width = 0;
    int height = 0;
};
MonitorLayout LayoutSessionMonitor(const std::array<int, MonitorTextCount> &sampleWidths, int transmittedHeight,
                                   const std::array<bool, MonitorTextCount> &shown);

// The captions of one refresh; a null text is not refreshed (its setting
// is off). All null when "ShowTaskBarWindow" is off.
using MonitorCaptions = std::array<QString, MonitorTextCount>;
MonitorCaptions UpdateSessionMonitor(AppContext &ctx);

// "Tot Rec 1024.00K" up to 1048575 bytes, "Tot Rec 1.00MB" from 1048576 on.
QString MonitorTotalText(const QString &prefix, qint64 bytes);
// "Rec 1.50K/S" for a rate in bytes per connection-check interval.
QString MonitorRateText(const QString &prefix, double bytesPerInterval);

// The rectangle of a dragged window moved by the mouse, snapped to a
// screen edge it comes within 20 pixels of.
constexpr int MonitorSnapDistance = 20;
QRect SnapMonitorRect(const QRect &moved, const QSize &screen);
