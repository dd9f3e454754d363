#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small, valid inputs of each shape the targets read, so a short
fuzzing run starts from the interesting paths instead of finding them first.
Run it again after changing a target's input format; the files it writes are
kept in the repository."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(here, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- event_sink
# Input: DISPID (200 + byte % 11), dispatch flags, argument count, each
# argument (a type byte, then its value), named-argument count and positions,
# and whether the caller passes EXCEPINFO.
METHOD, PROPERTYGET = 1, 2


def i4(v):
    return bytes([0]) + struct.pack(">i", v)


def boolean(v):
    return bytes([1]) + struct.pack(">i", -1 if v else 0)


def bstr(text):
    data = text.encode("latin-1")
    return bytes([2, len(data)]) + data


def byref_i4(v):
    return bytes([8]) + struct.pack(">i", v)


def byref_bstr(text):
    data = text.encode("latin-1")
    return bytes([9, len(data)]) + data


def call(dispid, args, flags=METHOD, named=(), excepinfo=True):
    # Positional arguments travel last-first, as automation passes them.
    out = bytes([dispid - 200, flags, len(args)]) + b"".join(reversed(args))
    out += bytes([len(named)]) + bytes(n & 0xFF for n in named)
    return out + bytes([1 if excepinfo else 0])


for dispid, name in [(201, "quit"), (202, "refresh-highlight"), (204, "settings"),
                     (205, "functionality"), (206, "quick-group")]:
    write("event_sink", name, call(dispid, []))
write("event_sink", "document-data", call(203, [i4(42), boolean(True), bstr("note"), i4(3), i4(5)]))
write("event_sink", "document-data-byref", call(203, [byref_i4(7), boolean(False), byref_bstr("x"), i4(0), i4(-1)]))
write("event_sink", "document-data-named", call(203, [i4(1), boolean(True), bstr(""), i4(2), i4(4)], named=[0, 4]))
write("event_sink", "document-data-wrong-types", call(203, [bstr("12"), bytes([3]) + struct.pack(">i", 9),
                                                          bytes([4]), bytes([5]), bytes([6])]))
write("event_sink", "ff-settings", call(207, [i4(0x10001)]))
write("event_sink", "ff-login", call(208, [boolean(True)], excepinfo=False))
write("event_sink", "ff-login-array", call(208, [bytes([10, 3])]))
write("event_sink", "property-get", call(201, [], flags=PROPERTYGET))
write("event_sink", "unknown-member", call(210, [i4(1)]))

# -------------------------------------------------------------- browser_sink
# Input: event (an index into the target's DISPID list), call shape (bit 7: the
# handler raises; bits 0-1 zero: no argument array; bits 2-3 set: no
# DISPPARAMS), argument count, each argument (a type byte, then a value byte
# for some types), named-argument count.
BEFORE_NAVIGATE2, NAVIGATE_COMPLETE2, DOCUMENT_COMPLETE, QUIT, UNLISTED = 0, 1, 2, 3, 6
DISPATCH, UNKNOWN, VARIANT_REF, BOOL_REF, BOOL_VALUE = bytes([0]), bytes([2]), bytes([3]), bytes([6, 0]), bytes([8])


def browser_call(event, args, shape=1, named=0):
    # Arguments travel last-first, as the browser passes them.
    return bytes([event, shape, len(args)]) + b"".join(reversed(args)) + bytes([named])


navigation = [DISPATCH] + [VARIANT_REF] * 5 + [BOOL_REF]
write("browser_sink", "before-navigate2", browser_call(BEFORE_NAVIGATE2, navigation))
write("browser_sink", "before-navigate2-raises", browser_call(BEFORE_NAVIGATE2, navigation, shape=0x81))
write("browser_sink", "before-navigate2-short", browser_call(BEFORE_NAVIGATE2, navigation[:1]))
write("browser_sink", "before-navigate2-cancel-by-value", browser_call(BEFORE_NAVIGATE2, navigation[:6] + [BOOL_VALUE]))
write("browser_sink", "before-navigate2-named", browser_call(BEFORE_NAVIGATE2, navigation, named=1))
write("browser_sink", "navigate-complete2", browser_call(NAVIGATE_COMPLETE2, [DISPATCH, VARIANT_REF]))
write("browser_sink", "document-complete-unknown", browser_call(DOCUMENT_COMPLETE, [UNKNOWN, VARIANT_REF]))
write("browser_sink", "document-complete-no-array", browser_call(DOCUMENT_COMPLETE, [DISPATCH, VARIANT_REF], shape=0))
write("browser_sink", "quit", browser_call(QUIT, []))
write("browser_sink", "quit-raises", browser_call(QUIT, [], shape=0x80 | 0x0C))
write("browser_sink", "unlisted", browser_call(UNLISTED, [DISPATCH, VARIANT_REF]))

# ---------------------------------------------------------------------- page
write("page", "links.html", b"""<!DOCTYPE html>
<html><head><meta charset="iso-8859-1"><title>Links</title><base href="http://example.com/dir/"></head>
<body><p>Caf\xe9 <a href="a.html" title="First">first</a> <a href="A.HTML">same, other case</a>
<a href="../up.html#part">up</a> <a href="mailto:me@example.com">mail</a>
<a href="javascript:void(0)">script</a> <area href="map.html" alt="area">
<span>highlight <b>me</b> here</span></p></body></html>
""")
write("page", "frames.html", b"""<html><body>
<img src="pic.gif" alt="picture"><img src="//cdn.example.org/p.png"><img>
<iframe src="inner.html"></iframe><frameset><frame src="other.html"></frameset>
<table><tr><td><a href="cell.html">cell</a></td></tr></table>
<script>document.write("<a href='x'>")</script><!-- <a href="hidden.html"> -->
</body></html>
""")
write("page", "utf8.html", "<meta http-equiv='Content-Type' content='text/html; charset=utf-8'>"
      "<a href='\u00fcber.html'>\u00fcber \u2603</a><img src='bild%20eins.jpg'>".encode("utf-8"))

# ------------------------------------------------------------------- picture
def bmp(width, height, bpp, pixels, palette=b"", compression=0, extra=b"", core=False):
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bpp)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels),
                           2835, 2835, len(palette) // 4, 0)
    offset = 14 + len(info) + len(extra) + len(palette)
    size = offset + len(pixels)
    return struct.pack("<2sIHHI", b"BM", size, 0, 0, offset) + info + extra + palette + pixels


def rows(width, height, bpp, value):
    stride = (width * bpp + 31) // 32 * 4
    return bytes((value(x, y) if x < (width * bpp + 7) // 8 else 0) for y in range(height) for x in range(stride))


gray = b"".join(bytes([v, v, v, 0]) for v in (0, 255))
write("picture", "1bit.bmp", bmp(9, 3, 1, rows(9, 3, 1, lambda x, y: 0xA5 ^ y), gray))
pal16 = b"".join(bytes([i * 16, 255 - i * 16, i * 8, 0]) for i in range(16))
write("picture", "4bit.bmp", bmp(5, 2, 4, rows(5, 2, 4, lambda x, y: (x * 0x12 + y) & 0xFF), pal16))
pal256 = b"".join(bytes([i, i // 2, 255 - i, 0]) for i in range(256))
write("picture", "8bit.bmp", bmp(3, 3, 8, rows(3, 3, 8, lambda x, y: x * 40 + y), pal256))
write("picture", "24bit-top-down.bmp", bmp(3, -2, 24, rows(3, 2, 24, lambda x, y: (x * 31 + y * 7) & 0xFF)))
write("picture", "32bit.bmp", bmp(2, 2, 32, rows(2, 2, 32, lambda x, y: (x * 50 + y) & 0xFF)))
masks565 = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
write("picture", "16bit-565.bmp", bmp(3, 2, 16, rows(3, 2, 16, lambda x, y: x ^ y * 3), compression=3, extra=masks565))
write("picture", "16bit-555.bmp", bmp(2, 2, 16, rows(2, 2, 16, lambda x, y: 0x7C if x % 2 else 0x1F)))
# RLE8: a run, literal pixels, a delta, end of line, end of bitmap.
rle8 = bytes([3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 1, 0, 2, 5, 0, 1])
write("picture", "rle8.bmp", bmp(4, 2, 8, rle8 + b"\0", pal256, compression=1))
rle4 = bytes([4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 2, 0x77, 0, 1])
write("picture", "rle4.bmp", bmp(4, 2, 4, rle4, pal16, compression=2))
core_palette = b"".join(bytes([v, v, v]) for v in (0, 255))
write("picture", "os2-core.bmp", bmp(8, 1, 1, bytes([0x55, 0, 0, 0]), core_palette, core=True))
