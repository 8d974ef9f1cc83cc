#pragma once
// Stories over the scripted platform: start-up, then ticks of set input.

#include <gtest/gtest.h>

#include <string>

#include "platform/scripted_platform.h"
#include "tests/support/pcx_writer.h"

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes a 24-bit PCX into the test's temp folder and returns its path.
    std::string WritePicture(const std::string& name, const RgbImage& image);
    // Every pixel differs from its neighbours, so a copy one pixel off shows.
    std::string WriteGradient(const std::string& name, int width, int height);
    // Runs start-up with `path` as the answer to the first dialog.
    void StartWith(const std::string& path);
    // One frame, 20 ms after the previous one.
    void Tick();
    void Ticks(int count);
    // Press, one tick held, release (the release is seen on the next tick).
    void Click(int x, int y);
    void Hold(int code, bool down) { script.SetKey(code, down); }
    void MoveTo(int x, int y) { script.SetCursor(x, y); }
    // Whether the loop would end now: a quit message waits.
    bool QuitPosted();

    platform::ScriptedPlatform script;
};
