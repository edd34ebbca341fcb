"""keltrop.exe under Wine, run the way the front end runs it: one argument, the path, from a
current folder that is not the input's, with the report read from standard output.

Covers paths with blanks, code page 932 (a 0x5C second byte in a value, a file name and a folder
name), paths longer than 260 characters, the report's CRLF line ends, write-if-changed and the
header left alone on errors.
"""
import os
import shutil
import subprocess
from pathlib import Path

import pytest

from harness.wine import WineSession

WIN32_BIN = Path(os.environ.get("KELTROP_WIN32_BIN", ""))
EXE = WIN32_BIN / "keltrop.exe"
NATIVE = Path(os.environ.get("KELTROP_NATIVE_BIN", "")) / "keltrop"
MINGW = shutil.which("i686-w64-mingw32-g++")
JA = "ja_JP.UTF-8"

# cp932 characters whose second byte is 0x5C ('\'): 表 = 95 5C, ソ = 83 5C.
HYOU = "表"
SO = "ソ"


@pytest.fixture(scope="module")
def exe():
    if not EXE.is_file():
        pytest.fail(f"{EXE} is missing: build the Windows tree first (tools/build.sh)")
    return EXE


@pytest.fixture(scope="module")
def wine():
    with WineSession(locale=None, display=False) as w:
        yield w


@pytest.fixture(scope="module")
def wine_ja():
    # The tests below expect the report in cp932 bytes: they fail unless the ANSI code page is 932.
    with WineSession(locale=JA, display=False) as w:
        yield w


def run(w, exe, path, cwd):
    """Like the front end: the path as the single argument, the current folder elsewhere."""
    return w.run([exe, w.winpath(path)], cwd=cwd)


def lines(stdout):
    """The report's lines; every one must end in CRLF, as a Windows edit control needs."""
    assert stdout.endswith(b"\r\n"), stdout
    body = stdout[:-2].split(b"\r\n")
    assert all(b"\n" not in line and b"\r" not in line for line in body), stdout
    return body


def test_path_with_blanks(wine, exe, tmp_path):
    folder = tmp_path / "my settings" / "for the app"
    folder.mkdir(parents=True)
    (folder / "app config.ini").write_bytes(b"[Window]\r\nWidth = 640\r\nTitle = Main window\r\n")
    elsewhere = tmp_path / "front end"
    elsewhere.mkdir()
    r = run(wine, exe, folder / "app config.ini", cwd=elsewhere)
    assert lines(r.stdout) == [b"app config.ini -> app config.h: 1 section, 2 constants"]
    assert r.returncode == 0
    header = (folder / "app config.h").read_bytes()
    assert b"static const int Width = 640;\n" in header
    assert b"\r" not in header  # the header is written as bytes: the same on every system
    assert b"namespace app_config {" in header
    assert sorted(os.listdir(folder)) == ["app config.h", "app config.ini"]
    assert os.listdir(elsewhere) == []


def test_relative_path_is_taken_from_the_current_folder(wine, exe, tmp_path):
    (tmp_path / "sub").mkdir()
    (tmp_path / "sub" / "rel.ini").write_bytes(b"k = 1\n")
    r = wine.run([exe, "sub\\rel.ini"], cwd=tmp_path)
    assert lines(r.stdout) == [b"rel.ini -> rel.h: 0 sections, 1 constant"]
    assert (tmp_path / "sub" / "rel.h").is_file()


def test_unchanged_header_keeps_its_time_stamp(wine, exe, tmp_path):
    ini = tmp_path / "same.ini"
    ini.write_bytes(b"[A]\nx = 1\n")
    assert run(wine, exe, ini, cwd=tmp_path).returncode == 0
    header = tmp_path / "same.h"
    os.utime(header, (1_000_000_000, 1_000_000_000))
    r = run(wine, exe, ini, cwd=tmp_path)
    assert lines(r.stdout) == [b"same.ini -> same.h: 1 section, 1 constant, unchanged"]
    assert header.stat().st_mtime == 1_000_000_000


def test_errors_leave_the_old_header_and_no_temporary_file(wine, exe, tmp_path):
    ini = tmp_path / "app.ini"
    ini.write_bytes(b"k = 1\n")
    assert run(wine, exe, ini, cwd=tmp_path).returncode == 0
    good = (tmp_path / "app.h").read_bytes()
    ini.write_bytes(b"k = 1\nk = 2\nnot a line\n")
    r = run(wine, exe, ini, cwd=tmp_path)
    assert r.returncode == 1
    assert lines(r.stdout) == [
        b"app.ini: 2 errors, app.h not written",
        b'app.ini:2: error: duplicate key "k" (first given at line 1)',
        b'app.ini:3: error: expected "key = value", "[section]" or a comment',
    ]
    assert (tmp_path / "app.h").read_bytes() == good
    assert sorted(os.listdir(tmp_path)) == ["app.h", "app.ini"]


def test_header_that_cannot_be_written(wine, exe, tmp_path):
    (tmp_path / "app.ini").write_bytes(b"k = 1\n")
    (tmp_path / "app.h").mkdir()  # a folder stands where the header goes
    r = run(wine, exe, tmp_path / "app.ini", cwd=tmp_path)
    assert r.returncode == 2
    [line] = lines(r.stdout)
    assert line.startswith(b'keltrop: error: cannot write "Z:'), line
    assert b'\\app.h": ' in line
    assert sorted(os.listdir(tmp_path)) == ["app.h", "app.ini"]


def test_header_name_with_a_trailing_blank_is_the_header_itself(wine, exe, tmp_path):
    # Windows drops trailing blanks: "app.h " opens app.h, whose header would be app.h again.
    (tmp_path / "app.h").write_bytes(b"k = 1\n")
    r = wine.run([exe, wine.winpath(tmp_path / "app.h") + " "], cwd=tmp_path)
    assert r.returncode == 2
    [line] = lines(r.stdout)
    assert line.startswith(b'keltrop: error: refusing to write "Z:'), line
    assert line.endswith(b'\\app.h": it is the settings file itself'), line
    assert (tmp_path / "app.h").read_bytes() == b"k = 1\n"
    assert os.listdir(tmp_path) == ["app.h"]


def test_missing_file_names_the_full_path(wine, exe, tmp_path):
    r = run(wine, exe, tmp_path / "missing.ini", cwd="/")
    assert r.returncode == 2
    [line] = lines(r.stdout)
    expected = b'keltrop: error: cannot read "' + wine.winpath(tmp_path / "missing.ini").encode()
    assert line.startswith(expected + b'": '), line


def test_empty_argument(wine, exe, tmp_path):
    r = wine.run([exe, ""], cwd=tmp_path)
    assert r.returncode == 2
    assert lines(r.stdout) == [b"keltrop: error: the path of the settings file is empty"]


def test_path_longer_than_260_characters(wine, exe, tmp_path):
    folder = tmp_path
    while len(wine.winpath(folder)) < 300:
        folder = folder / ("a long folder name " + "x" * 30)
    folder.mkdir(parents=True)
    ini = folder / "deep settings.ini"
    ini.write_bytes(b"[Deep]\nk = 1\n")
    assert len(wine.winpath(ini)) > 260
    r = run(wine, exe, ini, cwd=tmp_path)
    assert lines(r.stdout) == [b"deep settings.ini -> deep settings.h: 1 section, 1 constant"]
    assert b"static const int k = 1;" in (folder / "deep settings.h").read_bytes()
    # Again, now over an existing header, and once more unchanged.
    ini.write_bytes(b"[Deep]\nk = 2\n")
    assert run(wine, exe, ini, cwd=tmp_path).returncode == 0
    assert b"static const int k = 2;" in (folder / "deep settings.h").read_bytes()
    r = run(wine, exe, ini, cwd=tmp_path)
    assert r.stdout.endswith(b", unchanged\r\n")
    assert sorted(os.listdir(folder)) == ["deep settings.h", "deep settings.ini"]


def test_same_bytes_as_the_native_build(wine, exe, tmp_path):
    # Among them a file whose first section comes back after more than a megabyte of header:
    # what went to the temporary file is dropped and the header is built in memory instead.
    big = b"[A]\n" + b"".join(b"key%d = value %d\n" % (i, i) for i in range(60000))
    inputs = {
        "plain.ini": b"[Window]\r\nWidth = 640\r\nTitle = \"a \\ b\"\r\n",
        "types.ini": b"i = -2147483648\nu = 0xFFFFFFFF\nl = 5000000000\nd = 1e-3\nb = TRUE\n",
        "again.ini": big + b"[B]\nb = 1\n[A]\nlast = 2\n",
    }
    for name, text in inputs.items():
        native = tmp_path / "native"
        windows = tmp_path / "windows"
        for folder in (native, windows):
            folder.mkdir(exist_ok=True)
            (folder / name).write_bytes(text)
        subprocess.run([NATIVE, native / name], check=True, capture_output=True)
        r = run(wine, exe, windows / name, cwd=tmp_path)
        assert r.returncode == 0, r.stdout
        header = Path(name).with_suffix(".h").name
        assert (windows / header).read_bytes() == (native / header).read_bytes(), name
        assert sorted(os.listdir(windows)) == sorted(os.listdir(native))


def test_report_stays_small_with_many_errors(wine, exe, tmp_path):
    ini = tmp_path / "bad.ini"
    ini.write_bytes(b"".join(b"line %d without an equals sign\n" % i for i in range(5000)))
    r = run(wine, exe, ini, cwd=tmp_path)
    body = lines(r.stdout)
    assert body[0] == b"bad.ini: 5000 errors, bad.h not written"
    assert body[-1] == b"and 4990 more errors"
    assert len(r.stdout) < 1023


# -- code page 932 -------------------------------------------------------------------------------

def test_cp932_trail_byte_5c_in_names_and_values(wine_ja, exe, tmp_path):
    folder = tmp_path / f"{HYOU}示 dir"
    folder.mkdir()
    name = f"{HYOU}{SO}.ini"  # on the Unix side Wine keeps names as UTF-8
    value = f"{SO}フト{HYOU}\\"  # ends in a real backslash after a 0x5C trail byte
    (folder / name).write_bytes(f"; {HYOU}\n[Text]\nLabel = {value}\nQuoted = \"{HYOU}\"\n"
                                .encode("cp932"))
    r = run(wine_ja, exe, folder / name, cwd=tmp_path)
    assert r.returncode == 0, r.stdout
    assert lines(r.stdout) == [f"{HYOU}{SO}.ini -> {HYOU}{SO}.h: 1 section, 2 constants"
                               .encode("cp932")]
    header = (folder / f"{HYOU}{SO}.h").read_bytes()
    assert max(header) < 0x80, "the header must be pure ASCII"
    assert header.startswith(b"// Generated by keltrop from \\225\\\\\\203\\\\.ini. ")
    assert b'static const char* const Label = "\\203\\\\\\203t\\203g\\225\\\\\\\\";' in header
    assert b'static const char* const Quoted = "\\225\\\\";' in header
    assert b"namespace x95_x83_ {" in header
    if MINGW:
        assert read_back(wine_ja, tmp_path, folder / f"{HYOU}{SO}.h", "x95_x83_::Text::Label") \
            == value.encode("cp932")


def test_cp932_file_name_ending_in_trail_byte_5c(wine_ja, exe, tmp_path):
    # No extension: the quoted argument ends in 0x95 0x5C right before the closing quote, which a
    # byte-wise command-line split would read as an escaped quote.
    name = f"設定 {HYOU}"
    (tmp_path / name).write_bytes(b"k = 1\n")
    r = run(wine_ja, exe, tmp_path / name, cwd="/")
    assert lines(r.stdout) == [f"{name} -> {name}.h: 0 sections, 1 constant".encode("cp932")]
    assert (tmp_path / f"{name}.h").is_file()


def test_cp932_missing_file_is_reported_in_the_code_page(wine_ja, exe, tmp_path):
    r = run(wine_ja, exe, tmp_path / f"{SO}.ini", cwd="/")
    assert r.returncode == 2
    [line] = lines(r.stdout)
    assert f'\\{SO}.ini": '.encode("cp932") in line


def test_cp932_non_ascii_key_is_an_error(wine_ja, exe, tmp_path):
    ini = tmp_path / "keys.ini"
    ini.write_bytes(f"{HYOU} = 1\n".encode("cp932"))
    r = run(wine_ja, exe, ini, cwd=tmp_path)
    assert r.returncode == 1
    assert lines(r.stdout)[1] == (f'keys.ini:1: error: key name "{HYOU}" has non-ASCII bytes; '
                                  'use ASCII letters, digits and "_"').encode("cp932")
    assert not (tmp_path / "keys.h").exists()


def read_back(w, tmp_path, header, constant):
    """Compiles a Windows program that includes the header and prints the string's bytes."""
    source = tmp_path / "readback.cpp"
    source.write_text('#include <cstdio>\n'
                      'int main() {\n'
                      f'    for (const char* p = {constant}; *p; ++p)\n'
                      '        std::printf("%02x", static_cast<unsigned char>(*p));\n'
                      '    return 0;\n'
                      '}\n')
    program = tmp_path / "readback.exe"
    subprocess.run([MINGW, "-std=c++98", "-Wall", "-Wextra", "-pedantic", "-Werror", "-static",
                    "-include", str(header), str(source), "-o", str(program)], check=True)
    r = w.run([program], cwd=tmp_path)
    assert r.returncode == 0
    return bytes.fromhex(r.stdout.decode())
