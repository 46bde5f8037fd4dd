#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// How text for the tools window's log (a finger answer as it arrives, piece
// by piece) continues it: the first element goes on the current line, each
// further one begins a new line. A line just begun ends nothing: a break
// that follows one (the rest of "\r\n", or a second "\r") is dropped, and so
// is a line feed that comes in the next piece after a carriage return.
// atLineStart tells whether the log's last line is empty.
QStringList SplitLogText(const QString &text, bool atLineStart);

// Decodes UTF-8 text that arrives in pieces (a finger answer as the socket
// hands it over) to the same text the whole would give. A character cut
// between two pieces is held back until the rest of it comes; the decoder's
// own state is not used across pieces, as it loses the byte that follows a
// cut sequence which turns out to be invalid.
class Utf8PieceDecoder
{
public:
    QString decode(QByteArrayView piece);
    // What is held back at the end of the text, decoded as it stands.
    QString finish();
    void reset() { m_held.clear(); }

private:
    QByteArray m_held;
};
