"""Choosing the generator's input: the "1.File" dialog and real XDND drops from the X side, each
ending in the path box. One front end per locale serves every case."""

import pytest

from conftest import require
from harness import paths
from selection_helpers import IDCANCEL, WM_CLOSE, Frontend, wait_for

CB_GETCOUNT = 0x0146
FILTER_COMBO_ID = 0x470
# The shortest path that a 255-byte copy would have cut.
LONGEST_CUT = 254


@pytest.fixture(scope="module")
def fe(wine):
    front = Frontend(wine)
    yield front
    front.close()


@pytest.fixture(scope="module")
def fe_ja(wine_ja):
    front = Frontend(wine_ja)
    yield front
    front.close()


@pytest.fixture
def reset(fe):
    """A known text in the path box, so that a case that changes nothing shows it."""
    fe.set_path("Z:\\before\\this case.ini")
    return fe


def make(path, folder=False):
    path.parent.mkdir(parents=True, exist_ok=True)
    if folder:
        path.mkdir(exist_ok=True)
    else:
        path.write_text("[settings]\n")
    return path


def of_length(session, root, length, leaf="settings.ini"):
    """A file under root whose Wine path is exactly length characters long."""
    left = length - len(session.winpath(root)) - 1 - len(leaf)
    assert left > 0
    parts = []
    while left > 0:
        size = min(100, left - 1) if left > 101 else left - 1
        if size <= 0:  # one character short of another folder: widen the leaf instead
            leaf = "x" * left + leaf
            break
        parts.append("d" * size)
        left -= size + 1
    path = root.joinpath(*parts, leaf)
    assert len(session.winpath(path)) == length
    return make(path)


def drop(fe, files, onto=None):
    x, y = fe.centre(onto or fe.memo2)
    result = fe.session.x(require(paths.native_tool("xdnd-drop")), "-t", "10", x, y, *files,
                          check=False)
    assert result.returncode == 0, result.stderr.decode()


def settled_path(fe, expected):
    """The path box once it shows expected, or what it shows when it never does."""
    try:
        return wait_for(lambda: fe.path() == expected and expected, timeout=5,
                        what=f"path box to read {expected!r}")
    except AssertionError:
        return fe.path()


# --- the dialog ------------------------------------------------------------------------------

def test_dialog_has_system_defaults(fe):
    dialog = fe.open_file_dialog()
    try:
        assert fe.driver.text(dialog) == "Open"
        combos = [c["hwnd"] for c in fe.children_of(dialog)
                  if c["class"] == "ComboBox" and c["id"] == FILTER_COMBO_ID]
        assert len(combos) == 1
        assert fe.driver.send(combos[0], CB_GETCOUNT) == 0
    finally:
        fe.press(dialog, IDCANCEL)
        fe.wait_no_dialog()
        fe.idle()


@pytest.mark.parametrize("name", ["app.ini", "my settings/app v2.ini", "no extension"])
def test_dialog_choice_fills_path(fe, reset, tmp_path, name):
    chosen = make(tmp_path / name)
    fe.choose_by_dialog(fe.session.winpath(chosen))
    assert settled_path(fe, fe.session.winpath(chosen)) == fe.session.winpath(chosen)


@pytest.mark.parametrize("before", ["", "Z:\\typed\\by hand.ini"], ids=["empty", "typed"])
@pytest.mark.parametrize("how", ["cancel-button", "close-box"])
def test_dialog_dismissed_keeps_path(fe, tmp_path, before, how):
    fe.set_path(before)
    dialog = fe.open_file_dialog()
    # A name in the box that Open would have taken: dismissing must not take it.
    fe.driver.set_text(fe.file_name_box(dialog), fe.session.winpath(make(tmp_path / "x.ini")))
    if how == "cancel-button":
        fe.press(dialog, IDCANCEL)
    else:
        fe.driver.post(dialog, WM_CLOSE)
    fe.wait_no_dialog()
    fe.idle()
    assert fe.path() == before


# --- drops -----------------------------------------------------------------------------------

@pytest.mark.parametrize("names, onto, folder", [
    (["one.ini"], "memo2", False),
    (["first.ini", "second.ini", "third.ini"], "edit_path", False),
    (["with blanks/my  app settings.ini"], "memo1", False),
    (["a folder"], "file_button", True),
], ids=["one-file", "three-files-first-only", "blanks", "folder"])
def test_drop_fills_path_with_first_item(fe, reset, tmp_path, names, onto, folder):
    files = [make(tmp_path / n, folder) for n in names]
    drop(fe, files, onto=getattr(fe, onto))
    expected = fe.session.winpath(files[0])
    assert settled_path(fe, expected) == expected


@pytest.mark.parametrize("length", [LONGEST_CUT, LONGEST_CUT + 1, 320])
def test_drop_of_long_path_arrives_whole(fe, reset, tmp_path, length):
    long_file = of_length(fe.session, tmp_path, length)
    drop(fe, [long_file])
    expected = fe.session.winpath(long_file)
    got = settled_path(fe, expected)
    assert (len(got), got) == (length, expected)


@pytest.mark.parametrize("steps", [
    ("dialog", "drop"),
    ("drop", "dialog"),
    ("typed", "drop"),
    ("drop", "drop"),
], ids=lambda s: "-then-".join(s))
def test_last_choice_wins(fe, reset, tmp_path, steps):
    for i, how in enumerate(steps):
        chosen = make(tmp_path / f"step {i} by {how}.ini")
        expected = fe.session.winpath(chosen)
        if how == "dialog":
            fe.choose_by_dialog(expected)
        elif how == "drop":
            drop(fe, [chosen])
        else:
            fe.set_path(expected)
        assert settled_path(fe, expected) == expected, f"after step {i} ({how})"


# --- code page 932 ---------------------------------------------------------------------------

# Both names carry characters whose second byte in code page 932 is a backslash.
@pytest.mark.parametrize("how", ["dialog", "drop"])
def test_japanese_path_under_code_page_932(fe_ja, tmp_path, how):
    assert fe_ja.driver.acp() == 932
    fe_ja.set_path("")
    chosen = make(tmp_path / "表示" / f"ソフト設定 {how}.ini")
    expected = fe_ja.session.winpath(chosen)
    if how == "dialog":
        fe_ja.choose_by_dialog(expected)
    else:
        drop(fe_ja, [chosen])
    assert settled_path(fe_ja, expected) == expected
    ansi = fe_ja.driver.call("gettext", hwnd=fe_ja.edit_path, ansi=True)
    assert bytes.fromhex(ansi["hex"]) == expected.encode("cp932")
