// Shared test entry: the low arena is reserved once per test binary, as the
// engine does at start-up.
#include <gtest/gtest.h>

#include "core/state.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!core::init_memory()) {
    fprintf(stderr, "cannot reserve the low arena\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
