#pragma once

#include "platform/PppdDialUpNetwork.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
        root.mkpath(QStringLiteral("sys"));
        root.mkpath(QStringLiteral("bin"));
        paths.peersDirectory = dir.filePath(QStringLiteral("peers"));
        paths.runDirectory = dir.filePath(QStringLiteral("run"));
        paths.sysfsNetRoot = dir.filePath(QStringLiteral("sys"));
        // The backend knows pppd by its process name; a name of this test's
        // own keeps tests running side by side (and a real pppd) apart.
        paths.pppdProgram = dir.filePath(QStringLiteral("bin/pppd%1").arg(QCoreApplication::applicationPid() % 1000000));
        writeExecutable(paths.pppdProgram,
                        QStringLiteral("#!/bin/sh\n"
                                       "[ \"$1\" = call ] && [ \"$3\" = nodetach ] || exit 2\n"
                                       "trap 'exit 5' TERM INT HUP\n"
                                       ". '%1/'\"$2\"\n")
                            .arg(paths.peersDirectory));
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

    // Shell that waits, a tenth of a second at a time, until a file exists.
    static QString waitFor(const QString &path)
    {
        return QStringLiteral("while [ ! -e '%1' ]; do sleep 0.05; done\n").arg(path);
    }

    // Shell that stays up like a connected pppd until told to hang up.
    static QString stayUp() { return QStringLiteral("while :; do sleep 0.05; done\n"); }

    QTemporaryDir dir;
    PppdPaths paths;
};

} // namespace testsupport
