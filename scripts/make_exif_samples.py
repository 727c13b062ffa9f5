#!/usr/bin/env python3
"""Writes the hand-made samples of tests/data/exif: each NAME.EXT (JPEG, and
TIFF, raw, HEIF, CR3, QuickTime/MP4, PNG and WebP files) with NAME.expected,
the photo time the program must read from it ("" when none), in the local
time of the tests (UTC+8) where the file holds a UTC time.

The files are written by this script alone, independently of the C++ test
builder, so a mistake shared by the reader and that builder still shows up.
Run it from anywhere; it rewrites the samples in place.
"""

import os
import struct
import zlib

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


# --- other containers ---------------------------------------------------------

def be16(v): return struct.pack(">H", v)
def be32(v): return struct.pack(">I", v)
def be64(v): return struct.pack(">Q", v)


def box(kind, body, large=False):
    if large:
        return be32(1) + kind + be64(len(body) + 16) + body
    return be32(len(body) + 8) + kind + body


def full_box(kind, version, body):
    return box(kind, bytes([version, 0, 0, 0]) + body)


def heif(tiff_data, brand=b"heic", image=3000, in_idat=False, exif_at=None):
    """ftyp, meta (hdlr, pitm, iinf, iloc version 0, iprp), mdat: the image,
    then the EXIF item (or the item in meta's idat box)."""
    item = be32(6) + b"Exif\0\0" + tiff_data
    ftyp = box(b"ftyp", brand + be32(0) + b"mif1" + brand)

    def meta(image_at, exif_at):
        iinf = full_box(b"iinf", 0, be16(2) +
                        full_box(b"infe", 2, be16(1) + be16(0) + b"hvc1" + b"\0") +
                        full_box(b"infe", 2, be16(2) + be16(0) + b"Exif" + b"\0"))
        if in_idat:  # version 1 for the construction method
            iloc = full_box(b"iloc", 1, bytes([0x44, 0x00]) + be16(2) +
                            be16(1) + be16(0) + be16(0) + be16(1) + be32(image_at) + be32(image) +
                            be16(2) + be16(1) + be16(0) + be16(1) + be32(0) + be32(len(item)))
        else:
            iloc = full_box(b"iloc", 0, bytes([0x44, 0x00]) + be16(2) +
                            be16(1) + be16(0) + be16(1) + be32(image_at) + be32(image) +
                            be16(2) + be16(0) + be16(1) + be32(exif_at) + be32(len(item)))
        body = (full_box(b"hdlr", 0, be32(0) + b"pict" + b"\0" * 13) + full_box(b"pitm", 0, be16(1)) + iinf + iloc +
                box(b"iprp", box(b"ipco", full_box(b"ispe", 0, be32(64) + be32(64)))))
        if in_idat:
            body += box(b"idat", item)
        return full_box(b"meta", 0, body)

    image_at = len(ftyp) + len(meta(0, 0)) + 8
    at = image_at + image if exif_at is None else exif_at
    return ftyp + meta(image_at, at) + box(b"mdat", b"\x5a" * image + (b"" if in_idat else item))


def mvhd(created, version=0):
    rest = be32(0x10000) + be16(0x100) + b"\0" * 10 + (be32(0x10000) + b"\0" * 12) * 2 + be32(0x40000000) + \
        b"\0" * 24 + be32(2)
    if version == 1:
        return full_box(b"mvhd", 1, be64(created) * 2 + be32(600) + be64(6000) + rest)
    return full_box(b"mvhd", 0, be32(created) * 2 + be32(600) + be32(6000) + rest)


def keys_meta(items, iso=False):
    """A metadata box with mdta keys: QuickTime's form, or the ISO one with
    version and flags (as in udta)."""
    keys = full_box(b"keys", 0, be32(len(items)) + b"".join(
        be32(len(k) + 8) + b"mdta" + k.encode() for k, _ in items))
    ilst = box(b"ilst", b"".join(
        box(be32(i + 1), box(b"data", be32(1) + be32(0) + v.encode())) for i, (_, v) in enumerate(items)))
    body = full_box(b"hdlr", 0, be32(0) + b"mdta" + b"\0" * 13) + keys + ilst
    return full_box(b"meta", 0, body) if iso else box(b"meta", body)


def movie(header, extra=b"", brand=b"qt  ", moov_first=False, media=5000, large_mdat=False):
    ftyp = box(b"ftyp", brand + be32(0) + brand + b"isom")
    trak = box(b"trak", full_box(b"tkhd", 0, b"\0" * 80) + box(b"mdia", b"\0" * 100))
    moov = box(b"moov", header + trak + extra)
    mdat = box(b"mdat", b"\x33" * media, large_mdat)
    return ftyp + moov + mdat if moov_first else ftyp + box(b"wide", b"") + mdat + moov


CANON_UUID = bytes.fromhex("85c0b687820f11e08111f4ce462b6a48")


def cr3(cmt1, cmt2):
    meta = box(b"uuid", CANON_UUID + box(b"CNCV", b"CanonCR3_001/00.09.00/00.00.00") +
               box(b"CMT1", cmt1) + box(b"CMT2", cmt2))
    return (box(b"ftyp", b"crx " + be32(1) + b"crx isom") + box(b"moov", meta + mvhd(0)) +
            box(b"mdat", b"\x44" * 4000))


def raf(jpeg_data):
    head = b"FUJIFILMCCD-RAW 0201FF129502" + b"X-E3".ljust(32, b"\0") + b"0100" + b"\0" * 20
    head += be32(148) + be32(len(jpeg_data))
    return head.ljust(148, b"\0") + jpeg_data + b"\x66" * 4000


def png(tiff_data, chunk=b"eXIf", after_image=False):
    """A PNG with tiff_data in a chunk before the image data, or after it as
    some writers place it."""
    def c(kind, data):
        return be32(len(data)) + kind + data + be32(zlib.crc32(kind + data))
    ihdr = be32(1) + be32(1) + bytes([8, 0, 0, 0, 0])
    idat = c(b"IDAT", zlib.compress(b"\0\x80"))
    exif = c(chunk, tiff_data)
    body = idat + exif if after_image else exif + idat
    return b"\x89PNG\r\n\x1a\n" + c(b"IHDR", ihdr) + body + c(b"IEND", b"")


def webp(tiff_data, riff_size=None):
    def c(kind, data):
        return kind + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    body = b"WEBP" + c(b"VP8X", bytes([0x08, 0, 0, 0]) + b"\0" * 6) + c(b"VP8L", b"\x2f" + b"\0" * 8) + \
        c(b"EXIF", tiff_data)
    return b"RIFF" + struct.pack("<I", len(body) if riff_size is None else riff_size) + body


DATES = [(306, ASCII, "2021:03:04 05:06:07")]
ORIGINAL = [(36867, ASCII, "2020:10:31 18:18:18"), (36868, ASCII, "2020:10:31 18:18:19")]
# 2020-10-31 10:18:18 UTC, 18:18:18 in the tests' UTC+8, in seconds since 1904.
MOVIE_SECONDS = 1604139498 + 2082844800
CREATION_KEY = "com.apple.quicktime.creationdate"

MEDIA = {
    "tiff_motorola.tif": (tiff(CAMERA + DATES, EXPOSURE + ORIGINAL, big_endian=True), "2020-10-31 18:18:18"),
    "camera_intel.dng": (tiff(CAMERA + DATES, ORIGINAL), "2020-10-31 18:18:18"),
    "olympus.orf": (b"IIRO" + tiff(CAMERA + DATES, ORIGINAL)[4:], "2020-10-31 18:18:18"),
    "olympus_motorola.orf": (b"MMOR" + tiff(CAMERA + DATES, ORIGINAL, big_endian=True)[4:], "2020-10-31 18:18:18"),
    "panasonic.rw2": (b"IIU\0" + tiff(CAMERA + DATES, ORIGINAL)[4:], "2020-10-31 18:18:18"),
    "fuji.raf": (raf(jpeg(exif_app1(tiff(CAMERA, ORIGINAL, big_endian=True)))), "2020-10-31 18:18:18"),
    "phone.heic": (heif(tiff(CAMERA + DATES, ORIGINAL, big_endian=True)), "2020-10-31 18:18:18"),
    # The EXIF item stored in meta's idat box (construction method 1), which
    # the reference metadata reader in Debian 12 does not follow: checked by
    # its layout alone.
    "exif_in_idat.avif": (heif(tiff(CAMERA, ORIGINAL), brand=b"avif", in_idat=True), "2020-10-31 18:18:18"),
    "canon.cr3": (cr3(tiff(CAMERA + DATES, []), tiff(ORIGINAL, [])), "2020-10-31 18:18:18"),
    # The recording date key (local time of the place) before the movie header's UTC time.
    "phone_video.mov": (movie(mvhd(MOVIE_SECONDS + 5), keys_meta([("com.apple.quicktime.make", "Apple"),
                                                            (CREATION_KEY, "2020-10-31T18:18:18+0800")])),
                  "2020-10-31 18:18:18"),
    "camera.mp4": (movie(mvhd(MOVIE_SECONDS), brand=b"mp42", moov_first=True), "2020-10-31 18:18:18"),
    "long_clip.mp4": (movie(mvhd(MOVIE_SECONDS, 1), brand=b"isom", large_mdat=True), "2020-10-31 18:18:18"),
    "udta_key.m4v": (movie(mvhd(0), box(b"udta", keys_meta([(CREATION_KEY, "2020-10-31T18:18:18Z")], iso=True)),
                           brand=b"M4V "), "2020-10-31 18:18:18"),
    "no_time.3gp": (movie(mvhd(0), brand=b"3gp5"), ""),
    "screenshot.png": (png(tiff(CAMERA, ORIGINAL)), "2020-10-31 18:18:18"),
    "exif_after_image.png": (png(tiff(CAMERA, ORIGINAL), after_image=True), "2020-10-31 18:18:18"),
    "text_only.png": (png(b"Comment\0hello", chunk=b"tEXt"), ""),
    "photo.webp": (webp(tiff(CAMERA, ORIGINAL, big_endian=True)), "2020-10-31 18:18:18"),
    # A cut file: the RIFF size tells more than there is; what is there is read.
    "cut_riff.webp": (webp(tiff(CAMERA, ORIGINAL), riff_size=0xFFFFFFF0), "2020-10-31 18:18:18"),
    # Hostile: sizes past what holds them, offsets that wrap.
    "hostile_item_offset.heic": (heif(tiff(CAMERA, ORIGINAL), exif_at=0xFFFFFFF0), ""),
    "hostile_box_sizes.mov": (box(b"ftyp", b"qt  " + be32(0)) + be32(0xFFFFFF00) + b"moov" + mvhd(MOVIE_SECONDS), ""),
    "hostile_png_length.png": (b"\x89PNG\r\n\x1a\n" + be32(0x7FFFFFFF) + b"eXIf" + tiff(CAMERA, ORIGINAL), ""),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {name + ".jpg": sample for name, sample in SAMPLES.items()}
    files.update(MEDIA)
    for name, (data, expected) in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        with open(os.path.join(OUT, os.path.splitext(name)[0] + ".expected"), "w") as f:
            f.write(expected + "\n")


if __name__ == "__main__":
    main()
