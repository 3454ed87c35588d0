// The element table: ElementRecords addressed by a 0-based element index,
// their fields and items, inserting records and renumbering the element
// references of brain parameters, names and groups.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace project {

// Field numbers of an ElementRecord (1-based).
constexpr int kFieldName = 1;
constexpr int kFieldAspect = 2;
constexpr int kFieldSound = 3;
constexpr int kFieldBrain = 4;
constexpr int kFieldCredits = 29;
constexpr int kFieldElementId = 31;
constexpr int kFieldRadius = 32;
constexpr int kFieldFlags = 33;
constexpr int kFieldParams = 35;
constexpr int kFieldType = 36;
constexpr int kFieldTypeList = 37;
constexpr int kFieldOption = 38;
constexpr int kFieldSoundSettings = 39;
constexpr int kFieldSignature = 40;
constexpr int kFieldScaleX = 42;
constexpr int kFieldGroupTag = 49;
constexpr int kFieldGroupFlag = 50;

// Brain parameter kinds in field 35.
constexpr int kParamElement = 1;

// The camera record of a new project.
std::string default_camera_record(std::string_view program_folder);

// A line is an element record when its field 36 is not empty.
bool is_element_record(std::string_view line);

int last_index();
bool valid_index(int i);

// Where the record loader puts new records, and what a range save writes.
void set_load_range(int first, int last);
int range_first();
int range_last();

// The whole record; empty for an index outside the table.
const std::string& record(int i);
// Ignored for an index outside the table.
void set_record(int i, std::string text);

// Field k of record i (empty when missing or outside the table); replacing
// adds empty fields up to k.
std::string get_field(int i, int k);
void set_field(int i, int k, std::string_view text);
// Item n of field k (items separated by `/`).
std::string get_item(int i, int k, int n);
void set_item(int i, int k, int n, std::string_view text);
// Field k read by the integer rule / to thousandths.
int32_t field_int(int i, int k);
int32_t field_thousandths(int i, int k);
// Field k written as a number with three decimals.
void set_field_thousandths(int i, int k, int32_t value);
// Field 36; -1 outside the table.
int element_type(int i);

// Stores the record at index and moves the records from index on up by one:
// element references into the moved records follow them, the channel map
// rows and columns move along, and the load range moves when above index.
// False (nothing changed) when the table is full, index is outside
// 0..last index + 1 or the text is not an element record.
bool insert_record(std::string_view text, int index);

// Every element-reference parameter whose value is old_index becomes new_index.
void replace_references(int old_index, int new_index);

// Field 1 up to its first "(", blanks removed at both ends.
std::string base_name(int i);
// The index after the last consecutive element with the base name of i.
int group_end(int i);

}  // namespace project
