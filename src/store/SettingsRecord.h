#pragma once

#include "core/Settings.h"

#include <QList>
#include <QString>
#include <variant>

struct AppContext;
class Store;

// One value of the settings record: where it is stored and which field of a
// Settings it fills.
struct SettingField {
    QString valueName;
    QString keyPath;  // root-relative: "Users", "Settings", "Properties" or "Positions"
    std::variant<int *, bool *, QString *> target;
    bool newInVersion2 = false;  // version-1 databases did not have it
};

// Every stored value of the record in its stored order, bound to settings.
QList<SettingField> SettingFields(Settings &settings);

// Stores the user count alone, as adding a user does.
void WriteNumberOfUsers(Store &store, int count);
// The name of the user count, for a reader of a backup file.
QString UserCountValueName();
// The user count as start-up finds it: where this version keeps it, else
// where version 1 kept it.
int StoredUserCount(Store &store);
// "Database Version" of the settings; 0 when there is none.
double StoredDatabaseVersion(Store &store);

// Key and value of the start-up entry outside our root.
constexpr const char *RunKeyPath = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char *RunValueName = "Tallyline";

constexpr double CurrentDatabaseVersion = 2;

// Reads the record into ctx.settings (a missing value keeps the field as it
// is), then sets ctx.currencySymbol and fills in an empty time server and
// empty sound file names.
void ReadSettingsFromDatabase(AppContext &ctx);

// Writes the whole record, the preset name, "Database Version" and the
// start-up entry.
void WriteSettingsToDatabase(AppContext &ctx);

// The "Run" value (the quoted executable, or empty when "LoadAtStartUp" is
// off) and the desktop's autostart file.
void WriteStartupEntry(AppContext &ctx);
