#include "app/DigitalOutputsPage.h"

// The page's widgets and drawing arrive with the drawing interface and the input drivers; until
// then the page only takes part in the page loop.

DigitalOutputsPage::DigitalOutputsPage() = default;

DigitalOutputsPage::~DigitalOutputsPage() = default;

void DigitalOutputsPage::Run() {}
