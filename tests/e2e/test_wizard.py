"""The settings wizard, the "INSTSET" and "INSTMODE" dialogs and the "TREEDIRDLG" folder
browser, operated as a user would: picture buttons clicked with the mouse, dialog buttons
pressed, tree items opened by double clicks."""

import re
import time
from pathlib import Path

import pytest

from bench import DIALOG_CLASS, IDCANCEL, IDOK, MAIN_CLASS, WIZARD_CLASS, BenchError

CHIP_W, CHIP_H = 112, 32
PICTURE_W, PICTURE_H = 400, 300

# Top-left corners of the picture buttons, page by page.
START_WIZARD, CUSTOM_INSTALL, CANCEL = (24, 256), (144, 256), (264, 256)
BACK, NEXT, CHOOSE_FOLDER = (144, 256), (264, 256), (264, 172)
CREATE, DO_NOT_CREATE, FULL_SCREEN, WINDOW = (30, 92), (160, 92), (30, 162), (160, 162)

# Control ids of the dialogs.
FOLDER, BROWSE, SIZE_LINE, SHORTCUT_BOX, FULL_SCREEN_BOX, EXPLANATION = 1002, 1003, 1012, 1013, 1014, 1015
SHORTCUT_TEXT, MODE_TEXT = 1006, 1008
TREE, PATH_LINE, DRIVE_LINE, FREE_SPACE = 1004, 1200, 1210, 1300

TOO_LONG = "パスが長すぎるので選びなおして下さい。"
NO_PATH = "パスの取得に失敗しました。"
SHORTAGE_MARK = " 容量不足!"


@pytest.fixture(autouse=True)
def _needs_program(setup_exe, sample_package):
    """Every test here runs the real program on the sample package."""


def centre(corner):
    return corner[0] + CHIP_W // 2, corner[1] + CHIP_H // 2


def wait_until(condition, timeout: float, what: str):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.2)
    raise BenchError(f"{what} did not happen within {timeout}s")


def grouped(n: int) -> str:
    return f"{n:,}"


class Wizard:
    """The wizard window of one SetUp.exe run, reached from the menu's install button."""

    def __init__(self, bench, package: Path):
        self.bench = bench
        self.header = bench.package_header(package)
        self.run = bench.start_setup(package)
        self.menu = bench.wait_menu(package)
        self.menu_size = self.client_size(self.menu["hwnd"])
        self.window = None
        self.open()

    def client_size(self, hwnd):
        c = self.bench.client(hwnd)
        return c["width"], c["height"]

    @property
    def hwnd(self):
        return self.window["hwnd"]

    def open(self):
        menu = self.menu["hwnd"]
        x, y = self.header["installButton"]
        self.bench.click(menu, x + CHIP_W // 2, y + CHIP_H // 2)
        self.window = self.bench.wait_window(WIZARD_CLASS, "インストール設定", visible_client=True)
        self.settle()

    def picture_hash(self, y=0, h=PICTURE_H, x=0, w=PICTURE_W):
        return self.bench.pixels(self.hwnd, x, y, w, h)["hash"]

    def title_hash(self):
        """The page's title band: it tells the pages apart and no button reaches it."""
        return self.picture_hash(0, 60)

    def settle(self):
        """Waits until two looks at the picture a moment apart agree."""
        def steady():
            first = self.picture_hash()
            time.sleep(0.3)
            return first == self.picture_hash()
        wait_until(steady, 10, "the wizard picture settling")

    def turn_page(self, corner, release_only=False):
        """Clicks a navigation button and waits for the next page's title."""
        before = self.title_hash()
        self.bench.click(self.hwnd, *centre(corner), release_only=release_only)
        wait_until(lambda: self.bench.info(self.hwnd) is None or self.title_hash() != before, 15,
                   "the page change")
        if self.bench.info(self.hwnd) is not None:
            self.settle()

    def leave(self, corner):
        """Clicks a button that ends the wizard and waits for its window to go."""
        self.bench.click(self.hwnd, *centre(corner))
        assert self.bench.wait_gone(self.hwnd, 15), "the wizard window stayed"

    def toggle(self, corner):
        self.bench.click(self.hwnd, *centre(corner))
        time.sleep(0.3)
        self.settle()

    def options_hash(self):
        """The two rows of option buttons on page 2."""
        return self.picture_hash(CREATE[1], FULL_SCREEN[1] + CHIP_H - CREATE[1], CREATE[0],
                                 DO_NOT_CREATE[0] + CHIP_W - CREATE[0])


VK_ESCAPE = 0x1B
SCREEN_W, SCREEN_H = 1024, 768


def dialog(bench, caption: str) -> dict:
    """Waits for the dialog and checks that it came up in the middle of the screen."""
    window = bench.wait_window(DIALOG_CLASS, caption)
    left, top, right, bottom = window["rect"]
    assert abs((SCREEN_W - (right - left)) // 2 - left) <= 1, window
    assert abs((SCREEN_H - (bottom - top)) // 2 - top) <= 1, window
    return window


def press_escape(bench, window: dict):
    bench.driver("foreground", window["hwnd"])
    bench.key(VK_ESCAPE)


def text_of(bench, hwnd: int, control_id: int) -> str:
    return bench.control(hwnd, control_id)["text"]


def wait_text(bench, hwnd: int, control_id: int, condition, what: str) -> str:
    return wait_until(lambda: (t := text_of(bench, hwnd, control_id)) is not None and condition(t) and t, 10, what)


def choose_in_browser(bench, browser: dict, tree_path: str, expected: str, mouse: bool = True) -> str:
    """Opens the tree along `tree_path` (by double clicks with `mouse`), selects its last
    item and waits for the path line to show `expected`."""
    hwnd = browser["hwnd"]
    bench.tree(hwnd, TREE, tree_path, mouse=mouse)
    # A double click still queued can select its item after the last step's selection:
    # once the clicks are through, select the last step again.
    time.sleep(0.5)
    bench.tree(hwnd, TREE, tree_path)
    return wait_text(bench, hwnd, PATH_LINE, lambda t: t == expected, f"the path line {expected}")


def accept_browser(bench, browser: dict):
    bench.press(browser["hwnd"], IDOK)
    assert bench.wait_gone(browser["hwnd"], 10), "the folder browser stayed open"


def open_instset(bench, package) -> tuple[Wizard, dict]:
    wizard = Wizard(bench, package)
    wizard.leave(CUSTOM_INSTALL)
    return wizard, dialog(bench, "インストール設定")


def required_sizes(header: dict) -> tuple[int, int]:
    kb = header["totalInstallSize"] >> 10
    return kb >> 10, kb


def test_wizard_pages_lead_to_the_confirmation_with_the_chosen_folder_and_options(bench, sample_package):
    (bench.drive_c / "WIZTEST" / "Inner").mkdir(parents=True)
    wizard = Wizard(bench, sample_package)
    assert wizard.client_size(wizard.hwnd) == (PICTURE_W, PICTURE_H)
    bench.screenshot("wizard-page0")

    wizard.turn_page(START_WIZARD)
    page1 = wizard.title_hash()
    bench.screenshot("wizard-page1")

    folder_box = wizard.picture_hash(110, 50)
    bench.click(wizard.hwnd, *centre(CHOOSE_FOLDER))
    browser = dialog(bench, "参照")
    choose_in_browser(bench, browser, "C:/WIZTEST/Inner", "C:\\WIZTEST\\Inner\\")
    bench.screenshot("wizard-folder-browser")
    accept_browser(bench, browser)
    # Still page 1, with the new folder in its box.
    wait_until(lambda: wizard.picture_hash(110, 50) != folder_box, 10, "the new folder text")
    # Read from the screen: the part the browser covered may take a moment to repaint.
    wait_until(lambda: wizard.title_hash() == page1, 5, "page 1 showing again")
    bench.screenshot("wizard-page1-chosen")

    wizard.turn_page(NEXT)
    bench.screenshot("wizard-page2")
    wizard.toggle(CREATE)        # the chosen "create" unchooses itself
    wizard.toggle(WINDOW)
    bench.screenshot("wizard-page2-changed")
    wizard.leave(NEXT)

    confirm = dialog(bench, "インストール情報確認")
    bench.screenshot("instmode")
    mb, kb = required_sizes(wizard.header)
    assert text_of(bench, confirm["hwnd"], FOLDER) == f"C:\\WIZTEST\\Inner\\{wizard.header['gameName']}\\"
    assert text_of(bench, confirm["hwnd"], SHORTCUT_TEXT) == "ショートカットを作成しない"
    assert text_of(bench, confirm["hwnd"], MODE_TEXT) == "ウィンドウ起動"
    assert text_of(bench, confirm["hwnd"], SIZE_LINE) == f"{grouped(mb)} MB ({grouped(kb)} KB)"
    assert "インストール開始" in text_of(bench, confirm["hwnd"], 1015)

    bench.press(confirm["hwnd"], IDCANCEL)
    assert bench.wait_gone(confirm["hwnd"]), "INSTMODE stayed after Cancel"
    wait_until(lambda: wizard.client_size(wizard.menu["hwnd"]) == wizard.menu_size, 10, "the menu's return")


def test_back_from_the_options_page_keeps_the_changes(bench, sample_package):
    wizard = Wizard(bench, sample_package)
    wizard.turn_page(START_WIZARD)
    wizard.turn_page(NEXT)
    defaults = wizard.options_hash()
    wizard.toggle(DO_NOT_CREATE)
    wizard.toggle(FULL_SCREEN)
    changed = wizard.options_hash()
    assert changed != defaults

    wizard.turn_page(BACK)
    wizard.turn_page(NEXT)
    assert wizard.options_hash() == changed

    # The new page shows "next" hovered under the resting cursor without a mouse move.
    hovered = wizard.picture_hash(NEXT[1], CHIP_H, NEXT[0], CHIP_W)
    bench.move(wizard.hwnd, 1, 1)
    wait_until(lambda: wizard.picture_hash(NEXT[1], CHIP_H, NEXT[0], CHIP_W) != hovered, 5, "the hover's end")
    wizard.leave(NEXT)

    confirm = dialog(bench, "インストール情報確認")
    assert text_of(bench, confirm["hwnd"], SHORTCUT_TEXT) == "ショートカットを作成しない"
    assert text_of(bench, confirm["hwnd"], MODE_TEXT) == "ウィンドウ起動"
    press_escape(bench, confirm)    # Esc cancels: back to the menu
    assert bench.wait_gone(confirm["hwnd"]), "INSTMODE stayed after Esc"
    wait_until(lambda: wizard.client_size(wizard.menu["hwnd"]) == wizard.menu_size, 10, "the menu's return")


def test_cancel_on_the_first_page_returns_to_the_menu_at_the_pictures_size(bench, sample_package):
    wizard = Wizard(bench, sample_package)
    page0 = wizard.title_hash()
    wizard.turn_page(START_WIZARD)
    # A release with no move before it presses the button under it too.
    wizard.turn_page(BACK, release_only=True)
    assert wizard.title_hash() == page0

    # The frame's close request is ignored.
    bench.close(wizard.hwnd)
    time.sleep(0.5)
    assert bench.info(wizard.hwnd) is not None

    wizard.leave(CANCEL)
    wait_until(lambda: wizard.client_size(wizard.menu["hwnd"]) == wizard.menu_size, 10, "the menu's return")
    assert bench.info(wizard.menu["hwnd"])["visible"]
    bench.screenshot("wizard-cancelled-menu")

    wizard.open()
    assert wizard.title_hash() == page0


def test_custom_install_shows_the_settings_dialog_with_grouped_sizes(bench, sample_package):
    wizard, settings = open_instset(bench, sample_package)
    bench.screenshot("instset")
    hwnd = settings["hwnd"]
    mb, _ = required_sizes(wizard.header)
    assert text_of(bench, hwnd, FOLDER) == "C:\\"
    line = text_of(bench, hwnd, SIZE_LINE)
    match = re.fullmatch(r"([\d,]+) MB / ([\d,]+) MB ", line)
    assert match, line
    assert match.group(1) == grouped(mb)
    assert re.fullmatch(r"\d{1,3}(,\d{3})*", match.group(2)), line
    assert bench.control(hwnd, IDOK)["enabled"]
    assert f"「{wizard.header['gameName']}」" in text_of(bench, hwnd, EXPLANATION)
    assert bench.control(hwnd, SHORTCUT_BOX)["checked"] == 1
    assert bench.control(hwnd, FULL_SCREEN_BOX)["checked"] == 1

    bench.check(hwnd, SHORTCUT_BOX, False)
    bench.press(hwnd, IDOK)
    confirm = dialog(bench, "インストール情報確認")
    assert text_of(bench, confirm["hwnd"], SHORTCUT_TEXT) == "ショートカットを作成しない"
    assert text_of(bench, confirm["hwnd"], MODE_TEXT) == "フルスクリーン起動"
    bench.press(confirm["hwnd"], IDCANCEL)
    wait_until(lambda: wizard.client_size(wizard.menu["hwnd"]) == wizard.menu_size, 10, "the menu's return")


# A host file system that reports no free blocks, reached from C:\FULLTEST through a
# symbolic link: the size line follows the chosen folder's own volume.
FULL_FOLDER = Path("/sys/kernel/mm")


def test_settings_dialog_refuses_a_folder_without_enough_space(bench, sample_package):
    if not FULL_FOLDER.is_dir():
        pytest.skip(f"no {FULL_FOLDER} to stand for a full volume")
    (bench.drive_c / "FULLTEST").symlink_to(FULL_FOLDER)
    _, settings = open_instset(bench, sample_package)
    hwnd = settings["hwnd"]

    bench.press(hwnd, BROWSE)
    browser = dialog(bench, "参照")
    choose_in_browser(bench, browser, "C:/FULLTEST", "C:\\FULLTEST\\")
    assert text_of(bench, browser["hwnd"], DRIVE_LINE) == "Drive [C]"
    accept_browser(bench, browser)

    line = wait_text(bench, hwnd, SIZE_LINE, lambda t: t.endswith(SHORTAGE_MARK), "the shortage mark")
    assert re.fullmatch(r"[\d,]+ MB / 0 MB  容量不足!", line), line
    assert text_of(bench, hwnd, FOLDER) == "C:\\FULLTEST\\"
    assert not bench.control(hwnd, IDOK)["enabled"]
    bench.screenshot("instset-short")
    # Enter's command does not get past the disabled button either.
    bench.press(hwnd, IDOK, command=True)
    time.sleep(0.5)
    assert bench.info(hwnd) is not None

    bench.press(hwnd, BROWSE)
    browser = dialog(bench, "参照")
    choose_in_browser(bench, browser, "C:", "C:\\")
    accept_browser(bench, browser)
    wait_text(bench, hwnd, SIZE_LINE, lambda t: not t.endswith(SHORTAGE_MARK), "the mark's removal")
    assert bench.control(hwnd, IDOK)["enabled"]
    bench.press(hwnd, IDCANCEL)


def test_folder_browser_lists_fixed_drives_and_visible_folders_only(bench, sample_package):
    base = bench.drive_c / "BROWSETEST"
    # "한글" has no cp932 form: it could not be stored as the base folder.
    for sub in ("Beta/Deep", "alpha", ".hidden/x", "OnlyHidden/.secret", "한글"):
        (base / sub).mkdir(parents=True)
    _, settings = open_instset(bench, sample_package)
    bench.press(settings["hwnd"], BROWSE)
    browser = dialog(bench, "参照")
    hwnd = browser["hwnd"]
    bench.screenshot("folder-browser")
    # Made after the opening: only the expansion's fresh reading can show it.
    (base / "Gamma").mkdir()

    roots = [i["text"] for i in bench.tree(hwnd, TREE) if i["depth"] == 0]
    assert roots == ["C:", "Z:"]     # the bench prefix's fixed drives
    assert text_of(bench, hwnd, PATH_LINE) == "C:\\"
    assert text_of(bench, hwnd, DRIVE_LINE) == "Drive [C]"
    assert re.fullmatch(r"約\d+[TGMK]Byte以上", text_of(bench, hwnd, FREE_SPACE))

    choose_in_browser(bench, browser, "C:/BROWSETEST/Beta", "C:\\BROWSETEST\\Beta\\")
    items = {i["path"]: i for i in bench.tree(hwnd, TREE)}
    children = [p.rsplit("/", 1)[1] for p in items if p.startswith("C:/BROWSETEST/") and p.count("/") == 2]
    assert children == ["alpha", "Beta", "Gamma", "OnlyHidden"]   # sorted, hidden and hangul left out
    assert not items["C:/BROWSETEST/OnlyHidden"]["children"]
    assert items["C:/BROWSETEST/Beta"]["children"]
    bench.screenshot("folder-browser-open")

    accept_browser(bench, browser)
    wait_text(bench, settings["hwnd"], FOLDER, lambda t: t == "C:\\BROWSETEST\\Beta\\", "the chosen folder")
    bench.press(settings["hwnd"], IDCANCEL)


def test_folder_browser_refuses_paths_over_128_characters(bench, sample_package):
    # C:\ + 60 + \ + 63 + \ is 128 characters with the trailing backslash; one more is too long.
    first = "L" * 60
    (bench.drive_c / first / ("M" * 63)).mkdir(parents=True)
    (bench.drive_c / first / ("N" * 64)).mkdir(parents=True)
    _, settings = open_instset(bench, sample_package)
    bench.press(settings["hwnd"], BROWSE)
    browser = dialog(bench, "参照")
    hwnd = browser["hwnd"]

    long_path = choose_in_browser(bench, browser, f"C:/{first}/{'N' * 64}", f"C:\\{first}\\{'N' * 64}\\")
    assert len(long_path) == 129
    bench.press(hwnd, IDOK)
    box = bench.answer_msgbox(TOO_LONG, "OK", screenshot="folder-browser-too-long")
    assert box["caption"] == "Error"
    assert bench.info(hwnd) is not None

    bench.set_text(hwnd, PATH_LINE, "")
    bench.press(hwnd, IDOK)
    assert bench.answer_msgbox(NO_PATH, "OK")["caption"] == "Error"

    exact = choose_in_browser(bench, browser, f"C:/{first}/{'M' * 63}", f"C:\\{first}\\{'M' * 63}\\")
    assert len(exact) == 128
    accept_browser(bench, browser)
    wait_text(bench, settings["hwnd"], FOLDER, lambda t: t == exact, "the 128-character folder")
    bench.press(settings["hwnd"], IDCANCEL)


def test_cancel_and_escape_leave_the_folder_and_end_the_dialogs(bench, sample_package):
    (bench.drive_c / "KEEPTEST").mkdir()
    wizard, settings = open_instset(bench, sample_package)
    bench.press(settings["hwnd"], BROWSE)
    browser = dialog(bench, "参照")
    choose_in_browser(bench, browser, "C:/KEEPTEST", "C:\\KEEPTEST\\")
    bench.press(browser["hwnd"], IDCANCEL)
    assert bench.wait_gone(browser["hwnd"], 10)
    assert text_of(bench, settings["hwnd"], FOLDER) == "C:\\"

    bench.press(settings["hwnd"], BROWSE)
    browser = dialog(bench, "参照")
    choose_in_browser(bench, browser, "C:/KEEPTEST", "C:\\KEEPTEST\\")
    press_escape(bench, browser)
    assert bench.wait_gone(browser["hwnd"], 10), "the browser stayed after Esc"
    assert text_of(bench, settings["hwnd"], FOLDER) == "C:\\"

    press_escape(bench, settings)
    assert bench.wait_gone(settings["hwnd"], 10), "INSTSET stayed after Esc"
    wait_until(lambda: wizard.client_size(wizard.menu["hwnd"]) == wizard.menu_size, 10, "the menu's return")


PICTURES = Path(__file__).resolve().parents[2] / "resources" / "pictures"


@pytest.mark.parametrize("resource, offset, value", [
    ("IDR_DATA01.bin", 0, b"XX"),                        # no Packed Picture tag
    ("IDR_DATA03.bin", 0, (1 << 30).to_bytes(4, "little")),  # more frames than bytes
], ids=["page-picture", "chip-sheet"])
def test_a_damaged_wizard_resource_fails_the_start(bench, sample_package, resource, offset, value):
    image = bench.setup_exe.read_bytes()
    stored = (PICTURES / resource).read_bytes()
    at = image.find(stored[:512])
    assert at > 0, f"{resource} not found in SetUp.exe"
    damaged = bench.drive_c / "e2e" / f"SetUp-{bench.preset}-{resource}.exe"
    damaged.write_bytes(image[:at + offset] + value + image[at + offset + len(value):])

    run = bench.start_setup(sample_package, exe=damaged)
    seen = []
    while not seen or "読み込みに失敗しました" not in seen[-1]["text"]:
        seen.append(bench.answer_msgbox("*", "OK"))
        # The next look must not find the box just answered on its way out.
        bench.wait_gone(seen[-1]["hwnd"], 10)
    assert seen[-1]["caption"] == "Error"
    run.wait(15)
    assert not bench.find_windows(WIZARD_CLASS)


def test_a_japanese_folder_name_reaches_the_confirmation_whole(bench, sample_package):
    (bench.drive_c / "ゲーム用フォルダ" / "テスト").mkdir(parents=True)
    wizard = Wizard(bench, sample_package)
    wizard.turn_page(START_WIZARD)
    bench.click(wizard.hwnd, *centre(CHOOSE_FOLDER))
    browser = dialog(bench, "参照")
    choose_in_browser(bench, browser, "C:/ゲーム用フォルダ/テスト", "C:\\ゲーム用フォルダ\\テスト\\")
    accept_browser(bench, browser)
    time.sleep(1)
    # 27 bytes in cp932: shown cut before the character that would cross byte 18.
    bench.screenshot("wizard-page1-japanese")
    wizard.turn_page(NEXT)
    wizard.leave(NEXT)
    confirm = dialog(bench, "インストール情報確認")
    assert text_of(bench, confirm["hwnd"], FOLDER) == f"C:\\ゲーム用フォルダ\\テスト\\{wizard.header['gameName']}\\"
    bench.press(confirm["hwnd"], IDCANCEL)


def test_a_click_during_the_press_animation_is_ignored(bench, sample_package):
    wizard = Wizard(bench, sample_package)
    page0 = wizard.title_hash()
    wizard.turn_page(START_WIZARD)
    page1 = wizard.title_hash()

    bench.click(wizard.hwnd, *centre(NEXT))
    bench.click(wizard.hwnd, *centre(BACK))     # lands inside the 600 ms animation
    wait_until(lambda: wizard.title_hash() not in (page0, page1), 10, "page 2")
    time.sleep(1)
    assert wizard.title_hash() not in (page0, page1)
    wizard.leave(NEXT)
    confirm = dialog(bench, "インストール情報確認")
    bench.press(confirm["hwnd"], IDCANCEL)
