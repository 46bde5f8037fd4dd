#pragma once

#include "platform/DialUpNetwork.h"

#include <QHash>

// A dial-up network whose phone book, connections and counters the test sets
// by hand. It records what was dialled and hung up; progress is sent with
// emitProgress.
class FakeDialUpNetwork : public DialUpNetwork
{
    Q_OBJECT

public:
    using DialUpNetwork::DialUpNetwork;

    QStringList entries() override { return phoneBook; }
    QList<DialUpConnection> connections() override { return active; }

    int dial(const QString &entry, qint64 *handle) override
    {
        dialled.append(entry);
        if (dialResult != 0)
            return dialResult;
        *handle = nextHandle++;
        return 0;
    }

    bool hangUp(qint64 handle) override
    {
        hungUp.append(handle);
        if (!hangUpRefusal.isEmpty())
            return false;
        for (qsizetype i = 0; i < active.size(); ++i) {
            if (active[i].handle == handle) {
                if (removeOnHangUp)
                    active.removeAt(i);
                return true;
            }
        }
        return false;
    }

    QString hangUpFailure() const override { return hangUpRefusal; }

    bool isActive(qint64 handle) override
    {
        ++activeQueries;
        for (const DialUpConnection &c : active)
            if (c.handle == handle)
                return true;
        return false;
    }

    std::optional<LinkCounters> linkCounters(const QString &interfaceName) override
    {
        ++counterReads;
        const auto it = counters.constFind(interfaceName);
        if (it == counters.constEnd())
            return std::nullopt;
        return *it;
    }

    void addConnection(qint64 handle, const QString &entry, int state, const QString &interfaceName = QString())
    {
        DialUpConnection c;
        c.handle = handle;
        c.entryName = entry;
        c.state = state;
        c.interfaceName = interfaceName;
        c.deviceName = interfaceName.isEmpty() ? QStringLiteral("fake") : interfaceName;
        c.deviceType = QStringLiteral("fake");
        active.append(c);
    }

    void setCounters(const QString &interfaceName, qint64 received, qint64 transmitted)
    {
        counters[interfaceName] = LinkCounters{received, transmitted, 0};
    }

    void emitProgress(qint64 handle, int state, int errorCode = 0)
    {
        Q_EMIT dialProgress(handle, state, RasStateText(state), errorCode, errorCode ? errorText(errorCode) : QString());
    }

    QStringList phoneBook;
    QList<DialUpConnection> active;
    QHash<QString, LinkCounters> counters;
    QStringList dialled;
    QList<qint64> hungUp;
    int dialResult = 0;
    qint64 nextHandle = 100;
    bool removeOnHangUp = true;
    QString hangUpRefusal;   // set: every hang-up is refused with this reason
    int activeQueries = 0;
    int counterReads = 0;
};
