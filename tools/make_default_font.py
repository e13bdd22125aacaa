#!/usr/bin/python3
"""Builds the firmware's built-in font: DejaVu Sans Book reduced to the characters the firmware
shows (printable ASCII, Latin-1 and a few typographic marks), hinting kept, written out as a C++
byte array.

Usage: make_default_font.py SOURCE.ttf OUTPUT.cpp
"""

import io
import sys

from fontTools import subset
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

CHARACTERS = (list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))
              + [0x131, 0x2C6, 0x2DA, 0x2DC, 0x2044, 0x2074])

# Everything FreeType's TrueType driver, its hinting and the firmware use; the layout tables
# (GDEF, GPOS, GSUB) and MATH are dropped since no shaping is done.
KEEP = {'FFTM', 'OS/2', 'cmap', 'cvt ', 'fpgm', 'gasp', 'glyf', 'head', 'hhea', 'hmtx', 'kern',
        'loca', 'maxp', 'name', 'post', 'prep'}


def reduce(source):
    options = subset.Options()
    options.layout_features = []
    options.hinting = True
    options.legacy_kern = True
    options.legacy_cmap = True
    options.name_IDs = ['*']
    options.name_languages = ['*']
    options.name_legacy = True
    options.glyph_names = True
    options.notdef_outline = True
    options.no_subset_tables += ['FFTM']
    font = TTFont(source)
    options.drop_tables += [tag for tag in font.keys() if tag not in KEEP and tag != 'GlyphOrder']
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=CHARACTERS)
    subsetter.subset(font)

    # A byte-coded map for the Macintosh platform, derived from the Unicode map, as older
    # platforms and tools look for one.
    unicode_map = font.getBestCmap()
    mac = CmapSubtable.newSubtable(0)
    mac.platformID, mac.platEncID, mac.language = 1, 0, 0
    mac.cmap = {}
    for code in range(256):
        character = bytes([code]).decode('mac_roman')
        glyph = unicode_map.get(ord(character))
        mac.cmap[code] = glyph if glyph is not None else '.notdef'
    cmap = font['cmap']
    cmap.tables = [t for t in cmap.tables if t.platformID != 1] + [mac]
    cmap.tables.sort(key=lambda t: (t.platformID, t.platEncID, t.language))

    data = io.BytesIO()
    font.save(data)
    return data.getvalue(), len(font.getGlyphOrder())


def main():
    source, output = sys.argv[1], sys.argv[2]
    data, glyphs = reduce(source)
    lines = []
    for start in range(0, len(data), 16):
        lines.append('    ' + ', '.join('0x%02X' % b for b in data[start:start + 16]) + ',')
    with open(output, 'w') as out:
        out.write('// Generated at build time by tools/make_default_font.py; not edited by hand.\n')
        out.write('// %d glyphs, %d bytes.\n' % (glyphs, len(data)))
        out.write('#include "graphics/DefaultFontData.h"\n\n')
        out.write('namespace Velmora\n{\n\n')
        out.write('extern const unsigned char DefaultFontData[] = {\n')
        out.write('\n'.join(lines))
        out.write('\n};\n\n')
        out.write('extern const unsigned int DefaultFontDataSize = %d;\n\n' % len(data))
        out.write('} // namespace Velmora\n')


if __name__ == '__main__':
    main()
