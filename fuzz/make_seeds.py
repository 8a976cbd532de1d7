#!/usr/bin/env python3
"""Writes the small seed files of the dib, wave and picture_collection
corpora (run from anywhere; the level seeds are compiled levels, copied)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(corpus, name, data):
    folder = os.path.join(HERE, "corpus", corpus)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def info_header(width, height, bits, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size, 0, 0, colours, 0)


def rows(width, height, bits, pixel):
    stride = (width * bits + 31) // 32 * 4
    out = b""
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            v = pixel(x, y)
            if bits == 24:
                row[x * 3:x * 3 + 3] = bytes(((v >> 16) & 255, (v >> 8) & 255, v & 255))
            elif bits == 8:
                row[x] = v & 255
            elif bits == 4:
                row[x // 2] |= (v & 15) << (4 if x % 2 == 0 else 0)
            elif bits == 1:
                row[x // 8] |= (v & 1) << (7 - x % 8)
            elif bits == 16:
                row[x * 2:x * 2 + 2] = struct.pack("<H", v & 0xFFFF)
            elif bits == 32:
                row[x * 4:x * 4 + 4] = struct.pack("<I", v)
        out += bytes(row)
    return out


def palette(n):
    return b"".join(bytes((i * 7 % 256, i * 13 % 256, i * 29 % 256, 0)) for i in range(n))


def payloads():
    p = {}
    p["rgb24"] = info_header(5, 3, 24) + rows(5, 3, 24, lambda x, y: x * 40 << 8 | y * 80)
    p["pal8"] = info_header(4, 4, 8, colours=16) + palette(16) + rows(4, 4, 8, lambda x, y: x + y)
    p["pal4"] = info_header(7, 2, 4) + palette(16) + rows(7, 2, 4, lambda x, y: x ^ y)
    p["mono"] = info_header(9, 2, 1) + palette(2) + rows(9, 2, 1, lambda x, y: (x + y) & 1)
    p["top_down32"] = info_header(3, -2, 32) + rows(3, 2, 32, lambda x, y: 0x00FF0000 >> (8 * x))
    p["bitfields16"] = (info_header(4, 2, 16, compression=3) + struct.pack("<III", 0xF800, 0x07E0, 0x001F) +
                        rows(4, 2, 16, lambda x, y: 0xF800 if x == y else 0x07E0))
    rle = bytes((3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 1, 0, 4, 5, 0, 1))  # run, literal, delta, end of line, end
    p["rle8"] = info_header(6, 3, 8, compression=1, image_size=len(rle), colours=8) + palette(8) + rle
    rle4 = bytes((4, 0x12, 0, 4, 0x34, 0x56, 0, 0, 2, 0x77, 0, 1))
    p["rle4"] = info_header(6, 2, 4, compression=2, image_size=len(rle4)) + palette(16) + rle4
    return p


def bitmap_file(payload):
    header_size = 40
    colours = payload[header_size:]
    bits = struct.unpack_from("<H", payload, 14)[0]
    compression = struct.unpack_from("<I", payload, 16)[0]
    palette_bytes = (4 << bits if bits <= 8 else 0) if struct.unpack_from("<I", payload, 32)[0] == 0 \
        else 4 * struct.unpack_from("<I", payload, 32)[0]
    masks = 12 if compression == 3 else 0
    offset = 14 + header_size + palette_bytes + masks
    del colours
    return b"BM" + struct.pack("<IHHI", 14 + len(payload), 0, 0, offset) + payload


def wave(fmt_tag, channels, rate, bits, samples, extra=b""):
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", fmt_tag, channels, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra + b"data" + struct.pack("<I", len(samples)) + samples
    if len(samples) % 2:
        body += b"\0"
    return b"RIFF" + struct.pack("<I", len(body)) + body


def short(s):
    return bytes((len(s),)) + s.encode()


def prop(name, value):
    return short(name) + value


def v_int(n):
    return b"\x02" + struct.pack("<b", n) if -128 <= n < 128 else b"\x04" + struct.pack("<i", n)


def v_str(s):
    return b"\x06" + short(s)


def v_ident(s):
    return b"\x07" + short(s)


def v_bool(b):
    return b"\x09" if b else b"\x08"


def v_binary(data):
    return b"\x0a" + struct.pack("<I", len(data)) + data


def picture_file(items, colour_table=False):
    body = b"TPF0" + short("TPictureCollectionComponent") + short("")
    body += short("List") + b"\x0e"
    for name, payload, pw, ph in items:
        body += b"\x01"
        body += prop("Name", v_str(name))
        body += prop("PatternHeight", v_int(ph)) + prop("PatternWidth", v_int(pw))
        body += prop("Picture.Data", v_binary(short("TDIB") + payload))
        body += prop("SystemMemory", v_bool(False)) + prop("Transparent", v_bool(True))
        body += prop("TransparentColor", v_ident("clBlack"))
        body += b"\x00"
    body += b"\x00"
    if colour_table:
        body += prop("List.ColorTable", v_binary(bytes(1024)))
    body += b"\x00\x00"
    name = b"TPICTURECOLLECTIONCOMPONENT"
    return b"\xff\x0a\x00" + name + b"\x00\x30\x10" + struct.pack("<I", len(body)) + body


def picture_item(data, order=None, name=None):
    """One item of a picture file's List: an optional order number, then its
    properties, Picture.Data holding `data` (class name and payload)."""
    item = b"" if order is None else b"\x04" + struct.pack("<i", order)
    item += b"\x01"
    if name is not None:
        item += prop("Name", v_str(name))
    item += prop("Picture.Data", v_binary(data)) + b"\x00"
    return item


def headed_stream(body, data_size=None):
    """A resource header (data size as stated, or the true one) and a stream."""
    name = b"TPICTURECOLLECTIONCOMPONENT"
    size = len(body) if data_size is None else data_size
    return b"\xff\x0a\x00" + name + b"\x00\x30\x10" + struct.pack("<I", size) + body


def holder_with_items(items):
    return (b"TPF0" + short("TPictureCollectionComponent") + short("") + short("List") + b"\x0e" +
            b"".join(items) + b"\x00" + b"\x00\x00")


def rle_payload(width, height, data):
    return info_header(width, height, 8, compression=1, image_size=len(data), colours=1) + palette(1) + data


def jpeg_claiming(width, height):
    """The corpus's small JPEG with its frame header declaring another size."""
    with open(os.path.join(HERE, "corpus", "dib", "file_jpeg"), "rb") as f:
        jpeg = bytearray(f.read())
    sof = jpeg.index(b"\xff\xc0")
    jpeg[sof + 5:sof + 9] = struct.pack(">HH", height, width)
    return bytes(jpeg)


def hostile():
    """Files of at most 4 KiB that declare the most each reader can be told:
    the game must refuse them within its data budget (tests/faults/
    hostile_data_test.cpp starts the game on each)."""
    out = {}
    # An uncompressed picture whose header claims 2^31 - 1 rows of 2^31 - 1
    # 32-bit pixels, top down, and holds none of them.
    huge = struct.pack("<IiiHHIIiiII", 40, 0x7FFFFFFF, -0x7FFFFFFF, 1, 32, 0, 0, 0, 0, 0, 0)
    out[("dib", "hostile-uncompressed-header")] = huge
    out[("picture_collection", "hostile-uncompressed-header")] = headed_stream(
        holder_with_items([picture_item(short("TDIB") + huge)]))
    # A JPEG whose frame header says 65000 x 65000, and one of 18000 x 18000,
    # which a 1 GB bitmap limit alone would let through.
    for side in (65000, 18000):
        jpeg = jpeg_claiming(side, side)
        out[("dib", "hostile-jpeg-%d" % side)] = jpeg
        out[("picture_collection", "hostile-jpeg-%d" % side)] = headed_stream(
            holder_with_items([picture_item(short("TJPEGImage") + struct.pack("<I", len(jpeg)) + jpeg)]))
    # As many items as 4 KiB holds, each with an order number of 2^31 - 1 and
    # two bytes of runs declaring a 4096 x 2048 picture (the most one picture
    # may have), in a file whose header claims 2 GB of stream.
    bomb = rle_payload(4096, 2048, b"\x00\x01")
    items = []
    while len(headed_stream(holder_with_items(items + [picture_item(short("TDIB") + bomb, 0x7FFFFFFF)]))) <= 4096:
        items.append(picture_item(short("TDIB") + bomb, 0x7FFFFFFF))
    out[("picture_collection", "hostile-many-pictures")] = headed_stream(holder_with_items(items), 0x7FFFFFFF)
    # A component stream whose lengths and counts claim what a 4-byte field
    # can: a long string, a wide string and a binary block of 2^31 - 1 units,
    # each in an item of its own, then a list nested past any sane depth.
    lengths = [b"\x0c", b"\x12", b"\x0a"]  # long string, wide string, binary
    body = b"TPF0" + short("TPictureCollectionComponent") + short("") + short("List") + b"\x0e"
    for tag in lengths:
        body += b"\x01" + short("Name") + tag + struct.pack("<I", 0x7FFFFFFF) + b"\x00"
    body += b"\x00" + short("Tag") + b"\x01" * 1000 + b"\x00\x00"
    out[("component_stream", "hostile-lengths")] = headed_stream(body, 0x7FFFFFFF)
    # A wave whose data chunk claims 2 GB and holds 64 bytes.
    fmt = struct.pack("<HHIIHH", 1, 1, 22050, 44100, 2, 16)
    riff = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", 0x80000000) + bytes(64)
    out[("wave", "hostile-2gb-data")] = b"RIFF" + struct.pack("<I", 0xFFFFFFFF) + riff
    # A level whose counts are the largest and smallest 32-bit numbers and
    # whose objects sit and move at the ends of the 32-bit range.
    level = struct.pack("<6i", 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, -0x80000000, 0x7FFFFFFF, 0x7FFFFFFF)
    for i in range(46):
        level += struct.pack("<7i", 0x7FFFFFFF, -0x80000000, 0x7FFFFFFF, -0x80000000, 0x7FFFFFFF, 0x7FFFFFFF,
                             0x7FFFFFFF) + b"\xff\xff\xff\xff"
    out[("level", "hostile-counts")] = level
    for (corpus, name), data in out.items():
        assert len(data) <= 4096, (corpus, name, len(data))
        put(corpus, name, data)


def main():
    p = payloads()
    for name, payload in p.items():
        put("dib", "payload_" + name, payload)
    for name in ("rgb24", "pal8", "rle8", "bitfields16"):
        put("dib", "file_" + name, bitmap_file(p[name]))
    put("wave", "pcm8_mono", wave(1, 1, 11025, 8, bytes(range(0, 250, 10))))
    put("wave", "pcm16_stereo", wave(1, 2, 22050, 16, struct.pack("<8h", 0, 1000, -1000, 32767, -32768, 5, 6, 7)))
    put("wave", "odd_with_list_chunk", wave(1, 1, 8000, 8, b"\x80\x81\x82", extra=b"LIST\x04\x00\x00\x00INFO"))
    put("picture_collection", "two_items", picture_file([("al1", p["rgb24"], 0, 0), ("klic", p["pal8"], 2, 2)]))
    put("picture_collection", "rle_item", picture_file([("ctverec", p["rle8"], 3, 3)], colour_table=True))
    put("picture_collection", "empty", picture_file([]))
    hostile()


main()
