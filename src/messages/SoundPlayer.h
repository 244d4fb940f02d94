#pragma once
#include <QString>

// Starts playing a WAV file through the default audio output and returns at
// once. Whether it plays is not reported: without an audio device, or with a
// file that can't be decoded, nothing is heard and nothing fails. A new call
// replaces whatever is still playing.
void PlaySoundAsync(const QString& path);
