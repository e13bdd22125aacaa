#include "app/DigitalOutputsPage.h"

#include "app/PageFrame.h"

#include "graphics/LCD.h"

#include "stm32f4xx.h"

using namespace Velmora;

namespace
{

const unsigned int outputCount = 36;

} // namespace

DigitalOutputsPage::DigitalOutputsPage() : backButton(Area(Point(700, 420), 100, 45))
{
    buttons.reserve(outputCount);
    try
    {
        for (unsigned int i = 0; i < outputCount; ++i)
            buttons.push_back(new DigitalOutputButton(Point(44 + 88 * (i % 9), 108 + 88 * (i / 9)), i));
    }
    catch (...)
    {
        for (DigitalOutputButton* button : buttons)
            delete button;
        throw;
    }
}

DigitalOutputsPage::~DigitalOutputsPage()
{
    for (DigitalOutputButton* button : buttons)
        delete button;
}

void DigitalOutputsPage::Run()
{
    PageFrame::Begin("Digital Outputs", Area(Point(0, 10), lcd.GetWidth(), 48), 48);
    for (DigitalOutputButton* button : buttons)
        button->Render();
    backButton.Render();

    volatile bool leave = false;
    const PageFrame::ExitHandler leaving(backButton, [&leave](Button&) { leave = true; });
    lcd.EnableFlush(true);
    // The output buttons do their work in the touch interrupt; this loop only waits.
    while (!leave)
        __NOP();
    PageFrame::End();
}
