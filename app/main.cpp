#include "app/AnalogInputsPage.h"
#include "app/DigitalInputsPage.h"
#include "app/DigitalOutputsPage.h"
#include "app/MainPage.h"
#include "app/PageLoop.h"

int main()
{
    PageLoop::Run<MainPage, DigitalInputsPage, DigitalOutputsPage, AnalogInputsPage>([] { return true; });
    return 0;
}
