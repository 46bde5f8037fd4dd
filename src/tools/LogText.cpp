#include "tools/LogText.h"

QStringList SplitLogText(const QString &text, bool atLineStart)
{
    QStringList lines{QString()};
    for (const QChar ch : text) {
        if (ch != QLatin1Char('\r') && ch != QLatin1Char('\n')) {
            lines.last() += ch;
            atLineStart = false;
            continue;
        }
        if (!atLineStart) {
            lines.append(QString());
            atLineStart = true;
        }
    }
    return lines;
}
