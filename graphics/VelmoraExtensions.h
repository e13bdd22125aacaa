#pragma once

#include "graphics/Area.h"
#include "graphics/PixelArea.h"

#include <string>

namespace Velmora
{

class Brush;
class FiniteStreamReader;
class ForegroundLayer;

enum class HorizontalAlignment : int
{
    Left = -1,  // the text's ink starts at the area's left
    Center = 0, // the ink box is centred between left and right
    Right = 1,  // the ink ends at the area's right
};

enum class VerticalAlignment : int
{
    Top = -1,   // the font's ascent reaches the area's top
    Center = 0, // the band from baseline to ascent is centred vertically
    Bottom = 1, // the font's lowest descent touches the area's bottom
};

// Rounds each of left, top, width and height to the nearest whole number, halves away from zero.
// The right edge is not rounded on its own: the pixel width is the rounded float width.
PixelArea ToPixelArea(const Area& area);

// The float area spanning the same pixels; its right edge is one past the last column.
Area ToArea(const PixelArea& area);

// Checked UTF-8 decoding, one element per code point. A sequence cut short throws
// utf8::not_enough_room, a bad lead or continuation byte or an overlong form utf8::invalid_utf8,
// a surrogate or a value above U+10FFFF utf8::invalid_code_point.
std::u32string ToUTF32(const std::string& text);

// One line of text placed in area by the alignments and filled with the brush on the background.
// The horizontal placement uses the text's ink, the vertical one the font's ascent and descent at
// that size; text larger than the area extends beyond it. Alignment values other than 0 and 1 act
// as Left and Top.
void FillText(const Area& area, const std::string& text, FiniteStreamReader& font, float size, const Brush& brush,
              HorizontalAlignment horizontal, VerticalAlignment vertical);

// The same on a layer, area in the layer's coordinates. The font's metrics are remembered per size
// (not per font), so a layer redraws its text with one outline build.
void FillText(ForegroundLayer& layer, const Area& area, const std::string& text, FiniteStreamReader& font,
              float size, const Brush& brush, HorizontalAlignment horizontal, VerticalAlignment vertical);

// Decimal text of a number.
std::string ToString(int value);
std::string ToString(unsigned int value);
std::string ToString(unsigned long value);

} // namespace Velmora
