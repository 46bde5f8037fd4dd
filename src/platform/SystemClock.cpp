#include "platform/SystemClock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

bool LinuxSystemClock::setLocalTime(const QDateTime &moment, QString *error)
{
    if (!moment.isValid()) {
        if (error)
            *error = QStringLiteral("The system clock was not set: the time to set is not valid.");
        return false;
    }
    const qint64 ms = moment.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    if (ts.tv_nsec < 0) {
        ts.tv_nsec += 1000000000L;
        --ts.tv_sec;
    }
    if (::clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    const int code = errno;
    if (error) {
        if (code == EPERM) {
            *error = QStringLiteral("The system clock was not set: Tallyline is not allowed to change it "
                                    "(setting the time needs the CAP_SYS_TIME capability).");
        } else {
            *error = QStringLiteral("The system clock was not set: %1.")
                         .arg(QString::fromLocal8Bit(std::strerror(code)));
        }
    }
    return false;
}
