#!/usr/bin/env python3
"""Writes the hand-made JPEG samples of tests/data/exif: each NAME.jpg with
NAME.expected, the photo time the program must read from it ("" when none).

The files are written by this script alone, independently of the C++ test
builder, so a mistake shared by the reader and that builder still shows up.
Run it from anywhere; it rewrites the samples in place.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "tests", "data", "exif")

ASCII, SHORT, LONG, RATIONAL = 2, 3, 4, 5


def segment(code, payload):
    return bytes([0xFF, code]) + struct.pack(">H", len(payload) + 2) + payload


def app0(extra=b""):
    return segment(0xE0, b"JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00" + extra)


def tiny_image():
    """An 8x8 grey image: one block, DC difference 0, end of block."""
    dqt = segment(0xDB, b"\0" + b"\x01" * 64)
    sof = segment(0xC0, b"\x08\x00\x08\x00\x08\x01\x01\x11\x00")
    dht = lambda cls: segment(0xC4, bytes([cls]) + b"\x01" + b"\0" * 15 + b"\0")
    sos = segment(0xDA, b"\x01\x01\x00\x00\x3F\x00")
    return dqt + sof + dht(0x00) + dht(0x10) + sos + b"\x3F" + b"\xFF\xD9"


class Raw:
    """An entry's count and value field as given."""

    def __init__(self, count, value):
        self.count, self.value = count, value


def tiff(ifd0, exif, big_endian=False, ifd0_count=None, ifd0_offset=None, tail=b""):
    """ifd0, exif: lists of (tag, type, value) with value a str, a
    (num, den) pair, an int or a Raw. Data is placed after both
    directories, tail after the data."""
    e = ">" if big_endian else "<"
    ifd0 = list(ifd0)
    if exif:
        ifd0.append((34665, LONG, None))  # the sub-directory pointer
    ifd0_at = 8
    exif_at = ifd0_at + 2 + 12 * len(ifd0) + 4
    data_at = exif_at + (2 + 12 * len(exif) + 4 if exif else 0)
    data = bytearray()

    def directory(entries, count):
        out = struct.pack(e + "H", len(entries) if count is None else count)
        for tag, typ, value in entries:
            if isinstance(value, Raw):
                out += struct.pack(e + "HHII", tag, typ, value.count, value.value)
            elif tag == 34665:
                out += struct.pack(e + "HHII", tag, LONG, 1, exif_at)
            elif typ == ASCII:
                raw = value.encode("ascii") + b"\0"
                out += struct.pack(e + "HHII", tag, typ, len(raw), data_at + len(data))
                data.extend(raw + (b"\0" if len(raw) % 2 else b""))
            elif typ == RATIONAL:
                out += struct.pack(e + "HHII", tag, typ, 1, data_at + len(data))
                data.extend(struct.pack(e + "II", *value))
            elif typ == SHORT:
                out += struct.pack(e + "HHIHH", tag, typ, 1, value, 0)
            else:
                out += struct.pack(e + "HHII", tag, typ, 1, value)
        return out + struct.pack(e + "I", 0)

    head = (b"MM" if big_endian else b"II") + struct.pack(e + "HI", 42, ifd0_at if ifd0_offset is None else ifd0_offset)
    body = directory(ifd0, ifd0_count)
    if exif:
        body += directory(exif, None)
    return head + body + bytes(data) + tail


def exif_app1(t, pad=b"\0"):
    return segment(0xE1, b"Exif\0" + pad + t)


def jpeg(*parts):
    return b"\xFF\xD8" + b"".join(parts) + tiny_image()


CAMERA = [(271, ASCII, "Canon"), (272, ASCII, "Canon EOS 5D Mark IV"), (274, SHORT, 1),
          (282, RATIONAL, (72, 1)), (283, RATIONAL, (72, 1))]
EXPOSURE = [(33434, RATIONAL, (1, 250)), (33437, RATIONAL, (28, 10)), (34855, SHORT, 400)]

SAMPLES = {
    # Little-endian, JFIF first, all three dates: the original one counts.
    "all_dates_intel": (jpeg(app0(), exif_app1(tiff(
        CAMERA + [(306, ASCII, "2019:05:05 08:00:00")],
        EXPOSURE + [(36867, ASCII, "2019:05:04 13:22:10"), (36868, ASCII, "2019:05:04 13:22:11")]))),
        "2019-05-04 13:22:10"),
    # Big-endian, no JFIF segment.
    "original_motorola": (jpeg(exif_app1(tiff(
        CAMERA, EXPOSURE + [(36867, ASCII, "2020:10:31 18:18:18")], big_endian=True))),
        "2020-10-31 18:18:18"),
    "digitized_only": (jpeg(app0(), exif_app1(tiff(
        CAMERA, [(36867, ASCII, "                   "), (36868, ASCII, "2018:01:02 03:04:05")],
        big_endian=True))), "2018-01-02 03:04:05"),
    # IFD0 only, after a JFIF segment of odd length with a thumbnail.
    "changed_only_long_app0": (jpeg(app0(b"\x80" * 301), exif_app1(tiff(
        CAMERA + [(306, ASCII, "2017:12:31 23:59:59")], []))), "2017-12-31 23:59:59"),
    "no_clock": (jpeg(app0(), exif_app1(tiff(
        CAMERA, [(36867, ASCII, "0000:00:00 00:00:00")]))), ""),
    "no_exif": (jpeg(app0()), ""),
    # An XMP packet in an earlier APP1 segment.
    "xmp_first": (jpeg(segment(0xE1, b"http://ns.adobe.com/xap/1.0/\0<x:xmpmeta xmlns:x='adobe:ns:meta/'/>"),
                       exif_app1(tiff(CAMERA, [(36867, ASCII, "2016:02:29 12:00:00")], big_endian=True))),
                  "2016-02-29 12:00:00"),
    # IFD0 stored with a count of 0: read until an entry with tag 0.
    "ifd0_count_zero": (jpeg(app0(), exif_app1(tiff(
        CAMERA, [(36867, ASCII, "2015:06:07 08:09:10")], ifd0_count=0))), "2015-06-07 08:09:10"),
    # 120 KiB of application data before the EXIF segment.
    "behind_large_segments": (jpeg(app0(), segment(0xEF, b"\x11" * 61000), segment(0xEF, b"\x22" * 61000),
                                   exif_app1(tiff(CAMERA, [(36867, ASCII, "2014:03:04 05:06:07")]))),
                              "2014-03-04 05:06:07"),
}

# Hostile files: the reader must end quickly and safely on each.
_photo = SAMPLES["all_dates_intel"][0]
# Built twice: the texts point right behind the structure, whose size the first build gives.
_long_texts = tiff([(306, ASCII, "2017:12:31 23:59:59")] + [(271, ASCII, Raw(0xFFFFFFFF, 0))] * 2000, [])
_long_texts = tiff([(306, ASCII, "2017:12:31 23:59:59")] +
                   [(271, ASCII, Raw(0xFFFFFFFF, len(_long_texts)))] * 2000, [])
SAMPLES.update({
    # IFD0 offset near 2^32: an offset that must not wrap round.
    "hostile_wrapping_offset": (jpeg(app0(), exif_app1(tiff(
        CAMERA + [(306, ASCII, "2017:12:31 23:59:59")], [], ifd0_offset=0xFFFFFFF8))), ""),
    # Cut in the middle of the EXIF sub-directory.
    "hostile_cut_directory": (_photo[:_photo.index(b"\x9a\x82\x05\x00") + 30], ""),
    # More empty segments than the reader walks before giving up.
    "hostile_empty_segments": (b"\xFF\xD8" + b"\xFF\xE2\x00\x02" * 20000 + exif_app1(tiff(
        CAMERA, [(36867, ASCII, "2013:01:01 00:00:00")])) + tiny_image(), ""),
    # 2000 texts of the largest count over 70000 bytes without a NUL (behind
    # the segment), after the date: texts and entries are capped, the date is kept.
    "hostile_long_texts": (b"\xFF\xD8" + exif_app1(_long_texts) + b"M" * 70000 + tiny_image(),
                           "2017-12-31 23:59:59"),
})


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, (data, expected) in SAMPLES.items():
        with open(os.path.join(OUT, name + ".jpg"), "wb") as f:
            f.write(data)
        with open(os.path.join(OUT, name + ".expected"), "w") as f:
            f.write(expected + "\n")


if __name__ == "__main__":
    main()
