#include "app/AnalogInputsPage.h"

#include "app/PageFrame.h"

#include "graphics/LCD.h"
#include "graphics/VelmoraExtensions.h"

#include "stm32f4xx.h"

using namespace Velmora;

AnalogInputsPage::AnalogInputsPage() : backButton(Area(Point(700, 420), 100, 45)), gauges()
{
    try
    {
        for (unsigned int i = 0; i < gaugeCount; ++i)
            gauges[i] = new AnalogInputGauge(i);
    }
    catch (...)
    {
        for (AnalogInputGauge* gauge : gauges)
            delete gauge;
        throw;
    }
}

AnalogInputsPage::~AnalogInputsPage()
{
    for (AnalogInputGauge* gauge : gauges)
        delete gauge;
}

void AnalogInputsPage::Run()
{
    Area titleArea = ToArea(lcd.GetArea());
    titleArea.SetTop(titleArea.GetTop() + 10);
    titleArea.SetHeight(64);
    // The gauges draw their panels on their first refresh.
    PageFrame::Begin("Analog Inputs", titleArea, 64);
    backButton.Render();

    volatile bool leave = false;
    const PageFrame::ExitHandler leaving(backButton, [&leave](Button&) { leave = true; });
    lcd.EnableFlush(true);
    while (!leave)
    {
        // One refresh of the gauges per completed flush: the chart moves at the panel's pace.
        lcd.DisableFlush(true);
        for (AnalogInputGauge* gauge : gauges)
        {
            if (leave)
                break;
            gauge->Refresh();
        }
        lcd.EnableFlush(true);
        while (lcd.HasChanges())
            __NOP();
    }
    PageFrame::End();
}
