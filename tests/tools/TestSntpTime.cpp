#include "core/DateTime.h"
#include "sntp/SntpTime.h"
#include "support/TestMain.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct Answer {
    unsigned char ok = 0xee;
    double time = -1;
    double extra = -1;
};

Answer ask(const QString &host, int timeoutMs = -1)
{
    Answer a;
    const QByteArray name = host.toLocal8Bit();
    if (timeoutMs < 0)
        GetTimeFromHost(name.constData(), &a.ok, &a.time, &a.extra);
    else
        GetTimeFromHostWithin(name.constData(), timeoutMs, &a.ok, &a.time, &a.extra);
    return a;
}

// A UDP socket on a free loopback port; what it does with requests is up
// to its owner.
struct LoopbackUdp {
    LoopbackUdp()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length) == 0)
            port = ntohs(a.sin_port);
    }
    ~LoopbackUdp()
    {
        if (fd >= 0)
            ::close(fd);
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port); }

    int fd = -1;
    quint16 port = 0;
};

// A time server of the test's own that answers each request with the
// packet `shape` makes of it, until it is destroyed.
struct FakeServer : LoopbackUdp {
    explicit FakeServer(std::function<QByteArray(const QByteArray &request)> shape)
        : thread([this, shape] {
              while (!stop) {
                  pollfd p{fd, POLLIN, 0};
                  if (::poll(&p, 1, 20) <= 0)
                      continue;
                  char request[512];
                  sockaddr_in from{};
                  socklen_t length = sizeof from;
                  const ssize_t n = ::recvfrom(fd, request, sizeof request, 0, reinterpret_cast<sockaddr *>(&from), &length);
                  if (n <= 0)
                      continue;
                  const QByteArray reply = shape(QByteArray(request, int(n)));
                  ::sendto(fd, reply.constData(), size_t(reply.size()), 0, reinterpret_cast<sockaddr *>(&from), length);
              }
          })
    {
    }
    ~FakeServer()
    {
        stop = true;
        thread.join();
    }

    std::atomic<bool> stop{false};
    std::thread thread;
};

void putStamp(QByteArray &packet, int offset, quint32 seconds, quint32 fraction)
{
    for (int i = 0; i < 4; ++i) {
        packet[offset + i] = char(seconds >> (24 - 8 * i));
        packet[offset + 4 + i] = char(fraction >> (24 - 8 * i));
    }
}

// NTP seconds (modulo 2^32, as the wire has them) of a moment.
quint32 ntpSeconds(const QDateTime &utc)
{
    return quint32(quint64(utc.toSecsSinceEpoch() + 2208988800LL) & 0xffffffffu);
}

// chronyd serving this machine's time on a free loopback port, without
// touching the clock (-x). It has to run as root: through sudo otherwise.
class Chrony
{
public:
    // Why chronyd cannot run here (a reason to skip), or empty once it
    // answers; *failed when it started and then never answered.
    QString start(bool *failed)
    {
        *failed = false;
        QString chronyd = QStandardPaths::findExecutable(QStringLiteral("chronyd"));
        if (chronyd.isEmpty())
            chronyd = QStandardPaths::findExecutable(QStringLiteral("chronyd"),
                                                     {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        if (chronyd.isEmpty())
            return QStringLiteral("chronyd is not installed (scripts/setup.sh installs it)");
        QStringList command{chronyd, QStringLiteral("-d"), QStringLiteral("-x"), QStringLiteral("-u"),
                            QStringLiteral("root"), QStringLiteral("-f"), m_dir.filePath(QStringLiteral("chrony.conf"))};
        if (::geteuid() != 0) {
            if (QProcess::execute(QStringLiteral("sudo"), {QStringLiteral("-n"), QStringLiteral("true")}) != 0)
                return QStringLiteral("chronyd needs root, and sudo asks for a password here");
            command.prepend(QStringLiteral("-n"));
            command.prepend(QStringLiteral("sudo"));
        }
        {
            LoopbackUdp probe;
            port = probe.port;
        }
        QFile config(m_dir.filePath(QStringLiteral("chrony.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write the configuration");
        config.write(QStringLiteral("local stratum 8\nallow 127.0.0.1\nbindaddress 127.0.0.1\nport %1\ncmdport 0\n"
                                    "pidfile %2\ndriftfile %3\n")
                         .arg(port)
                         .arg(m_dir.filePath(QStringLiteral("chronyd.pid")), m_dir.filePath(QStringLiteral("drift")))
                         .toLocal8Bit());
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(command.first(), command.mid(1));
        // Ready once it answers, which it does from the moment its socket is
        // up; until then the port refuses at once, so each try also waits a
        // little for chronyd to say something.
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && m_process.waitForStarted() && m_process.state() == QProcess::Running) {
            if (ask(host(), 200).ok == 1)
                return QString();
            m_process.waitForReadyRead(50);
        }
        stop();
        *failed = true;
        return QStringLiteral("chronyd never answered: ") + QString::fromLocal8Bit(m_output);
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(10000);
        }
        m_output += m_process.readAll();
    }

    ~Chrony() { stop(); }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    quint16 port = 0;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
};

} // namespace

class TestSntpTime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chronyOnLoopback();
    void noTimeObtained_data();
    void noTimeObtained();
    void repliesAreChecked_data();
    void repliesAreChecked();
};

void TestSntpTime::chronyOnLoopback()
{
    Chrony chrony;
    bool failed = false;
    const QString failure = chrony.start(&failed);
    if (failed)
        QFAIL(qPrintable(failure));
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    const Answer a = ask(chrony.host());
    QCOMPARE(int(a.ok), 1);
    // chronyd serves this machine's own clock: the answer is now, here.
    const double now = DateTimeFromQDateTime(QDateTime::currentDateTime());
    QVERIFY2(std::fabs(a.time - now) * SecondsPerDay < 2, qPrintable(QString::number((a.time - now) * SecondsPerDay)));
    QVERIFY(std::fabs(a.extra) < 1);
}

void TestSntpTime::noTimeObtained_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("host");
    QTest::newRow("a port where nothing answers") << 0 << QString();
    QTest::newRow("a closed port") << 1 << QString();
    QTest::newRow("empty host") << 2 << QString();
    QTest::newRow("colon without a port") << 2 << QStringLiteral("127.0.0.1:");
    QTest::newRow("bracket not closed") << 2 << QStringLiteral("[::1:123");
    QTest::newRow("unresolvable name") << 2 << QString(64, QLatin1Char('x')) + QStringLiteral(".invalid");
}

void TestSntpTime::noTimeObtained()
{
    QFETCH(int, kind);
    QFETCH(QString, host);
    Answer a;
    if (kind == 0) {
        // Bound, so no "port unreachable" comes back: only the time-out ends the wait.
        LoopbackUdp silent;
        a = ask(silent.host());
    } else if (kind == 1) {
        QString closed;
        {
            LoopbackUdp gone;
            closed = gone.host();
        }
        a = ask(closed);
    } else {
        a = ask(host);
    }
    QCOMPARE(int(a.ok), 0);
    // Nothing else is written when no time was obtained.
    QCOMPARE(a.time, -1.0);
    QCOMPARE(a.extra, -1.0);
}

void TestSntpTime::repliesAreChecked_data()
{
    QTest::addColumn<QString>("flaw");
    QTest::addColumn<QDateTime>("serverTime");
    QTest::addColumn<bool>("taken");
    const QDateTime y2001(QDate(2001, 1, 10), QTime(12, 0, 0, 250), Qt::UTC);
    // Past 2036 the seconds count starts again: the top bit tells the eras apart.
    const QDateTime y2040(QDate(2040, 3, 1), QTime(6, 30), Qt::UTC);
    QTest::newRow("sound, 2001") << QString() << y2001 << true;
    QTest::newRow("sound, 2040") << QString() << y2040 << true;
    QTest::newRow("no receive time") << QStringLiteral("no receive") << y2001 << true;
    QTest::newRow("client mode") << QStringLiteral("mode") << y2001 << false;
    QTest::newRow("stratum 0, kiss of death") << QStringLiteral("stratum 0") << y2001 << false;
    QTest::newRow("stratum 16") << QStringLiteral("stratum 16") << y2001 << false;
    QTest::newRow("clock not synchronised") << QStringLiteral("leap") << y2001 << false;
    QTest::newRow("zero transmit time") << QStringLiteral("zero transmit") << y2001 << false;
    QTest::newRow("not an answer to our request") << QStringLiteral("originate") << y2001 << false;
    QTest::newRow("short packet") << QStringLiteral("short") << y2001 << false;
}

void TestSntpTime::repliesAreChecked()
{
    QFETCH(QString, flaw);
    QFETCH(QDateTime, serverTime);
    QFETCH(bool, taken);
    const quint32 seconds = ntpSeconds(serverTime);
    const quint32 fraction = quint32(quint64(serverTime.time().msec()) * 4294967296ULL / 1000);
    FakeServer server([&](const QByteArray &request) {
        QByteArray reply(48, '\0');
        reply[0] = char(flaw == QLatin1String("leap") ? 0xe4 : flaw == QLatin1String("mode") ? 0x23 : 0x24);
        reply[1] = char(flaw == QLatin1String("stratum 0") ? 0 : flaw == QLatin1String("stratum 16") ? 16 : 2);
        // The originate time quotes the request's transmit time.
        reply.replace(24, 8, request.mid(40, 8));
        if (flaw == QLatin1String("originate"))
            reply[31] = char(reply[31] ^ 1);
        if (flaw != QLatin1String("no receive"))
            putStamp(reply, 32, seconds, fraction);
        if (flaw != QLatin1String("zero transmit"))
            putStamp(reply, 40, seconds, fraction);
        if (flaw == QLatin1String("short"))
            reply.chop(1);
        return reply;
    });
    const Answer a = ask(server.host(), taken ? 5000 : 300);
    QCOMPARE(int(a.ok), taken ? 1 : 0);
    if (!taken)
        return;
    // The server's time, half a round trip on, in local time.
    const double expected = DateTimeFromQDateTime(serverTime.toLocalTime());
    QVERIFY2(std::fabs(a.time - expected) * SecondsPerDay < 0.5,
             qPrintable(QString::number((a.time - expected) * SecondsPerDay)));
    const double offset = double(QDateTime::currentDateTimeUtc().msecsTo(serverTime)) / 1000.0;
    QVERIFY(std::fabs(a.extra - offset) < 1);
}

TALLYLINE_ENGINE_TEST_MAIN(TestSntpTime)
#include "TestSntpTime.moc"
