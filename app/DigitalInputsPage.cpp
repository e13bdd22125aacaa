#include "app/DigitalInputsPage.h"

#include "app/PageFrame.h"

#include "graphics/LCD.h"

using namespace Velmora;

namespace
{

const unsigned int inputCount = 36;

} // namespace

DigitalInputsPage::DigitalInputsPage() : backButton(Area(Point(700, 420), 100, 45))
{
    indicators.reserve(inputCount);
    try
    {
        for (unsigned int i = 0; i < inputCount; ++i)
            indicators.push_back(new DigitalInputIndicator(Point(44 + 88 * (i % 9), 108 + 88 * (i / 9)), i));
    }
    catch (...)
    {
        // An input that cannot be read (an expander off the bus) must not leak the lamps built so far.
        for (DigitalInputIndicator* indicator : indicators)
            delete indicator;
        throw;
    }
}

DigitalInputsPage::~DigitalInputsPage()
{
    for (DigitalInputIndicator* indicator : indicators)
        delete indicator;
}

void DigitalInputsPage::Run()
{
    PageFrame::Begin("Digital Inputs", Area(Point(0, 10), lcd.GetWidth(), 48), 48);
    for (DigitalInputIndicator* indicator : indicators)
        indicator->Render();
    backButton.Render();

    volatile bool leave = false;
    const PageFrame::ExitHandler leaving(backButton, [&leave](Button&) { leave = true; });
    lcd.EnableFlush(true);
    while (!leave)
    {
        for (DigitalInputIndicator* indicator : indicators)
            indicator->Refresh();
    }
    PageFrame::End();
}
