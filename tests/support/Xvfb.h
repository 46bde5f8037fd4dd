#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace testsupport {

// A private X server for tests that need a real window system; it says
// which display it took once it is ready to take clients.
class Xvfb
{
public:
    Xvfb()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            return;
        m_server.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                 QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                 QStringLiteral("1024x768x24")});
        if (!m_server.waitForStarted())
            return;
        while (!m_server.canReadLine() && m_server.waitForReadyRead(30000)) {
        }
        const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
        bool ok = false;
        number.toInt(&ok);
        if (ok)
            m_display = QLatin1Char(':') + number;
    }

    ~Xvfb()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
    }

    // ":N", empty when no server could be started.
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

} // namespace testsupport
