#include "app/SelectDigitalInputsButton.h"

#include "graphics/Constants.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/Path.h"

using namespace Velmora;

SelectDigitalInputsButton::SelectDigitalInputsButton(Area area) : Button(area) {}

void SelectDigitalInputsButton::RenderTouched()
{
    DrawPressedFrame();
}

void SelectDigitalInputsButton::RenderReleased()
{
    DrawSelectionLook(
        [this](Point center, float radius) {
            layer->DrawLine(center, Point(center.x + radius + 10, center.y), stroke4, whiteBrush);
            layer->FillPath(ArrowHead(Point(center.x + 5, center.y), -10), whiteBrush);
        },
        "Digital Inputs");
}
