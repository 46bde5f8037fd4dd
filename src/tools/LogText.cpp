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

namespace {

// The bytes a sequence starting with lead takes; 1 for a byte that starts none.
int sequenceLength(unsigned char lead)
{
    if (lead >= 0xC0 && lead < 0xE0)
        return 2;
    if (lead >= 0xE0 && lead < 0xF0)
        return 3;
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    return 1;
}

} // namespace

QString Utf8PieceDecoder::decode(QByteArrayView piece)
{
    m_held.append(piece);
    // Cut before the last byte that is not a continuation byte when its
    // sequence is not complete yet: what comes before it decodes alone.
    qsizetype cut = m_held.size();
    for (qsizetype i = m_held.size() - 1; i >= 0 && i >= m_held.size() - 4; --i) {
        const auto byte = static_cast<unsigned char>(m_held[i]);
        if ((byte & 0xC0) == 0x80)
            continue;
        if (m_held.size() - i < sequenceLength(byte))
            cut = i;
        break;
    }
    const QString text = QString::fromUtf8(m_held.constData(), cut);
    m_held.remove(0, cut);
    return text;
}

QString Utf8PieceDecoder::finish()
{
    const QString text = QString::fromUtf8(m_held);
    m_held.clear();
    return text;
}
