// The sequencer behind the MIDI manager, made once here so that a change to
// the player's interface shows up when this library is built. Nothing in
// this file is linked into a program that does not make one.
#include "media/midi_player.h"
#include "media/midi_sequencer.h"

namespace vesk::media {

template class PlayerSequencer<TMidiPlayV>;

}  // namespace vesk::media
