#pragma once

#include <QObject>
#include <QStringList>

#include <cstddef>
#include <memory>

class QSocketNotifier;

// What a run of inotify events says about the pid-file folders.
struct PidFileEvents {
    bool changed = false;    // a ppp*.pid file came, changed or went
    bool overflow = false;   // events were lost
    bool gone = false;       // the folder of mainWatch went
};

// Reads one buffer of inotify events as read(2) hands it over into events.
// A record that runs past the end of the buffer ends the reading.
void ReadPidFileEvents(const char *buffer, size_t size, int mainWatch, PidFileEvents &events);

// Watches folders for pppd's pid files (ppp*.pid) coming, changing and
// going, through inotify.
class PidFileWatcher : public QObject
{
    Q_OBJECT

public:
    explicit PidFileWatcher(QObject *parent = nullptr);
    ~PidFileWatcher() override;

    // Watches each folder that exists. False when the first one cannot be
    // watched: then changes there go unnoticed.
    bool open(const QStringList &folders);

Q_SIGNALS:
    void pidFilesChanged();
    // Events were lost: the folders must be read again.
    void overflowed();
    // The first folder went away; its files are no longer watched.
    void lost();

private:
    void readEvents();

    int m_fd = -1;
    int m_mainWatch = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
