// Run mode 7: the visual editor. A visual (.v3d) is copied to temp.tmp in the
// data folder and every edit works on that copy; leaving asks for a name and
// saves the copy into visuals/myvisual/. The records are the part lines of
// the visual file (media/visual_file.h); the editing helpers here work on
// those lines as text, so that fields the editor does not know are kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace editors {

// The record of a new part of frame `frame`.
std::string new_part_record(int32_t frame);

// The record lines of a visual's text, up to the first empty line.
std::vector<std::string> visual_records(std::string_view text);
// The lines again, each ending in CR LF.
std::string visual_text(const std::vector<std::string>& records);

// Frames are runs of consecutive records with the same positive frame
// number. The number of frames, and the record indices of frame f (0-based).
int32_t visual_frame_count(const std::vector<std::string>& records);
std::vector<int32_t> frame_records(const std::vector<std::string>& records, int32_t frame);

// A new part after the last part of frame f (a new frame when f is the frame
// count), and the removal of one record. Answer the new record's index, or
// -1 when nothing changed.
int32_t insert_part(std::vector<std::string>& records, int32_t frame);
bool delete_part(std::vector<std::string>& records, int32_t index);

// The frames in a new order: `order` lists old frame numbers (1-based,
// comma or blank separated); frames it leaves out follow in their order.
// The records are renumbered 1, 2, ... False (nothing changed) when the
// order names a frame that does not exist or names one twice.
bool rearrange_frames(std::vector<std::string>& records, std::string_view order);

// The field list of one part: label and value texts, in screen order
// (VISUAL NAME first). `name` is the visual's file name.
std::vector<std::string> part_field_lines(const std::vector<std::string>& records, int32_t frame, int32_t part,
                                          std::string_view name);

// The wrap-shape line of one part: "WRAP SHAPE....: " and FLAT, CYLINDER,
// SPHERE or CHROME (field 28), "-" in the modes that do not wrap (colour
// only, six views). In cylindrical wrap, FLAT wraps as a cylinder.
std::string part_wrap_shape_line(const std::vector<std::string>& records, int32_t frame, int32_t part);

// Where "save as" puts a visual: program folder + "visuals/myvisual/" +
// name + ".v3d"; the name is cut at its first "." and may hold no folder.
std::string saved_visual_path(const std::string& program_folder, std::string_view name);

// The mode: picks a visual starting in the folder of `start_path`. With a
// `screenshot` path the editor's screen as it was last shown is saved there
// when the field list is left.
void run_visual_editor(const std::string& start_path, const std::string& screenshot = {});

}  // namespace editors
