// Calls a built-in the way a compiled brain does, as element 0's brain:
// handler(self, a1..a5). The name must be a row of the built-in table that
// something has bound; otherwise the test fails (and the call answers 0).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "brain/bind.h"
#include "brain/table.h"
#include "core/element_state.h"

namespace testing_support {

inline int32_t call(std::string_view name, int32_t a1 = 0, int32_t a2 = 0, int32_t a3 = 0, int32_t a4 = 0,
                    int32_t a5 = 0) {
  const int row = brain::find_row(name);
  if (row < 0) {
    ADD_FAILURE() << "no built-in named " << name;
    return 0;
  }
  EXPECT_FALSE(brain::is_placeholder(row)) << name << " is not bound";
  return brain::handler_of(row)(core::element_ref(0), a1, a2, a3, a4, a5);
}

}  // namespace testing_support
