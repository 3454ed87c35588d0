// The elements' sounds in a run: loaded as the last step of the scene build
// (starting the sound system), reset when the run starts, placed at their
// elements in every drawn frame with the listener at the hearer, and
// released with the scene.
#pragma once

#include <cstdint>
#include <string_view>

#include "media/sound.h"

namespace engine {

// Starts the sound system with element 0 as the hearer and loads the sound
// of each of the first `elements` elements.
void load_element_sounds(int32_t elements);
// Loads one element's sound (record field 3, settings of field 39) into
// its ElementState: `sound_index` -1 without a sound, 0 with one; the rate
// factor and natural frequency in the two sound rate words; flag 0x010
// from the play-once mode.
void load_element_sound(int element);
// restart_sound_system: the system started again (stopped first when it
// runs), every element sound loaded again, and those that were playing
// played again.
void restart_sounds();

// A sound field that names no sound: its last nine characters, in any
// case, are "null_.wav", or it is empty.
bool names_no_sound(std::string_view file);
// The items of a sound settings field; an empty item keeps the default
// ("4096/2/50/0/0").
media::ElementSoundSettings sound_settings(std::string_view field);

// Run loop step 7: every element sound rewound; those of elements that are
// on and loop start playing.
void reset_sounds();
// Every drawn frame: the clock's audio rendered, then the listener at the
// hearer, the mixing selection and the sources at their elements.
void update_sounds();

}  // namespace engine
