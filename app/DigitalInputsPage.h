#pragma once

#include "app/BackButton.h"
#include "app/DigitalInputIndicator.h"

#include <vector>

// The 36 digital inputs (4 direct, 32 expanded) as lamps in 4 rows of 9, kept up to date until
// the back button is released.
class DigitalInputsPage
{
public:
    DigitalInputsPage();
    ~DigitalInputsPage();
    DigitalInputsPage(const DigitalInputsPage&) = delete;
    DigitalInputsPage& operator=(const DigitalInputsPage&) = delete;

    // Shows the page until its back button is released.
    void Run();

private:
    BackButton backButton;
    std::vector<DigitalInputIndicator*> indicators;
};
