// Test helpers for code that reads the encoding in force.
#pragma once

#include "support/enc.h"

#include <gtest/gtest.h>

// Selects an encoding for a scope and restores the one in force afterwards.
class EncodingScope {
  public:
    explicit EncodingScope(const char* name) : saved_(EncCurrent) { EncSetCurrent(name); }
    ~EncodingScope() { EncCurrent = saved_; }
    EncodingScope(const EncodingScope&) = delete;
    EncodingScope& operator=(const EncodingScope&) = delete;

  private:
    int saved_;
};

// Each test starts in FrameRoman, with the tables built, and leaves the encoding as it found it.
class FrameRomanTest : public ::testing::Test {
  private:
    EncodingScope scope_{"FrameRoman"};
};
