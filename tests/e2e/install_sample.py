"""Installs the sample Install Package under Wine through its user interface, as a user
would: the package itself started with its own path, menu -> install button -> wizard
(introduction, folder, options, all defaults) -> confirmation -> copy -> the finish
question answered Yes, which starts the game through the new Start-menu shortcut.

Leaves a screenshot of every screen in build/e2e/screens/install-sample-*.png, checks
what the installation made, prints one line per step, and exits 0 when all is there.

    python3 tests/e2e/install_sample.py [--locale ja|en] [--package PATH]
"""

import argparse
import os
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import bench as wine_bench  # noqa: E402
from bench import DIALOG_CLASS, IDOK, MAIN_CLASS, WIZARD_CLASS, BenchError  # noqa: E402

CHIP_W, CHIP_H = 112, 32
WIZARD_START, WIZARD_NEXT = (24, 256), (264, 256)
CONFIRM_CAPTION = "インストール情報確認"
FINISH_QUESTION = "インストールが終了しました"
GAME_CLASS = "TolmarSampleGame"


def centre(corner):
    return corner[0] + CHIP_W // 2, corner[1] + CHIP_H // 2


class Steps:
    def __init__(self, bench):
        self.bench = bench
        self.count = 0
        self.failed = []

    def shot(self, name):
        self.count += 1
        path = self.bench.screenshot(f"install-sample-{self.count:02d}-{name}")
        print(f"  screenshot {path.relative_to(wine_bench.ROOT)}")

    def check(self, ok, what):
        print(f"{'ok  ' if ok else 'FAIL'} {what}")
        if not ok:
            self.failed.append(what)


def settle(bench, hwnd, before, timeout=15.0):
    """Waits until the window's picture changed from `before` and holds still."""
    size = bench.client(hwnd)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if bench.info(hwnd) is None:
            return
        first = bench.pixels(hwnd, 0, 0, size["width"], size["height"])["hash"]
        time.sleep(0.3)
        if first != before and first == bench.pixels(hwnd, 0, 0, size["width"], size["height"])["hash"]:
            return
    raise BenchError("the wizard page did not change")


def click_wizard(bench, wizard, corner):
    hwnd = wizard["hwnd"]
    size = bench.client(hwnd)
    before = bench.pixels(hwnd, 0, 0, size["width"], size["height"])["hash"]
    bench.click(hwnd, *centre(corner))
    settle(bench, hwnd, before)


def install(bench, package: Path, steps: Steps):
    header = bench.package_header(package)
    name, title = header["gameName"], header["gameTitle"]
    print(f"installing {package.name}: {name} / {title}")
    run = bench.start_setup(package, exe=package)

    try:
        bench.wait_window(DIALOG_CLASS, "SetUp", timeout=3)
        steps.shot("splash")
    except BenchError:
        print("  (the splash was gone before its screenshot)")

    menu = bench.wait_window(MAIN_CLASS, "*", visible_client=True, timeout=30)
    steps.check(True, "the menu is shown")
    steps.shot("menu")
    bench.move(menu["hwnd"], *centre(header["installButton"]))
    time.sleep(0.5)
    steps.shot("menu-hover")
    bench.click(menu["hwnd"], *centre(header["installButton"]))

    wizard = bench.wait_window(WIZARD_CLASS, "*", visible_client=True)
    time.sleep(0.3)
    steps.shot("wizard-introduction")
    click_wizard(bench, wizard, WIZARD_START)
    steps.shot("wizard-folder")
    click_wizard(bench, wizard, WIZARD_NEXT)
    steps.shot("wizard-options")
    bench.click(wizard["hwnd"], *centre(WIZARD_NEXT))

    confirm = bench.wait_window(DIALOG_CLASS, CONFIRM_CAPTION)
    steps.shot("confirmation")
    bench.press(confirm["hwnd"], IDOK)

    box = bench.wait_msgbox(FINISH_QUESTION, timeout=120)
    steps.shot("finish-question")
    steps.check(box["caption"] == "Install", "the finish question is asked")
    bench.answer_msgbox(FINISH_QUESTION, "YES")

    ini = bench.read_registry_ini() or {}
    folder_w = ini.get(name, {}).get("InstDIR", "")
    steps.check(folder_w.endswith(f"{name}\\"), f"TolmarInstall.INI records {folder_w!r}")
    folder = bench.unix_path(folder_w) if folder_w else bench.drive_c / name
    try:
        game = bench.wait_window(GAME_CLASS, "*", timeout=20)
        steps.shot("game")
        steps.check(title in game["caption"], f"the game shows {game['caption']!r}")
    except BenchError:
        steps.check(False, "the game window appears")
    log = bench.game_log(folder)
    steps.check(bool(log) and log[0].get("name") == name and log[0].get("title") == title,
                f"the game started with {name} and the title: {log[:1]}")
    for file in ["Tolmar.exe", f"{name}.idf", "SetUp.exe", "env.dat"]:
        steps.check((folder / file).is_file(), f"{folder_w}{file} exists")
    env = folder / "env.dat"
    steps.check(env.is_file() and env.stat().st_size == 196, "env.dat holds 196 bytes")
    menu_folder = bench.special_folders()["common_programs"] / title
    for lnk in [f"{title}の起動.lnk", "アンインストール.lnk"]:
        steps.check((menu_folder / lnk).is_file(), f"Start menu: {title}\\{lnk}")
    run.wait(30)
    steps.check(True, "SetUp ended")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--locale", default="ja", choices=sorted(wine_bench.LOCALES))
    parser.add_argument("--package", type=Path, default=wine_bench.sample_package_path())
    args = parser.parse_args()
    if not args.package.is_file():
        print(f"install-sample: no package {args.package}", file=sys.stderr)
        return 1

    session = wine_bench.WineSession(args.locale, wine_bench.ensure_template())
    bench = wine_bench.Bench(session, "win32", "install-sample")
    steps = Steps(bench)
    try:
        bench.reset()
        package = bench.drive_c / "e2e" / args.package.name
        package.write_bytes(args.package.read_bytes())
        install(bench, package, steps)
    except BenchError as error:
        steps.check(False, str(error))
        steps.shot("failure")
    finally:
        # With TOLMAR_E2E_KEEP=1 the prefix stays, installation included, for a look inside.
        if os.environ.get("TOLMAR_E2E_KEEP") != "1":
            bench.reset()
        else:
            print(f"install-sample: prefix kept in {session.prefix}")
        session.close()
    if steps.failed:
        print(f"install-sample: {len(steps.failed)} check(s) failed", file=sys.stderr)
        return 1
    print("install-sample: installed, started and checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
