"""The harness itself: sessions clean up after themselves, the driver reads and writes Unicode
and ANSI text, the locale gives code page 932, and the X11 drag source really drops."""

import os
import subprocess

import pytest

from conftest import require
from harness import paths
from harness.wine import WineSession

WM_SETTEXT = 0x000C
JAPANESE = "ＩＮＩファイルを選択、又はドロップして下さい。"


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except FileNotFoundError:
        return False


@pytest.fixture(scope="module")
def target(wine, tmp_path_factory):
    """The drop target program, with its standard output in a file."""
    out = tmp_path_factory.mktemp("drop") / "drops.txt"
    proc = wine.start(require(paths.win32_exe("droptarget.exe")), stdout=out)
    hwnd = proc.find(cls="KeltropDropTarget")
    edit = wine.driver.children(hwnd)[0]["hwnd"]
    yield proc, hwnd, edit, out
    proc.stop()


@pytest.mark.parametrize("fail", [False, True], ids=["normal-exit", "exception"])
def test_session_stops_everything_it_started(fail):
    require(paths.win32_exe("uidriver.exe"))
    pids = []
    with pytest.raises(RuntimeError) if fail else open(os.devnull):
        with WineSession() as w:
            w.driver.acp()
            pids = [w._xvfb.pid, w._server.pid, w.driver.proc.pid]
            tmpdir = w.tmpdir
            if fail:
                raise RuntimeError("test body failed")
    assert pids and not [p for p in pids if alive(p)]
    assert not tmpdir.exists()


def test_sessions_are_isolated():
    require(paths.win32_exe("uidriver.exe"))
    with WineSession() as a, WineSession() as b:
        assert a.env["DISPLAY"] != b.env["DISPLAY"]
        assert a.prefix != b.prefix
        proc = a.start(paths.win32_exe("droptarget.exe"))
        proc.find(cls="KeltropDropTarget")
        with pytest.raises(Exception, match="no such window"):
            b.driver.find(cls="KeltropDropTarget", timeout=300)


@pytest.mark.parametrize("session, acp", [("wine", 1252), ("wine_ja", 932)])
def test_code_page(request, session, acp):
    assert request.getfixturevalue(session).driver.acp() == acp


def test_unicode_and_ansi_text_round_trip(wine_ja):
    proc = wine_ja.start(require(paths.win32_exe("droptarget.exe")))
    hwnd = proc.find(cls="KeltropDropTarget")
    edit = wine_ja.driver.children(hwnd)[0]["hwnd"]
    d = wine_ja.driver
    d.set_text(edit, JAPANESE)
    assert d.text(edit) == JAPANESE
    ansi = d.call("gettext", hwnd=edit, ansi=True)
    assert bytes.fromhex(ansi["hex"]) == JAPANESE.encode("cp932")
    d.call("settext", hwnd=edit, ansi=True, hex="834c838b".upper())  # "キル" in code page 932
    assert d.text(edit) == "キル"
    proc.stop()


def test_driver_reports_errors_and_keeps_serving(wine):
    d = wine.driver
    for bad in [{"cmd": "nosuch"}, {"cmd": "gettext", "hwnd": 1}, {"cmd": "find", "class": "NoSuchClass", "timeout": 0}]:
        with pytest.raises(Exception) as err:
            d.call(**bad)
        assert "ok" not in str(err.value)
    d.proc.stdin.write(b"{not json\n")
    d.proc.stdin.flush()
    assert "bad request" in d._readline(10)
    assert d.call("ping")["pid"] == d.pid


def test_program_without_version_resource(wine):
    info = wine.driver.version(wine.winpath(paths.win32_exe("droptarget.exe")))
    assert info["present"] is False


# --- X11 drag source -------------------------------------------------------------------------

def xdnd(wine, *args):
    tool = require(paths.native_tool("xdnd-drop"))
    return wine.x(tool, "-t", "5", *args, check=False)


def drop_point(wine, hwnd, child=False):
    info = wine.driver.info(hwnd)
    x, y, w, h = info["rect"]
    if child:  # inside the edit box that covers most of the client area
        return x + 60, y + 60
    return x + w - 15, y + h - 15


LONG = "d" * 200 + "/" + "e" * 80 + "/" + "f" * 20 + ".ini"


@pytest.mark.parametrize("names, on_child", [
    (["one.ini"], False),
    (["with blank.ini", "100%.ini", "日本語.ini"], False),
    (["child.ini"], True),
    ([LONG], False),
], ids=["one-file", "three-special", "onto-child", "long-path"])
def test_drop_arrives_as_wm_dropfiles(wine, target, tmp_path, names, on_child):
    proc, hwnd, edit, out = target
    files = []
    for name in names:
        f = tmp_path / name
        f.parent.mkdir(parents=True, exist_ok=True)
        f.write_text("[s]\n")
        files.append(f)
    before = out.read_bytes() if out.exists() else b""
    x, y = drop_point(wine, hwnd, child=on_child)
    result = xdnd(wine, x, y, *files)
    assert result.returncode == 0, result.stderr
    expected = "|".join(wine.winpath(f) for f in files)
    line = wine.driver.text(edit)
    count, _, _, got = line.split(" ", 4)[1:]
    assert (int(count), got) == (len(files), expected)
    assert len(out.read_bytes()) > len(before)


@pytest.mark.parametrize("args, code, message", [
    ([], 1, "usage"),
    (["x", "10", "f.ini"], 1, "usage"),
    (["1", "1", "f.ini"], 2, "no drop-aware window"),
])
def test_drop_tool_errors(wine, args, code, message):
    result = xdnd(wine, *args)
    assert result.returncode == code
    assert message in result.stderr.decode()


def test_drop_refused_by_window_that_takes_no_files(wine, tmp_path):
    proc = wine.start(require(paths.win32_exe("floorwin.exe")))
    hwnd = proc.find(cls="FloorWin")
    try:
        f = tmp_path / "refused.ini"
        f.write_text("")
        result = xdnd(wine, *drop_point(wine, hwnd), f)
        assert result.returncode == 3, result.stderr
    finally:
        proc.stop()


def test_drop_tool_without_display(tmp_path):
    tool = require(paths.native_tool("xdnd-drop"))
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    result = subprocess.run([tool, "1", "1", tmp_path], env=env, capture_output=True)
    assert result.returncode == 2
