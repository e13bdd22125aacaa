#pragma once

namespace Velmora
{

// The built-in TrueType font (DejaVu Sans Book reduced to Latin-1 and a few typographic
// characters), generated at build time by tools/make_default_font.py.
extern const unsigned char DefaultFontData[];
extern const unsigned int DefaultFontDataSize;

} // namespace Velmora
