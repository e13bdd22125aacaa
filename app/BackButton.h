#pragma once

#include "app/Button.h"

// The I/O pages' way back to the main page: a left arrow and "Back".
class BackButton : public Button
{
public:
    explicit BackButton(Velmora::Area area);

    void RenderTouched() override;
    void RenderReleased() override;
};
