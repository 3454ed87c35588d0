#include "core/pools.h"

namespace core {

namespace {
constexpr uint32_t kPage = 4096;
constexpr size_t kArenaBytes = 192u * 1024 * 1024;
}  // namespace

bool carve_pools(Arena& arena, Pools& p) {
  if (!arena.reserved() && !arena.reserve(kArenaBytes)) return false;
  p.code = arena.carve(kCodeAreaBytes, kPage);
  p.tool_screen = arena.carve(kToolScreenWidth * kToolScreenHeight);
  p.tool_rows = arena.carve(kToolScreenHeight * 4);
  p.element_state = arena.carve(kElementCount * kElementStateBytes, 64);
  p.channel_map = arena.carve(kChannelMapBytes);
  p.globals = arena.carve(kGlobalCount * 4);
  p.sinus = arena.carve(kSinusBytes);
  p.sinusbig = arena.carve(kSinusBigBytes);
  p.atan = arena.carve(kAtanBytes);
  p.random = arena.carve(kRandomBytes + 4);  // overlapping 32-bit reads stay inside
  p.panels = arena.carve(kPanelImageBytes);
  p.track = arena.carve(kTrackBytes);
  p.track_state = arena.carve(16);
  p.identity4096 = arena.carve(4096 * 4);
  p.identity256 = arena.carve(256 * 4);
  p.temp_slots = arena.carve(kTempSlotBytes);
  p.strings = arena.carve(kStringPoolBytes);
  p.handles = arena.carve(kHandleCount * 8);
  p.handle_heap = arena.carve(kHandleHeapBytes);
  p.push_stack = arena.carve(kPushStackBytes);
  p.object_table = arena.carve(kObjectCount * kObjectBytes, 64);
  p.project_text = arena.carve(kProjectTextBytes + 1);  // room for a terminator
  p.work = arena.carve(kWorkBytes, 64);
  if (p.work.addr == 0) return false;

  auto* id4096 = p.identity4096.as<uint32_t>();
  for (uint32_t i = 0; i < 4096; ++i) id4096[i] = i;
  auto* id256 = p.identity256.as<uint32_t>();
  for (uint32_t i = 0; i < 256; ++i) id256[i] = i;
  auto* rows = p.tool_rows.as<uint32_t>();
  for (uint32_t y = 0; y < kToolScreenHeight; ++y) rows[y] = p.tool_screen.addr + y * kToolScreenWidth;
  return true;
}

}  // namespace core
