"""Install Package bytes laid down field by field, so that broken packages are as easy to
make as good ones (tolpkg refuses to write the broken ones). Also the small pictures the
packages carry, cut from the sample game's PNG artwork without any imaging library."""

import struct
import zlib
from dataclasses import dataclass, field
from pathlib import Path

HEADER_VERSION = 104
HEADER_SIZE = 104
RUN_MODE_INSTALL = 2


def scramble(plain: bytes) -> bytes:
    return bytes((b + 31 + i) % 256 for i, b in enumerate(plain))


def setup_block(header_offset: int) -> bytes:
    """The 16-byte Setup Block: packageDataOffset, runMode, "VRDN", a zero word."""
    return struct.pack("<II", header_offset, RUN_MODE_INSTALL) + b"VRDN" + bytes(4)


def read_png(path: Path):
    """(width, height, rows of (r, g, b) tuples) of an 8-bit RGB or RGBA PNG."""
    data = path.read_bytes()
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "8-bit RGB(A) PNG expected"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + a) % 256
            elif kind == 2:
                line[x] = (line[x] + b) % 256
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) % 256
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) % 256
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def crop(rows, x, y, w, h):
    return [row[x:x + w] for row in rows[y:y + h]]


def bmp24(rows) -> bytes:
    """A BMP file image, 24 bits, rows bottom-up, each padded to 4 bytes."""
    w, h = len(rows[0]), len(rows)
    pitch = (3 * w + 3) & ~3
    pixels = b"".join(bytes(c for r, g, b in row for c in (b, g, r)).ljust(pitch, b"\0") for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels


def palette_of(rows):
    colours = sorted({c for row in rows for c in row})[:255]
    return colours, {c: i for i, c in enumerate(colours)}


def bmp8(rows) -> bytes:
    """A BMP file image, 8 bits with a full 256-entry colour table."""
    colours, index = palette_of(rows)
    w, h = len(rows[0]), len(rows)
    pitch = (w + 3) & ~3
    pixels = b"".join(bytes(index.get(c, 0) for c in row).ljust(pitch, b"\0") for row in reversed(rows))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours).ljust(1024, b"\0")
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + 1024 + len(pixels), 0, 0, 54 + 1024) + info + table + pixels


def chip_sheet(frames) -> bytes:
    """The stored Chip Sheet of equally sized frames (lists of rows); index 255 unused."""
    colours, index = palette_of([c for f in frames for c in f])
    w, h = len(frames[0][0]), len(frames[0])
    palette = b"".join(bytes((b, g, r)) for r, g, b in colours).ljust(768, b"\0")
    pixels = b"".join(bytes(index[c] for c in row) for f in frames for row in f)
    return struct.pack("<iii", len(frames), w, h) + palette + pixels


@dataclass
class Package:
    """A package whose fields can each be set to anything, sizes and counts included."""
    header_offset: int = 16
    version: int = HEADER_VERSION
    name: bytes = b"SAMPLE"
    title: bytes = b"Sample Game"
    game_version: int = 100
    buttons: tuple = (0, 0, 6, 4)  # inside a 12 x 8 menu picture for 6 x 4 chips
    bmp: bytes = b""
    chips: bytes = b""
    files: list = field(default_factory=list)   # (plain name bytes, data bytes)
    links: list = field(default_factory=list)   # (name bytes, target bytes)
    setup_image_size: int | None = None          # default: the end of the chip block
    total_install_size: int | None = None        # default: the sum of the file sizes
    file_count: int | None = None                # default: len(files)
    link_count: int | None = None
    size_override: dict = field(default_factory=dict)  # file index -> stored size
    picture_size: int | None = None               # default: len(bmp)
    cut: int = 0                                  # bytes dropped from the end

    def head_end(self) -> int:
        return self.header_offset + HEADER_SIZE + 4 + len(self.bmp) + 4 + len(self.chips)

    def header(self) -> bytes:
        setup = self.head_end() if self.setup_image_size is None else self.setup_image_size
        total = sum(len(d) for _, d in self.files) if self.total_install_size is None else self.total_install_size
        return (struct.pack("<H", self.version) + self.name[:16].ljust(16, b"\0") +
                self.title[:50].ljust(50, b"\0") +
                struct.pack("<iiiiiIIII", self.game_version, *self.buttons, setup, 0, total & 0xFFFFFFFF, 0))

    def table(self) -> bytes:
        count = len(self.files) if self.file_count is None else self.file_count
        out = struct.pack("<i", count)
        for i, (name, data) in enumerate(self.files):
            size = self.size_override.get(i, len(data))
            out += bytes([len(name) % 256]) + scramble(name) + struct.pack("<I", size & 0xFFFFFFFF) + data
        out += bytes([(len(self.links) if self.link_count is None else self.link_count) % 256])
        for name, target in self.links:
            out += bytes([len(name) % 256]) + name + bytes([len(target) % 256]) + target
        return out

    def build(self) -> bytes:
        image = setup_block(self.header_offset).ljust(self.header_offset, b"\xcc")[:self.header_offset]
        head = image + self.header() + struct.pack("<I", len(self.bmp) if self.picture_size is None else self.picture_size) + self.bmp + b"\xef\xbe\xad\xde" + self.chips
        setup = self.head_end() if self.setup_image_size is None else self.setup_image_size
        head = head.ljust(setup, b"\0") if setup > len(head) and setup - len(head) < 1 << 20 else head
        out = head + self.table()
        return out[:len(out) - self.cut] if self.cut else out


def sample_art(root: Path):
    """A small menu picture and an eight-frame button Chip Sheet cut from the sample art."""
    _, _, menu = read_png(root / "tests/sample/menu.png")
    _, _, buttons = read_png(root / "tests/sample/buttons.png")
    picture = crop(menu, 40, 40, 12, 8)
    frames = [crop(buttons, 112 * i + 50, 12, 6, 4) for i in range(8)]  # a strip of eight 112 x 32 frames
    return picture, frames


def sample_package(root: Path, header_offset: int = 16, file_bytes: int = 64) -> Package:
    """The sample game as a small package: its art cut down, its files cut short."""
    picture, frames = sample_art(root)
    files = []
    base = root / "tests/sample/files"
    for path in sorted(p for p in base.rglob("*") if p.is_file()):
        rel = str(path.relative_to(base)).replace("/", "\\")
        files.append((rel.encode("cp932"), path.read_bytes()[:file_bytes]))
    files.append((b"Tolmar.exe", b"MZ" + bytes(30)))
    return Package(header_offset=header_offset, name=b"TOLMAR01",
                   title="トルマール物語 体験版".encode("cp932"), bmp=bmp24(picture), chips=chip_sheet(frames),
                   files=files,
                   links=[("公式サイト".encode("cp932"), b"http://www.example.com/tolmar/"),
                          ("マニュアル".encode("cp932"), b"manual\\index.html")])
