#include "app/gui/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

QtSoundPlayer::QtSoundPlayer(QObject *parent) : QObject(parent) {}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const QString &fileName)
{
    const QFileInfo file(fileName);
    if (fileName.isEmpty() || !file.isFile() || !file.isReadable())
        return;
    // Without an output device the effect would only log its failure.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    const QString path = file.absoluteFilePath();
    QSoundEffect *effect = m_effects.value(path);
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
        m_effects.insert(path, effect);
    }
    // A file that failed to load may have been replaced since: try it afresh.
    if (effect->status() == QSoundEffect::Error) {
        effect->setSource(QUrl());
        effect->setSource(QUrl::fromLocalFile(path));
    }
    // Loading is asynchronous; play() before it finishes plays once it has.
    effect->play();
}
