#pragma once

#include "platform/PppdDialUpNetwork.h"

#include <QCoreApplication>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace testsupport {

// A temporary pppd installation: a peers folder, a run folder, a sysfs-like
// tree and a "pppd" shell script. The script checks its arguments and runs
// the peer file as shell, so each peer file is the scenario of one call.
struct FakePppd {
    FakePppd()
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("peers"));
        root.mkpath(QStringLiteral("run"));
        root.mkpath(QStringLiteral("varrun"));
        root.mkpath(QStringLiteral("sys"));
        root.mkpath(QStringLiteral("bin"));
        paths.peersDirectory = dir.filePath(QStringLiteral("peers"));
        paths.runDirectory = dir.filePath(QStringLiteral("run"));
        paths.oldRunDirectory = dir.filePath(QStringLiteral("varrun"));
        paths.sysfsNetRoot = dir.filePath(QStringLiteral("sys"));
        // The backend knows pppd by its process name; a name of this test's
        // own keeps tests running side by side (and a real pppd) apart.
        paths.pppdProgram = dir.filePath(QStringLiteral("bin/pppd%1").arg(QCoreApplication::applicationPid() % 1000000));
        writeExecutable(paths.pppdProgram,
                        QStringLiteral("#!/bin/sh\n"
                                       "[ \"$1\" = call ] && [ \"$3\" = nodetach ] || exit 2\n"
                                       "trap 'exit 5' TERM INT HUP\n"
                                       ": > '%2/ready.'$$\n"
                                       ". '%1/'\"$2\"\n")
                            .arg(paths.peersDirectory, dir.path()));
    }

    // Waits until the fake pppd with this process id has set up its signal
    // handling, as a real pppd has before anyone could hang it up.
    bool waitUntilReady(qint64 pid, int timeoutMs = 10000) const
    {
        const QString marker = dir.filePath(QStringLiteral("ready.%1").arg(pid));
        QDeadlineTimer deadline(timeoutMs);
        while (!QFileInfo::exists(marker)) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    // A test that fails half-way must not leave its fake pppd running, nor
    // the children it was starting: the next test would find them. They are
    // waited for, as a signal only arrives once its process runs again.
    ~FakePppd()
    {
        QStringList killed;
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &pid : pids) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(QFile::encodeName(paths.pppdProgram))
                && ::kill(pid.toInt(), SIGKILL) == 0)
                killed.append(pid);
        }
        const QDeadlineTimer deadline(10000);
        while (!killed.isEmpty() && !deadline.hasExpired()) {
            killed.removeIf([](const QString &pid) {
                QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
                if (!stat.open(QIODevice::ReadOnly))
                    return true;
                const QByteArray text = stat.readAll();
                const qsizetype close = text.lastIndexOf(')');
                return close < 0 || text.mid(close + 2, 1) == "Z";   // a zombie has ended
            });
            if (!killed.isEmpty())
                QTest::qSleep(5);
        }
    }

    // A pid file as pppd leaves it: the process id, and the interface on a
    // second line when the file is named after a link name. With rename,
    // the file is written beside and moved into place, as some tools do.
    void writePidFile(const QString &folder, const QString &fileName, const QByteArray &content, bool rename = false) const
    {
        const QString target = QDir(folder).filePath(fileName);
        const QString written = rename ? QDir(folder).filePath(QStringLiteral(".tmp-") + fileName) : target;
        QFile f(written);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        if (rename)
            QVERIFY(QFile::rename(written, target));
    }

    void addPeer(const QString &name, const QString &script) const
    {
        QFile f(QDir(paths.peersDirectory).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(script.toLocal8Bit());
    }

    // A statistics folder for an interface of the fake tree.
    void setCounters(const QString &interfaceName, const QByteArray &rx, const QByteArray &tx, const QByteArray &flags = "0x1091") const
    {
        QDir root(paths.sysfsNetRoot);
        root.mkpath(interfaceName + QStringLiteral("/statistics"));
        write(interfaceName + QStringLiteral("/statistics/rx_bytes"), rx + '\n');
        write(interfaceName + QStringLiteral("/statistics/tx_bytes"), tx + '\n');
        write(interfaceName + QStringLiteral("/flags"), flags + '\n');
    }

    void write(const QString &relative, const QByteArray &content) const
    {
        QFile f(QDir(paths.sysfsNetRoot).filePath(relative));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(content);
    }

    static void writeExecutable(const QString &path, const QString &text)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toLocal8Bit());
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Shell that waits until a file exists (giving up after half a minute).
    static QString waitFor(const QString &path)
    {
        return QStringLiteral("i=0; while [ ! -e '%1' ]; do sleep 0.05; i=$((i+1)); [ $i -lt 600 ] || exit 1; done\n")
            .arg(path);
    }

    // Shell that stays up like a connected pppd until told to hang up (or a
    // minute has passed).
    static QString stayUp()
    {
        return QStringLiteral("i=0; while [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done\nexit 0\n");
    }

    QTemporaryDir dir;
    PppdPaths paths;
};

} // namespace testsupport
