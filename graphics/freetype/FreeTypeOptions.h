/* FreeType's build options for the firmware: its defaults, less the features that only serve
 * fonts and formats the firmware never opens (compressed, Mac resource-fork, bitmap, colour,
 * variable and CJK or Indic fonts, PostScript glyph names). Nothing here changes how a TrueType
 * outline is scaled or hinted, so glyphs come out as with the default options. */
#ifndef VELMORA_FREETYPE_OPTIONS_H
#define VELMORA_FREETYPE_OPTIONS_H

#include <freetype/config/ftoption.h>

#undef FT_CONFIG_OPTION_ENVIRONMENT_PROPERTIES
#undef FT_CONFIG_OPTION_USE_LZW
#undef FT_CONFIG_OPTION_USE_ZLIB
#undef FT_CONFIG_OPTION_POSTSCRIPT_NAMES
#undef FT_CONFIG_OPTION_ADOBE_GLYPH_LIST
#undef FT_CONFIG_OPTION_MAC_FONTS
#undef FT_CONFIG_OPTION_GUESSING_EMBEDDED_RFORK
#undef FT_CONFIG_OPTION_INCREMENTAL
#undef TT_CONFIG_OPTION_EMBEDDED_BITMAPS
#undef TT_CONFIG_OPTION_COLOR_LAYERS
#undef TT_SUPPORT_COLRV1
#undef TT_CONFIG_OPTION_POSTSCRIPT_NAMES
#undef TT_CONFIG_OPTION_GX_VAR_SUPPORT
#undef TT_CONFIG_OPTION_BDF
#undef AF_CONFIG_OPTION_CJK
#undef AF_CONFIG_OPTION_INDIC

#endif
