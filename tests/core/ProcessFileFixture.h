#pragma once

// A scratch folder and an engine over the fault-injecting file layer, with
// "noise*" lines deleted and the skip of files stamped at midnight and
// TimeZ off (a file written at 00:00:0x must not be skipped).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/Engine.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {

class ProcessFileTest : public ::testing::Test {
 protected:
  explicit ProcessFileTest(std::size_t block_bytes = kDefaultBlockBytes)
      : engine_{g_, fs_, rec_, dir_.windows() + "\\", block_bytes} {
    g_.options.Skip = g_.options.TimeZ = false;
    g_.definitions.Entries = {{"noise*", ""}};
  }

  // Writes `name` (with `content` unless null) and processes it.
  int Process(const std::string& name, const std::string* content = nullptr) {
    if (content != nullptr) testing::WriteFile(Native(name), *content);
    return ProcessFile(engine_, dir_.Windows(name), before_, after_);
  }
  std::string Native(const std::string& name) const { return dir_.Native(name); }

  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_;
  std::int64_t before_ = -1;
  std::int64_t after_ = -1;
};

}  // namespace quillet
