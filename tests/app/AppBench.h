#pragma once

// The demo application running on the virtual board as start-up runs it, with a script of what
// a person does meanwhile: touches, waits, looks at the panel. The script is played from
// scheduled actions in virtual time; when it ends, the run is stopped by unwinding the firmware
// the way a reset request does.

#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/LCD.h"

#include "sim/Core.h"
#include "sim/Screenshot.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

int VelmoraApplicationMain();

namespace AppBench
{

inline Sim::SSD1963& Panel()
{
    return Sim::Board::Instance().ssd1963();
}

inline size_t LayerCount()
{
    return PImpl::LCD::GetInstance().GetLayers().size();
}

// A rectangle of panel pixels, inclusive.
struct Rect
{
    int left, top, right, bottom;
};

// The rectangles the firmware has sent to the panel since the command log was last cleared.
inline std::vector<Rect> SentRects()
{
    std::vector<Rect> rects;
    int top = -1, bottom = -1, left = -1, right = -1;
    for (const auto& command : Panel().GetCommandLog())
    {
        const auto& p = command.parameters;
        if (command.code == 0x2B && p.size() == 4)
        {
            top = (p[0] << 8) | p[1];
            bottom = (p[2] << 8) | p[3];
        }
        else if (command.code == 0x2A && p.size() == 4)
        {
            left = (p[0] << 8) | p[1];
            right = (p[2] << 8) | p[3];
        }
        else if (command.code == 0x2C && command.pixelCount > 0)
            rects.push_back(Rect{left, top, right, bottom});
    }
    return rects;
}

// The smallest rectangle holding all of them; left > right when there are none.
inline Rect Bounds(const std::vector<Rect>& rects)
{
    Rect bounds{10000, 10000, -1, -1};
    for (const Rect& r : rects)
    {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    return bounds;
}

// Exact comparison with a committed picture; VELMORA_UPDATE_GOLDEN=1 (re)writes it. On a
// mismatch the picture shown is written next to the test program.
inline void ExpectPanelMatches(const std::string& name)
{
    const Sim::Image shown = Sim::FromRgb565(Panel().GetPanelImage().data(), 800, 480);
    const std::string file = std::string(VELMORA_GOLDEN_DIR) + "/" + name + ".png";
    if (std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr)
        Sim::WritePng(shown, file);
    const Sim::Image golden = Sim::ReadPng(file);
    size_t differing = 0;
    for (size_t i = 0; i < golden.rgb.size() && i < shown.rgb.size(); ++i)
        differing += golden.rgb[i] != shown.rgb[i] ? 1 : 0;
    if (differing != 0 || golden != shown)
        Sim::WritePng(shown, name + ".actual.png");
    EXPECT_TRUE(golden == shown) << name << ": " << differing << " bytes differ";
}

class Script
{
public:
    using Step = std::function<bool()>;

    // A step is polled every half millisecond of virtual time until it answers true.
    Script& Add(Step step)
    {
        m_steps.push_back(std::move(step));
        return *this;
    }
    Script& Do(std::function<void()> action)
    {
        return Add([action] {
            action();
            return true;
        });
    }
    Script& Wait(double milliseconds)
    {
        auto until = std::make_shared<Sim::Tick>(0);
        return Add([until, milliseconds] {
            Sim::World& world = Sim::World::Get();
            if (*until == 0)
                *until = world.Now() + static_cast<Sim::Tick>(milliseconds * Sim::ticksPerMillisecond);
            return world.Now() >= *until;
        });
    }
    Script& Until(std::function<bool()> condition)
    {
        return Add(std::move(condition));
    }
    // Until everything drawn has reached the panel and two more frames were scanned out.
    Script& Settle()
    {
        auto frame = std::make_shared<uint64_t>(0);
        return Add([frame] {
            if (Driver::LCD::GetInstance().HasChanges())
            {
                *frame = 0;
                return false;
            }
            if (*frame == 0)
                *frame = Panel().GetFrameCount() + 2;
            return Panel().GetFrameCount() >= *frame;
        });
    }
    // A finger pressed at `from`, slid to `to` and lifted, as long as a person's tap lasts.
    Script& Drag(double fromX, double fromY, double toX, double toY)
    {
        Do([=] { Sim::World::Get().TouchPress(fromX, fromY); });
        Wait(60);
        Do([=] { Sim::World::Get().TouchMove(toX, toY); });
        Wait(30);
        Do([] { Sim::World::Get().TouchRelease(); });
        return Wait(60);
    }
    Script& Tap(double x, double y)
    {
        return Drag(x, y, x, y);
    }

    // Runs the firmware's entry until the script has ended (or `limitSeconds` of virtual time
    // passed, which fails the test). Returns whether the firmware was stopped by the script.
    bool Run(double limitSeconds = 60)
    {
        Sim::World& world = Sim::World::Get();
        m_limit = world.Now() + static_cast<Sim::Tick>(limitSeconds * Sim::ticksPerSecond);
        // Whatever ends the run, the script stops playing.
        struct Stop
        {
            bool& stopped;
            ~Stop() { stopped = true; }
        } stop{m_stopped};
        Poll(this);
        try
        {
            VelmoraApplicationMain();
        }
        catch (const Sim::ResetRequest&)
        {
            return m_next >= m_steps.size();
        }
        return false;
    }

private:
    static void Poll(Script* self)
    {
        Sim::World& world = Sim::World::Get();
        if (self->m_stopped)
            return;
        if (self->m_next < self->m_steps.size() && world.Now() > self->m_limit)
        {
            ADD_FAILURE() << "script step " << self->m_next << " did not finish in time";
            throw Sim::ResetRequest();
        }
        if (self->m_next < self->m_steps.size() && self->m_steps[self->m_next]())
            ++self->m_next;
        if (self->m_next >= self->m_steps.size())
            throw Sim::ResetRequest();
        world.ScheduleIn(Sim::World::Microseconds(500), [self] { Poll(self); }, "script");
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    Sim::Tick m_limit = 0;
    bool m_stopped = false;
};

} // namespace AppBench
