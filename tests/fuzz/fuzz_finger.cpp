// A finger server's answer, in pieces as they arrive, as the tools window
// decodes it and lays it out in its log.
#include "tools/LogText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype piece = 1 + data[0] % 32;
    const QByteArrayView answer(data + 1, qsizetype(size - 1));
    Utf8PieceDecoder decoder;
    QString decoded;
    QStringList log{QString()};
    const auto append = [&](const QString &text) {
        decoded += text;
        const QStringList lines = SplitLogText(text, log.constLast().isEmpty());
        log.last() += lines.first();
        log += lines.mid(1);
    };
    for (qsizetype at = 0; at < answer.size(); at += piece)
        append(decoder.decode(answer.sliced(at, qMin(piece, answer.size() - at))));
    append(decoder.finish());
    // Pieces decode as the whole does, and the log holds every character but line breaks.
    QString whole = QString::fromUtf8(answer);
    if (decoded != whole)
        std::abort();
    whole.remove(QLatin1Char('\r'));
    whole.remove(QLatin1Char('\n'));
    if (log.join(QString()) != whole)
        std::abort();
    for (const QString &line : log) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            std::abort();
    }
    return 0;
}
