"""Running the generator from the window: the stand-in generator beside the front end records
what it was given and prints what each case asks for; Memo1 is read back byte for byte."""

import json
import time

import pytest

from conftest import require
from fakegen.frontend import FILE_TYPE_PIPE, FrontEnd, pattern
from harness import paths

MIB = 1024 * 1024


def hexof(data):
    return data.hex() if isinstance(data, bytes) else data.encode("cp1252").hex()


@pytest.fixture(scope="module")
def frontend(wine, tmp_path_factory):
    require(paths.win32_exe("keltrop_frontend.exe"))
    require(paths.win32_exe("fakegen.exe"))
    fe = FrontEnd(wine, tmp_path_factory.mktemp("run") / "app")
    yield fe
    fe.close()


@pytest.fixture
def fe(frontend):
    """The shared window with Memo1 holding stale text, so that each run must replace it."""
    frontend.records()
    frontend.script()
    frontend.driver.set_text(frontend.memo1, "stale")
    yield frontend
    assert frontend.dialogs() == []


def only_record(fe):
    records = fe.records()
    assert len(records) == 1, records
    return records[0]


def arguments(record):
    return [bytes.fromhex(a) for a in record["argv"][1:]]


def wide_arguments(record):
    return [bytes.fromhex(a).decode("utf-16-le") for a in record["argv_w"][1:]]


# What EditPath holds, and the command line after "keltrop.exe " when it is not simply the text
# in quotes.
COMMAND_LINES = [
    ("plain", r"C:\work\app.ini", None),
    ("empty", "", None),
    ("blanks", r"C:\my work\set tings.ini", None),
    ("outer-blanks", r"  C:\a.ini ", None),
    ("unc", r"\\server\share\dir\a.ini", None),
    ("inner-backslash-runs", r"C:\a\\b\\\c.ini", None),
    ("code-page-bytes", "C:\\café\\Übersicht.ini", None),
    ("drive-root", "D:\\", r'"D:\\"'),
    ("trailing-backslash", "C:\\my dir\\", r'"C:\my dir\\"'),
    ("trailing-backslashes", "C:\\dir\\\\\\", r'"C:\dir\\\\\\"'),
    ("quote", 'a"b.ini', r'"a\"b.ini"'),
    ("backslash-before-quote", 'C:\\x\\"y', r'"C:\x\\\"y"'),
    ("quote-at-end", 'C:\\x"', r'"C:\x\""'),
]


@pytest.mark.parametrize("path, quoted", [c[1:] for c in COMMAND_LINES],
                         ids=[c[0] for c in COMMAND_LINES])
def test_generator_gets_the_path_as_one_argument(fe, path, quoted):
    fe.script("record")
    fe.set_path(path)
    fe.click()
    record = only_record(fe)
    expected = quoted if quoted is not None else '"' + path + '"'
    assert bytes.fromhex(record["cmdline"]) == b"keltrop.exe " + expected.encode("cp1252")
    assert arguments(record) == [path.encode("cp1252")]
    assert wide_arguments(record) == [path]
    # The generator starts in the front end's folder, not where the front end was started.
    assert bytes.fromhex(record["cwd"]).decode("cp1252").lower() == fe.winpath().lower()


# In code page 932 the second byte of 表 and ソ is 0x5C, the backslash byte.
CP932_PATHS = [
    ("trail-byte-at-end", "C:\\データ\\表", '"C:\\データ\\表"'),
    ("trail-byte-inside", "C:\\ソフト\\設定.ini", '"C:\\ソフト\\設定.ini"'),
    ("trail-byte-then-backslash", "C:\\表\\", '"C:\\表\\\\"'),
    ("trail-byte-then-quote", 'C:\\ソ"', '"C:\\ソ\\""'),
]


@pytest.fixture(scope="module")
def frontend_ja(wine_ja, tmp_path_factory):
    require(paths.win32_exe("keltrop_frontend.exe"))
    require(paths.win32_exe("fakegen.exe"))
    fe = FrontEnd(wine_ja, tmp_path_factory.mktemp("run-ja") / "app")
    yield fe
    fe.close()


@pytest.mark.parametrize("path, quoted", [c[1:] for c in CP932_PATHS],
                         ids=[c[0] for c in CP932_PATHS])
def test_double_byte_path_reaches_the_generator_intact(frontend_ja, path, quoted):
    fe = frontend_ja
    fe.records()
    fe.script("record")
    fe.set_path(path)
    fe.click()
    record = only_record(fe)
    assert bytes.fromhex(record["cmdline"]) == b"keltrop.exe " + quoted.encode("cp932")
    assert wide_arguments(record) == [path]


OUTPUTS = [
    ("text", ["hex " + hexof("keltrop 1.6\r\nwrote app.h\r\n")], b"keltrop 1.6\r\nwrote app.h\r\n"),
    ("code-page-bytes", ["hex " + hexof("caf\xe9 \xfc\xdf\r\n")], "caf\xe9 \xfc\xdf\r\n".encode(
        "latin-1")),
    ("exactly-1023", ["out 1023"], pattern(1023)),
    ("1024-shows-1023", ["out 1024"], pattern(1023)),
    ("more-than-the-pipe-holds", ["out 300000"], pattern(1023)),
    ("zero-byte-cuts", ["hex " + hexof(b"abc\0def")], b"abc"),
    ("zero-byte-first", ["hex " + hexof(b"\0abc")], b""),
    ("zero-byte-after-1023", ["out 1023", "hex 00", "hex " + hexof(b"tail")], pattern(1023)),
    ("zero-byte-at-1022", ["out 1022", "hex 00", "out 5000"], pattern(1022)),
    ("nothing", [], b""),
    ("split-writes-all-kept", ["hex " + hexof(b"first,"), "sleep 300", "hex " + hexof(b"second")],
     b"first,second"),
    ("stderr-only", ["err " + hexof(b"error: no such file\r\n")], b""),
    ("stderr-not-mixed-in", ["err " + hexof(b"E"), "hex " + hexof(b"O"), "err " + hexof(b"E")],
     b"O"),
    ("non-zero-exit", ["hex " + hexof(b"failed\r\n"), "exit 3"], b"failed\r\n"),
    ("64-mib", [f"out {64 * MIB}"], pattern(1023)),
]


@pytest.mark.parametrize("actions, shown", [c[1:] for c in OUTPUTS], ids=[c[0] for c in OUTPUTS])
def test_memo_shows_the_first_bytes_of_stdout(fe, actions, shown):
    fe.script(*actions)
    fe.set_path(r"C:\work\app.ini")
    fe.click(timeout=60000)
    assert fe.memo_bytes() == shown


def test_crash_shows_what_was_printed_and_no_dialog(fe):
    fe.script("hex " + hexof(b"before the crash\r\n"), "crash")
    fe.click(timeout=30000)
    # The crash report of Wine's debugger may follow on the same stdout.
    assert fe.memo_bytes().startswith(b"before the crash\r\n")
    assert fe.dialogs() == []


def test_run_ends_only_after_the_generator_has_ended(fe):
    fe.script("sleep 1000", "hex " + hexof(b"done"))
    elapsed = fe.click()
    assert elapsed >= 1000
    assert fe.memo_bytes() == b"done"


@pytest.mark.parametrize("kind", ["descendant", "flood"], ids=["silent", "writing"])
def test_descendant_holding_stdout_does_not_block(fe, kind):
    # The descendant keeps the pipe's write end for 20 s: silent, or writing all the time.
    pidfile = fe.folder / "descendant.pid"
    pidfile.unlink(missing_ok=True)
    fe.script("hex " + hexof(b"generator done"), f"{kind} 20000", "sleep 300")
    start = time.monotonic()
    try:
        elapsed = fe.click(timeout=30000)
        assert fe.memo_bytes().startswith(b"generator done")
        descendant = int(pidfile.read_text())
        reply = fe.driver.call("wait_exit", pid=descendant, timeout=0)
        assert not reply["exited"], "the descendant ended early: the case proves nothing"
        assert elapsed < 8000, f"the click took {elapsed:.0f} ms, near the descendant's 20 s"
    finally:
        if pidfile.exists():
            fe.driver.call("kill", pid=int(pidfile.read_text()))
    assert time.monotonic() - start < 15


def test_generator_gets_only_stdout_and_not_the_read_end(fe):
    fe.script("record")
    fe.click()
    record = only_record(fe)
    assert record["stdout"]["type"] == FILE_TYPE_PIPE
    for name in ("stdin", "stderr"):
        assert record[name]["type"] != FILE_TYPE_PIPE, record
        assert record[name]["value"] != record["stdout"]["value"], record
    # Any other pipe handle in the generator was inherited from the front end: its read end.
    assert record["foreign_pipes"] == [], record


def test_handle_scan_sees_a_leaked_read_end(frontend, wine):
    # Control for the case above: a parent that makes its read end inheritable is caught.
    result = wine.run([frontend.folder / "keltrop.exe", "--leaky-parent"], cwd=frontend.folder)
    assert result.returncode == 0, result
    record = json.loads(result.stdout.decode())
    assert record["stdout"]["type"] == FILE_TYPE_PIPE
    assert len(record["foreign_pipes"]) == 1, record


def test_relative_path_is_resolved_from_the_front_end_folder(fe):
    (fe.folder / "sub").mkdir(exist_ok=True)
    (fe.folder / "sub" / "rel.ini").write_bytes(b"[from the front end's folder]\r\n")
    fe.script("cat")
    fe.set_path(r"sub\rel.ini")
    fe.click()
    assert fe.memo_bytes() == b"[from the front end's folder]\r\n"


def test_two_clicks_run_twice_each_replacing_the_last(fe):
    shown = []
    for text in (b"first run, longer text\r\n", b"second\r\n"):
        fe.script("record", "hex " + hexof(text))
        fe.click()
        shown.append(fe.memo_bytes())
    assert shown == [b"first run, longer text\r\n", b"second\r\n"]
    first, second = fe.records()
    assert first["pid"] != second["pid"]


@pytest.mark.parametrize("generator", ["fakegen.exe", None], ids=["prints-nothing", "missing"])
def test_first_run_empties_the_initial_text(wine, tmp_path, generator):
    require(paths.win32_exe("keltrop_frontend.exe"))
    require(paths.win32_exe("fakegen.exe"))
    fe = FrontEnd(wine, tmp_path / "app", generator=generator)
    try:
        assert fe.memo_bytes() == b"output"
        fe.set_path(r"C:\work\app.ini")
        fe.click()
        assert fe.memo_bytes() == b""
        assert fe.dialogs() == []
        # Still answering after the run: another click goes through.
        fe.click()
    finally:
        fe.close()


SAMPLE_INI = b"""; sample settings
[window]
title = Keltrop demo
width = 640
height = 480
visible = true

[network]
host = example.org
port = 8080
"""


def test_real_generator_writes_the_header(wine, tmp_path):
    require(paths.win32_exe("keltrop_frontend.exe"))
    require(paths.win32_exe("keltrop.exe"))
    fe = FrontEnd(wine, tmp_path / "app", generator="keltrop.exe")
    try:
        data = tmp_path / "my settings"
        data.mkdir()
        (data / "demo.ini").write_bytes(SAMPLE_INI)
        fe.set_path(wine.winpath(data / "demo.ini"))
        fe.click(timeout=30000)
        header = data / "demo.h"
        assert header.exists(), sorted(p.name for p in data.iterdir())
        text = header.read_bytes()
        assert b"Keltrop demo" in text and b"8080" in text
        report = fe.memo_bytes()
        assert report and b"demo" in report, report
        assert fe.dialogs() == []
    finally:
        fe.close()
