// The sample screen reaches the panel whole, exactly as the golden picture has it.

#include "graphics/Driver/LCD.h"
#include "graphics/LCD.h"

#include "Golden.h"
#include "SampleScreen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Velmora;

TEST(SampleScreenTest, ComposedScreen)
{
    LCD& lcd = LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    PanelBench::WaitForFlush();

    // Everything is drawn with flushing off and reaches the panel at once.
    lcd.DisableFlush(true);
    const SampleScreen screen;

    // Nothing has reached the panel yet.
    PanelBench::WaitFrames(2);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(400, 240), 0x0000);
    EXPECT_TRUE(lcd.HasChanges());

    lcd.EnableFlush(true);
    Golden::ExpectPanelMatches("sample_screen");

    // The panel shows the framebuffer exactly, so the emulated board's check can compare
    // framebuffers.
    const std::vector<uint16_t> shown = PanelBench::Panel().GetPanelImage();
    ASSERT_EQ(shown.size(), size_t(800) * 480);
    EXPECT_EQ(std::memcmp(shown.data(), Driver::LCD::GetInstance().GetFramebuffer(), shown.size() * 2), 0);
}
