// The engine's working memory: every large table, carved from the low arena
// once at start-up and kept until the process ends.
#pragma once

#include "core/arena.h"

namespace core {

// Sizes of the fixed pools.
constexpr uint32_t kCodeAreaBytes = 524288;  // compiled brains
constexpr uint32_t kToolScreenWidth = 640;
constexpr uint32_t kToolScreenHeight = 480;
constexpr int kElementCount = 256;
constexpr uint32_t kElementStateBytes = 1024;
constexpr uint32_t kChannelMapBytes = 256 * 256;
constexpr uint32_t kGlobalCount = 2048;
constexpr uint32_t kSinusBytes = 115200;
constexpr uint32_t kSinusBigBytes = 14400;
constexpr uint32_t kAtanBytes = 2880;
constexpr uint32_t kRandomBytes = 2000;
constexpr uint32_t kPanelImageBytes = 16384;
constexpr uint32_t kTrackBytes = 524288;
constexpr int kObjectCount = 4096;
constexpr uint32_t kObjectBytes = 64;
constexpr uint32_t kTempSlotBytes = 4096;  // 1024 cells
constexpr uint32_t kStringPoolBytes = 3 * 1024 * 1024;
constexpr uint32_t kHandleCount = 8192;
constexpr uint32_t kHandleHeapBytes = 16 * 1024 * 1024;  // string and array data
constexpr uint32_t kPushStackBytes = 128 * 12 * 4;
constexpr uint32_t kProjectTextBytes = 1114112;    // the project file buffer
constexpr uint32_t kWorkBytes = 96 * 1024 * 1024;  // scene data of a run: images, blocks, lists

struct Pools {
  Pool code;           // page aligned, switched between RW and RX
  Pool tool_screen;    // 640 x 480 palette indices
  Pool tool_rows;      // 480 row start addresses
  Pool element_state;  // 256 records of 256 words
  Pool channel_map;    // 256 x 256 collision channels
  Pool globals;        // 2048 global brain variables
  Pool sinus;
  Pool sinusbig;
  Pool atan;
  Pool random;
  Pool panels;        // the interface image
  Pool track;         // recorded track
  Pool track_state;   // begin and end positions of the recorded track
  Pool identity4096;  // entry i holds i
  Pool identity256;
  Pool temp_slots;   // compiler temporaries
  Pool strings;      // string pool (literals and loader text)
  Pool handles;      // handle table: address and size per entry
  Pool handle_heap;  // data of strings and arrays held by handles
  Pool push_stack;
  Pool object_table;
  Pool project_text;
  Pool work;  // refilled by every scene load, from its start
};

// Reserves the arena and carves every pool, then fills the identity tables
// and the tool screen's row table. False when the arena cannot be had.
bool carve_pools(Arena& arena, Pools& pools);

}  // namespace core
