#pragma once

#include <QString>
#include <QStringList>

struct AppContext;
struct Settings;

// The settings dialog's engine: what its boxes offer and accept, and what
// its OK does to the running program. The window (TSettingsForm) shows the
// settings and hands back a changed copy.

// Public time servers offered on the clock page, sorted by name; the
// default server is one of them.
QStringList TimeServerNames();
// Hosts offered for the keep-alive ping.
QStringList KeepAliveHostPresets();

// The seconds added to a session are typed in a box of two characters: a
// longer text is cut back to its first two.
constexpr int SecondsBoxLength = 2;
QString SecondsBoxText(const QString &text);

// A whole number typed in a box; 0 when the text is not one.
int NumberOrZero(const QString &text);

// The modem page lists its radios as "On modem dial", "On password
// verification", "On internet connection"; each stands for a detection
// type (1, 0, 2). An unknown stored type shows the second radio.
int ModemDetectionRadio(int detectionType);
int ModemDetectionTypeOfRadio(int radio);

// The three reconnection radios: prompt, reconnect, do nothing.
enum class ReconnectionChoice { Prompt, Reconnect, Nothing };
ReconnectionChoice ReconnectionChoiceOf(const Settings &settings);
void ApplyReconnectionChoice(Settings &settings, ReconnectionChoice choice);

// The file name of a sound path, as its box shows it.
QString SoundBoxText(const QString &path);

// The settings dialog's OK: puts the chosen settings in force and applies
// them to the running program in the dialog's order (currency symbol, the
// online detection items of the menus, then the open windows through
// settingsApplied), and stores the record with the start-up entry.
void ApplySettings(AppContext &ctx, const Settings &chosen);
