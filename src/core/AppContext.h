#pragma once

#include "core/AlarmState.h"
#include "core/AppHooks.h"
#include "core/EngineEvents.h"
#include "core/ErrorReport.h"
#include "core/Platform.h"
#include "core/ShellState.h"
#include "core/StartupValues.h"
#include "core/Ui.h"
#include "core/Clock.h"
#include "core/ConnectionState.h"
#include "core/SessionRecordWriteState.h"
#include "core/Settings.h"
class Store;
#include "core/PricingState.h"
#include "core/TariffState.h"
#include "core/LoginState.h"

// The one application context: everything the engine procedures share,
// passed to them by reference. No other process-wide state exists.
struct AppContext {
    AppContext(Store &store_, Clock &clock_, Ui &ui_) : store(store_), clock(clock_), ui(ui_) {}

    Store &store;
    Clock &clock;
    Ui &ui;
    Platform platform;
    AppHooks hooks;

    StartupValues startup;
    Settings settings;
    QString currencySymbol;        // the one money is shown with (override or locale)
    QString currentPresetName;     // tariff preset loaded last
    ErrorContext errorContext;

    LoginState login;
    ShellState shell;
    ConnectionState connection;
    TariffState tariff;
    PricingState pricing;
    SessionRecordWriteState recordWrites;
    AlarmState alarms;

    EngineEvents events;
};
