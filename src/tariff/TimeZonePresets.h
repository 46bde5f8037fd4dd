#pragma once

#include "core/DateTime.h"
#include "core/Errors.h"
#include "tariff/BandRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

struct AppContext;

// A tariff preset: the bands of the eight day types and the holiday list of
// one ISP, kept in a ".tzp" file in the program directory so that tariffs
// can be shared. Costs and fees are the texts exactly as the database holds
// them; holidays are "dd/MM/yy" texts with the locale's date separator.
// A band of a preset is a band as the store holds it.
using PresetBand = BandRecord;

struct TimeZonePreset {
    std::array<QList<PresetBand>, 8> days;  // index 0 = "Mon" ... 7 = "Public Holiday"
    QStringList holidays;

    bool operator==(const TimeZonePreset &) const = default;
};

constexpr const char *PresetExtension = ".tzp";
constexpr const char *PublicHolidaysSection = "Public Holidays";

// More bands than minutes in a day, or holidays than this, is not a tariff
// anybody wrote: such a count marks a damaged file.
constexpr int MaxPresetBands = 1440;
constexpr int MaxPresetHolidays = 3660;

// Raised for a file that cannot be a preset (none of its sections, an
// impossible count, unreadable). Nothing has been written when it is raised.
class PresetFileError : public TallylineError
{
public:
    explicit PresetFileError(const QString &message) : TallylineError(message, "EPresetFileError") {}
};

// The preset names of a directory: every "*.tzp" file less its extension,
// in alphabetical order ignoring letter case.
QStringList TimeZonePresetNames(const QString &directory);

// A name that can be a file in the program directory: not empty, no path
// separator, not starting with a dot.
bool IsUsablePresetName(const QString &name);

// The file text of a preset, sections and keys in their fixed order.
QByteArray PresetFileText(const TimeZonePreset &preset);

// Reads preset file text the way the system's profile functions do: section
// and key names ignore letter case, missing keys read as 0 or empty text,
// integers take their leading digits. Throws PresetFileError when the text
// has none of the preset's sections or a count is beyond the limits.
TimeZonePreset ParsePresetFileText(const QByteArray &text, const QString &fileNameForErrors);

// A holiday as a preset holds it ("25/12/00" with the locale's separator),
// and back (two-digit years in the usual window around currentYear; throws
// ConvertError for text that is no date).
QString PresetHolidayText(DateTime day);
DateTime ParsePresetHoliday(const QString &text, int currentYear);

// The tariff of one ISP as it stands in the store, holidays as preset texts.
TimeZonePreset ReadISPTariff(AppContext &ctx, int user, int isp);

// Saves the current user's current ISP as the preset "name" (replacing a
// file of that name), makes it the current preset name and stores that as
// the ISP's "CurrentTimezonePresetName". False (nothing done) for an empty
// or unusable name.
bool SaveTimeZonePreset(AppContext &ctx, const QString &name);

// Deletes the preset "name" from the program directory.
bool DeleteTimeZonePreset(AppContext &ctx, const QString &name);

// Loads the preset file (a file name relative to the program directory,
// "name.tzp") into the current user's current ISP. A missing file empties
// the ISP's bands and holidays. Failures are reported with the internal
// error report; a bad holiday stops the load there, after the bands and the
// holidays before it were written. Unless the setup wizard is open the
// current preset name becomes the file name less ".tzp". False on failure.
bool LoadTimeZonePresets(AppContext &ctx, const QString &fileName);
// The same into any user's ISP.
bool LoadTimeZonePresets(AppContext &ctx, const QString &fileName, int user, int isp);
