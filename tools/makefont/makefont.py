# Builds plevoran.ttf, the map symbols of the program, from outlines drawn here.
# Run by makefont.sh with Debian's fontforge: fontforge -lang=py -script makefont.py OUT.ttf
#   71 'G'  boat, bow up
#   68 'D'  waypoint mark: a ring round a dot
#   73 'I'  wind arrow pointing east
#   72 'H'  current arrow pointing west
# The map turns the symbols counter-clockwise about the centre of their cell, so every glyph is
# drawn about that centre: half the advance across, half of ascent + descent down from the top.
import math
import sys

import fontforge

EM = 1000
ASCENT = 800
DESCENT = 200
CX = EM / 2
CY = ASCENT - (ASCENT + DESCENT) / 2  # 300 above the baseline


def polygon(pen, points):
    pen.moveTo(points[0])
    for p in points[1:]:
        pen.lineTo(p)
    pen.closePath()


def around(points):
    """Points given about the cell centre, moved to font units."""
    return [(round(CX + x), round(CY + y)) for x, y in points]


def circle(r, n=48, clockwise=True):
    step = -1 if clockwise else 1
    return around([(r * math.cos(step * 2 * math.pi * i / n), r * math.sin(step * 2 * math.pi * i / n))
                   for i in range(n)])


def boat(pen):
    # Pointed bow at the top, wide quarters, flat transom at the bottom.
    polygon(pen, around([(0, 440), (110, 280), (160, 80), (150, -180), (110, -400),
                         (-110, -400), (-150, -180), (-160, 80), (-110, 280)]))


def waypoint(pen):
    polygon(pen, circle(420))
    polygon(pen, circle(320, clockwise=False))
    polygon(pen, circle(110))


def arrow(pen, east):
    s = 1 if east else -1
    # Shaft from the tail to the head's base, then the head; tip on the far side.
    pts = [(-420, 50), (150, 50), (150, 190), (440, 0), (150, -190), (150, -50), (-420, -50)]
    polygon(pen, around([(s * x, y) for x, y in pts]))


def main(out):
    font = fontforge.font()
    font.encoding = "UnicodeFull"
    font.em = EM
    font.ascent = ASCENT
    font.descent = DESCENT
    font.familyname = "Plevoran"
    font.fontname = "Plevoran"
    font.fullname = "Plevoran"
    font.weight = "Regular"
    font.copyright = "Corvatalen map symbols, drawn for the program"
    # Metrics as stated, not as offsets from the glyphs' bounds (fontforge's default).
    font.os2_winascent_add = False
    font.os2_windescent_add = False
    font.hhea_ascent_add = False
    font.hhea_descent_add = False
    font.os2_typoascent_add = False
    font.os2_typodescent_add = False
    font.os2_winascent = ASCENT
    font.os2_windescent = DESCENT
    font.hhea_ascent = ASCENT
    font.hhea_descent = -DESCENT
    font.os2_typoascent = ASCENT
    font.os2_typodescent = -DESCENT
    font.os2_use_typo_metrics = True
    font.hhea_linegap = 0
    font.os2_typolinegap = 0

    space = font.createChar(32)
    space.width = EM
    for code, draw in ((71, boat), (68, waypoint), (73, lambda p: arrow(p, True)),
                       (72, lambda p: arrow(p, False))):
        glyph = font.createChar(code)
        draw(glyph.glyphPen())
        glyph.width = EM
        glyph.correctDirection()
    font.generate(out)


main(sys.argv[1])
