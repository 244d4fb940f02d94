#include "messages/SoundPlayer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

void PlaySoundAsync(const QString& path)
{
    // One player for the program's life. QSoundEffect decodes WAV itself and
    // loads in the background; a play() asked for while loading starts as
    // soon as the samples are in.
    static QPointer<QSoundEffect> player;
    if (!player)
        player = new QSoundEffect(QCoreApplication::instance());
    // Without an audio device the effect never reports the end of playback, so
    // it is stopped explicitly rather than waited on.
    player->stop();
    // The same path may hold a different recording than last time: clearing
    // the source first makes the next one load afresh.
    player->setSource(QUrl());
    player->setSource(QUrl::fromLocalFile(path));
    player->play();
}
