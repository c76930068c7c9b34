"""The Wine test bench: runs SetUp.exe under Wine on a virtual X display and drives it.

One `WineSession` per locale ("ja" = ja_JP.UTF-8, "en" = en_US.UTF-8) lives for the whole
pytest session: a fresh throw-away 64-bit (WoW) Wine prefix under build/e2e/prefixes/, an
Xvfb display (1024x768x24) of its own, a persistent wineserver, the IPA font replacements
for the faces the dialog templates name, and one long-lived e2e-driver.exe per preset
(the driver looks at and operates windows, see tests/e2e/driver/Driver.cpp).

Tests get a `Bench` (fixture `bench` in conftest.py, parametrised over preset x locale):
the session plus the preset ("win32" = i686, "win64" = x86_64) whose SetUp.exe and driver
it uses. Each test starts from a clean state: `Bench.reset()` (run by the fixture before
and after every test) ends the programs a test started and deletes the registry INI,
everything new in C:\\ (install folders), in the desktop and Start-menu folders.

Windows are plain dicts from the driver (keys: hwnd, class, caption, rect [l,t,r,b],
client [l,t,r,b] on screen, owner, pid, visible, enabled, iconic). Coordinates given to
`move`, `click`, `pixels` are client coordinates of the window.

Environment:
  TOLMAR_E2E_PRESETS   presets to test, default "win32,win64"
  TOLMAR_E2E_LOCALES   locales to test, default "ja,en"
  TOLMAR_E2E_BUILD_WIN32 / TOLMAR_E2E_BUILD_WIN64   build folders holding SetUp.exe,
                       e2e-driver.exe and Tolmar.exe (default build/win32, build/win64)
  TOLMAR_E2E_PACKAGE   the sample Install Package (default build/sample/Tolmar-Sample.exe)
  TOLMAR_E2E_KEEP=1    keep the prefixes after the run (for a look inside)

Typical test:

    def test_menu(bench):
        run = bench.start_setup(bench.sample_package())
        menu = bench.wait_window("TolmarInst-MainClass", "*", visible_client=True)
        bench.screenshot("menu")
        bench.click(menu["hwnd"], 10, 10)
        run.wait(10)
"""

from __future__ import annotations

import configparser
import dataclasses
import json
import os
import selectors
import shutil
import signal
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
E2E_DIR = BUILD / "e2e"
SCREENS = E2E_DIR / "screens"

PRESETS = {"win32": "i686", "win64": "x86_64"}
LOCALES = {"ja": "ja_JP.UTF-8", "en": "en_US.UTF-8"}

MAIN_CLASS = "TolmarInst-MainClass"
WIZARD_CLASS = "PelInstn-MainClass"
DIALOG_CLASS = "#32770"
REGISTRY_INI = "TolmarInstall.INI"

IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7

# Faces named by the dialog templates and the program, and the IPA faces that stand in.
FONT_REPLACEMENTS = {
    "ＭＳ Ｐゴシック": "IPAPGothic",
    "ＭＳ ゴシック": "IPAGothic",
    "ＭＳゴシック": "IPAGothic",
    "ＭＳ明朝": "IPAMincho",
    "ＭＳ 明朝": "IPAMincho",
    "ＭＳ Ｐ明朝": "IPAPMincho",
    "MS UI Gothic": "IPAPGothic",
    "MS Shell Dlg": "IPAPGothic",
    "MS Shell Dlg 2": "IPAPGothic",
    "MS Gothic": "IPAGothic",
    "MS PGothic": "IPAPGothic",
    "MS Mincho": "IPAMincho",
    "MS PMincho": "IPAPMincho",
}

# Processes that belong to Wine itself or to the bench; reset() ends every other one.
# Windows of Wine's own that every prefix has.
QUIET_WINDOW_CLASSES = {"#32769", "Message", "IME", "OleMainThreadWndClass", "tooltips_class32", "WineDdeServerName",
                        "WineDdeEventClass", "Shell_TrayWnd"}
WINE_PROCESSES = {
    "services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe", "rpcss.exe",
    "explorer.exe", "start.exe", "conhost.exe", "e2e-driver.exe", "tabtip.exe",
}

WINE_ENV_BASE = {
    "WINEDEBUG": "-all",
    # No Mono/Gecko installer prompts, no desktop entries written to the host.
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    "WINEARCH": "win64",
}


class BenchError(AssertionError):
    """A window, message box or driver answer that did not come."""


def build_dir(preset: str) -> Path:
    """The build folder of a preset (SetUp.exe, e2e-driver.exe, Tolmar.exe)."""
    override = os.environ.get(f"TOLMAR_E2E_BUILD_{preset.upper()}")
    return Path(override).resolve() if override else BUILD / preset


def sample_package_path() -> Path:
    override = os.environ.get("TOLMAR_E2E_PACKAGE")
    return Path(override).resolve() if override else BUILD / "sample" / "Tolmar-Sample.exe"


def selected(variable: str, known: dict) -> list[str]:
    names = [n.strip() for n in os.environ.get(variable, ",".join(known)).split(",") if n.strip()]
    unknown = [n for n in names if n not in known]
    if unknown:
        raise ValueError(f"{variable}: unknown {unknown}, known {list(known)}")
    return names


# ---------------------------------------------------------------------------
# The driver


class Driver:
    """One long-lived `e2e-driver.exe serve`: a command is a line of tab-separated words,
    the answer JSON lines and the line "@end RC"."""

    def __init__(self, session: "WineSession", exe_windows_path: str):
        self.session = session
        self.exe = exe_windows_path
        self.proc = None
        self.buffer = b""

    def start(self):
        self.proc = subprocess.Popen(
            ["wine", self.exe, "serve"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, env=self.session.env, cwd=self.session.drive_c)
        self.buffer = b""

    def stop(self):
        if self.proc and self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
                self.proc.wait(3)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
        self.proc = None

    def call(self, *words, timeout: float = 30.0) -> tuple[int, list[dict]]:
        """Runs one command; returns (rc, objects). rc 0 ok, 1 not found/timeout, 2 usage."""
        if self.proc is None or self.proc.poll() is not None:
            self.start()
        line = "\t".join(str(w) for w in words) + "\n"
        try:
            self.proc.stdin.write(line.encode("utf-8"))
            self.proc.stdin.flush()
        except OSError:
            self.start()
            self.proc.stdin.write(line.encode("utf-8"))
            self.proc.stdin.flush()
        objects: list[dict] = []
        deadline = time.monotonic() + timeout
        with selectors.DefaultSelector() as sel:
            sel.register(self.proc.stdout, selectors.EVENT_READ)
            while True:
                while b"\n" in self.buffer:
                    raw, self.buffer = self.buffer.split(b"\n", 1)
                    text = raw.decode("utf-8", "replace").strip()
                    if text.startswith("@end"):
                        return int(text.split()[1]), objects
                    if text:
                        objects.append(json.loads(text))
                left = deadline - time.monotonic()
                if left <= 0 or not sel.select(left):
                    self.proc.kill()
                    self.proc = None
                    raise BenchError(f"driver did not answer {words!r} within {timeout}s")
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                if not chunk:
                    self.proc = None
                    raise BenchError(f"driver ended during {words!r}")
                self.buffer += chunk


# ---------------------------------------------------------------------------
# Programs under test


@dataclasses.dataclass
class Run:
    """A program started under Wine (`wine EXE ARGS`); the Popen ends with the program."""

    proc: subprocess.Popen
    exe: str
    args: list

    def alive(self) -> bool:
        return self.proc.poll() is None

    def wait(self, timeout: float = 15.0) -> int:
        """Waits for the program to end; returns its exit code, raises BenchError on timeout."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise BenchError(f"{self.exe} still running after {timeout}s") from None

    def ended_within(self, timeout: float) -> bool:
        try:
            self.proc.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def kill(self):
        if self.alive():
            self.proc.kill()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                pass


# ---------------------------------------------------------------------------
# One prefix and display per locale


def free_display_xvfb(log: Path) -> tuple[subprocess.Popen, int]:
    """Starts Xvfb on a display it picks itself (-displayfd); returns (process, number)."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=open(log, "wb"))
    os.close(write_fd)
    number = b""
    deadline = time.monotonic() + 20
    with selectors.DefaultSelector() as sel:
        sel.register(read_fd, selectors.EVENT_READ)
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if sel.select(1):
                chunk = os.read(read_fd, 16)
                if not chunk:
                    break
                number += chunk
    os.close(read_fd)
    if not number.strip():
        proc.kill()
        raise BenchError(f"Xvfb did not start, see {log}")
    return proc, int(number.strip())


def _reg_string(value: str) -> str:
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def registry_file_text() -> str:
    lines = ["Windows Registry Editor Version 5.00", "",
             r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += [f"{_reg_string(face)}={_reg_string(ipa)}" for face, ipa in FONT_REPLACEMENTS.items()]
    # Wine draws the window frames itself: there is no window manager on the display.
    lines += ["", r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Decorated"="N"', '"Managed"="N"']
    lines += ["", r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]", '"ShowCrashDialog"=dword:00000000']
    return "\r\n".join(lines) + "\r\n"


class WineSession:
    """A Wine prefix with its own Xvfb display, for one locale."""

    def __init__(self, locale: str, template: Path):
        self.locale = locale
        self.lang = LOCALES[locale]
        self.root = E2E_DIR / "prefixes" / f"{locale}-{os.getpid()}"
        self.prefix = self.root / "prefix"
        self.drive_c = self.prefix / "drive_c"
        self.xvfb = None
        self.display = None
        self.env = {}
        self.drivers: dict[str, Driver] = {}
        self.baseline_entries: dict[Path, set] = {}
        self._start(template)

    # -- set-up and tear-down

    def _start(self, template: Path):
        shutil.rmtree(self.root, ignore_errors=True)
        self.root.mkdir(parents=True)
        self.xvfb, self.display = free_display_xvfb(self.root / "xvfb.log")
        self.env = wine_environment(self.prefix, self.lang, f":{self.display}")
        copy_prefix(template, self.prefix)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        (self.drive_c / "e2e").mkdir(exist_ok=True)
        SCREENS.mkdir(parents=True, exist_ok=True)
        for preset in PRESETS:
            built = build_dir(preset)
            if (built / "e2e-driver.exe").exists():
                target = self.drive_c / "e2e" / preset
                target.mkdir(exist_ok=True)
                for name in ("e2e-driver.exe", "SetUp.exe", "Tolmar.exe"):
                    if (built / name).exists():
                        shutil.copy2(built / name, target / name)
        self.baseline_entries = {d: self._entries(d) for d in self.watched_folders()}

    def close(self):
        for d in self.drivers.values():
            d.stop()
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=30, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.send_signal(signal.SIGTERM)
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
        if os.environ.get("TOLMAR_E2E_KEEP") != "1":
            shutil.rmtree(self.root, ignore_errors=True)

    def wine_run(self, *args, timeout: float = 60):
        subprocess.run(["wine", *args], env=self.env, cwd=self.drive_c, timeout=timeout,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # -- paths

    def windows_path(self, unix: Path) -> str:
        """C:\\... for a path inside drive_c, Z:\\... for any other host path."""
        unix = Path(unix).resolve()
        try:
            rel = unix.relative_to(self.drive_c.resolve())
            return "C:\\" + str(rel).replace("/", "\\") if str(rel) != "." else "C:\\"
        except ValueError:
            return "Z:" + str(unix).replace("/", "\\")

    def unix_path(self, windows: str) -> Path:
        """The host path of C:\\... (case as given; Wine's own folders are matched by case)."""
        w = windows.replace("/", "\\")
        if len(w) >= 2 and w[1] == ":":
            drive, rest = w[0].upper(), w[2:].lstrip("\\")
            base = self.drive_c if drive == "C" else Path("/") if drive == "Z" else None
            if base is None:
                raise ValueError(f"no drive {drive}: in the bench")
            return base / Path(*rest.split("\\")) if rest else base
        raise ValueError(f"not an absolute Windows path: {windows}")

    def user_folder(self) -> Path:
        users = [p for p in (self.drive_c / "users").iterdir() if p.name not in ("Public",) and p.is_dir()]
        return users[0]

    def special_folders(self) -> dict[str, Path]:
        """Host paths of the folders that receive shortcuts: desktop and programs,
        per user and for all users."""
        user = self.user_folder()
        menu = Path("AppData/Roaming/Microsoft/Windows/Start Menu/Programs")
        return {
            "desktop": user / "Desktop",
            "common_desktop": self.drive_c / "users" / "Public" / "Desktop",
            "programs": user / menu,
            "common_programs": self.drive_c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs",
        }

    def watched_folders(self) -> list[Path]:
        return [self.drive_c, *self.special_folders().values()]

    @staticmethod
    def _entries(folder: Path) -> set:
        return {p.name for p in folder.iterdir()} if folder.is_dir() else set()

    # -- drivers

    def driver(self, preset: str) -> Driver:
        if preset not in self.drivers:
            exe = self.drive_c / "e2e" / preset / "e2e-driver.exe"
            if not exe.exists():
                raise BenchError(f"no e2e-driver.exe for {preset} in {build_dir(preset)}")
            self.drivers[preset] = Driver(self, self.windows_path(exe))
        return self.drivers[preset]

    # -- clean state

    def reset(self, preset: str):
        """Ends programs the tests started, deletes the registry INI and everything new in
        C:\\, the desktop and Start-menu folders (install folders, shortcuts)."""
        rc, procs = self.driver(preset).call("processes")
        strays = [p["pid"] for p in procs if p["exe"].lower() not in WINE_PROCESSES]
        if strays:
            self.driver(preset).call("kill", *strays)
        for folder in [self.drive_c / "windows" / REGISTRY_INI]:
            folder.unlink(missing_ok=True)
        for folder in self.watched_folders():
            keep = self.baseline_entries.get(folder, set())
            for entry in self._entries(folder) - keep:
                path = folder / entry
                if path.is_dir() and not path.is_symlink():
                    shutil.rmtree(path, ignore_errors=True)
                else:
                    path.unlink(missing_ok=True)


def wine_environment(prefix: Path, lang: str, display: str) -> dict:
    env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "WINE"))}
    env.update(WINE_ENV_BASE)
    env.update({"WINEPREFIX": str(prefix), "LANG": lang, "LC_ALL": lang, "DISPLAY": display})
    env.pop("TOLMAR_GAME_AUTOCLOSE", None)
    return env


# Files that Wine only reads after the prefix is made: shared by hard links between the
# template and the session prefixes. Everything else (registry, INI files) is copied.
SHARED_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".acm", ".ax", ".cpl", ".ocx", ".tlb", ".nls", ".vxd",
                   ".ds", ".manifest", ".fon", ".ttf", ".mui", ".pnf", ".inf"}


def copy_prefix(template: Path, target: Path):
    def link_or_copy(src, dst):
        if Path(src).suffix.lower() in SHARED_SUFFIXES:
            try:
                os.link(src, dst)
                return dst
            except OSError:
                pass
        return shutil.copy2(src, dst)

    shutil.copytree(template, target, symlinks=True, copy_function=link_or_copy)


def wine_version() -> str:
    out = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    return "".join(c if c.isalnum() or c in ".-" else "_" for c in out) or "wine"


def make_template(path: Path):
    """A freshly initialised prefix with the bench's registry settings, copied for each
    locale. Its user folders are made real folders so that nothing the tests create lands
    in the host's home folder."""
    shutil.rmtree(path, ignore_errors=True)
    path.parent.mkdir(parents=True, exist_ok=True)
    env = wine_environment(path, "en_US.UTF-8", "")
    env.pop("DISPLAY")
    subprocess.run(["wineboot", "-i"], env=env, timeout=300, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=True)
    reg = path / "bench.reg"
    reg.write_bytes(b"\xff\xfe" + registry_file_text().encode("utf-16-le"))
    subprocess.run(["wine", "regedit", "/S", "Z:" + str(reg).replace("/", "\\")], env=env, timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, timeout=120)
    reg.unlink()
    for user in (path / "drive_c" / "users").iterdir():
        for entry in user.iterdir():
            if entry.is_symlink():
                entry.unlink()
                entry.mkdir()
    dosdevices = path / "dosdevices"
    for link in dosdevices.iterdir():
        # Only C: and Z: (the build tree); no host CD drives or home folders.
        if link.name not in ("c:", "z:"):
            link.unlink()


def ensure_template() -> Path:
    """The pristine prefix for this Wine version under build/e2e/template/, made once and
    kept between runs (a lock lets parallel runs share it). Sessions never write to it."""
    import fcntl
    base = E2E_DIR / "template"
    base.mkdir(parents=True, exist_ok=True)
    path = base / wine_version()
    done = path / ".bench-complete"
    with open(base / ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp = registry_file_text().encode("utf-8")
        if not done.exists() or done.read_bytes() != stamp:
            make_template(path)
            done.write_bytes(stamp)
    return path


# ---------------------------------------------------------------------------
# The menu art of an Install Package, to predict what the menu shows


def fnv1a(data: bytes) -> str:
    """The hash e2e-driver's `pixels` prints (32-bit FNV-1a over B, G, R bytes, rows from
    the top)."""
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return f"{h:08x}"


@dataclasses.dataclass
class MenuArt:
    """The menu picture (24-bit BMP) and button Chip Sheet of a package, read the way the
    loader reads them."""

    width: int
    height: int
    bmp_rows: bytes           # bottom-up B, G, R rows, 3 * width bytes each
    frame_count: int
    frame_width: int
    frame_height: int
    palette: bytes            # 256 x (B, G, R)
    chips: bytes              # frame after frame, rows from the top, one index a pixel

    def background(self, x: int, y: int) -> bytes:
        row = self.height - 1 - y
        at = row * self.width * 3 + x * 3
        return self.bmp_rows[at:at + 3]

    def block(self, left: int, top: int, frame: int | None) -> bytes:
        """B, G, R bytes of the chip-sized block at (left, top) with `frame` drawn over the
        picture (index 255 transparent); frame None gives the bare picture."""
        out = bytearray()
        w, h = self.frame_width, self.frame_height
        for r in range(h):
            for c in range(w):
                x, y = left + c, top + r
                index = 255 if frame is None else self.chips[frame * w * h + r * w + c]
                if index == 255:
                    out += self.background(x, y)
                else:
                    out += self.palette[index * 3:index * 3 + 3]
        return bytes(out)


def header_offset(package: Path) -> int:
    """packageDataOffset from the Setup Block (u32, u32 run mode, "VRDN") of the image."""
    import struct
    data = Path(package).read_bytes()
    tag = data.find(b"VRDN")
    if tag < 8:
        raise BenchError(f"{package} has no Setup Block in its program image")
    return struct.unpack_from("<I", data, tag - 8)[0]


def read_menu_art(package: Path, offset: int = 0x75000) -> MenuArt:
    import struct
    data = Path(package).read_bytes()
    at = offset + 104
    (size,) = struct.unpack_from("<I", data, at)
    bmp = data[at + 4:at + 4 + size]
    width, height = struct.unpack_from("<ii", bmp, 18)
    (bits,) = struct.unpack_from("<H", bmp, 28)
    if bits != 24:
        raise BenchError(f"menu picture has {bits} bits per pixel")
    rows = bmp[54:54 + width * 3 * abs(height)]
    at += 4 + size + 4
    count, fw, fh = struct.unpack_from("<iii", data, at)
    palette = data[at + 12:at + 12 + 768]
    chips = data[at + 780:at + 780 + count * fw * fh]
    return MenuArt(width, abs(height), rows, count, fw, fh, palette, chips)


# ---------------------------------------------------------------------------
# What a test uses


class Bench:
    """A session (one locale) seen through one preset. All helpers wait with timeouts in
    seconds and raise BenchError when what they wait for does not come."""

    def __init__(self, session: WineSession, preset: str, test_name: str = "test"):
        self.session = session
        self.preset = preset
        self.arch = PRESETS[preset]
        self.locale = session.locale
        self.test_name = test_name
        self.runs: list[Run] = []

    # -- paths and files

    @property
    def drive_c(self) -> Path:
        return self.session.drive_c

    def windows_path(self, unix) -> str:
        return self.session.windows_path(Path(unix))

    def unix_path(self, windows: str) -> Path:
        return self.session.unix_path(windows)

    def special_folders(self) -> dict[str, Path]:
        """desktop, common_desktop, programs, common_programs (host paths)."""
        return self.session.special_folders()

    def find_files(self, name: str, under: Path = None) -> list[Path]:
        """Files or folders called `name` under `under` (default all of C:\\)."""
        return sorted(p for p in (under or self.drive_c).rglob(name))

    @property
    def setup_exe(self) -> Path:
        """This preset's SetUp.exe inside the prefix (C:\\e2e\\<preset>\\SetUp.exe)."""
        return self.drive_c / "e2e" / self.preset / "SetUp.exe"

    @property
    def game_exe(self) -> Path:
        """The sample game Tolmar.exe of this preset's build inside the prefix."""
        return self.drive_c / "e2e" / self.preset / "Tolmar.exe"

    def sample_package(self) -> Path:
        """The sample Install Package, copied into C:\\e2e\\ once per session."""
        source = sample_package_path()
        if not source.exists():
            raise BenchError(f"no sample package {source}: run scripts/make-sample")
        target = self.drive_c / "e2e" / source.name
        if not target.exists() or target.stat().st_mtime < source.stat().st_mtime:
            shutil.copy2(source, target)
        return target

    def patched_package(self, name: str, patches: dict[int, bytes], source: Path = None) -> Path:
        """A copy of the sample package (or `source`) in C:\\e2e\\NAME with bytes replaced
        at the given offsets."""
        data = bytearray((source or self.sample_package()).read_bytes())
        for offset, value in patches.items():
            data[offset:offset + len(value)] = value
        target = self.drive_c / "e2e" / name
        target.write_bytes(bytes(data))
        return target

    def package_header(self, package: Path = None, offset: int = 0x75000) -> dict:
        """gameName, gameTitle (decoded from cp932), gameVersion, button positions and
        setupImageSize of an Install Package."""
        raw = (package or self.sample_package()).read_bytes()[offset:offset + 104]
        import struct
        fields = struct.unpack("<H16s50s5i3I4s", raw)

        def text(b):
            return b.split(b"\0", 1)[0].decode("cp932")

        return {"headerVersion": fields[0], "gameName": text(fields[1]), "gameTitle": text(fields[2]),
                "gameVersion": fields[3], "installButton": (fields[4], fields[5]),
                "quitButton": (fields[6], fields[7]), "setupImageSize": fields[8], "totalInstallSize": fields[10]}

    # -- registry INI (C:\windows\TolmarInstall.INI, code page 932)

    @property
    def registry_ini_path(self) -> Path:
        return self.drive_c / "windows" / REGISTRY_INI

    def read_registry_ini(self) -> dict | None:
        """{section: {key: value}} of TolmarInstall.INI, None when the file is missing.
        Section and key names keep their case."""
        path = self.registry_ini_path
        if not path.exists():
            return None
        parser = configparser.RawConfigParser(strict=False, interpolation=None)
        parser.optionxform = str
        parser.read_string(path.read_bytes().decode("cp932"))
        return {s: dict(parser.items(s)) for s in parser.sections()}

    def write_registry_ini(self, sections: dict):
        """Writes TolmarInstall.INI from {section: {key: value}} (CRLF, code page 932)."""
        lines = []
        for section, keys in sections.items():
            lines.append(f"[{section}]")
            lines += [f"{k}={v}" for k, v in keys.items()]
        self.registry_ini_path.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932"))

    def install_game_files(self, folder: Path, game_exe: Path = None) -> Path:
        """Places the sample game (Tolmar.exe) into a host folder inside the prefix, as an
        installation would; returns the path of the copy."""
        folder.mkdir(parents=True, exist_ok=True)
        target = folder / "Tolmar.exe"
        shutil.copy2(game_exe or self.game_exe, target)
        return target

    def game_log(self, folder: Path) -> list[dict]:
        """The lines Tolmar.exe appended to tolmar-log.txt in `folder`: dicts with cmdline,
        cwd, argc, name, title, mode (fullscreen/window/none/invalid), env."""
        path = folder / "tolmar-log.txt"
        if not path.exists():
            return []
        out = []
        for line in path.read_text("utf-8").splitlines():
            out.append(dict(field.split("=", 1) for field in line.split("\t") if "=" in field))
        return out

    def wait_game_log(self, folder: Path, timeout: float = 15.0) -> list[dict]:
        """Waits until Tolmar.exe has logged a start in `folder`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            log = self.game_log(folder)
            if log:
                return log
            time.sleep(0.1)
        raise BenchError(f"Tolmar.exe did not start in {folder}")

    # -- programs

    def start(self, exe: Path, *args: str, env: dict = None, cwd: Path = None) -> Run:
        """Starts `wine EXE ARGS` (EXE a host path inside the prefix). The working folder is
        `cwd` or C:\\e2e. TOLMAR_GAME_AUTOCLOSE=1500 is set so a started game ends by itself."""
        full_env = dict(self.session.env, TOLMAR_GAME_AUTOCLOSE="1500", WINEDEBUG="-all,err+all")
        full_env.update(env or {})
        # Wine's own messages about the program (a failed start, a crash) go to a log per
        # locale, kept for a failure's diagnosis.
        with open(E2E_DIR / f"wine-{self.locale}.log", "ab") as log:
            log.write(f"== {self.test_name}: {Path(exe).name} {' '.join(map(str, args))}\n".encode())
            log.flush()
            proc = subprocess.Popen(["wine", self.windows_path(exe), *args], env=full_env,
                                    cwd=cwd or (self.drive_c / "e2e"), stdout=subprocess.DEVNULL, stderr=log)
        run = Run(proc, str(exe), list(args))
        self.runs.append(run)
        return run

    def start_setup(self, package: Path | None = None, exe: Path = None, raw_args: list = None,
                    env: dict = None) -> Run:
        """Starts this preset's SetUp.exe (or `exe`, e.g. the package itself) with the
        package's Windows path as its command line; `raw_args` replaces that argument list."""
        args = raw_args if raw_args is not None else ([self.windows_path(package)] if package else [])
        return self.start(exe or self.setup_exe, *args, env=env)

    def driver(self, *words, timeout: float = 30.0) -> tuple[int, list[dict]]:
        """Runs one e2e-driver command of this preset; returns (rc, objects)."""
        return self.session.driver(self.preset).call(*words, timeout=timeout)

    def _one(self, *words, timeout: float = 30.0, what: str = "") -> dict:
        rc, objects = self.driver(*words, timeout=timeout)
        if rc != 0 or not objects:
            raise BenchError(f"{what or words[0]} failed: {objects}")
        return objects[-1]

    # -- windows

    def windows(self, all_windows: bool = False) -> list[dict]:
        """Top-level windows (visible ones unless all_windows)."""
        return self.driver("windows", *(["--all"] if all_windows else []))[1]

    def wait_window(self, cls: str = "*", caption: str = "*", timeout: float = 15.0,
                    visible_client: bool = False, pid: int = 0) -> dict:
        """Waits for a visible top-level window of class `cls` ("*" any) whose caption
        contains `caption` ("*" any). With visible_client, also waits until its client area
        is larger than 10x10 and the window is not minimised (the menu after loading)."""
        deadline = time.monotonic() + timeout
        while True:
            left = max(0.0, deadline - time.monotonic())
            rc, objects = self.driver("wait", cls, caption, int(left * 1000), pid, timeout=left + 10)
            if rc == 0:
                w = objects[-1]
                c = w["client"]
                if not visible_client or (c[2] - c[0] > 10 and c[3] - c[1] > 10 and not w["iconic"]):
                    return w
            if time.monotonic() >= deadline:
                raise BenchError(f"no window {cls!r} {caption!r} within {timeout}s; {self.describe_desktop()}")
            time.sleep(0.1)

    def describe_desktop(self) -> str:
        """Every top-level window and program running, for a failure's message."""
        shown = [(w["class"], w["caption"], w.get("pid"), w.get("visible"), w.get("iconic"), w.get("client"))
                 for w in self.windows(all_windows=True) if w["class"] not in QUIET_WINDOW_CLASSES]
        rc, procs = self.driver("processes")
        running = [(p["pid"], p["exe"]) for p in procs if p["exe"].lower() not in WINE_PROCESSES]
        started = [(Path(r.exe).name, "running" if r.alive() else f"exit {r.proc.returncode}") for r in self.runs]
        return f"windows: {shown}; programs: {running}; started by the test: {started}; wine: {self.wine_messages()}"

    def wine_messages(self, last: int = 8) -> list[str]:
        """The last lines Wine printed for this test's programs, without its fixme notes."""
        try:
            text = (E2E_DIR / f"wine-{self.locale}.log").read_text(errors="replace")
        except OSError:
            return []
        section = text.rsplit(f"== {self.test_name}:", 1)
        lines = section[1].splitlines()[1:] if len(section) == 2 else []
        return [line for line in lines if not line.startswith("== ") and "fixme:" not in line][-last:]

    def find_windows(self, cls: str = "*", caption: str = "*") -> list[dict]:
        """Visible top-level windows matching now (no waiting)."""
        return [w for w in self.windows() if (cls == "*" or w["class"] == cls)
                and (caption == "*" or caption in w["caption"])]

    def info(self, hwnd: int) -> dict | None:
        """The window's current description, None when it no longer exists."""
        rc, objects = self.driver("info", hwnd)
        return objects[-1] if rc == 0 else None

    def wait_menu(self, package: Path = None, timeout: float = 15.0) -> dict:
        """The menu window once it shows its picture. The loader sizes the window a moment
        before the menu is drawn and takes clicks, so a visible client area is not enough."""
        package = Path(package or self.sample_package())
        menu = self.wait_window(MAIN_CLASS, "*", visible_client=True, timeout=timeout)
        art = read_menu_art(package, header_offset(package))
        corner = fnv1a(art.block(0, 0, None))
        deadline = time.monotonic() + timeout
        while self.pixels(menu["hwnd"], 0, 0, art.frame_width, art.frame_height)["hash"] != corner:
            if time.monotonic() >= deadline:
                raise BenchError(f"the menu did not show its picture within {timeout}s")
            time.sleep(0.1)
        return menu

    def wait_gone(self, hwnd: int, timeout: float = 10.0) -> bool:
        """True when the window was destroyed or hidden within the timeout."""
        rc, _ = self.driver("gone", hwnd, int(timeout * 1000), timeout=timeout + 10)
        return rc == 0

    def client(self, hwnd: int) -> dict:
        """{x, y, width, height}: client area size and its screen position."""
        return self._one("client", hwnd)

    def close(self, hwnd: int):
        """Posts WM_CLOSE."""
        self._one("close", hwnd)

    def move(self, hwnd: int, x: int, y: int, post: bool = False):
        """Moves the mouse to client point (x, y): real input (SetCursorPos + SendInput),
        or with post=True a posted WM_MOUSEMOVE."""
        self._one("move", hwnd, x, y, *(["--post"] if post else []))

    def click(self, hwnd: int, x: int, y: int, post: bool = False, release_only: bool = False):
        """Left click at client point (x, y): real input, or posted messages with post=True
        (WM_MOUSEMOVE, WM_LBUTTONDOWN with MK_LBUTTON, WM_LBUTTONUP), or with release_only
        a lone posted WM_LBUTTONUP."""
        how = ["--release-only"] if release_only else ["--post"] if post else []
        self._one("click", hwnd, x, y, *how)

    def key(self, *vks: int):
        """Presses and releases virtual keys (real input to the focused window)."""
        self._one("key", *vks)

    def pixels(self, hwnd: int, x: int, y: int, w: int, h: int, bmp: Path = None) -> dict:
        """{mean: [r, g, b], hash} of a client-area block read back from the screen;
        with `bmp` (a host path in the prefix) the block is also saved."""
        extra = [self.windows_path(bmp)] if bmp else []
        return self._one("pixels", hwnd, x, y, w, h, *extra)

    def screenshot(self, name: str) -> Path:
        """Saves the whole screen as build/e2e/screens/<locale>-<arch>-<name>.png."""
        path = SCREENS / f"{self.locale}-{self.arch}-{name}.png"
        subprocess.run(["import", "-window", "root", "-display", f":{self.session.display}", str(path)],
                       check=True, timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    # -- dialog controls

    def texts(self, hwnd: int) -> list[dict]:
        """Child controls of a window: hwnd, id, class, text, enabled, visible, parent,
        rect (in the window's client coordinates), checked (buttons: 0, 1, 2)."""
        return self.driver("texts", hwnd)[1]

    def control(self, hwnd: int, control_id: int) -> dict:
        """The child control with this id (see texts)."""
        for c in self.texts(hwnd):
            if c["id"] == control_id:
                return c
        raise BenchError(f"no control {control_id} in window {hwnd}")

    def press(self, hwnd: int, control_id: int, command: bool = False):
        """Posts BM_CLICK to the dialog's button, or WM_COMMAND/BN_CLICKED with command=True."""
        self._one("press", hwnd, control_id, *(["--command"] if command else []))

    def check(self, hwnd: int, control_id: int, on: bool) -> int:
        """Sets a check box (clicking it when it differs); returns the new state."""
        rc, objects = self.driver("check", hwnd, control_id, int(bool(on)))
        if not objects or "checked" not in objects[-1]:
            raise BenchError(f"check {control_id} failed: {objects}")
        return objects[-1]["checked"]

    def set_text(self, hwnd: int, control_id: int, text: str) -> str:
        """WM_SETTEXT on a control; returns the text read back."""
        return self._one("settext", hwnd, control_id, text)["text"]

    def tree(self, hwnd: int, control_id: int, path: str = None, mouse: bool = False):
        """Without path: the tree view's expanded items (item, depth, text, path, expanded,
        selected, children). With path ("C:\\/Games/Sample", steps split by "/", each
        matching an item's text exactly or as its beginning, ignoring case): expands
        along it (TVM_EXPAND, or double clicks with mouse=True) and selects the last
        step; returns that item."""
        if path is None:
            return self.driver("tree", hwnd, control_id)[1]
        return self._one("tree", hwnd, control_id, path, *(["--mouse"] if mouse else []))

    # -- message boxes

    def msgbox(self, pattern: str = "*", timeout: float = 0.0) -> dict | None:
        """The first visible message box whose text or caption contains `pattern`
        (hwnd, caption, text, buttons [{id, text}], owner, pid, rect); None if none came."""
        rc, objects = self.driver("msgbox", pattern, int(timeout * 1000), timeout=timeout + 10)
        return objects[-1] if rc == 0 else None

    def wait_msgbox(self, pattern: str = "*", timeout: float = 15.0) -> dict:
        box = self.msgbox(pattern, timeout)
        if box is None:
            raise BenchError(f"no message box {pattern!r} within {timeout}s; windows: "
                             f"{[(w['class'], w['caption']) for w in self.windows()]}")
        return box

    def answer_msgbox(self, pattern: str, button, timeout: float = 15.0, screenshot: str = None) -> dict:
        """Waits for a message box matching `pattern`, optionally takes a screenshot of it,
        presses `button` ("OK", "CANCEL", "YES", "NO" or an id) and waits (up to 5 s) until
        the box has gone. Returns the box as it was."""
        box = self.wait_msgbox(pattern, timeout)
        if screenshot:
            self.screenshot(screenshot)
        rc, objects = self.driver("answer", pattern, button, 1000)
        if rc != 0:
            raise BenchError(f"could not answer {pattern!r} with {button}: {objects}")
        # The next look for a message box must not find this one again.
        self.wait_gone(box["hwnd"], 5)
        return box

    # -- shortcuts

    def shortcut(self, lnk: Path) -> dict:
        """A .lnk read back through IShellLinkW: target, arguments, workdir, description,
        icon, iconIndex, show."""
        return self._one("shortcut", self.windows_path(lnk))

    def url(self, url_file: Path) -> dict:
        """A .url read back: url (IUniformResourceLocatorW, else the INI), ini, shell."""
        return self._one("url", self.windows_path(url_file))

    def read_ini(self, ini: Path, section: str = None) -> list[dict]:
        """An INI file as the private-profile functions read it: [{section, key, value}]."""
        return self.driver("readini", self.windows_path(ini), *([section] if section else []))[1]

    def processes(self) -> list[dict]:
        """Windows processes of the prefix: pid, exe, parent."""
        return self.driver("processes")[1]

    # -- clean state

    def reset(self):
        for run in self.runs:
            run.kill()
        self.runs.clear()
        self.session.reset(self.preset)
