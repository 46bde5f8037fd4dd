#pragma once

#include "core/DateTime.h"

#include <QString>
#include <cstdint>

// 1-based position of the first (or, fromEnd, the last) ch in text; 0 when absent.
int CharPos(QChar ch, const QString &text, bool fromEnd);
QString LeftOf(const QString &text, int count);

// Date text that may hold a locale short month name ("12-Jan-99"): the last
// month (in calendar order) named in the text is replaced by its number and
// the text converted in the short date order. Throws ConvertError.
DateTime ParseMonthNameDate(const QString &text, int currentYear);
// The same with a fixed order of day, month and year ("DMY").
DateTime ParseMonthNameDate(const QString &text, int currentYear, const QString &dateOrder);

struct FileVersion {
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
};

// The version block an executable of ours carries (an ELF section named
// ".tallyline_version"). Throws "Can't get file version information for <file>".
FileVersion GetFileVersion(const QString &fileName);

// The block itself, as laid out in the section.
struct VersionBlock {
    char magic[8];  // "TLVERS1"
    std::uint16_t major;
    std::uint16_t minor;
    std::uint16_t release;
    std::uint16_t build;
};
