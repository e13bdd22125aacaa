#include "app/AnalogInputsPage.h"

// The page's widgets and drawing arrive with the drawing interface and the input drivers; until
// then the page only takes part in the page loop.

AnalogInputsPage::AnalogInputsPage() = default;

AnalogInputsPage::~AnalogInputsPage() = default;

void AnalogInputsPage::Run() {}
