// Float text as the store, backups and presets hold it.
#include "core/Errors.h"
#include "store/FloatText.h"

#include <QLocale>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // Both decimal separators.
    static const QLocale english(QLocale::English, QLocale::UnitedKingdom);
    static const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(data[0] & 1 ? german : english);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    double value = 0;
    const bool read = TryStoreTextToFloat(text, value);
    if (SafeStrToFloat(text) != (read ? value : 0.0))
        std::abort();
    try {
        if (StoreTextToFloat(text) != value || !read)
            std::abort();
    } catch (const ConvertError &) {
        if (read)
            std::abort();
    }
    if (read && std::isfinite(value)) {
        // What is written reads back to the same text.
        const QString written = FloatToStoreText(value);
        double back = 0;
        if (!TryStoreTextToFloat(written, back) || FloatToStoreText(back) != written)
            std::abort();
    }
    return 0;
}
