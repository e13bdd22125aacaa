#include "app/MainPage.h"

#include "app/Background.h"
#include "app/DateTimeUtils.h"
#include "app/PageFrame.h"

#include "drivers/DateTime.h"
#include "drivers/RTC.h"
#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/VelmoraExtensions.h"
#include "system/System.h"

#include <cstdio>
#include <string>

using namespace Velmora;

namespace
{

// A translucent panel that fades from `start` at its top-left corner to clear at its bottom-right.
void DrawPanel(const Area& area, const Color& start)
{
    lcd.FillRectangle(area, 20.0f, LinearGradientBrush(GradientStop(area.GetTopLeft(), start),
                                                       GradientStop(area.GetBottomRight(), white0)));
    lcd.DrawRectangle(area, 20.0f, stroke2, white50Brush);
}

std::string FormatNumber(const char* format, int value)
{
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

MainPage::MainPage()
    : layer(&lcd.CreateForegroundLayer(PixelArea(PixelPoint(70, 0), 660, 325))),
      digitalInputsButton(Area(Point(50, 360), 210, 45)), digitalOutputsButton(Area(Point(295, 360), 210, 45)),
      analogInputsButton(Area(Point(540, 360), 210, 45))
{
}

MainPage::~MainPage()
{
    lcd.DestroyForegroundLayer(*layer);
}

void MainPage::DrawStaticContent()
{
    DrawBackground(veryDarkLimeGreen);
    DrawPanel(Area(Point(20, 130), 760, 300), white25);
    DrawPanel(Area(Point(70, 50), 300, 275), white50);
    DrawPanel(Area(Point(430, 50), 300, 275), white50);

    FiniteStreamReader& font = DefaultFont::GetInstance();
    lcd.FillText(Point(20, 460), font,
                 "Hardware Version: " + ToString(static_cast<int>(Velmora::system.GetHardwareMajorVersion())) + "." +
                     ToString(static_cast<int>(Velmora::system.GetHardwareMinorVersion())),
                 20, whiteBrush);
    lcd.FillText(Point(585, 460), font,
                 "Library Version: " + ToString(static_cast<int>(Velmora::system.GetLibraryMajorVersion())) + "." +
                     ToString(static_cast<int>(Velmora::system.GetLibraryMinorVersion())),
                 20, whiteBrush);

    digitalInputsButton.Render();
    digitalOutputsButton.Render();
    analogInputsButton.Render();
}

void MainPage::DrawClock(const DateTime& current, const DateTime& previous, bool everything)
{
    FiniteStreamReader& font = DefaultFont::GetInstance();
    const uint16_t width = layer->GetWidth();
    const uint16_t height = layer->GetHeight();

    if (everything || current.GetHours() != previous.GetHours() || current.GetMinutes() != previous.GetMinutes())
    {
        layer->Clear(PixelArea(PixelPoint(0, 50), width, static_cast<uint16_t>(height - 50)));
        int hours = current.GetHours() % 12; // 12-hour form without AM/PM: 0 and 12 both show 12
        if (hours == 0)
            hours = 12;
        FillText(*layer, Area(Point(0, 50), 300, 275), FormatNumber("%d", hours), font, 240, whiteBrush,
                 HorizontalAlignment::Center, VerticalAlignment::Center);
        FillText(*layer, Area(Point(360, 50), 300, 275), FormatNumber("%02d", current.GetMinutes()), font, 240,
                 whiteBrush, HorizontalAlignment::Center, VerticalAlignment::Center);
    }

    // The colon blinks: shown on even seconds, gone on odd ones.
    if (current.GetSeconds() % 2 == 0)
        FillText(*layer, Area(Point(300, 50), 60, 275), ":", font, 240, whiteBrush, HorizontalAlignment::Center,
                 VerticalAlignment::Center);
    else
        layer->Clear(PixelArea(PixelPoint(300, 50), 60, 275));

    if (everything || current.GetMonth() != previous.GetMonth() ||
        current.GetDayOfMonth() != previous.GetDayOfMonth())
    {
        layer->Clear(PixelArea(PixelPoint(0, 0), width, 50));
        const std::string date = GetDayOfWeekString(current.GetYear(), current.GetMonth(), current.GetDayOfMonth()) +
                                 ", " + GetMonthString(current.GetMonth() - 1) + " " +
                                 GetDayOfMonthString(current.GetDayOfMonth());
        FillText(*layer, Area(Point(0, 0), width, 45), date, font, 20, whiteBrush, HorizontalAlignment::Center,
                 VerticalAlignment::Center);
    }
}

int MainPage::Run()
{
    lcd.DisableFlush(true);
    lcd.Clear();
    DrawStaticContent();

    // Written by the buttons' click handlers in the touch interrupt; read afresh on every pass.
    volatile int selection = 0;
    const PageFrame::ExitHandler toDigitalInputs(digitalInputsButton, [&selection](Button&) { selection = 1; });
    const PageFrame::ExitHandler toDigitalOutputs(digitalOutputsButton, [&selection](Button&) { selection = 2; });
    const PageFrame::ExitHandler toAnalogInputs(analogInputsButton, [&selection](Button&) { selection = 3; });

    // The first pass draws the whole clock and date whatever the time: compared with a default
    // date alone, a page entered during the minute 00:00 (or on 1 January) would show no digits
    // (or no date) until they changed.
    bool first = true;
    DateTime previous;
    while (selection == 0)
    {
        const DateTime current = rtc.GetDateTime();
        if (!first && current.GetHours() == previous.GetHours() && current.GetMinutes() == previous.GetMinutes() &&
            current.GetSeconds() == previous.GetSeconds())
            continue;
        // Flushing is first enabled here, so the whole page, clock included, reaches the panel at once.
        lcd.DisableFlush(true);
        DrawClock(current, previous, first);
        lcd.EnableFlush(true);
        previous = current;
        first = false;
    }

    PageFrame::End();
    return selection;
}
