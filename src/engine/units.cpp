#include "engine/units.h"

#include "core/text.h"

namespace engine {

namespace {
int32_t scaled(std::string_view text, int64_t mul, int64_t div) {
  return static_cast<int32_t>(static_cast<int64_t>(core::text_to_thousandths(text)) * mul / div);
}
}  // namespace

int32_t position_units(std::string_view text) { return scaled(text, 512, 1); }
int32_t rotation_units(std::string_view text) { return scaled(text, 512, 1000); }
int32_t velocity_units(std::string_view text) { return scaled(text, 17067, 1000); }
int32_t spin_units(std::string_view text) { return scaled(text, 1024, 10000); }
int32_t whole_units(std::string_view text) { return core::text_to_thousandths(text) / 1000; }

}  // namespace engine
