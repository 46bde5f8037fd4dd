#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QtTest>

namespace testsupport {

// The fake NetworkManager (tests/platform/fake_networkmanager.cpp) as a child
// process on a private bus, driven by its commands.
class FakeNetworkManager
{
public:
    FakeNetworkManager()
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readLines(); });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    ~FakeNetworkManager() { stop(); }

    // Starts it on the bus at address; true once it owns NetworkManager's name.
    bool start(const QString &address)
    {
        m_process.start(QStringLiteral(TALLYLINE_FAKE_NETWORKMANAGER), {address});
        if (!m_process.waitForStarted())
            return false;
        return QTest::qWaitFor([this] { return m_lines.contains(QStringLiteral("ready")) || !running(); }, 30000)
            && m_lines.contains(QStringLiteral("ready"));
    }

    // One command ("add|Mobile|gsm|ppp0"); true once it answered "ok". The
    // event loop runs meanwhile, so what the program under test hears of it
    // may be handled already, or not yet.
    bool command(const QString &line)
    {
        const int before = m_answers;
        m_process.write(line.toUtf8() + '\n');
        if (!QTest::qWaitFor([&] { return m_answers > before || !running(); }, 30000) || m_answers == before)
            return false;
        return m_lastAnswer == QLatin1String("ok");
    }

    bool commands(const QStringList &lines)
    {
        for (const QString &line : lines)
            if (!command(line))
                return false;
        return true;
    }

    // The method calls it answered, as "ActivateConnection Mobile".
    QStringList calls() const
    {
        QStringList result;
        for (const QString &line : m_lines)
            if (line.startsWith(QLatin1String("called ")))
                result.append(line.mid(7));
        return result;
    }

    QString lastAnswer() const { return m_lastAnswer; }
    bool running() const { return m_process.state() == QProcess::Running; }

    // Ends it at once, as NetworkManager stopping would take its name away.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    void readLines()
    {
        m_buffer += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
            m_lines.append(line);
            if (line == QLatin1String("ok") || line.startsWith(QLatin1String("error "))) {
                m_lastAnswer = line;
                ++m_answers;
            }
        }
    }

    QProcess m_process;
    QByteArray m_buffer;
    QStringList m_lines;
    QString m_lastAnswer;
    int m_answers = 0;
};

} // namespace testsupport
