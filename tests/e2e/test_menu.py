"""What the user sees first: splash, menu with hover frames, quit, the start question of an
installed game, load failures and the package chooser. Every test runs for both presets
(i686, x86_64) and both locales (ja, en) and leaves screenshots in build/e2e/screens/."""

import struct
import time

import pytest

from bench import (DIALOG_CLASS, IDCANCEL, MAIN_CLASS, BenchError, fnv1a,
                   read_menu_art)

SPLASH_CAPTION = "SetUp"
SPLASH_TEXT_ID = 1020
SCREEN_W, SCREEN_H = 1024, 768


def open_menu(bench, package, exe=None):
    run = bench.start_setup(package, exe=exe)
    menu = bench.wait_menu(package)
    return run, menu


def button_rects(bench, package):
    """(left, top, first frame) of the install and the quit button."""
    header = bench.package_header(package)
    return {"install": (*header["installButton"], 0), "quit": (*header["quitButton"], 4)}


def wait_pixels(bench, hwnd, left, top, art, expected_hash, timeout=3.0):
    """Polls the screen block until it shows `expected_hash`; returns the last reading."""
    deadline = time.monotonic() + timeout
    while True:
        got = bench.pixels(hwnd, left, top, art.frame_width, art.frame_height)
        if got["hash"] == expected_hash or time.monotonic() > deadline:
            return got
        time.sleep(0.1)


def test_menu_is_the_picture_centred_and_hovering_shows_each_buttons_frame(bench, setup_exe, sample_package):
    art = read_menu_art(sample_package)
    run, menu = open_menu(bench, sample_package)
    hwnd = menu["hwnd"]
    client = bench.client(hwnd)
    assert (client["width"], client["height"]) == (art.width, art.height)
    left, top, right, bottom = menu["rect"]
    assert left == (SCREEN_W - (right - left)) // 2
    assert top == (SCREEN_H - (bottom - top)) // 2

    # Away from both buttons every button shows its normal frame.
    bench.move(hwnd, 2, 2)
    for name, (x, y, first) in button_rects(bench, sample_package).items():
        normal = fnv1a(art.block(x, y, first))
        assert wait_pixels(bench, hwnd, x, y, art, normal)["hash"] == normal, name
    bench.screenshot("menu")

    for name, (x, y, first) in button_rects(bench, sample_package).items():
        hover = fnv1a(art.block(x, y, first + 1))
        assert hover != fnv1a(art.block(x, y, first)), "the hover frame must differ from the normal one"
        bench.move(hwnd, x + art.frame_width // 2, y + art.frame_height // 2)
        assert wait_pixels(bench, hwnd, x, y, art, hover)["hash"] == hover, name
        bench.screenshot(f"hover-{name}")

    # Leaving the button brings the normal frame back.
    x, y, first = button_rects(bench, sample_package)["quit"]
    bench.move(hwnd, 2, 2)
    normal = fnv1a(art.block(x, y, first))
    assert wait_pixels(bench, hwnd, x, y, art, normal)["hash"] == normal
    assert run.alive()


@pytest.mark.parametrize("release_only", [False, True], ids=["click", "release-with-no-move"])
def test_quit_button_ends_the_program(bench, setup_exe, sample_package, release_only):
    """A release with no move before it is a click too: the cursor may rest over a button
    while the menu appears."""
    art = read_menu_art(sample_package)
    run, menu = open_menu(bench, sample_package)
    x, y, _ = button_rects(bench, sample_package)["quit"]
    bench.click(menu["hwnd"], x + art.frame_width // 2, y + art.frame_height // 2, release_only=release_only)
    run.wait(10)
    assert bench.find_windows(MAIN_CLASS) == []


def test_click_outside_the_buttons_does_nothing(bench, setup_exe, sample_package):
    run, menu = open_menu(bench, sample_package)
    bench.click(menu["hwnd"], 2, 2)
    assert not run.ended_within(1.5)
    assert bench.find_windows(MAIN_CLASS) != []
    assert bench.msgbox() is None


def test_closing_the_menu_window_ends_the_program(bench, setup_exe, sample_package):
    run, menu = open_menu(bench, sample_package)
    bench.close(menu["hwnd"])
    run.wait(10)


def test_the_package_runs_its_own_setup_image(bench, sample_package):
    """The package is itself runnable: its head is the shipped i686 SetUp.exe."""
    if bench.preset != "win32":
        pytest.skip("the package carries the i686 program")
    run, menu = open_menu(bench, sample_package, exe=sample_package)
    assert bench.client(menu["hwnd"])["width"] == read_menu_art(sample_package).width
    bench.close(menu["hwnd"])
    run.wait(10)


def write_installed(bench, header, base="C:\\Games\\"):
    folder = f"{base}{header['gameName']}\\"
    bench.write_registry_ini({"Games": {"InstCount": "1"},
                              header["gameName"]: {"InstDIR": folder, "Verson": str(header["gameVersion"])}})
    return bench.unix_path(folder)


@pytest.mark.parametrize("answer", ["YES", "NO"])
def test_an_installed_game_is_offered_and_started_on_yes(bench, setup_exe, sample_package, answer):
    header = bench.package_header(sample_package)
    game_folder = write_installed(bench, header)
    bench.install_game_files(game_folder)
    run = bench.start_setup(sample_package)

    question = f"{header['gameTitle']} はインストールされています。　起動しますか？"
    box = bench.answer_msgbox("はインストールされています", answer, screenshot=f"installed-question-{answer.lower()}")
    assert box["text"] == question
    assert box["caption"] == "起動メニュー"
    assert sorted(b["id"] for b in box["buttons"]) == [6, 7]
    assert bench.find_windows(MAIN_CLASS) == [], "the menu is hidden while the question is asked"
    run.wait(10)

    if answer == "NO":
        time.sleep(1.0)
        assert bench.game_log(game_folder) == []
        return
    [line] = bench.wait_game_log(game_folder)
    assert line["name"] == header["gameName"]
    assert line["title"] == header["gameTitle"]
    assert line["cwd"].rstrip("\\").lower() == f"c:\\games\\{header['gameName']}".lower()
    expected_tail = f"\\tolmar.exe {header['gameName']} {header['gameTitle']}"
    assert line["cmdline"].lower().endswith(expected_tail.lower())
    assert line["cmdline"].lower().startswith(f"c:\\games\\{header['gameName']}".lower())


@pytest.mark.parametrize("version", [103, 105, 0])
def test_a_header_version_other_than_104_fails_to_load(bench, setup_exe, sample_package, version):
    package = bench.patched_package(f"version-{version}.exe", {0x75000: struct.pack("<H", version)})
    run = bench.start_setup(package)
    first = bench.answer_msgbox("Install Data Version False Error", "OK", screenshot=f"version-error-{version}")
    assert (first["caption"], first["text"]) == ("Install", "Install Data Version False Error")
    second = bench.answer_msgbox("読み込みに失敗しました", "OK", screenshot=f"load-failed-{version}")
    assert (second["caption"], second["text"]) == ("Error", "読み込みに失敗しました")
    run.wait(10)
    assert bench.find_windows(MAIN_CLASS) == []


def splash_of(bench, run_pid=0):
    return bench.wait_window(DIALOG_CLASS, SPLASH_CAPTION, pid=run_pid)


def wait_chooser(bench, splash, timeout=10.0):
    """The Open dialog: a dialog of the same process other than the splash."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for w in bench.find_windows(DIALOG_CLASS):
            if w["pid"] == splash["pid"] and w["hwnd"] != splash["hwnd"]:
                return w
        time.sleep(0.1)
    raise BenchError("no Open dialog")


def other_dialogs(bench, splash):
    return [w for w in bench.find_windows(DIALOG_CLASS) if w["pid"] == splash["pid"] and w["hwnd"] != splash["hwnd"]]


def test_a_missing_package_offers_the_chooser_and_splash_cancel_ends(bench, setup_exe):
    missing = "C:\\e2e\\missing.exe"
    run = bench.start_setup(raw_args=[missing])
    splash = splash_of(bench)
    chooser = wait_chooser(bench, splash)
    bench.screenshot("chooser")
    text = bench.control(splash["hwnd"], SPLASH_TEXT_ID)["text"]
    assert text == f"0 {missing}\n インストーラを起動しています"

    # Cancelling the chooser leaves the splash waiting; the chooser is not offered again.
    bench.press(chooser["hwnd"], IDCANCEL, command=True)
    assert bench.wait_gone(chooser["hwnd"], 5)
    time.sleep(1.0)
    assert other_dialogs(bench, splash) == []
    assert bench.info(splash["hwnd"])["visible"]
    bench.screenshot("splash")
    assert run.alive()

    bench.press(splash["hwnd"], IDCANCEL)
    run.wait(10)


def test_closing_the_window_before_the_package_is_found_ends_the_program(bench, setup_exe):
    run = bench.start_setup(raw_args=["C:\\e2e\\missing.exe"])
    splash = splash_of(bench)
    bench.press(wait_chooser(bench, splash)["hwnd"], IDCANCEL, command=True)
    [main] = [w for w in bench.windows(all_windows=True) if w["class"] == MAIN_CLASS and w["pid"] == splash["pid"]]
    bench.close(main["hwnd"])
    run.wait(10)


def test_choosing_the_package_in_the_chooser_shows_the_menu(bench, setup_exe, sample_package):
    run = bench.start_setup(raw_args=["C:\\e2e\\missing.exe"])
    splash = splash_of(bench)
    chooser = wait_chooser(bench, splash)
    edits = [c for c in bench.texts(chooser["hwnd"]) if c["class"].lower() == "edit" and c["visible"]]
    assert edits, "the Open dialog has a file name field"
    name_id = edits[0]["id"]
    if any(c["id"] == 1152 for c in edits):
        name_id = 1152
    bench.set_text(chooser["hwnd"], name_id, bench.windows_path(sample_package))
    bench.press(chooser["hwnd"], 1)
    menu = bench.wait_window(MAIN_CLASS, "*", visible_client=True)
    assert bench.client(menu["hwnd"])["width"] == read_menu_art(sample_package).width
    bench.close(menu["hwnd"])
    run.wait(10)
