#pragma once

#include "media/ClipVoice.h"

namespace pikoro {

// The short sound of a key that misses: a soft falling "boing" of about a fifth of a second,
// stereo at `sampleRate`. Made here, so it sounds without any prepared file.
AudioClip missSound(int sampleRate);

} // namespace pikoro
