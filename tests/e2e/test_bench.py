"""The bench's own checks: the sample game, real and posted input, message boxes."""

import struct
import time

import pytest

from bench import IDNO, IDYES


def settings_record(full_screen: int) -> bytes:
    record = bytearray(196)
    record[0:12] = "ＭＳゴシック".encode("cp932")
    record[64:72] = b"save.sav"
    struct.pack_into("<i", record, 156, full_screen)
    return bytes(record)


@pytest.mark.parametrize("where, full_screen, mode, caption", [
    ("cwd", 1, "fullscreen", "フルスクリーン"),
    ("cwd", 0, "window", "ウィンドウ"),
    ("own", 1, "fullscreen", "フルスクリーン"),
    (None, None, "none", "env.dat なし"),
])
def test_sample_game_shows_title_and_mode_and_logs_its_start(bench, where, full_screen, mode, caption):
    game_folder = bench.drive_c / "GAMETEST"
    work_folder = bench.drive_c / "WORKTEST"
    work_folder.mkdir()
    game = bench.install_game_files(game_folder)
    if where == "cwd":
        (work_folder / "env.dat").write_bytes(settings_record(full_screen))
    elif where == "own":
        (game_folder / "env.dat").write_bytes(settings_record(full_screen))

    run = bench.start(game, "SAMPLE", "Sample", "ゲーム", cwd=work_folder, env={"TOLMAR_GAME_AUTOCLOSE": "3000"})
    window = bench.wait_window("TolmarSampleGame", "Sample ゲーム")
    assert window["caption"] == f"Sample ゲーム - {caption}"
    bench.screenshot(f"game-{mode}")
    assert run.wait(15) == 0

    [line] = bench.game_log(game_folder)
    assert line["name"] == "SAMPLE"
    assert line["title"] == "Sample ゲーム"
    assert line["mode"] == mode
    assert line["cwd"] == "C:\\WORKTEST"
    assert line["cmdline"].endswith("SAMPLE Sample ゲーム")


@pytest.mark.parametrize("post", [False, True], ids=["real-input", "posted"])
def test_clicks_reach_the_window_at_client_coordinates(bench, post):
    bench.start(bench.drive_c / "e2e" / bench.preset / "e2e-driver.exe", "probe", "probe-window")
    window = bench.wait_window("E2EProbe")
    assert bench.client(window["hwnd"])["width"] == 200
    bench.click(window["hwnd"], 37, 21, post=post)
    caption = "probe-window"
    for _ in range(50):
        caption = bench.info(window["hwnd"])["caption"]
        if caption != "probe-window":
            break
        time.sleep(0.1)
    assert caption == "click 37 21"


@pytest.mark.parametrize("button, answer", [("YES", IDYES), ("NO", IDNO)])
def test_answer_presses_the_message_box_button(bench, button, answer):
    run = bench.start(bench.drive_c / "e2e" / bench.preset / "e2e-driver.exe", "showbox", "起動メニュー",
                      "テスト はインストールされています。　起動しますか？")
    box = bench.answer_msgbox("インストールされています", button)
    assert box["caption"] == "起動メニュー"
    assert [b["id"] for b in box["buttons"]] == [IDYES, IDNO]
    assert run.wait(10) == 0
