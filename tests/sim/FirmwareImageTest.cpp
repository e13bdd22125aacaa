// A firmware image restarted by a reset request: fresh statics, singletons and heap; the board
// outside the chip keeps its state.
#include "sim/Firmware.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"

#include "tests/sim/image/ResetProbe.h"

#include <gtest/gtest.h>

namespace
{

TEST(FirmwareImageTest, ResetRestartsTheFirmwareAsFromPowerOn)
{
    Sim::FirmwareImage image(VELMORA_RESET_PROBE_IMAGE);
    const unsigned restarts = Sim::FirmwareRestarts();
    EXPECT_EQ(image.Run("ResetProbeMain"), 0);
    EXPECT_EQ(Sim::FirmwareRestarts(), restarts + 1);
    ASSERT_EQ(image.Copies(), 2u);

    const auto* before = static_cast<const ResetProbeReport*>(image.Symbol("resetProbeReport", 0));
    const auto* after = static_cast<const ResetProbeReport*>(image.Symbol("resetProbeReport", 1));
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    ASSERT_NE(before, after);

    // Before: booted through the start-up, then changed a singleton and the heap.
    EXPECT_EQ(before->entries, 1u);
    EXPECT_EQ(before->singleton, 7);
    EXPECT_TRUE(before->referencesBound);
    EXPECT_GT(before->heapTopAtEntry, 0x20000000u);
    EXPECT_GE(before->heapTopBeforeReset, before->heapTopAtEntry + 1000);

    // After: statics, singletons and the heap are as at power-on.
    EXPECT_EQ(after->entries, 1u);
    EXPECT_EQ(after->singleton, 7);
    EXPECT_TRUE(after->referencesBound);
    EXPECT_EQ(after->heapTopAtEntry, before->heapTopAtEntry);
    EXPECT_EQ(after->restartsSeen, restarts + 1);

    // The clock chip kept the time set before the reset and kept counting.
    EXPECT_EQ(after->year, 2030);
    EXPECT_EQ(after->minutes, 4);

    // The new copy's start-up lit the display again after the reset darkened it.
    EXPECT_EQ(Sim::World::Get().board().ssd1963().GetBacklightDuty(), 255);
}

TEST(FirmwareImageTest, AMissingImageOrEntryIsAClearError)
{
    Sim::FirmwareImage missing("/nonexistent/firmware.so");
    try
    {
        missing.Load();
        FAIL() << "loading a missing image succeeded";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/firmware.so"), std::string::npos);
    }

    Sim::FirmwareImage image(VELMORA_RESET_PROBE_IMAGE);
    EXPECT_THROW(image.Run("NoSuchEntry"), std::runtime_error);
    EXPECT_EQ(image.Copies(), 1u);
    EXPECT_EQ(image.Symbol("NoSuchEntry"), nullptr);
}

} // namespace
