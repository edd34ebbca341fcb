"""Where the build puts things. CTest passes them in; the defaults serve a plain pytest run."""

import os
from pathlib import Path

REPO = Path(__file__).resolve().parents[3]


def _dir(var, default):
    return Path(os.environ.get(var) or default)


def win32_bin():
    return _dir("KELTROP_WIN32_BIN", REPO / "build/win32/bin")


def native_bin():
    return _dir("KELTROP_NATIVE_BIN", REPO / "build/native/bin")


def prefix_template():
    return _dir("KELTROP_WINE_PREFIX_TEMPLATE", REPO / "build/native/wineprefix")


def locale_dir():
    return _dir("KELTROP_LOCALE_DIR", REPO / "build/native/locale")


def artifacts():
    path = _dir("KELTROP_ARTIFACTS", REPO / "build/native/e2e-artifacts")
    path.mkdir(parents=True, exist_ok=True)
    return path


def win32_exe(name):
    return win32_bin() / name


def native_tool(name):
    return native_bin() / name
