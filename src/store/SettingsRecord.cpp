#include "store/SettingsRecord.h"

#include "core/AppContext.h"
#include "core/StartAtLogin.h"
#include "store/FloatText.h"
#include "store/Store.h"

namespace {

const QString UsersKey = QStringLiteral("Users");
const QString SettingsKey = QStringLiteral("Settings");
const QString PropertiesKey = QStringLiteral("Properties");
const QString PositionsKey = QStringLiteral("Positions");
const QString NumberOfUsers = QStringLiteral("NumberOfUsers");
const QString DatabaseVersion = QStringLiteral("Database Version");
// Where version 1 kept the user count.
const QString Version1UsersKey = QStringLiteral("General");

} // namespace

void WriteNumberOfUsers(Store &store, int count)
{
    store.WriteStoreInteger(NumberOfUsers, UsersKey, count);
}

QString UserCountValueName()
{
    return NumberOfUsers;
}

int StoredUserCount(Store &store)
{
    int count = 0;
    store.ReadStoreInteger(NumberOfUsers, UsersKey, count);
    if (count == 0)
        store.ReadStoreInteger(NumberOfUsers, Version1UsersKey, count);
    return count;
}

double StoredDatabaseVersion(Store &store)
{
    return SafeStrToFloat(store.ReadStoreString(DatabaseVersion, SettingsKey));
}

QList<SettingField> SettingFields(Settings &s)
{
    QList<SettingField> f;
    const auto add = [&f](const QString &name, const QString &key, auto *target, bool newInVersion2 = false) {
        f.append(SettingField{name, key, target, newInVersion2});
    };
    const auto setting = [&](const char *name, auto *target, bool newInVersion2 = false) {
        add(QLatin1String(name), SettingsKey, target, newInVersion2);
    };
    constexpr bool New = true;

    add(NumberOfUsers, UsersKey, &s.NumberOfUsers);
    add(QStringLiteral("PreviousUser"), UsersKey, &s.PreviousUser);
    setting("UseSeperateISP", &s.UseSeperateISP, New);
    setting("DeletePrompt", &s.DeletePrompt);
    setting("ShowGridLines", &s.ShowGridLines);
    setting("LoadAtStartUp", &s.LoadAtStartUp);
    setting("SeperateDays", &s.SeperateDays);
    setting("DisplayBillWindow", &s.DisplayBillWindow);
    setting("UseStandardToolbar", &s.UseStandardToolbar);
    setting("ShowSplashForm", &s.ShowSplashForm);
    setting("AutoWebUpdate", &s.AutoWebUpdate);
    setting("PromptOnExit", &s.PromptOnExit);
    add(QStringLiteral("OverrideCurrency"), PropertiesKey, &s.OverrideCurrency, New);
    add(QStringLiteral("OverrideCurrencyString"), PropertiesKey, &s.OverrideCurrencyString, New);
    setting("DisconnectOnExit", &s.DisconnectOnExit);
    setting("AllowToBeExited", &s.AllowToBeExited);
    setting("DisableDialUp", &s.DisableDialUp);
    setting("AdminSettingsLockOut", &s.AdminSettingsLockOut);
    setting("AlwaysPromptPassword", &s.AlwaysPromptPassword);
    setting("DontBackupDatabase", &s.DontBackupDatabase);
    setting("CheckClockTamper", &s.CheckClockTamper);
    setting("ShowTaskBarWindow", &s.ShowTaskBarWindow);
    setting("TaskBarWindowX", &s.TaskBarWindowX);
    setting("TaskBarWindowY", &s.TaskBarWindowY);
    setting("AutoLogonLastUser", &s.AutoLogonLastUser);
    setting("ModemDetectionType", &s.ModemDetectionType);
    setting("AutoOpenSession", &s.AutoOpenSession);
    setting("ProgramRunOnFullConnect", &s.ProgramRunOnFullConnect);
    setting("ShowCostsBeforeTime", &s.ShowCostsBeforeTime);
    setting("ShowFloatingWindow", &s.ShowFloatingWindow);
    setting("ModemCorrectionFactor", &s.ModemCorrectionFactor);
    setting("SessionChargesStartTimeZone", &s.SessionChargesStartTimeZone);
    setting("ShowMonitorSessionCost", &s.ShowMonitorSessionCost);
    setting("ShowMonitorSessionTime", &s.ShowMonitorSessionTime);
    setting("ShowMonitorDailyCost", &s.ShowMonitorDailyCost);
    setting("ShowMonitorAccountCost", &s.ShowMonitorAccountCost);
    setting("ShowMonitorReceived", &s.ShowMonitorReceived);
    setting("ShowMonitorTransmitted", &s.ShowMonitorTransmitted);
    setting("SessionMonitorFontSize", &s.SessionMonitorFontSize);
    setting("SessionMonitorFontBold", &s.SessionMonitorFontBold);
    setting("ShowMonitorTotalTransmitted", &s.ShowMonitorTotalTransmitted, New);
    setting("ShowMonitorTotalReceived", &s.ShowMonitorTotalReceived, New);
    setting("PromptForReconnection", &s.PromptForReconnection, New);
    setting("AutoReconnectConnection", &s.AutoReconnectConnection, New);
    setting("PromptHangUp", &s.PromptHangUp);
    setting("AutoClockCorrect", &s.AutoClockCorrect);
    setting("NTPClockServer", &s.NTPClockServer);
    setting("PlaySoundOnConnect", &s.PlaySoundOnConnect);
    setting("PlaySoundOnDisconnect", &s.PlaySoundOnDisconnect);
    setting("ConnectionSound", &s.ConnectionSound);
    setting("DisconnectionSound", &s.DisconnectionSound);
    setting("DesktopNotifications", &s.DesktopNotifications, New);
    setting("AutoHangupConnection", &s.AutoHangupConnection);
    setting("HangupMinimumBytes", &s.HangupMinimumBytes);
    setting("HangupTime", &s.HangupTime);
    setting("KeepConnectionAlive", &s.KeepConnectionAlive, New);
    setting("KeepConnectionAliveInterval", &s.KeepConnectionAliveInterval, New);
    setting("AlivePingAddress", &s.AlivePingAddress, New);
    setting("StartGraphColor", &s.StartGraphColor);
    setting("FinishGraphColor", &s.FinishGraphColor);
    setting("GraphSeriesColor", &s.GraphSeriesColor);
    setting("DisplayGraphAs3D", &s.DisplayGraphAs3D);
    setting("ShowValueMarkers", &s.ShowValueMarkers);
    setting("AnimatedZoom", &s.AnimatedZoom);
    setting("FillGraphBackground", &s.FillGraphBackground);
    setting("ShowTipForm", &s.ShowTipForm);
    for (int i = 0; i < 11; ++i)
        add(QStringLiteral("SessionListDisplay%1").arg(i + 1), SettingsKey, &s.SessionListDisplay[i], New);
    for (int i = 0; i < 11; ++i)
        add(QStringLiteral("PerformanceListDisplay%1").arg(i + 1), SettingsKey, &s.PerformanceListDisplay[i], New);
    add(QStringLiteral("MainWindowWidth"), PositionsKey, &s.MainWindowWidth, New);
    add(QStringLiteral("MainWindowHeight"), PositionsKey, &s.MainWindowHeight, New);
    for (int i = 0; i < 11; ++i)
        add(QStringLiteral("SessionColumn%1").arg(i + 1), PositionsKey, &s.SessionColumn[i], New);
    for (int i = 0; i < 11; ++i)
        add(QStringLiteral("PerformanceColumn%1").arg(i + 1), PositionsKey, &s.PerformanceColumn[i], New);
    return f;
}

void ReadSettingsFromDatabase(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "ReadSettingsFromDatabase");
    Store &store = ctx.store;
    for (const SettingField &field : SettingFields(ctx.settings)) {
        if (int *const *value = std::get_if<int *>(&field.target)) {
            store.ReadStoreInteger(field.valueName, field.keyPath, **value);
        } else if (bool *const *flag = std::get_if<bool *>(&field.target)) {
            store.ReadStoreBool(field.valueName, field.keyPath, **flag);
        } else {
            // A missing string keeps its default.
            QString *text = std::get<QString *>(field.target);
            StoreValue stored;
            if (store.readValue(Store::hivePathOf(field.keyPath), field.valueName, stored))
                *text = store.ReadStoreString(field.valueName, field.keyPath);
        }
    }

    Settings &s = ctx.settings;
    ctx.currencySymbol = s.OverrideCurrency ? s.OverrideCurrencyString : ctx.startup.systemCurrencySymbol;
    if (s.NTPClockServer.isEmpty())
        s.NTPClockServer = QString::fromLatin1(DefaultNTPClockServer);
    if (s.ConnectionSound.isEmpty())
        s.ConnectionSound = ctx.startup.programDirectory + QStringLiteral("Ringin.wav");
    if (s.DisconnectionSound.isEmpty())
        s.DisconnectionSound = ctx.startup.programDirectory + QStringLiteral("Ringout.wav");
}

void WriteSettingsToDatabase(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "WriteSettingsToDatabase");
    Store &store = ctx.store;
    {
        Store::Transaction transaction(store);
        for (const SettingField &field : SettingFields(ctx.settings)) {
            if (int *const *value = std::get_if<int *>(&field.target))
                store.WriteStoreInteger(field.valueName, field.keyPath, **value);
            else if (bool *const *flag = std::get_if<bool *>(&field.target))
                store.WriteStoreBool(field.valueName, field.keyPath, **flag);
            else
                store.WriteStoreString(field.valueName, field.keyPath, *std::get<QString *>(field.target));
        }
        store.WriteStoreString(QStringLiteral("CurrentTimezonePresetName"), SettingsKey, ctx.currentPresetName);
        store.WriteStoreFloat(DatabaseVersion, SettingsKey, CurrentDatabaseVersion);
        transaction.commit();
    }
    WriteStartupEntry(ctx);
}

void WriteStartupEntry(AppContext &ctx)
{
    const bool on = ctx.settings.LoadAtStartUp;
    const QString &executable = ctx.startup.executablePath;
    ctx.store.WriteAbsoluteString(QLatin1String(RunKeyPath), QLatin1String(RunValueName),
                                  on ? QLatin1Char('"') + executable + QLatin1Char('"') : QString());
    if (StartAtLogin *entry = ctx.platform.autostart) {
        if (on) {
            QStringList arguments;
            if (!ctx.startup.dataDirectoryArgument.isEmpty())
                arguments << QStringLiteral("--data-dir") << ctx.startup.dataDirectoryArgument;
            entry->enable(executable, arguments);
        } else {
            entry->disable();
        }
    }
}
