#include "app/SelectDigitalOutputsButton.h"

#include "graphics/Constants.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/Path.h"

using namespace Velmora;

SelectDigitalOutputsButton::SelectDigitalOutputsButton(Area area) : Button(area) {}

void SelectDigitalOutputsButton::RenderTouched()
{
    DrawPressedFrame();
}

void SelectDigitalOutputsButton::RenderReleased()
{
    DrawSelectionLook(
        [this](Point center, float radius) {
            const Point end(center.x + radius + 5, center.y);
            layer->DrawLine(center, end, stroke4, whiteBrush);
            layer->FillPath(ArrowHead(end, 10), whiteBrush);
        },
        "Digital Outputs");
}
