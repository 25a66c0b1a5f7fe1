// Fixture for tests that change the run-wide `precision`: every test starts
// from the value it found and puts it back afterwards.
#pragma once

#include <gtest/gtest.h>

#include "geometry/precision.h"

namespace halvex::test {

class PrecisionGuard : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = precision; }
  void TearDown() override { precision = saved_; }

 private:
  double saved_ = 0;
};

}  // namespace halvex::test
