// Loading a project into the engine's tables: the load phase (aspects into
// objects) and the initialize phase (record fields into ElementState).
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// Aspects into the object table; writes each element's object count into
// its record. False (after a message) when the project does not fit.
bool load_phase();

// Record fields into ElementState, then the steps taken once per project.
void initialize_phase();

// Loads for the virtual editor while set: flat shapes and sprites load only
// their first frame, and the scene build adds the marker models.
void set_editor_scene(bool on);

// A file name of a project as a path: absolute names as they are, others
// (with or without a leading "./") inside the program folder.
std::string program_path(const std::string& name);

// Number of objects an element's aspect needs, and the name of its n-th
// numbered frame (n from 2): "walk.pcx" gives "walk.002"; X files
// "car.x" give "car_002.x".
std::string numbered_frame(const std::string& aspect, int n, bool x_model);

// The brain parameter list of field 35 stored into an element's state.
void place_parameters(int element, const std::string& list);

// Display-mode scaling of sprite and background rectangles.
int32_t scale_low(int32_t v, int32_t mode);   // items 1 and 2
int32_t scale_high(int32_t v, int32_t mode);  // items 3 and 4

}  // namespace engine
