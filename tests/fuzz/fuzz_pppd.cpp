// What pppd and the kernel tell the pppd line in text: pppd's output during
// a call (in pieces as read), a pid file, a process's stat and command line.
#include "platform/PppdDialUpNetwork.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    switch (data[0] & 3) {
    case 0: {
        // Output read in pieces of any size gives the same lines.
        const qsizetype piece = 1 + data[1] % 64;
        QByteArray pending;
        QStringList lines;
        for (qsizetype at = 0; at < text.size(); at += piece) {
            pending.append(text.mid(at, piece));
            lines += TakePppdOutputLines(pending);
        }
        QByteArray whole = text;
        if (TakePppdOutputLines(whole) != lines || whole != pending || pending.contains('\n'))
            std::abort();
        for (const QString &line : lines) {
            const PppdProgress progress = ReadPppdOutputLine(line);
            if (progress.state < 0 && !progress.interfaceName.isEmpty())
                std::abort();
        }
        break;
    }
    case 1: {
        const PppdPidFile file = ReadPppdPidFile(text, data[1] & 1 ? QStringLiteral("ppp0") : QStringLiteral("ppp-dsl"));
        if (file.pid < 0 || (file.pid == 0 && !file.interfaceName.isEmpty()))
            std::abort();
        break;
    }
    case 2:
        ReadProcStatParent(text);
        break;
    case 3:
        ReadPppdOptions(ReadProcCmdline(text));
        break;
    }
    return 0;
}
