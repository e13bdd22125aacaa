#pragma once

class DigitalOutputsPage
{
public:
    DigitalOutputsPage();
    ~DigitalOutputsPage();
    DigitalOutputsPage(const DigitalOutputsPage&) = delete;
    DigitalOutputsPage& operator=(const DigitalOutputsPage&) = delete;

    // Shows the page until its back button is released.
    void Run();
};
