// Date and time text: typed dates and times, dates with month names, the
// times of a version-1 database.
#include "core/DateTime.h"
#include "core/Errors.h"
#include "store/GeneralRoutines.h"

#include <QLocale>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    static const QString orders[] = {QString(), QStringLiteral("DMY"), QStringLiteral("MDY"), QStringLiteral("YMD")};
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedKingdom),
                                      QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany)};
    const QString &order = orders[data[0] & 3];
    QLocale::setDefault(locales[(data[0] >> 2) % 3]);
    const int currentYear = 1900 + (data[1] | data[2] << 8) % 300;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));

    const auto use = [](DateTime value) {
        if (!std::isfinite(value))
            std::abort();
        QDateTimeFromDateTime(value);
        FormatShortDate(value);
        IsoDayOfWeek(value);
    };
    try {
        use(order.isEmpty() ? StrToDate(text, currentYear) : StrToDate(text, currentYear, order));
    } catch (const ConvertError &) {
    }
    try {
        const DateTime time = StrToTime(text);
        if (time < 0 || time >= 1)
            std::abort();
        use(time);
    } catch (const ConvertError &) {
    }
    try {
        use(order.isEmpty() ? ParseMonthNameDate(text, currentYear) : ParseMonthNameDate(text, currentYear, order));
    } catch (const ConvertError &) {
    }
    ExpandTwoDigitYear(text.size() > 0 ? text[0].unicode() : 0, currentYear);
    return 0;
}
