#pragma once

#include "platform/SoundPlayer.h"

#include <QHash>
#include <QObject>

class QSoundEffect;

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
