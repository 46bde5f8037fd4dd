#pragma once

#include "alarms/AlarmState.h"
#include "app/AppHooks.h"
#include "app/EngineEvents.h"
#include "app/ErrorReport.h"
#include "app/Platform.h"
#include "app/ShellState.h"
#include "app/StartupValues.h"
#include "app/Ui.h"
#include "platform/Clock.h"
#include "session/ConnectionState.h"
#include "session/SessionRecordWriteState.h"
#include "store/Settings.h"
#include "store/Store.h"
#include "tariff/PricingState.h"
#include "tariff/TariffState.h"
#include "users/LoginState.h"

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
