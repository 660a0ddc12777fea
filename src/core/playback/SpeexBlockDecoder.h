#pragma once

#include "BlockDecoder.h"

namespace tovrel {

// The recordings' own speech decoder (Speex narrowband) as playback's block decoder: one state
// across the blocks of a playback, a fresh one for every playback and seek.
BlockDecoderFactory speexBlockDecoders();

} // namespace tovrel
