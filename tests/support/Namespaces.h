#pragma once

#include <QFile>
#include <QString>

namespace testsupport {

// Whether "/" is a mount point of this process's view of the system. ip
// enters a network namespace with a mount namespace of its own, which fails
// where it is not (a chroot); and a namespace made there leaves a mount behind
// in the chroot's /run/netns.
inline bool rootIsMountPoint()
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    // A /proc file has no size, so it is read to its end in one go.
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray &line : lines) {
        // "36 35 98:0 /mnt1 /mnt2 rw,noatime ...": the fifth field is the mount point.
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && fields[4] == "/")
            return true;
    }
    return false;
}

} // namespace testsupport
