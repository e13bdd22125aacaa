#pragma once

#include "graphics/Area.h"
#include "graphics/PixelArea.h"
#include "graphics/Point.h"
#include "graphics/Stroke.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Velmora
{

class Brush;
class FiniteStreamReader;
class ForegroundLayer;
class Path;

// The panel as applications see it. Its drawing operations paint the background layer, in panel
// pixels; foreground layers are stacked above it. Group drawing calls between DisableFlush(true)
// and EnableFlush(true) to have them reach the panel together.
class LCD
{
public:
    static LCD& GetInstance();

    LCD(const LCD&) = delete;
    LCD& operator=(const LCD&) = delete;

    PixelArea GetArea() const;
    uint16_t GetWidth() const;
    uint16_t GetHeight() const;

    bool IsFlushEnabled() const;
    // true recomposites the pending changes and arms flushing; false stops flushing.
    void EnableFlush(bool enable);
    // true stops flushing (changes then accumulate); false arms it without recompositing.
    void DisableFlush(bool disable);
    // True while changes wait to be sent to the panel.
    bool HasChanges() const;
    void SetBacklightBrightness(uint8_t level);

    // Black background, all of it registered as changed.
    void Clear();
    // Makes the part of area (panel pixels) that lies on the panel black.
    void Clear(const PixelArea& area);

    ForegroundLayer& CreateForegroundLayer(const PixelArea& area);
    // Only for layers that CreateForegroundLayer made.
    void DestroyForegroundLayer(ForegroundLayer& layer);

    void DrawRectangle(const Area& area, const Stroke& stroke, const Brush& brush);
    void DrawRectangle(const Area& area, float cornerRadius, const Stroke& stroke, const Brush& brush);
    void FillRectangle(const Area& area, const Brush& brush);
    void FillRectangle(const Area& area, float cornerRadius, const Brush& brush);
    void FillPath(const Path& path, const Brush& brush);
    // The whole pixels that stroking the path would touch; draws nothing.
    Area MeasurePath(const Path& path, const Stroke& stroke);
    // Text from origin, the left end of its baseline, at size pixels per em.
    void FillText(const Point& origin, FiniteStreamReader& font, const std::string& text, float size,
                  const Brush& brush);
    // The whole pixels that FillText with the same arguments would touch; draws nothing.
    Area MeasureText(const Point& origin, FiniteStreamReader& font, const std::string& text, float size);

private:
    LCD() = default;
    ~LCD();

    std::vector<ForegroundLayer*> m_layers;
};

// The library's global reference to the display, bound at start-up with the other global
// references; it is LCD::GetInstance().
extern LCD& lcd;

} // namespace Velmora
