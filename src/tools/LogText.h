#pragma once

#include <QString>
#include <QStringList>

// How text for the tools window's log (a finger answer as it arrives, piece
// by piece) continues it: the first element goes on the current line, each
// further one begins a new line. A line just begun ends nothing: a break
// that follows one (the rest of "\r\n", or a second "\r") is dropped, and so
// is a line feed that comes in the next piece after a carriage return.
// atLineStart tells whether the log's last line is empty.
QStringList SplitLogText(const QString &text, bool atLineStart);
