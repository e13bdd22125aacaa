#pragma once

class DigitalInputsPage
{
public:
    DigitalInputsPage();
    ~DigitalInputsPage();
    DigitalInputsPage(const DigitalInputsPage&) = delete;
    DigitalInputsPage& operator=(const DigitalInputsPage&) = delete;

    // Shows the page until its back button is released.
    void Run();
};
