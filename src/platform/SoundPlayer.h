#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QSoundEffect;

// Plays the connection, disconnection and alarm sounds.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;

    // Starts playing a sound file and returns at once. A file that is
    // missing or cannot be played, or a computer without sound output,
    // plays nothing and is not an error.
    virtual void play(const QString &fileName) = 0;
};

// Qt Multimedia's sound effects (WAV files). Each file is loaded once and
// kept, so a sound that repeats (an alarm) does not reload it.
class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
    explicit QtSoundPlayer(QObject *parent = nullptr);
    ~QtSoundPlayer() override;

    void play(const QString &fileName) override;

private:
    QHash<QString, QSoundEffect *> m_effects;
};

// Remembers the files it was asked to play.
class FakeSoundPlayer : public SoundPlayer
{
public:
    void play(const QString &fileName) override { played.append(fileName); }

    QStringList played;
};
