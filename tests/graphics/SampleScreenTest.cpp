// The sample screen reaches the panel whole, exactly as the golden picture has it.

#include "graphics/LCD.h"

#include "Golden.h"
#include "SampleScreen.h"

#include <gtest/gtest.h>

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
}
