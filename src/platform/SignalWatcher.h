#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

// Turns SIGTERM / SIGINT into a Qt signal on the event loop: the handler
// only writes a byte into a pipe, the loop reads it and emits received().
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    QList<int> m_signals;
};
