#pragma once

#include "core/Errors.h"

#include <QByteArray>
#include <QString>

class Store;

// A backup file that cannot be read; the message names the line at fault.
class RegFileError : public TallylineError
{
public:
    explicit RegFileError(const QString &message) : TallylineError(message, "ERegFileError") {}
};

// Writes the whole root key (HKEY_LOCAL_MACHINE\Software\Kelmora\Tallyline)
// to filePath in the registry editor's text format, readable by its owner only.
void ExportRegFile(Store &store, const QString &filePath);

// The number of users a backup file holds: "NumberOfUsers" of key Users,
// or of the version-1 key General where Users has none. Throws
// RegFileError when the file cannot be read.
int RegFileUserCount(const QString &filePath);

// Imports a registry editor file into the store in one transaction: either
// the whole file or, on any error, nothing.
void ImportRegFile(Store &store, const QString &filePath);

// The same two on file text already read; fileNameForErrors names it in
// messages.
int RegFileTextUserCount(const QByteArray &text, const QString &fileNameForErrors);
void ImportRegFileText(Store &store, const QByteArray &text, const QString &fileNameForErrors);
