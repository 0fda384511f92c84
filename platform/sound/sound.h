#pragma once

#include "platform/canvas/picture.h"

namespace sound {

// Opens the sound output; without a usable device the game stays silent.
void open();
void close();

// Starts the WAV file image playing and returns at once. A sound already
// playing goes on; data that is not a playable WAV plays nothing.
void playSound(canvas::Bytes wav, bool loop);

// Whether playSound would play the WAV file image: it is read and converted
// for the open output as playSound does, then dropped. False while the
// output is closed or silent.
bool canPlay(canvas::Bytes wav);

// How many sounds are playing now (0 when the output is closed or silent).
int playingCount();

} // namespace sound
