#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// Runs tallyline-line (built beside the program at tallylineExecutable) with
// a request for the Tallyline that uses dataDir, and waits for it. Returns
// its exit code, -1 when it did not finish; *output gets what it printed.
inline int runLineCompanion(const QString &tallylineExecutable, const QString &dataDir, const QStringList &request,
                            QString *output = nullptr)
{
    QProcess p;
    p.start(QFileInfo(tallylineExecutable).dir().filePath(QStringLiteral("tallyline-line")),
            QStringList{QStringLiteral("--data-dir"), dataDir} + request);
    if (!p.waitForFinished(10000))
        return -1;
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitCode();
}

} // namespace testsupport
