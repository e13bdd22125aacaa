#pragma once

// Exact comparison of the virtual panel's picture with a committed golden image. Run a test with
// VELMORA_UPDATE_GOLDEN=1 to (re)write its golden image; review it by eye before committing.
// On a mismatch the picture actually shown is written next to the test program for inspection.

#include "sim/Screenshot.h"
#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace Golden
{

inline void ExpectPanelMatches(const std::string& name)
{
    // The tearing interrupt sends every pending change; one more frame scans all of it out.
    PanelBench::WaitForFlush();
    PanelBench::WaitFrames(2);
    Sim::SSD1963& panel = PanelBench::Panel();
    const Sim::Image shown = Sim::FromRgb565(panel.GetPanelImage().data(), 800, 480);
    const std::string file = std::string(VELMORA_GOLDEN_DIR) + "/" + name + ".png";
    if (std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr)
    {
        Sim::WritePng(shown, file);
    }
    const Sim::Image golden = Sim::ReadPng(file);
    ASSERT_EQ(golden.width, 800u) << file;
    ASSERT_EQ(golden.height, 480u) << file;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < golden.rgb.size(); i += 3)
    {
        if (golden.rgb[i] != shown.rgb[i] || golden.rgb[i + 1] != shown.rgb[i + 1] ||
            golden.rgb[i + 2] != shown.rgb[i + 2])
        {
            first = differing == 0 ? i / 3 : first;
            ++differing;
        }
    }
    if (differing != 0)
    {
        Sim::WritePng(shown, name + ".actual.png");
    }
    EXPECT_EQ(differing, 0u) << name << ": first difference at (" << first % 800 << ", " << first / 800 << ")";
    EXPECT_TRUE(panel.GetProtocolErrors().empty());
}

} // namespace Golden
