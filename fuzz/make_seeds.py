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


main()
