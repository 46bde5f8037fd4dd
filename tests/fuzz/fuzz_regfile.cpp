// The backup reader: any file offered for import.
#include "store/RegFile.h"
#include "store/Store.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const std::unique_ptr<Store> store = Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)));
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        RegFileTextUserCount(text, QStringLiteral("backup.reg"));
    } catch (const RegFileError &) {
        return 0;
    }
    // A file that reads is imported whole or not at all; only RegFileError may say why not.
    try {
        ImportRegFileText(*store, text, QStringLiteral("backup.reg"));
    } catch (const RegFileError &) {
    }
    return 0;
}
