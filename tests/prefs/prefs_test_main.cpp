#include <gtest/gtest.h>

#include "other_process.h"

int main(int argc, char **argv) {
  int helperExit = other_process::RunHelperIfAsked(argc, argv);
  if (helperExit >= 0) return helperExit;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
