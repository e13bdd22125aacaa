// Placing one line of text in an area. Kept apart from the geometry conversions, so that a
// program converting areas does not take in the whole display.

#include "graphics/VelmoraExtensions.h"

#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/Path.h"
#include "graphics/Stroke.h"

#include <map>

namespace Velmora
{

namespace
{

// Font metrics by size, for the layer variant. Keyed by size alone: a second font at a size
// already seen gets the first font's metrics.
std::map<float, float> _xHeights;
std::map<float, float> _ascenders;
std::map<float, float> _descenders;

// A hairline, so the measure is the ink itself.
const Stroke hairline(0.001f, LineCap::Butt, LineJoin::Miter);

Area Measure(FiniteStreamReader& font, const std::string& text, float size)
{
    return LCD::GetInstance().MeasurePath(Path::Text(Point(0.0f, 0.0f), font, text, size, 0.0f), hairline);
}

float HorizontalOrigin(const Area& area, const Area& ink, HorizontalAlignment horizontal)
{
    const float w = ink.GetWidth();
    switch (static_cast<int>(horizontal))
    {
    case 0:
        return (area.GetLeft() - ink.GetLeft()) + (area.GetWidth() - w) * 0.5f;
    case 1:
        return (area.GetRight() - ink.GetLeft()) - w;
    default:
        return area.GetLeft() - ink.GetLeft();
    }
}

} // namespace

void FillText(const Area& area, const std::string& text, FiniteStreamReader& font, float size, const Brush& brush,
              HorizontalAlignment horizontal, VerticalAlignment vertical)
{
    const Area probe = Measure(font, "fy", size);
    const Area xProbe = Measure(font, "x", size);
    const Area ink = Measure(font, text, size);
    const float a = -probe.GetTop();
    const float d = probe.GetBottom();
    const float h = xProbe.GetHeight();

    const float x = HorizontalOrigin(area, ink, horizontal);
    float y = h + ((a - h) + area.GetTop());
    switch (static_cast<int>(vertical))
    {
    case 0:
        y = area.GetBottom() - ((area.GetHeight() - (a - h)) - h) * 0.5f;
        break;
    case 1:
        y = area.GetBottom() - d;
        break;
    default:
        break;
    }
    LCD::GetInstance().FillText(Point(x, y), font, text, size, brush);
}

void FillText(ForegroundLayer& layer, const Area& area, const std::string& text, FiniteStreamReader& font,
              float size, const Brush& brush, HorizontalAlignment horizontal, VerticalAlignment vertical)
{
    if (_xHeights.find(size) == _xHeights.end())
    {
        // Both probes are measured before anything is stored, so a font error leaves no entry.
        const Area probe = Measure(font, "fy", size);
        const Area xProbe = Measure(font, "x", size);
        _xHeights[size] = xProbe.GetHeight();
        _ascenders[size] = -probe.GetTop() - _xHeights[size];
        _descenders[size] = probe.GetBottom();
    }
    const float h = _xHeights[size];
    const float u = _ascenders[size];
    const float d = _descenders[size];

    Path path = Path::Text(Point(0.0f, 0.0f), font, text, size, 0.0f);
    const Area ink = LCD::GetInstance().MeasurePath(path, hairline);

    const float x = HorizontalOrigin(area, ink, horizontal);
    float y = u + area.GetTop() + h;
    switch (static_cast<int>(vertical))
    {
    case 0:
        y = area.GetBottom() - ((area.GetHeight() - u) - h) * 0.5f;
        break;
    case 1:
        y = area.GetBottom() - d;
        break;
    default:
        break;
    }
    // The outline built for measuring is moved, not rebuilt: a fractional origin shifts it by
    // that fraction.
    path.Translate(Point(x, y));
    layer.FillPath(path, brush);
}

} // namespace Velmora
