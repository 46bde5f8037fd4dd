// The time-zone preset reader: any *.tzp file in the program directory, and
// the holiday texts it holds.
#include "core/Errors.h"
#include "tariff/TimeZonePresets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    TimeZonePreset preset;
    try {
        preset = ParsePresetFileText(text, QStringLiteral("fuzz.tzp"));
    } catch (const PresetFileError &) {
        return 0;
    }
    // What is read can be saved again and reads back the same.
    const TimeZonePreset again = ParsePresetFileText(PresetFileText(preset), QStringLiteral("again.tzp"));
    if (!(again == preset))
        std::abort();
    for (const QString &holiday : preset.holidays) {
        try {
            const DateTime day = ParsePresetHoliday(holiday, 2026);
            PresetHolidayText(day);
        } catch (const ConvertError &) {
        }
    }
    return 0;
}
