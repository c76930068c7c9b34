"""Crash safety and a full disk under Wine: SetUp.exe stopped dead (TerminateProcess) while it
copies, then the install engine's removal over what it left; and an install whose game folder
lies on a small filesystem that fills up during the copy. Both run once (win32, ja): they
need a large package and are about the engine's files, not about the locale."""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

from bench import BUILD, DIALOG_CLASS, MAIN_CLASS
from conftest import missing
from test_install import Installed, confirm_install, large_package_source, wait_until  # noqa: F401 (fixture)

DISK_FULL = "ディスクの空き容量が足りないため、ファイルが作成できませんでした"


@pytest.fixture
def once(bench):
    if (bench.preset, bench.locale) != ("win32", "ja"):
        pytest.skip("runs once, for win32 in the ja locale")
    return bench


@pytest.fixture
def engine_cli():
    path = Path(os.environ.get("TOLMAR_ENGINE_CLI", BUILD / "native" / "tests" / "unit" / "install" / "engine_cli"))
    if not path.exists():
        missing(f"{path} is not built")
    return path


def listed_names(record: Path) -> list[str]:
    if not record.exists():
        return []
    return [n.decode("cp932") for n in record.read_bytes().split(b"\0")[:-1]]


@pytest.fixture
def large_package(once, setup_exe, large_package_source):
    package = once.drive_c / "e2e" / large_package_source.name
    shutil.copy2(large_package_source, package)
    yield package
    package.unlink(missing_ok=True)


def test_setup_killed_during_the_copy_leaves_what_the_removal_cleans(once, large_package, engine_cli):
    bench = once
    header = confirm_install(bench, large_package)
    got = Installed(bench, header)
    copying = bench.wait_window(DIALOG_CLASS, "インストール中", timeout=30)
    large_file = f"C:\\{got.name}\\data\\large.dat"
    wait_until(lambda: bench.control(copying["hwnd"], 1016)["text"] == large_file, 60, "the copy of large.dat")
    _, processes = bench.driver("processes")
    [setup] = [p["pid"] for p in processes if p["exe"].lower() == "setup.exe"]
    bench.driver("kill", setup)
    assert bench.wait_gone(copying["hwnd"], 15)

    # Killed in the copy: the registry was not touched, the journal tells what to undo.
    ini = bench.read_registry_ini()
    assert ini is None or not ini.get(got.name, {}).get("InstDIR")
    assert (got.folder / f"{got.name}.idj").exists()
    listed = listed_names(got.folder / f"{got.name}.idf")
    assert "data\\large.dat" in listed
    assert (got.folder / "data" / "large.dat").exists()

    args = [engine_cli, "remove", f"{got.folder}/", got.name, got.title, bench.registry_ini_path,
            "--desktop", got.desktop, "--programs", f"{got.programs}/"]
    subprocess.run([str(a).encode("cp932") for a in args], check=True, timeout=60)

    for name in listed:
        assert not (got.folder / name.replace("\\", "/")).exists(), name
    assert not got.folder.exists()
    assert not got.menu_folder.exists()
    assert not (got.desktop / got.launch).exists()
    ini = bench.read_registry_ini()
    assert ini is None or not ini.get(got.name, {}).get("InstDIR")


def test_a_disk_that_fills_during_the_copy_rolls_back_with_a_message(once, large_package):
    bench = once
    package = large_package
    name = bench.package_header(package)["gameName"]
    # The game folder C:\<name> is the root of an 8 MB filesystem: the free-space check sees
    # drive C:, the copy meets the small one.
    folder = bench.drive_c / name
    folder.mkdir()
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8m", "tmpfs", str(folder)],
                      stderr=subprocess.DEVNULL).returncode != 0:
        folder.rmdir()
        pytest.skip("cannot mount a tmpfs here (needs root)")
    try:
        header = confirm_install(bench, package)
        got = Installed(bench, header)
        box = bench.answer_msgbox(DISK_FULL, "OK", timeout=120, screenshot="install-disk-full")
        assert box["caption"] == "Install"
        bench.answer_msgbox("キャンセルしました", "OK", timeout=60)
        bench.wait_window(MAIN_CLASS, "*", visible_client=True)

        assert list(folder.iterdir()) == [], "the rollback leaves the game folder as it was: empty"
        assert not (got.desktop / got.launch).exists()
        assert not got.menu_folder.exists()
        ini = bench.read_registry_ini()
        assert ini is None or not ini.get(got.name, {}).get("InstDIR")
    finally:
        bench.reset()
        subprocess.run(["umount", "-l", str(folder)], check=False)
        folder.rmdir()
