#include "app/BackButton.h"

#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/Path.h"

using namespace Velmora;

BackButton::BackButton(Area area) : Button(area) {}

void BackButton::RenderTouched()
{
    DrawPressedFrame();
}

void BackButton::RenderReleased()
{
    layer->Clear();
    const Area inner = GetInnerArea();
    const Point arrow(inner.GetLeft() + 15, inner.GetTop() + 0.5f * inner.GetHeight());
    layer->FillPath(ArrowHead(arrow, -10), whiteBrush);
    layer->FillText(Point(arrow.x + 10, inner.GetTop() + 0.5f * inner.GetHeight() + 7), DefaultFont::GetInstance(),
                    "Back", 20, whiteBrush);
    DrawReleasedFrame();
}
