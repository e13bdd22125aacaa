#pragma once

// The application's page loop, kept apart from main so that its rules can be exercised with
// stand-in pages: exactly one page object exists at a time, the main page runs first and again
// after every I/O page, and each visit builds its page anew.

namespace PageLoop
{

// Runs the loop while keepGoing() answers true before each main-page visit; main passes a
// function that always does. Page objects are scoped locals, never heap objects, and each is
// destroyed before the next is constructed.
template <class MainPageT, class DigitalInputsPageT, class DigitalOutputsPageT, class AnalogInputsPageT,
          class KeepGoing>
void Run(KeepGoing keepGoing)
{
    int page = 0;
    while (keepGoing())
    {
        if (page == 1)
        {
            DigitalInputsPageT digitalInputsPage;
            digitalInputsPage.Run();
        }
        else if (page == 2)
        {
            DigitalOutputsPageT digitalOutputsPage;
            digitalOutputsPage.Run();
        }
        else if (page == 3)
        {
            AnalogInputsPageT analogInputsPage;
            analogInputsPage.Run();
        }

        MainPageT mainPage;
        page = mainPage.Run();
    }
}

} // namespace PageLoop
