#pragma once

#include "graphics/Area.h"
#include "graphics/PixelArea.h"

#include <string>

namespace Velmora
{

// Rounds each of left, top, width and height to the nearest whole number, halves away from zero.
// The right edge is not rounded on its own: the pixel width is the rounded float width.
PixelArea ToPixelArea(const Area& area);

// The float area spanning the same pixels; its right edge is one past the last column.
Area ToArea(const PixelArea& area);

// Checked UTF-8 decoding, one element per code point. A sequence cut short throws
// utf8::not_enough_room, a bad lead or continuation byte or an overlong form utf8::invalid_utf8,
// a surrogate or a value above U+10FFFF utf8::invalid_code_point.
std::u32string ToUTF32(const std::string& text);

// Decimal text of a number.
std::string ToString(int value);
std::string ToString(unsigned int value);
std::string ToString(unsigned long value);

} // namespace Velmora
