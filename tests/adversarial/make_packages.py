#!/usr/bin/env python3
"""Writes the adversarial Install Packages into OUT_DIR with cases.tsv, the one table of
cases: package file, then what each layer must answer - `tolpkg verify`, the loader
(PackageReader header, head and tables) and the install engine (runInstall) - as
"accept" or a fragment of the refusal message. The packages are laid down byte by byte
from the sample package (the header at offset 16, so that the files stay small); every
case changes one thing. Usage: make_packages.py OUT_DIR"""

import sys
from dataclasses import replace
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
from package_bytes import Package, bmp24, chip_sheet, sample_art  # noqa: E402

root = Path(__file__).resolve().parents[2]
picture, frames = sample_art(root)
BASE = Package(bmp=bmp24(picture), chips=chip_sheet(frames),
               files=[(b"readme.txt", b"hello"), (b"data\\a.dat", b"a" * 100)],
               links=[(b"Home", b"http://example.com/"), (b"Readme", b"readme.txt")])

# The install engine's refusals (cp932 texts, compared as such by the test).
BROKEN = "インストールデータが壊れています"
CANNOT_CREATE = "ファイルが作成できませんでした"
TOO_LONG = "パスが長すぎるため"


def with_file(name: bytes, data: bytes = b"x") -> Package:
    return replace(BASE, files=BASE.files + [(name, data)])


def with_link(name: bytes, target: bytes) -> Package:
    return replace(BASE, links=BASE.links + [(name, target)])


def header(**fields) -> Package:
    return replace(BASE, **fields)


# name: (package, verify, loader, install). "accept" means the layer lets the package
# through; the test then checks that what it does is harmless.
CASES = {
    # File names that would lead out of the game folder or that Windows treats specially.
    "name-absolute": (with_file(b"\\Windows\\evil.dll"), "absolute path", "absolute path", CANNOT_CREATE),
    "name-absolute-slash": (with_file(b"/etc/evil"), "absolute path", "absolute path", CANNOT_CREATE),
    "name-unc": (with_file(b"\\\\server\\share\\evil"), "absolute path", "absolute path", CANNOT_CREATE),
    "name-drive": (with_file(b"C:\\evil.txt"), "drive letter", "drive letter", CANNOT_CREATE),
    "name-drive-relative": (with_file(b"C:evil.txt"), "drive letter", "drive letter", CANNOT_CREATE),
    "name-dotdot": (with_file(b"..\\evil.txt"), "component", "component", CANNOT_CREATE),
    "name-dotdot-inner": (with_file(b"data\\..\\..\\evil.txt"), "component", "component", CANNOT_CREATE),
    "name-dot": (with_file(b".\\evil.txt"), "component", "component", CANNOT_CREATE),
    "name-slash-dotdot": (with_file(b"data/../../evil.txt"), "does not allow", "does not allow", CANNOT_CREATE),
    "name-empty": (with_file(b""), "is empty", "is empty", CANNOT_CREATE),
    "name-empty-component": (with_file(b"data\\\\evil.txt"), "empty folder name", "empty folder name", CANNOT_CREATE),
    "name-trailing-separator": (with_file(b"data\\"), "empty folder name", "empty folder name", CANNOT_CREATE),
    "name-colon-stream": (with_file(b"readme.txt:hidden"), "does not allow", "does not allow", CANNOT_CREATE),
    "name-device-con": (with_file(b"CON"), "reserved device", "reserved device", CANNOT_CREATE),
    "name-device-nul-ext": (with_file(b"data\\nul.txt"), "reserved device", "reserved device", CANNOT_CREATE),
    "name-device-com1": (with_file(b"COM1"), "reserved device", "reserved device", CANNOT_CREATE),
    "name-device-lpt9-blank": (with_file(b"lpt9 .log"), "reserved device", "reserved device", CANNOT_CREATE),
    "name-device-folder": (with_file(b"aux\\a.txt"), "reserved device", "reserved device", CANNOT_CREATE),
    "name-trailing-dot": (with_file(b"evil."), "dot or a blank", "dot or a blank", CANNOT_CREATE),
    "name-trailing-blank": (with_file(b"evil "), "dot or a blank", "dot or a blank", CANNOT_CREATE),
    "name-folder-trailing-dot": (with_file(b"data.\\x.txt"), "dot or a blank", "dot or a blank", CANNOT_CREATE),
    "name-too-long": (with_file(b"a" * 230), "longer than 200", "longer than 200", CANNOT_CREATE),
    "name-nul": (with_file(b"a\0b.txt"), "control character", "control character", CANNOT_CREATE),
    "name-control": (with_file(b"a\nb.txt"), "control character", "control character", CANNOT_CREATE),
    "name-bad-cp932": (with_file(b"a\x81"), "cp932", "cp932", CANNOT_CREATE),
    "name-record": (with_file(b"SAMPLE.idf"), "accept", "accept", CANNOT_CREATE),
    "name-journal": (with_file(b"sample.IDJ"), "accept", "accept", CANNOT_CREATE),
    "name-setup-copy": (with_file(b"setup.exe"), "accept", "accept", CANNOT_CREATE),
    # Sizes and counts that run past the end, negative and huge counts.
    "size-past-end": (replace(BASE, size_override={1: 0xFFFFFFFF}), "runs past the end", "runs past the end", BROKEN),
    # The last file takes the link count byte: the engine copies it and finds no links.
    "size-one-past-end": (replace(BASE, size_override={1: 101}, links=[]), "past the end", "past the end", "accept"),
    # The engine takes the link table for a third entry, whose name it cannot create.
    "count-huge": (replace(BASE, file_count=0x7FFFFFFF), "run past the end", "run past the end", CANNOT_CREATE),
    "count-more-than-there": (replace(BASE, file_count=3), "file entry 2", "file entry 2", CANNOT_CREATE),
    # A count of 0 or less means no files.
    "count-negative": (replace(BASE, file_count=-1, files=[], links=[]), "accept", "accept", "accept"),
    "count-most-negative": (replace(BASE, file_count=-0x80000000, files=[], links=[]), "accept", "accept", "accept"),
    "name-cut-short": (replace(BASE, links=[], cut=104), "past the end", "past the end", BROKEN),
    "link-count-past-end": (replace(BASE, link_count=9), "past the end", "past the end", BROKEN),
    "link-target-cut": (replace(BASE, cut=3), "past the end", "past the end", BROKEN),
    "picture-size-huge": (header(picture_size=0xFFFFFFF0), "not between", "not between", "accept"),
    "picture-size-past-end": (header(picture_size=0x100000), "past the end", "past the end", "accept"),
    "picture-not-bmp": (header(bmp=b"\xff" * 60), "menu picture", "Unsupported BMP", "accept"),
    "setup-size-past-end": (header(setup_image_size=0x7FFFFFF0), "past the end", "past the end", BROKEN),
    "setup-size-in-header": (header(setup_image_size=40), "ends before", "ends before", BROKEN),
    "chips-negative": (header(chips=b"\xff\xff\xff\xff" + chip_sheet(frames)[4:]), "frames", "frames", "accept"),
    "chips-huge": (header(chips=b"\x08\0\0\0\xff\xff\0\0\xff\xff\0\0"), "frame size", "frame size", "accept"),
    "total-size-wrong": (header(total_install_size=1), "totalInstallSize", "accept", "accept"),
    # A header whose name or title would make folders outside the base or the Start menu.
    "game-name-dotdot": (header(name=b".."), "component", "component", BROKEN),
    "game-name-path": (header(name=b"..\\evil"), "single folder name", "single folder name", BROKEN),
    "game-name-absolute": (header(name=b"\\evil"), "absolute path", "absolute path", BROKEN),
    "game-name-drive": (header(name=b"C:evil"), "drive letter", "drive letter", BROKEN),
    "game-name-empty": (header(name=b""), "is empty", "is empty", BROKEN),
    "game-name-device": (header(name=b"NUL"), "reserved device", "reserved device", BROKEN),
    "game-name-dot": (header(name=b"evil."), "dot or a blank", "dot or a blank", BROKEN),
    "game-name-unterminated": (header(name=b"ABCDEFGHIJKLMNOP"), "accept", "accept", "accept"),
    "game-title-climbs": (header(title=b"..\\..\\Startup\\evil"), "single folder name", "single folder name", BROKEN),
    "game-title-slash": (header(title=b"a/../../evil"), "does not allow", "does not allow", BROKEN),
    "game-title-device": (header(title=b"COM1"), "reserved device", "reserved device", BROKEN),
    "game-title-control": (header(title=b"Sample\r\nGame"), "control character", "control character", BROKEN),
    "header-version": (header(version=103), "version", "version", "accept"),
    # Links: display names become "<name>.url" files, targets paths below the game folder.
    "link-target-climbs": (with_link(b"Evil", b"..\\..\\evil.exe"), "component", "component", "accept"),
    "link-target-absolute": (with_link(b"Evil", b"C:\\Windows\\system32\\cmd.exe"), "drive letter",
                             "drive letter", "accept"),
    "link-target-unc": (with_link(b"Evil", b"\\\\server\\share\\evil.exe"), "absolute path", "absolute path",
                        "accept"),
    "link-target-file-url": (with_link(b"Evil", b"file:///C:/Windows/evil.exe"), "does not allow",
                             "does not allow", "accept"),
    "link-url-line-break": (with_link(b"Evil", b"http://x/\r\n[InternetShortcut]\r\nURL=file:///C:/evil"),
                            "control character", "control character", "accept"),
    "link-name-climbs": (with_link(b"..\\..\\Startup\\evil", b"http://example.com/"), "single folder name",
                         "single folder name", "accept"),
    "link-name-device": (with_link(b"CON", b"http://example.com/"), "reserved device", "reserved device", "accept"),
    "link-name-empty": (with_link(b"", b"http://example.com/"), "is empty", "is empty", "accept"),
}


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    rows = []
    for name, (package, verify, loader, install) in CASES.items():
        (out / f"{name}.pkg").write_bytes(package.build())
        rows.append("\t".join((f"{name}.pkg", verify, loader, install)))
    (out / "cases.tsv").write_text("\n".join(rows) + "\n", encoding="utf-8")
    print(f"{len(rows)} adversarial packages in {out}")


if __name__ == "__main__":
    main()
