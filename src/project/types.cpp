#include "project/types.h"

#include "core/text.h"

namespace project {

namespace {
constexpr std::string_view kTags[kTypeCount] = {
    "d30.", "d3a.", "d3b.", "", "", "d3e.", "d3f.", "d3g.", "d3h.", "d3i.", "d3l.", "d3v.", "d3m.", "d3x.",
};
}  // namespace

std::string type_name(int type) {
  if (type < 0 || type >= kTypeCount) return {};
  return std::string(core::field(kTypeNames, type + 1));
}

std::string_view type_tag(int type) {
  if (type < 0 || type >= kTypeCount) return {};
  return kTags[type];
}

}  // namespace project
