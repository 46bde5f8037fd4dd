#pragma once

#include <QString>
#include <QStringList>

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

// Remembers the files it was asked to play.
class FakeSoundPlayer : public SoundPlayer
{
public:
    void play(const QString &fileName) override { played.append(fileName); }

    QStringList played;
};
