#include "app/MainPage.h"

// The clock, the versions and the selection buttons arrive with the drawing interface and the
// input drivers; until then the page only takes part in the page loop and chooses the digital
// inputs page.

MainPage::MainPage() = default;

MainPage::~MainPage() = default;

int MainPage::Run()
{
    return 1;
}
