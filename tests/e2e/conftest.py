"""Fixtures of the Wine bench (see bench.py): `bench` runs each test once per preset
(win32, win64) and locale (ja, en), sharing one prefix and display per locale."""

import os
import re
import shutil

import pytest

import bench as wine_bench


def missing(reason: str):
    """A program or package that is not built: a skip, or a failure under tests/e2e/run
    (TOLMAR_E2E_REQUIRE=1), where everything must have been built."""
    if os.environ.get("TOLMAR_E2E_REQUIRE") == "1":
        pytest.fail(reason, pytrace=False)
    pytest.skip(reason)


def _remove_stale_prefixes():
    """Prefixes left by earlier runs that were killed before their clean-up."""
    folder = wine_bench.E2E_DIR / "prefixes"
    if not folder.is_dir():
        return
    for entry in folder.iterdir():
        match = re.search(r"-(\d+)$", entry.name)
        if not match:
            continue
        pid = int(match.group(1))
        try:
            os.kill(pid, 0)
            alive = True
        except OSError:
            alive = False
        if not alive:
            shutil.rmtree(entry, ignore_errors=True)


@pytest.fixture(scope="session")
def wine_template():
    _remove_stale_prefixes()
    return wine_bench.ensure_template()


@pytest.fixture(scope="session", params=wine_bench.selected("TOLMAR_E2E_LOCALES", wine_bench.LOCALES))
def wine_session(request, wine_template):
    session = wine_bench.WineSession(request.param, wine_template)
    yield session
    session.close()


@pytest.fixture(params=wine_bench.selected("TOLMAR_E2E_PRESETS", wine_bench.PRESETS))
def bench(request, wine_session):
    preset = request.param
    if not (wine_bench.build_dir(preset) / "e2e-driver.exe").exists():
        missing(f"{preset} is not built ({wine_bench.build_dir(preset)})")
    b = wine_bench.Bench(wine_session, preset, request.node.name)
    b.reset()
    yield b
    b.reset()


@pytest.fixture
def setup_exe(bench):
    """Skips the test when this preset has no SetUp.exe yet."""
    if not bench.setup_exe.exists():
        missing(f"no SetUp.exe in {wine_bench.build_dir(bench.preset)}")
    return bench.setup_exe


@pytest.fixture
def sample_package(bench):
    """The sample Install Package in the prefix; skips when it has not been made."""
    if not wine_bench.sample_package_path().exists():
        missing(f"no sample package {wine_bench.sample_package_path()}")
    return bench.sample_package()
