#include "app/DigitalInputsPage.h"

// The page's widgets and drawing arrive with the drawing interface and the input drivers; until
// then the page only takes part in the page loop.

DigitalInputsPage::DigitalInputsPage() = default;

DigitalInputsPage::~DigitalInputsPage() = default;

void DigitalInputsPage::Run() {}
