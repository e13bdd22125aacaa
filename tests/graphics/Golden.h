#pragma once

// Exact comparison of the panel's picture with a committed golden image. Run a test with
// VELMORA_UPDATE_GOLDEN=1 to (re)write its golden image; review it by eye before committing.
// On a mismatch the picture actually shown is written next to the test program for inspection.

#include "Png.h"
#include "TestPanel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace Golden
{

inline void ExpectPanelMatches(const std::string& name)
{
    // One tearing pulse sends every pending change to the panel.
    TestPanel::VerticalRefresh();
    const std::vector<uint16_t>& shown = TestPanel::Get().pixels;
    const std::string file = std::string(VELMORA_GOLDEN_DIR) + "/" + name + ".png";
    if (std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr)
    {
        ASSERT_TRUE(Png::Write(file, shown, 800, 480)) << file;
    }
    const std::vector<uint16_t> golden = Png::Read(file, 800, 480);
    ASSERT_FALSE(golden.empty()) << "no golden image " << file;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < golden.size(); ++i)
    {
        if (golden[i] != shown[i])
        {
            first = differing == 0 ? i : first;
            ++differing;
        }
    }
    if (differing != 0)
    {
        Png::Write(name + ".actual.png", shown, 800, 480);
    }
    EXPECT_EQ(differing, 0u) << name << ": first difference at (" << first % 800 << ", " << first / 800
                             << "), golden " << std::hex << golden[first] << ", shown " << shown[first];
}

} // namespace Golden
