#!/usr/bin/env python3
"""Writes the demo stores under samples/.

The demo data is a tiny fictional 1997 web site of our own, the "Kestrel Valley Birding
Club" at http://www.kestrel-valley.example/ with a second server
http://photos.kestrel-valley.example/. Every run writes the same bytes: fixed times, fixed
names, line ends exactly as each store keeps them.

Each store kind has one function make_<kind>(folder); add new kinds to KINDS.

    scripts/make-samples.py [--out FOLDER] [KIND ...]
"""

import argparse
import os
import shutil
import struct
import sys
from dataclasses import dataclass

INDEX_SIGNATURE = b"MCOM-Cache-file-allocation-table-format-1"
CRLF = b"\r\n"


# ---- the site ------------------------------------------------------------------------------


@dataclass
class Page:
    url: str  # the whole address
    body: bytes
    content_type: str
    modified: int  # Unix seconds, UTC
    accessed: int


def gif(width, height, palette, rows):
    """A GIF89a image. palette: four (r, g, b); rows: strings of "0".."3", one per line.

    The pixel codes are written literally with a clear code after every second one, so the
    code table never grows past the first added entry and the code width stays 3 bits.
    """
    assert len(palette) == 4 and len(rows) == height
    pixels = [int(ch) for row in rows for ch in row]
    assert len(pixels) == width * height
    min_code_size = 2
    clear, end = 4, 5
    codes = []
    for i in range(0, len(pixels), 2):
        codes.append(clear)
        codes.extend(pixels[i : i + 2])
    codes.append(end)
    data = bytearray()
    bits = nbits = 0
    for code in codes:
        bits |= code << nbits
        nbits += 3
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xFF)
    out = bytearray(b"GIF89a")
    # Global colour table of 4 entries (size field 1), 8 bits per primary colour.
    out += struct.pack("<HHBBB", width, height, 0xF1, 0, 0)
    for r, g, b in palette:
        out += bytes((r, g, b))
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    out.append(min_code_size)
    for i in range(0, len(data), 255):
        chunk = data[i : i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    out.append(0x3B)
    return bytes(out)


LOGO_ROWS = [
    "0000000000000000",
    "0000000000000000",
    "0000000001100000",
    "0000000011310000",
    "0000000111110000",
    "1100001111100000",
    "0111111111100000",
    "0011111111000000",
    "0001111112000000",
    "0000111122200000",
    "0000002000200000",
    "0000002000200000",
    "0000022000220000",
    "0000000000000000",
    "2222222222222222",
    "0000000000000000",
]

KESTREL_ROWS = [
    "000000000000000000000000",
    "000000000000000000000000",
    "000000000000000011000000",
    "000000000000000113100000",
    "000000000000001111200000",
    "111000000000011111000000",
    "011111100001111110000000",
    "001111111111111110000000",
    "000111111111111100000000",
    "000001111111111000000000",
    "000000000111110000000000",
    "000000000020200000000000",
    "000000000020200000000000",
    "333333333333333333333333",
    "333333333333333333333333",
    "000000000000000000000000",
]


def html(title, body_lines):
    """A page as a 1997 editor on Windows saved it: CR LF line ends."""
    lines = [
        "<HTML>",
        "<HEAD>",
        "<TITLE>%s</TITLE>" % title,
        "</HEAD>",
        '<BODY BGCOLOR="#FFFFF0" TEXT="#203020" LINK="#805020">',
    ]
    lines += body_lines
    lines += ["</BODY>", "</HTML>", ""]
    return "\r\n".join(lines).encode("ascii")


WWW = "http://www.kestrel-valley.example/"
PHOTOS = "http://photos.kestrel-valley.example/"

# 1997-05-02 09:00 UTC and onwards; every file has its own fixed times.
T0 = 862563600
DAY = 86400


def site():
    """The pages and images of the demo site, in a fixed order."""
    home = html(
        "Kestrel Valley Birding Club",
        [
            '<CENTER><IMG SRC="images/logo.gif" WIDTH=16 HEIGHT=16 ALT="logo">',
            "<H1>Kestrel Valley Birding Club</H1></CENTER>",
            "<P>Welcome! We are a small club of bird watchers in the Kestrel Valley.",
            "We meet every second Saturday at the old mill bridge.</P>",
            "<UL>",
            '<LI><A HREF="events.html">Events for 1997</A>',
            '<LI><A HREF="members/roster.html">Member roster</A>',
            '<LI><A HREF="gallery.html">Photo gallery</A>',
            "</UL>",
            "<HR><ADDRESS>Last updated May 1997</ADDRESS>",
        ],
    )
    events = html(
        "Events for 1997",
        [
            "<H2>Events for 1997</H2>",
            "<TABLE BORDER=1>",
            "<TR><TH>Date</TH><TH>Walk</TH></TR>",
            "<TR><TD>May 10</TD><TD>Dawn chorus at the mill bridge</TD></TR>",
            "<TR><TD>June 14</TD><TD>Herons of the lower marsh</TD></TR>",
            "<TR><TD>July 12</TD><TD>Kestrel count on Ridge Hill</TD></TR>",
            "</TABLE>",
            '<P><A HREF="gallery.html">Photos of past walks</A> |',
            '<A HREF="./">Home</A></P>',
        ],
    )
    roster = html(
        "Member roster",
        [
            "<H2>Member roster</H2>",
            "<PRE>",
            "A. Marsh      secretary",
            "B. Fieldfare  walks",
            "C. Wren       newsletter",
            "</PRE>",
            '<P><A HREF="../events.html">Events</A> |',
            '<A HREF="../">Home</A></P>',
        ],
    )
    gallery = html(
        "Photo gallery",
        [
            "<H2>Photo gallery</H2>",
            '<P><IMG SRC="%s1997/kestrel.gif" WIDTH=24 HEIGHT=16 ALT="kestrel">' % PHOTOS,
            "A kestrel hovering over Ridge Hill.</P>",
            '<P>More pictures on our <A HREF="%s1997/spring.html">photo server</A>.</P>'
            % PHOTOS,
            '<P><A HREF="./">Home</A></P>',
        ],
    )
    spring = html(
        "Spring 1997",
        [
            "<H2>Spring 1997</H2>",
            '<P><IMG SRC="kestrel.gif" WIDTH=24 HEIGHT=16 ALT="kestrel"></P>',
            "<P>Taken on the May 10 walk.</P>",
            '<P><A HREF="%sgallery.html">Back to the gallery</A></P>' % WWW,
        ],
    )
    logo = gif(16, 16, [(255, 255, 240), (140, 80, 40), (90, 120, 60), (0, 0, 0)], LOGO_ROWS)
    kestrel = gif(
        24, 16, [(200, 220, 255), (160, 90, 40), (240, 200, 60), (60, 120, 50)], KESTREL_ROWS
    )
    return [
        Page(WWW, home, "text/html", T0, T0 + 9 * DAY + 3600),
        Page(WWW + "events.html", events, "text/html", T0 + 600, T0 + 9 * DAY + 3660),
        Page(WWW + "members/roster.html", roster, "text/html", T0 - 20 * DAY, T0 + 9 * DAY + 3720),
        Page(WWW + "gallery.html", gallery, "text/html", T0 + 8 * DAY, T0 + 9 * DAY + 3780),
        Page(WWW + "images/logo.gif", logo, "image/gif", T0 - 90 * DAY, T0 + 9 * DAY + 3601),
        Page(PHOTOS + "1997/spring.html", spring, "text/html", T0 + 8 * DAY + 7200,
             T0 + 9 * DAY + 3840),
        Page(PHOTOS + "1997/kestrel.gif", kestrel, "image/gif", T0 + 8 * DAY + 7000,
             T0 + 9 * DAY + 3781),
    ]


# ---- names ---------------------------------------------------------------------------------


def server_file_name(name):
    if "://" in name:
        scheme, rest = name.split("://", 1)
        name = scheme + "=" + rest
    return name.replace(":", "$")


def valid_file_name(name):
    return "".join("-" if ch in '"*/:<>?\\|' else ch for ch in name)


def link_path(url):
    """The "/"-joined names on disk below the store folder of the item filed for url."""
    scheme, rest = url.split("://", 1)
    parts = rest.split("/")
    server = valid_file_name(server_file_name(scheme + "://" + parts[0]))
    names = [valid_file_name(p) for p in parts[1:] if p]
    if url.endswith("/"):
        names.append("RootPage.html")
    return "/".join([server] + names)


# ---- writing -------------------------------------------------------------------------------


def write_file(path, data, mtime=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))


def index_line(page, cache_file):
    """One entry of the text index, laid out as the program writes it."""
    fields = [
        b"0",
        b"%d" % page.modified,
        b"%d" % page.accessed,
        cache_file.encode("ascii"),
        page.url.encode("ascii"),
        page.content_type.encode("ascii"),
        b"",
        b"%d" % len(page.body),
        b"",
        b"",
        b"",
    ]
    return b"\t".join(fields) + CRLF


def write_index(path, lines, mtime):
    write_file(path, INDEX_SIGNATURE + CRLF + b"".join(lines), mtime)


def shifted(pages, seconds):
    """The same pages seen at another visit."""
    return [
        Page(p.url, p.body, p.content_type, p.modified, p.accessed + seconds) for p in pages
    ]


# ---- the store kinds -----------------------------------------------------------------------


def make_plain_log(folder):
    """A plain log: server folders, then directories, files under their names."""
    for page in site():
        write_file(os.path.join(folder, link_path(page.url)), page.body, page.modified)


def make_mirror_log(folder):
    """A mirror log: the plain-log layout plus its index "trfat.db"."""
    pages = site()
    for page in pages:
        write_file(os.path.join(folder, link_path(page.url)), page.body, page.modified)
    last = max(p.accessed for p in pages)
    write_index(
        os.path.join(folder, "trfat.db"),
        [index_line(p, link_path(p.url)) for p in pages],
        last,
    )


def make_netscape1(folder):
    """A Netscape Navigator 1.x cache: the index "fat" and cached files under short names.
    Field 3 holds the full Windows path of each cached file."""
    pages = shifted(site(), 2 * DAY)
    lines = []
    for number, page in enumerate(pages):
        extension = ".gif" if page.content_type == "image/gif" else ".html"
        name = "M0A1B2%02X%s" % (0xC3 + number, extension)
        write_file(os.path.join(folder, name), page.body, page.accessed)
        lines.append(index_line(page, "C:\\NETSCAPE\\CACHE\\" + name))
    write_index(os.path.join(folder, "fat"), lines, max(p.accessed for p in pages))


def make_tapline(folder):
    """A Tapline cache: the index "Cache.db" and the logged files in server folders."""
    pages = shifted(site(), 5 * DAY)
    for page in pages:
        write_file(os.path.join(folder, link_path(page.url)), page.body, page.accessed)
    write_index(
        os.path.join(folder, "Cache.db"),
        [index_line(p, link_path(p.url)) for p in pages],
        max(p.accessed for p in pages),
    )


def make_netscape2(folder):
    """A Netscape Navigator 2.x-4.x cache: "fat.db" and cached files under Netscape-style names.

    fat.db is written by the real Berkeley DB 1.85 library through the test tool
    bdb185_write (Debian's libdb1-compat provides the library). Build the tool first, for
    example `cmake --build build/dev --target bdb185_write`; the script takes the first
    build/*/tests/bdb185_write it finds, or the program named by $BDB185_WRITE.
    """
    import glob
    import subprocess

    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    tool = os.environ.get("BDB185_WRITE") or next(
        iter(sorted(glob.glob(os.path.join(root, "build", "*", "tests", "bdb185_write")))), None
    )
    if not tool or not os.access(tool, os.X_OK):
        sys.exit("make_netscape2: build the bdb185_write tool first (see the docstring)")

    def counted(data):
        return struct.pack("<I", len(data)) + data

    def record(key, data):
        return b"+" + counted(key) + counted(data)

    pages = shifted(site(), 3 * DAY)
    records = []
    for number, page in enumerate(pages):
        extension = ".gif" if page.content_type == "image/gif" else ".html"
        name = "cache3A%06X%s" % (0x1C40 + number, extension)
        write_file(os.path.join(folder, name), page.body, page.accessed)
        key = b"\0\0\0\0" + counted(page.url.encode("ascii"))
        # Unused 8 bytes, modified, accessed, an unused word, the size, 5 unused bytes,
        # the cache file, 29 unused bytes, an unused text, the content type.
        data = (
            bytes(8)
            + struct.pack("<iiIi", page.modified, page.accessed, 0, len(page.body))
            + bytes(5)
            + counted(name.encode("ascii"))
            + bytes(29)
            + counted(b"")
            + counted(page.content_type.encode("ascii"))
        )
        records.append(record(key, data))
    records.append(record(b"INT_CACHESIZE", struct.pack("<I", 5 * 1024 * 1024)))
    path = os.path.join(folder, "fat.db")
    subprocess.run([tool, path, "512", "4"], input=b"".join(records), check=True)
    last = max(p.accessed for p in pages)
    os.utime(path, (last, last))


def make_msie4(folder):
    """An MS-IE 4.x cache: "index.dat" and the cached files spread over four subfolders.

    index.dat: the signature, the offset of the first hash table at 32, the subfolder count at
    72 and the subfolders (a file count, an 8-byte name) from 76; then one hash table
    ("HASH", next table at 8, entries of 4 bytes hash and 4 bytes record offset from 16, a
    free entry holds 3, a 0 ends the table); then one "URL " record per file in 128-byte
    blocks: file times at 8 and 16, size at 32, offsets (from the record) of the address at
    56, of the file name at 64 and of the response headers at 72, the subfolder number at 60.
    """
    block = 128
    folders = ["Q7V3K2MZ", "8HD0TC1X", "LW5N9E4R", "B2F6YJ0P"]
    pages = shifted(site(), 6 * DAY)

    def round_up(n):
        return (n + block - 1) // block * block

    def file_time(unix_seconds):
        return (unix_seconds + 11644473600) * 10000000

    def cache_name(page):
        name = page.url.rstrip("/").rsplit("/", 1)[1] if not page.url.endswith("/") else ""
        stem, dot, ext = (name or "default.htm").rpartition(".")
        return "%s[1].%s" % (stem, "htm" if ext == "html" else ext)

    records = []
    for number, page in enumerate(pages):
        name = cache_name(page)
        subfolder = number % len(folders)
        write_file(os.path.join(folder, folders[subfolder], name), page.body, page.accessed)
        headers = (
            "HTTP/1.0 200 OK\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n"
            % (page.content_type, len(page.body))
        ).encode("ascii")
        url = page.url.encode("ascii")
        texts = 104
        body = bytearray(round_up(texts + len(url) + len(name) + len(headers) + 3))
        struct.pack_into("<4sI", body, 0, b"URL ", len(body) // block)
        struct.pack_into("<QQ", body, 8, file_time(page.modified), file_time(page.accessed))
        struct.pack_into("<I", body, 32, len(page.body))
        name_at = texts + len(url) + 1
        headers_at = name_at + len(name) + 1
        struct.pack_into("<IIIII", body, 56, texts, subfolder, name_at, 0, headers_at)
        body[texts : texts + len(url)] = url
        body[name_at : name_at + len(name)] = name.encode("ascii")
        body[headers_at : headers_at + len(headers)] = headers
        records.append(bytes(body))

    header_size = round_up(76 + 12 * len(folders))
    entries = len(records) + 1  # one free entry among them
    table_size = round_up(16 + 8 * (entries + 1))
    table_at = header_size
    record_at = table_at + table_size
    image = bytearray(record_at + sum(len(r) for r in records))
    image[0:27] = b"Client UrlCache MMF Ver 4.7"
    struct.pack_into("<II", image, 28, len(image), table_at)
    struct.pack_into("<I", image, 72, len(folders))
    for i, name in enumerate(folders):
        files = sum(1 for number in range(len(pages)) if number % len(folders) == i)
        struct.pack_into("<I8s", image, 76 + 12 * i, files, name.encode("ascii"))
    struct.pack_into("<4sIII", image, table_at, b"HASH", table_size // block, 0, 0)
    entry_at = table_at + 16
    at = record_at
    for number, record in enumerate(records):
        if number == 3:
            struct.pack_into("<II", image, entry_at, 3, 3)
            entry_at += 8
        struct.pack_into("<II", image, entry_at, 0x1F3A0000 + number * 0x111, at)
        entry_at += 8
        image[at : at + len(record)] = record
        at += len(record)
    write_file(os.path.join(folder, "index.dat"), bytes(image), max(p.accessed for p in pages))


def make_msie3(folder):
    """An MS-IE 3.x cache: the marker DESKTOP.INI and four subfolders, each holding the index
    files MM256.DAT and MM2048.DAT beside its cached files. An index file is the signature,
    the tree reference of its root record at byte 32 and the record count at byte 40; a
    reference r names the record at byte r - 4. A record holds the references of its two
    subtrees (4, 8), the offsets from the record of its address (20), file name (24), stored
    response headers (68) and type text (76), the size (32), the modified and accessed times
    as Windows file times (40, 48) and where its content type comes from (64: 0 the headers,
    1 the type text, whose first three letters "htm" mean HTML)."""
    pages = {p.url.rsplit("/", 1)[-1] or "home": p for p in shifted(site(), 3 * DAY)}
    header_size, record_size = 64, 80

    def file_time(unix_seconds):
        return (unix_seconds + 11644473600) * 10000000

    def headers(page):
        return ("HTTP/1.0 200 OK\r\nServer: Kestrel/1.0\r\nContent-Type: %s\r\n"
                "Content-Length: %d\r\n\r\n" % (page.content_type, len(page.body))).encode()

    def index(entries):
        """entries: (page, cached file name, type source, first, second), first and second
        being entry numbers or None; the first entry is the root."""
        texts = []
        offsets = []
        at = header_size
        for page, name, source, _, _ in entries:
            parts = [page.url.encode(), name.encode(),
                     headers(page) if source == 0 else b"",
                     name.rsplit(".", 1)[-1].encode() if source == 1 else b""]
            texts.append(parts)
            offsets.append(at)
            at += record_size + sum(len(t) + 1 for t in parts)
        ref = lambda n: 0 if n is None else offsets[n] + 4
        out = bytearray(at)
        out[0:27] = b"Client UrlCache MMF Ver 3.2"
        struct.pack_into("<I", out, 32, ref(0) if entries else 0)
        struct.pack_into("<I", out, 40, len(entries))
        for (page, name, source, first, second), parts, base in zip(entries, texts, offsets):
            struct.pack_into("<II", out, base + 4, ref(first), ref(second))
            struct.pack_into("<I", out, base + 32, len(page.body))
            struct.pack_into("<QQ", out, base + 40, file_time(page.modified),
                             file_time(page.accessed))
            struct.pack_into("<I", out, base + 64, source)
            text_at = record_size
            for field, text in zip((20, 24, 68, 76), parts):
                struct.pack_into("<I", out, base + field, text_at)
                out[base + text_at : base + text_at + len(text)] = text
                text_at += len(text) + 1
        return bytes(out)

    layout = {
        "cache1": ([(pages["home"], "default.htm", 0, None, None)],
                   [(pages["logo.gif"], "logo.gif", 0, None, None)]),
        "cache2": ([(pages["events.html"], "events.htm", 1, None, 1),
                    (pages["roster.html"], "roster.htm", 1, None, None)], []),
        "cache3": ([(pages["gallery.html"], "gallery.htm", 1, None, None)],
                   [(pages["kestrel.gif"], "kestrel.gif", 0, None, None)]),
        "cache4": ([(pages["spring.html"], "spring.htm", 1, None, None)], []),
    }
    last = max(p.accessed for p in pages.values())
    write_file(os.path.join(folder, "DESKTOP.INI"), b"[.ShellClassInfo]\r\n", last)
    for subfolder, (small, large) in layout.items():
        for entries, index_name in ((small, "MM256.DAT"), (large, "MM2048.DAT")):
            for page, name, _, _, _ in entries:
                write_file(os.path.join(folder, subfolder, name), page.body, page.accessed)
            write_file(os.path.join(folder, subfolder, index_name), index(entries), last)


def make_msie2(folder):
    """An MS-IE 2.x cache: the text index "iexplore.cif" and the cached files beside it.

    After the signature line, one line per file with comma-separated fields, ended by CR LF:
    1 address, 2 size, 3 modified, 7 accessed, 9 content type, 10 the cached file's Windows
    path; the others are unused. Times are packed UTC (year << 20 | month << 16 | day << 11
    | hour << 6 | minute) written as decimal numbers.
    """
    pages = shifted(site(), 3 * DAY)

    def packed(unix_seconds):
        import time

        t = time.gmtime(unix_seconds)
        return t.tm_year << 20 | t.tm_mon << 16 | t.tm_mday << 11 | t.tm_hour << 6 | t.tm_min

    lines = [b"V,Microsoft\xae Windows(TM) Internet Tools" + CRLF]
    for number, page in enumerate(pages):
        extension = "GIF" if page.content_type == "image/gif" else "HTM"
        name = "KV%06X.%s" % (0x1A2B3C + 7 * number, extension)
        write_file(os.path.join(folder, name), page.body, page.accessed)
        fields = [
            b"%d" % (number + 1),
            page.url.encode("ascii"),
            b"%d" % len(page.body),
            b"%d" % packed(page.modified),
            b"0",
            b"0",
            b"0",
            b"%d" % packed(page.accessed),
            b"0",
            page.content_type.encode("ascii"),
            b"C:\\WINDOWS\\Cache\\" + name.encode("ascii"),
            b"0",
        ]
        lines.append(b",".join(fields) + CRLF)
    write_file(os.path.join(folder, "iexplore.cif"), b"".join(lines), max(p.accessed for p in pages))


KINDS = {
    "plain-log": make_plain_log,
    "mirror-log": make_mirror_log,
    "netscape1": make_netscape1,
    "tapline": make_tapline,
    "netscape2": make_netscape2,
    "msie4": make_msie4,
    "msie3": make_msie3,
    "msie2": make_msie2,
}


def main(argv):
    default_out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "samples")
    parser = argparse.ArgumentParser(description="Writes the demo stores.")
    parser.add_argument("--out", default=default_out, help="folder that receives the samples")
    parser.add_argument("kinds", nargs="*", metavar="KIND",
                        help="kinds to write (all when none): " + ", ".join(KINDS))
    args = parser.parse_args(argv)
    unknown = [k for k in args.kinds if k not in KINDS]
    if unknown:
        parser.error("unknown kind: " + ", ".join(unknown))
    for kind in args.kinds or list(KINDS):
        folder = os.path.join(os.path.normpath(args.out), kind)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        KINDS[kind](folder)
        print("wrote", folder)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
