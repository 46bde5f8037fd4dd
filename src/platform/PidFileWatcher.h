#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QSocketNotifier;

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
