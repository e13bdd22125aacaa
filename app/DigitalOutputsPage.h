#pragma once

#include "app/BackButton.h"
#include "app/DigitalOutputButton.h"

#include <vector>

// The 36 digital outputs (4 direct, 32 expanded) as round buttons in 4 rows of 9; a click on one
// toggles its output.
class DigitalOutputsPage
{
public:
    DigitalOutputsPage();
    ~DigitalOutputsPage();
    DigitalOutputsPage(const DigitalOutputsPage&) = delete;
    DigitalOutputsPage& operator=(const DigitalOutputsPage&) = delete;

    // Shows the page until its back button is released.
    void Run();

private:
    BackButton backButton;
    std::vector<DigitalOutputButton*> buttons;
};
