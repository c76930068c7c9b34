"""Installing the sample package as a user would, starting the game through the new
Start-menu shortcut, and removing it again with the uninstall shortcut; the shell service's
own shortcut files read back through the shell."""

import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

from bench import BUILD, DIALOG_CLASS, E2E_DIR, IDCANCEL, IDOK, MAIN_CLASS, ROOT, WIZARD_CLASS, BenchError, Run, \
    build_dir, header_offset

# Menu and wizard buttons are 112 x 32 chips; a click goes to the middle of one.
CHIP_W, CHIP_H = 112, 32
# The top rows of a wizard page: its title, which differs from page to page.
TITLE_BAND_H = 60
WIZARD_START, WIZARD_NEXT = (24, 256), (264, 256)

FINISH_QUESTION = "インストールが終了しました"
UNINSTALL_CONFIRMATION = ("「{title}」をＨＤＤから削除します。\nよろしければ、削除ボタンを押して下さい。\n\n"
                          "セーブデータを残す場合は、下記のチェックを外して下さい。")
TEMP_COPY_PATTERN = "TolmarUninstall*.exe"


def centre(corner):
    return corner[0] + CHIP_W // 2, corner[1] + CHIP_H // 2


def wait_until(condition, timeout: float, what: str):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise BenchError(f"{what} did not happen within {timeout}s")


def click_page_button(bench, window: dict, corner):
    """Clicks a wizard button and waits for the next page. The page's title band tells the
    pages apart (no button reaches it); the whole picture is no guide, since the press
    animation's frames can look settled while a click would still be ignored."""
    hwnd = window["hwnd"]
    width = bench.client(hwnd)["width"]

    def title():
        return bench.pixels(hwnd, 0, 0, width, TITLE_BAND_H)["hash"]

    before = title()
    bench.click(hwnd, *centre(corner))
    wait_until(lambda: bench.info(hwnd) is None or title() != before, 15, "the wizard page change")


class Installed:
    """What one installation of the sample package made, as host paths."""

    def __init__(self, bench, header: dict):
        self.name, self.title = header["gameName"], header["gameTitle"]
        self.folder = bench.drive_c / self.name
        folders = bench.special_folders()
        self.desktop = folders["desktop"]
        # Wine's user is an administrator: the Start-menu entries go to all users.
        self.programs = folders["common_programs"]
        self.menu_folder = self.programs / self.title
        self.launch = f"{self.title}の起動.lnk"


def confirm_install(bench, package: Path) -> dict:
    """Menu -> wizard (introduction, folder, options, all defaults) -> confirmation; returns
    the package's header once the copy has been started."""
    header = bench.package_header(package, header_offset(package))
    bench.start_setup(package)
    menu = bench.wait_menu(package, timeout=30)
    bench.click(menu["hwnd"], *centre(header["installButton"]))

    wizard = bench.wait_window(WIZARD_CLASS, "*", visible_client=True)
    click_page_button(bench, wizard, WIZARD_START)
    click_page_button(bench, wizard, WIZARD_NEXT)
    bench.click(wizard["hwnd"], *centre(WIZARD_NEXT))

    confirm = bench.wait_window(DIALOG_CLASS, "インストール情報確認")
    bench.press(confirm["hwnd"], IDOK)
    return header


def install_sample(bench, answer_start: str) -> Installed:
    """An installation of the sample package with the defaults, up to the finish question,
    answered with `answer_start`."""
    header = confirm_install(bench, bench.sample_package())
    bench.answer_msgbox(FINISH_QUESTION, answer_start, timeout=60, screenshot="install-finish-question")
    return Installed(bench, header)


def start_through_shell(bench, shortcut: Path) -> Run:
    """Opens a shortcut file the way the Start menu does (ShellExecute through `start`)."""
    proc = subprocess.Popen(["wine", "start", bench.windows_path(shortcut)], env=bench.session.env,
                            cwd=bench.drive_c, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run = Run(proc, "start", [str(shortcut)])
    bench.runs.append(run)
    return run


def temp_copies(bench) -> list[Path]:
    return bench.find_files(TEMP_COPY_PATTERN, bench.drive_c / "users")


def test_install_through_the_wizard_makes_the_files_shortcuts_and_registry_entry(bench, setup_exe,
                                                                                  sample_package):
    got = install_sample(bench, "YES")
    folder_w = bench.windows_path(got.folder) + "\\"

    # Yes starts the game through the Start-menu launch shortcut: title in quotes, one argument.
    [start] = bench.wait_game_log(got.folder)
    assert start["name"] == got.name
    assert start["title"] == got.title
    assert start["argc"] == "3"
    assert start["cwd"] == folder_w.rstrip("\\")
    assert start["mode"] == "fullscreen"

    for name in ["readme.txt", "Tolmar.exe", f"{got.name}.idf", "SetUp.exe", "env.dat"]:
        assert (got.folder / name).is_file(), name

    expected = {
        got.desktop / got.launch: (f"{folder_w}Tolmar.exe", f"{got.name} {got.title}", got.launch[:-4]),
        got.menu_folder / got.launch: (f"{folder_w}Tolmar.exe", f'{got.name} "{got.title}"', got.launch[:-4]),
        got.menu_folder / "アンインストール.lnk": (f"{folder_w}Setup.exe", f"{got.name} {got.title} -1",
                                               "アンインストール"),
    }
    for lnk, (target, arguments, description) in expected.items():
        link = bench.shortcut(lnk)
        assert (link["target"], link["arguments"], link["description"]) == (target, arguments, description), lnk
        assert link["workdir"].rstrip("\\") == folder_w.rstrip("\\"), lnk

    assert bench.url(got.menu_folder / "公式サイト.url")["url"] == "http://www.example.com/tolmar/"
    assert bench.url(got.menu_folder / "マニュアル.url")["url"] == f"{folder_w}manual\\index.html"

    ini = bench.read_registry_ini()
    assert ini["Games"]["InstCount"] == "1"
    assert ini[got.name] == {"InstDIR": folder_w, "Verson": "100"}


@pytest.mark.parametrize("delete_save_data", [True, False], ids=["with-save-data", "keeping-save-data"])
def test_uninstall_shortcut_removes_the_installation(bench, setup_exe, sample_package, delete_save_data):
    got = install_sample(bench, "NO")
    (got.folder / "save01.sav").write_bytes(b"progress")
    uninstall_link = got.menu_folder / "アンインストール.lnk"

    start_through_shell(bench, uninstall_link)
    dialog = bench.wait_window(DIALOG_CLASS, "アンインストール")
    assert bench.control(dialog["hwnd"], 1015)["text"] == UNINSTALL_CONFIRMATION.format(title=got.title)
    assert bench.control(dialog["hwnd"], 1018)["checked"] == 1
    bench.screenshot("uninstall-dialog")
    bench.check(dialog["hwnd"], 1018, delete_save_data)
    bench.press(dialog["hwnd"], IDOK)
    box = bench.answer_msgbox("アンインストール終了", "OK", screenshot="uninstall-finished")
    assert box["caption"] == "正常終了"
    assert bench.wait_gone(dialog["hwnd"])

    kept = {"env.dat", "save01.sav"} if not delete_save_data else set()
    # The Setup Copy goes too, from a temporary copy of itself that then deletes itself.
    wait_until(lambda: not (got.folder / "SetUp.exe").exists(), 30, "the removal of the Setup Copy")
    if kept:
        assert {p.name for p in got.folder.iterdir()} == kept
    else:
        wait_until(lambda: not got.folder.exists(), 15, "the removal of the game folder")
    wait_until(lambda: not temp_copies(bench), 30, "the deletion of the temporary copy")

    assert not (got.desktop / got.launch).exists()
    assert not got.menu_folder.exists()
    ini = bench.read_registry_ini()
    assert ini["Games"]["InstCount"] == "0"
    assert ini[got.name] == {"InstDIR": "", "Verson": ""}


def test_uninstall_finds_its_folder_when_the_registry_lost_the_entry(bench, setup_exe, sample_package):
    got = install_sample(bench, "NO")
    bench.write_registry_ini({"Games": {"InstCount": "1"}, got.name: {"InstDIR": "", "Verson": ""}})
    start_through_shell(bench, got.menu_folder / "アンインストール.lnk")
    dialog = bench.wait_window(DIALOG_CLASS, "アンインストール")
    bench.press(dialog["hwnd"], IDOK)
    bench.answer_msgbox("アンインストール終了", "OK")
    wait_until(lambda: not got.folder.exists(), 30, "the removal of the game folder")
    assert not got.menu_folder.exists()
    assert bench.read_registry_ini()["Games"]["InstCount"] == "0"


def test_the_leftover_step_deletes_only_its_own_program(bench, setup_exe, sample_package):
    got = install_sample(bench, "NO")
    other = bench.drive_c / "OTHER"
    bench.install_game_files(other).rename(other / "Setup.exe")
    run = bench.start(got.folder / "SetUp.exe", "/tolmar-remove-leftovers", bench.windows_path(other), "999999")
    assert run.wait(60) == 1
    # A different program of that name stays, and a Setup Copy outside the temporary
    # folder never deletes itself.
    assert (other / "Setup.exe").exists()
    assert (got.folder / "SetUp.exe").exists()
    assert not bench.find_windows(DIALOG_CLASS, "アンインストール")


def test_uninstall_cancel_removes_nothing(bench, setup_exe, sample_package):
    got = install_sample(bench, "NO")
    before = sorted(p.relative_to(got.folder) for p in got.folder.rglob("*"))
    start_through_shell(bench, got.menu_folder / "アンインストール.lnk")
    dialog = bench.wait_window(DIALOG_CLASS, "アンインストール")
    bench.press(dialog["hwnd"], IDCANCEL)
    assert bench.wait_gone(dialog["hwnd"])
    assert sorted(p.relative_to(got.folder) for p in got.folder.rglob("*")) == before
    assert (got.menu_folder / got.launch).exists()
    assert bench.read_registry_ini()["Games"]["InstCount"] == "1"


def test_a_setup_copy_with_an_unsafe_header_refuses_and_removes_nothing(bench, setup_exe, sample_package):
    got = install_sample(bench, "NO")
    setup_copy = got.folder / "SetUp.exe"
    image = bytearray(setup_copy.read_bytes())
    name_at = header_offset(setup_copy) + 2
    image[name_at:name_at + 16] = b"..\\..\\windows\0\0\0"
    setup_copy.write_bytes(bytes(image))
    before = sorted(p.relative_to(got.folder) for p in got.folder.rglob("*"))

    start_through_shell(bench, got.menu_folder / "アンインストール.lnk")
    box = bench.answer_msgbox("アンインストール情報を読み込めませんでした", "OK")
    assert box["caption"] == "Error"
    wait_until(lambda: not bench.find_windows(DIALOG_CLASS, "アンインストール"), 10, "the end of the uninstaller")
    assert sorted(p.relative_to(got.folder) for p in got.folder.rglob("*")) == before
    assert bench.read_registry_ini()["Games"]["InstCount"] == "1"


# -- Cancel during the copy, with a package large enough to be caught copying


@pytest.fixture(scope="session")
def large_package_source():
    tolpkg = Path(os.environ.get("TOLPKG", BUILD / "native" / "tolpkg"))
    setup = build_dir("win32") / "SetUp.exe"
    game = build_dir("win32") / "Tolmar.exe"
    for needed in (tolpkg, setup, game):
        if not needed.exists():
            pytest.skip(f"{needed} is not built")
    work = E2E_DIR / f"large-package-{os.getpid()}"
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(ROOT / "tests" / "sample" / "files", work / "files")
    shutil.copy2(game, work / "files" / "Tolmar.exe")
    with (work / "files" / "data" / "large.dat").open("wb") as f:
        for _ in range(400):
            f.write(os.urandom(1 << 20))
    sample = ROOT / "tests" / "sample"
    manifest = (sample / "manifest.toml").read_text("utf-8")
    for picture in ("menu.png", "buttons.png"):
        manifest = manifest.replace(f'"{picture}"', f'"{(sample / picture).as_posix()}"')
    (work / "manifest.toml").write_text(manifest, "utf-8")
    subprocess.run([str(tolpkg), "build", str(work / "manifest.toml"), "--setup-image", str(setup),
                    "--files", str(work / "files"), "-o", str(work / "Large.exe")], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.rmtree(work / "files")
    yield work / "Large.exe"
    shutil.rmtree(work, ignore_errors=True)


def test_cancel_during_the_copy_rolls_back_and_returns_to_the_menu(bench, setup_exe, large_package_source):
    package = bench.drive_c / "e2e" / large_package_source.name
    shutil.copy2(large_package_source, package)
    header = confirm_install(bench, package)
    copying = bench.wait_window(DIALOG_CLASS, "インストール中", timeout=30)
    large_file = f"C:\\{header['gameName']}\\data\\large.dat"
    wait_until(lambda: bench.control(copying["hwnd"], 1016)["text"] == large_file, 60, "the copy of large.dat")
    bench.screenshot("install-copying")
    bench.press(copying["hwnd"], IDCANCEL)
    box = bench.answer_msgbox("キャンセルしました", "OK", timeout=60, screenshot="install-cancelled")
    assert box["caption"] == "Install"
    assert bench.wait_gone(copying["hwnd"])

    bench.wait_window(MAIN_CLASS, "*", visible_client=True)
    got = Installed(bench, header)
    assert not got.folder.exists()
    assert not (got.desktop / got.launch).exists()
    assert not got.menu_folder.exists()
    ini = bench.read_registry_ini()
    assert ini is None or not ini.get(got.name, {}).get("InstDIR")
    package.unlink()


# -- the shell service itself, through tests/e2e/shelltool


@pytest.fixture
def shelltool(bench):
    built = build_dir(bench.preset) / "tests" / "e2e" / "shelltool.exe"
    if not built.exists():
        pytest.skip(f"no shelltool.exe in {built.parent}")
    target = bench.drive_c / "e2e" / bench.preset / "shelltool.exe"
    shutil.copy2(built, target)

    output = bench.drive_c / "e2e" / bench.preset / "shelltool-out.txt"

    # Output goes through a file: Wine's helper processes may inherit a pipe and keep it open.
    def run(*args) -> tuple[int, dict]:
        with output.open("wb") as out:
            rc = subprocess.run(["wine", bench.windows_path(target), *args], env=bench.session.env,
                                cwd=bench.drive_c, stdout=out, stderr=subprocess.DEVNULL, timeout=60).returncode
        lines = output.read_bytes().decode("utf-8", "replace").splitlines()
        return rc, dict(line.split("=", 1) for line in lines if "=" in line)

    return run


def test_shell_links_keep_japanese_texts_and_read_back(bench, shelltool):
    folder = bench.drive_c / "ゲーム フォルダ"
    folder.mkdir()
    folder_w = bench.windows_path(folder)
    link = f"{folder_w}\\体験版の起動.lnk"
    rc, out = shelltool("link", f"{folder_w}\\Tolmar.exe", link, "体験版の起動", 'GAME "トルマール 物語"', folder_w)
    assert (rc, out["status"]) == (0, "ok")
    rc, back = shelltool("read", link)
    assert rc == 0
    assert back == {"target": back["target"], "arguments": 'GAME "トルマール 物語"',
                    "workdir": folder_w, "description": "体験版の起動"}
    # Wine keeps a link's target path only in the ANSI code page (Windows also stores it as
    # UTF-16), so a Japanese target survives only where that code page is 932.
    if bench.locale == "ja":
        assert back["target"] == f"{folder_w}\\Tolmar.exe"

    # Wine writes a URL's non-ASCII characters as UTF-8 and reads them back as ANSI, so the
    # URL itself stays ASCII here; the file name is Japanese.
    url_file = f"{folder_w}\\公式サイト.url"
    rc, out = shelltool("url", url_file, "http://www.example.com/game/?q=1")
    assert (rc, out["status"]) == (0, "ok")
    assert shelltool("read", url_file)[1] == {"url": "http://www.example.com/game/?q=1"}


@pytest.mark.parametrize("kind, args", [
    ("link", ["C:\\x.exe", "C:\\no such folder\\a.lnk", "d", "a", "C:\\"]),
    ("url", ["C:\\no such folder\\a.url", "http://example.com/"]),
])
def test_a_shortcut_into_a_missing_folder_fails_at_the_save_step(bench, shelltool, kind, args):
    rc, out = shelltool("watch-debug", kind, *args)
    assert (rc, out["status"], out["lasterror"]) == (1, "failed", "7")
    # Debug output travels in the ANSI code page: the Japanese line reads back under cp932.
    if bench.locale == "ja":
        assert out["debug"] == "書き込みに失敗した"
    assert not (bench.drive_c / "no such folder").exists()


def test_special_folders_are_the_shells(bench, shelltool):
    rc, out = shelltool("folders")
    assert rc == 0
    folders = bench.special_folders()
    assert bench.unix_path(out["desktop"]) == folders["desktop"]
    assert not out["desktop"].endswith("\\")
    assert out["programs"].endswith("\\") and not out["programs"].endswith("\\\\")
    expected = folders["common_programs"] if out["administrator"] == "1" else folders["programs"]
    assert bench.unix_path(out["programs"].rstrip("\\")) == expected
