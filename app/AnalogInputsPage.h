#pragma once

class AnalogInputsPage
{
public:
    AnalogInputsPage();
    ~AnalogInputsPage();
    AnalogInputsPage(const AnalogInputsPage&) = delete;
    AnalogInputsPage& operator=(const AnalogInputsPage&) = delete;

    // Shows the page until its back button is released.
    void Run();
};
