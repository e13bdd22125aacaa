// The hand-over between pages: a page outlives its Run until main destroys it, and its buttons
// keep listening meanwhile. A click in that window must not write the local that Run kept its
// exit flag or choice in: that stack slot is dead by then. Under AddressSanitizer this program
// keeps returned frames poisoned, so such a write stops it.
#include "app/DigitalOutputsPage.h"
#include "app/MainPage.h"

#include "sim/World.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_stack_use_after_return=1";
}
#endif

namespace
{

using Sim::World;

// A person's tap at (x, y), starting `after` milliseconds from now, without waiting for it.
void ScheduleTap(double x, double y, int after)
{
    World& world = World::Get();
    world.ScheduleIn(World::Milliseconds(after), [x, y] { World::Get().TouchPress(x, y); }, "test press");
    world.ScheduleIn(World::Milliseconds(after + 60), [] { World::Get().TouchRelease(); }, "test release");
}

void Tap(double x, double y)
{
    ScheduleTap(x, y, 0);
    World::Get().RunFor(World::Milliseconds(150));
}

TEST(PageFrameTest, AClickBetweenRunReturningAndThePageGoingWritesNoDeadLocal)
{
    {
        DigitalOutputsPage page;
        ScheduleTap(750, 442, 300); // the back button
        page.Run();
        Tap(750, 442);
    }
    {
        MainPage page;
        ScheduleTap(155, 382, 300); // digital inputs
        EXPECT_EQ(1, page.Run());
        Tap(400, 382); // digital outputs, while the main page still exists
    }
}

} // namespace
