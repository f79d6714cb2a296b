#!/usr/bin/env python3
"""Writes a synthetic MS-IE 5-9 cache index ("Client UrlCache MMF Ver 5.2").

usage: ie5index_gen.py OUT N [--seed S] [--history] [--manifest FILE]

OUT gets N "URL " records spread over four cache subfolders (a few of them without a cached
file, subfolder 0xFF), each with stored HTTP headers, plus a redirect ("REDR") record per 50
and a leaked ("LEAK") record per 100, all reached from a chain of hash tables of 448 entries
with free entries between the used ones. With --history the records are history records
("Visited: user@address", no cached file) and the index has no subfolders. The manifest holds
one line per URL record: address, size, cached file ("subfolder/name", empty without one).
"""
import argparse
import random
import struct
import zlib

SIGNATURE = b"Client UrlCache MMF Ver 5.2\0"
HEADER_SIZE = 0x4000
BITMAP = 0x250
# The allocation bitmap fills the header: a real index stops growing there (about 16 MB). The
# larger ones for the benchmarks mark only the blocks the bitmap can hold.
MAX_BLOCKS = (HEADER_SIZE - BITMAP) * 8
BLOCK = 128
TABLE_BLOCKS = 32
TABLE_ENTRIES = 448
USED_PER_TABLE = 400
FOLDERS = [b"ABCD1234", b"Q2RSTUV3", b"0PXZ9KLM", b"MNOP5678"]
FILE_TIME_1970 = 11644473600 * 10000000


def file_time(rng):
    # 1999 to 2010, odd seconds and fractions included.
    seconds = rng.randrange(915148800, 1293840000)
    return FILE_TIME_1970 + seconds * 10000000 + rng.randrange(10000000)


def fat_time(rng):
    return rng.randrange(0x26000000, 0x3C000000)


def round_up(n, unit=BLOCK):
    return (n + unit - 1) // unit * unit


def url_record(magic, url, name, folder, size, headers, rng):
    """A URL or LEAK record: the fixed part, then address, file name and headers."""
    at = 0x68
    url_at, at = at, at + len(url) + 1
    name_at = 0
    if name:
        at = round_up(at, 4)
        name_at, at = at, at + len(name) + 1
    at = round_up(at, 4)
    headers_at = at
    at += len(headers)
    body = bytearray(round_up(at))
    body[0:4] = magic
    struct.pack_into("<I", body, 4, len(body) // BLOCK)
    struct.pack_into("<QQ", body, 8, file_time(rng), file_time(rng))
    struct.pack_into("<II", body, 24, fat_time(rng), 0)
    struct.pack_into("<II", body, 32, size, 0)
    struct.pack_into("<II", body, 48, 0x60, url_at)
    struct.pack_into("<BBH", body, 56, folder, 0, 0x1010)
    struct.pack_into("<IIII", body, 60, name_at, 0x41, headers_at if headers else 0, len(headers))
    struct.pack_into("<III", body, 80, fat_time(rng), rng.randrange(1, 20), 0)
    struct.pack_into("<I", body, 92, fat_time(rng))
    body[url_at:url_at + len(url)] = url
    if name:
        body[name_at:name_at + len(name)] = name
    body[headers_at:headers_at + len(headers)] = headers
    return bytes(body)


def redirect_record(url):
    body = bytearray(round_up(16 + len(url) + 1))
    body[0:4] = b"REDR"
    struct.pack_into("<III", body, 4, len(body) // BLOCK, 0, zlib.crc32(url))
    body[16:16 + len(url)] = url
    return bytes(body)


def generate(count, seed, history):
    rng = random.Random(seed)
    types = [b"text/html", b"image/gif", b"image/jpeg", b"text/css", b"application/x-javascript"]
    records = []  # (hash, bytes)
    manifest = []
    for i in range(count):
        path = "dir%d/page%d.html" % (i % 37, i)
        url = ("http://www%d.example.com/%s" % (i % 211, path)).encode()
        size = rng.randrange(0, 3000000)
        if history:
            url = b"Visited: user%d@" % (i % 3) + url
            name, folder, headers = b"", 0xFE, b""
            manifest.append((url.split(b"@", 1)[1], size, b""))
        else:
            folder = 0xFF if i % 29 == 7 else i % len(FOLDERS)
            name = b"page%d[1].htm" % i if folder != 0xFF else b""
            ctype = types[i % len(types)]
            headers = (b"HTTP/1.1 200 OK\r\nContent-Type: " + ctype +
                       b"\r\nContent-Length: %d\r\n\r\n~U:user\r\n\0" % size)
            cache = FOLDERS[folder] + b"/" + name if folder != 0xFF else b""
            manifest.append((url, size, cache))
        records.append((zlib.crc32(url) & ~0xF, url_record(b"URL ", url, name, folder, size,
                                                          headers, rng)))
        if i % 50 == 3:
            redirect = b"http://go.example.com/link?id=%d" % i
            records.append((zlib.crc32(redirect) & ~0xF | 5, redirect_record(redirect)))
        if i % 100 == 5:
            leaked = b"http://leak.example.com/%d" % i
            records.append((zlib.crc32(leaked) & ~0xF, url_record(
                b"LEAK", leaked, b"leak%d[1].htm" % i, 0 if not history else 0xFE, 10, b"", rng)))

    tables = max(1, (len(records) + USED_PER_TABLE - 1) // USED_PER_TABLE)
    table_size = TABLE_BLOCKS * BLOCK
    image = bytearray(HEADER_SIZE + tables * table_size)
    offsets = []
    for _, body in records:
        offsets.append(len(image))
        image += body
    image += bytes(round_up(len(image), 0x4000) - len(image))

    image[0:len(SIGNATURE)] = SIGNATURE
    blocks = min(MAX_BLOCKS, (len(image) - HEADER_SIZE) // BLOCK)
    allocated = (offsets[-1] + len(records[-1][1]) - HEADER_SIZE) // BLOCK if records else 0
    allocated = min(MAX_BLOCKS, allocated)
    struct.pack_into("<IIII", image, 28, len(image), HEADER_SIZE, blocks, allocated)
    struct.pack_into("<QQQ", image, 48, 0x3200000, 0x100000, 0)
    folders = [] if history else FOLDERS
    struct.pack_into("<I", image, 72, len(folders))
    for n, name in enumerate(folders):
        struct.pack_into("<I8s", image, 76 + 12 * n, count // 4, name)
    for block in range(allocated):
        image[BITMAP + block // 8] |= 1 << (block % 8)

    for t in range(tables):
        table = HEADER_SIZE + t * table_size
        nxt = table + table_size if t + 1 < tables else 0
        struct.pack_into("<4sIII", image, table, b"HASH", TABLE_BLOCKS, nxt, t)
        mine = list(range(t * USED_PER_TABLE, min(len(records), (t + 1) * USED_PER_TABLE)))
        slots = sorted(rng.sample(range(TABLE_ENTRIES), len(mine)))
        entries = [(3, 3)] * TABLE_ENTRIES
        for slot, r in zip(slots, mine):
            entries[slot] = (records[r][0], offsets[r])
        for e, (h, off) in enumerate(entries):
            struct.pack_into("<II", image, table + 16 + 8 * e, h, off)
        for at in range(table + 16 + 8 * TABLE_ENTRIES, table + table_size, 4):
            struct.pack_into("<I", image, at, 0xDEADBEEF)
    return bytes(image), manifest


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("count", type=int)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--history", action="store_true")
    parser.add_argument("--manifest")
    args = parser.parse_args()
    image, manifest = generate(args.count, args.seed, args.history)
    with open(args.out, "wb") as f:
        f.write(image)
    if args.manifest:
        with open(args.manifest, "wb") as f:
            for url, size, cache in manifest:
                f.write(b"%s\t%d\t%s\n" % (url, size, cache))


if __name__ == "__main__":
    main()
