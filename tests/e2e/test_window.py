"""The main window of keltrop_frontend as a user and a UI automation tool see it, under a
Japanese system (code page 932) where its instruction texts display as such."""

import re
import subprocess
import time

import pytest

from conftest import require
from harness import paths
from harness.wine import ensure_template

CAPTION = "keltrop frontend"
FORM_CLASS = "TFormSelect"
CLIENT = (392, 266)
PANEL_HEIGHT = 169

WM_CLOSE = 0x0010
WS_VSCROLL = 0x00200000
WS_BORDER = 0x00800000
WS_TABSTOP = 0x00010000
WS_OVERLAPPEDWINDOW = 0x00CF0000
WS_EX_CLIENTEDGE = 0x00000200
ES_MULTILINE = 0x0004
ES_READONLY = 0x0800

MEMO2_LINES = [
    "ＩＮＩファイルを選択、又はドロップして下さい。",
    "（拡張子はINI以外でも可）",
    "",
    "同フォルダに、Ｃ++のヘッダファイルを作成します。",
]

# name: (left, top, width, height) in the form's client coordinates at the design size.
RECTS = {
    "Panel1": (0, 0, 392, 169),
    "Memo1": (0, 169, 392, 97),
    "Image1": (47, 8, 90, 33),
    "Image2": (8, 8, 33, 33),
    "BitBtn1": (8, 61, 75, 25),
    "BitBtn2": (8, 92, 75, 25),
    "EditPath": (8, 133, 372, 21),
    "Memo2": (89, 63, 240, 54),
}
LABELS = {"LabelVersion": (143, 10), "LabelURL": (143, 24)}
CREATION_ORDER = ["Image1", "Image2", "LabelVersion", "LabelURL", "BitBtn1", "BitBtn2",
                  "EditPath", "Memo2"]


def frontend_exe(name="keltrop_frontend.exe"):
    return require(paths.win32_exe(name))


def lines(text):
    """A memo's lines; one trailing line break belongs to the memo, not to its text."""
    parts = text.split("\r\n")
    if len(parts) > 1 and parts[-1] == "":
        parts.pop()
    return parts


def eventually(probe, done, timeout=3.0):
    """Polls probe() until done(value); returns the last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if done(value) or time.monotonic() > deadline:
            return value
        time.sleep(0.05)


class Form:
    """A running front end with its controls found by class, text and order of creation."""

    def __init__(self, wine, proc):
        self.wine = wine
        self.d = wine.driver
        self.proc = proc
        self.hwnd = proc.find(cls=FORM_CLASS, title=CAPTION)
        assert self.d.painted(self.hwnd), "the window was never painted"
        self.refresh()

    def refresh(self):
        self.info = self.d.info(self.hwnd)
        self.all = self.d.children(self.hwnd)
        self.top = [c for c in self.all if c["depth"] == 0]
        self.controls = self._identify()
        return self

    def _identify(self):
        found = {}
        for c in self.top:
            if c["class"] == "Edit":
                found.setdefault("Memo1", c)
            elif c["class"] == "TPanel":
                found.setdefault("Panel1", c)
        panel = found.get("Panel1")
        inner = [c for c in self.all if panel and c["parent"] == panel["hwnd"]]
        # Pictures are the statics without text; how they draw is theirs to choose.
        images = [c for c in inner if c["class"] == "Static" and c["text"] == ""]
        for name, c in zip(["Image1", "Image2"], images):
            found[name] = c
        for c in inner:
            if c["class"] == "Static" and c["text"].startswith("version"):
                found["LabelVersion"] = c
            elif c["class"] == "Static" and c["text"] == "go to homepage":
                found["LabelURL"] = c
            elif c["class"] == "Button" and c["text"] == "1.File":
                found["BitBtn1"] = c
            elif c["class"] == "Button" and c["text"] == "2.Run":
                found["BitBtn2"] = c
            elif c["class"] == "Edit":
                found.setdefault("Memo2" if c["style"] & ES_MULTILINE else "EditPath", c)
        self.panel_children = inner
        return found

    def __getitem__(self, name):
        assert name in self.controls, f"no control recognisable as {name}: {self.all}"
        return self.controls[name]

    def name_of(self, hwnd):
        return next((n for n, c in self.controls.items() if c["hwnd"] == hwnd), hex(hwnd))

    def snapshot(self):
        """Everything a user could see, without the handles."""
        self.refresh()
        return ([self.info["class"], self.info["text"], self.info["client"]] +
                [(c["depth"], c["class"], c["crect"], c["style"], c["visible"], c["text"])
                 for c in self.all])

    def click(self, name):
        x, y, w, h = self[name]["rect"]
        self.wine.xdotool("mousemove", x + w // 2, y + h // 2, "click", "1")

    def focused(self):
        return self.name_of(self.d.focus(self.hwnd)["focus"])

    def park_pointer(self):
        # A pointer left over a label would greet the next instance with a stray hover.
        x, y, w, h = self["Memo1"]["rect"]
        self.wine.xdotool("mousemove", x + w // 2, y + h // 2)

    def close(self):
        """As the user closes it; Wine takes about 2 s to destroy a top-level window."""
        self.park_pointer()
        return self.proc.close(self.hwnd)

    def stop(self):
        self.park_pointer()
        self.proc.stop()


@pytest.fixture(scope="module")
def exe():
    """The front end; every test that runs it skips before a session is made when it is
    missing."""
    return frontend_exe()


@pytest.fixture(scope="module")
def form(exe, wine_ja):
    """The one instance for the read-only checks; its screenshot is kept."""
    proc = wine_ja.start(exe)
    f = Form(wine_ja, proc)
    x, y, w, h = f.info["rect"]
    wine_ja.screenshot("keltrop_frontend.png", rect=(x, y, w, h))
    yield f
    proc.stop()


@pytest.fixture
def fresh(exe, wine_ja):
    """An instance of its own for a test that types, clicks or resizes."""
    f = Form(wine_ja, wine_ja.start(exe))
    yield f
    f.stop()


# --- The form and its controls ---------------------------------------------------------------

def test_caption_class_and_frame(form):
    assert (form.info["class"], form.info["text"]) == (FORM_CLASS, CAPTION)
    assert form.info["style"] & WS_OVERLAPPEDWINDOW == WS_OVERLAPPEDWINDOW
    assert form.info["visible"]


def test_client_area_centred_on_desktop(form):
    assert tuple(form.info["client"][2:]) == CLIENT
    screen = form.d.call("screen")
    x, y, w, h = form.info["rect"]
    assert abs(x - (screen["cx"] - w) // 2) <= 1, form.info["rect"]
    assert abs(y - (screen["cy"] - h) // 2) <= 1, form.info["rect"]


def test_controls_and_their_parents(form):
    assert [c["class"] for c in form.top] == ["Edit", "TPanel"], "Memo1 must come before Panel1"
    assert sorted(c["class"] for c in form.panel_children) == sorted(
        ["Static"] * 4 + ["Button"] * 2 + ["Edit"] * 2)
    assert set(form.controls) == set(RECTS) | set(LABELS)
    assert len(form.all) == len(form.top) + len(form.panel_children), "unexpected descendants"


def test_creation_order_inside_panel(form):
    assert [form.name_of(c["hwnd"]) for c in form.panel_children] == CREATION_ORDER


@pytest.mark.parametrize("name", RECTS)
def test_rectangle(form, name):
    assert tuple(form[name]["crect"]) == RECTS[name]


@pytest.mark.parametrize("name", LABELS)
def test_label_place_and_text_fits(form, name):
    c = form[name]
    assert tuple(c["crect"][:2]) == LABELS[name]
    size = form.d.call("textextent", text=c["text"], face="Tahoma", height=-11)
    assert c["client"][2] >= size["cx"] and c["client"][3] >= size["cy"], (c, size)


@pytest.mark.parametrize("name, text", [
    ("Memo1", ["output"]),
    ("EditPath", [""]),
    ("LabelVersion", ["version 1.6.2.0"]),
    ("LabelURL", ["go to homepage"]),
    ("BitBtn1", ["1.File"]),
    ("BitBtn2", ["2.Run"]),
    ("Memo2", MEMO2_LINES),
])
def test_text(form, name, text):
    assert lines(form.d.text(form[name]["hwnd"])) == text


@pytest.mark.parametrize("name", ["Image1", "Image2"])
def test_picture_is_drawn(form, name):
    x, y, w, h = form[name]["rect"]
    shot = form.wine.screenshot(f"{name}.png", rect=(x, y, w, h))
    colours = form.wine.x("convert", shot, "-unique-colors", "txt:-").stdout.decode()
    assert len(colours.splitlines()) - 1 >= 3, f"{name} shows no picture"


@pytest.mark.parametrize("name, on, off", [
    ("Memo1", ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0),
    ("Memo2", ES_MULTILINE | ES_READONLY, WS_BORDER | WS_VSCROLL),
    ("EditPath", WS_TABSTOP, ES_READONLY | ES_MULTILINE),
])
def test_edit_styles(form, name, on, off):
    c = form[name]
    assert c["style"] & on == on, hex(c["style"])
    assert c["style"] & off == 0, hex(c["style"])
    if name == "Memo2":
        assert c["exstyle"] & WS_EX_CLIENTEDGE == 0, "Memo2 has no border"


# --- Keyboard and mouse ----------------------------------------------------------------------

@pytest.mark.parametrize("name, takes_typing", [
    ("Memo1", False), ("Memo2", False), ("EditPath", True)])
def test_typing(fresh, name, takes_typing):
    before = fresh.d.text(fresh[name]["hwnd"])
    fresh.click(name)
    assert eventually(fresh.focused, lambda n: n == name) == name
    fresh.wine.xdotool("type", "--delay", "10", "abc 12")
    expected = before + "abc 12" if takes_typing else before
    assert eventually(lambda: fresh.d.text(fresh[name]["hwnd"]),
                      lambda t: t == expected) == expected


def test_tab_order(fresh):
    fresh.click("Memo1")
    assert eventually(fresh.focused, lambda n: n == "Memo1") == "Memo1"
    seen = []
    for _ in range(5):
        before = fresh.focused()
        fresh.wine.xdotool("key", "Tab")
        seen.append(eventually(fresh.focused, lambda n, b=before: n != b))
    assert seen == ["BitBtn1", "BitBtn2", "EditPath", "Memo2", "Memo1"]
    fresh.wine.xdotool("key", "shift+Tab")
    assert eventually(fresh.focused, lambda n: n != "Memo1") == "Memo2"


@pytest.mark.parametrize("dw, dh", [(200, 0), (0, 120), (150, 80), (-100, -60)])
def test_resize_moves_only_the_stretching_controls(fresh, dw, dh):
    x, y, w, h = fresh.info["rect"]
    fresh.d.move(fresh.hwnd, w=w + dw, h=h + dh)
    cw, ch = CLIENT[0] + dw, CLIENT[1] + dh
    eventually(lambda: fresh.refresh()["Memo1"]["crect"],
               lambda r: tuple(r) == (0, PANEL_HEIGHT, cw, ch - PANEL_HEIGHT))
    assert tuple(fresh.info["client"][2:]) == (cw, ch)
    expected = dict(RECTS)
    expected["Panel1"] = (0, 0, cw, PANEL_HEIGHT)
    expected["Memo1"] = (0, PANEL_HEIGHT, cw, ch - PANEL_HEIGHT)
    expected["EditPath"] = (8, 133, 372 + dw, 21)
    got = {name: tuple(fresh[name]["crect"]) for name in RECTS}
    assert got == expected
    for name, place in LABELS.items():
        assert tuple(fresh[name]["crect"][:2]) == place


# --- Process behaviour -----------------------------------------------------------------------

@pytest.mark.parametrize("args", [["settings.ini"], ["/x", "C:\\a b\\c.ini", "--help"],
                                  ["日本語.ini"]])
def test_arguments_change_nothing(exe, wine_ja, form, args):
    other = Form(wine_ja, wine_ja.start(exe, *args))
    try:
        assert other.snapshot() == form.snapshot()
        assert [w["class"] for w in other.proc.windows(text=False) if w["visible"]] == [
            FORM_CLASS]
    finally:
        other.stop()


def test_two_copies_side_by_side(exe, wine_ja):
    a = Form(wine_ja, wine_ja.start(exe))
    b = Form(wine_ja, wine_ja.start(exe))
    try:
        assert a.proc.pid != b.proc.pid and a.hwnd != b.hwnd
        wine_ja.driver.set_text(a["EditPath"]["hwnd"], "Z:\\only\\in\\a.ini")
        assert wine_ja.driver.text(b["EditPath"]["hwnd"]) == ""
        assert a.proc.wait(0) is None and b.proc.wait(0) is None
    finally:
        codes = (a.close(), b.close())
    assert codes == (0, 0)


# --- Resources and build ---------------------------------------------------------------------

STRING_TABLE = [
    ("CompanyName", None), ("FileDescription", ""), ("FileVersion", "1.6.2.0"),
    ("InternalName", ""), ("LegalCopyright", None), ("LegalTrademarks", ""),
    ("OriginalFilename", ""), ("ProductName", "keltrop"), ("ProductVersion", "1.6"),
    ("Comments", ""),
]


@pytest.fixture(scope="module")
def version(exe, wine_ja):
    return wine_ja.driver.version(wine_ja.winpath(exe), table="041103A4",
                                  keys=[k for k, _ in STRING_TABLE])


def test_version_fixed_part(version):
    f = version["fixed"]
    assert f is not None and f["signature"] == 0xFEEF04BD
    assert (f["file_version_ms"], f["file_version_ls"]) == (0x00010006, 0x00020000)
    assert (f["product_version_ms"], f["product_version_ls"]) == (0x00010006, 0x00020000)
    assert (f["flags_mask"], f["flags"], f["os"], f["type"]) == (0x3F, 0, 0x4, 1)
    assert (f["date_ms"], f["date_ls"]) == (0, 0)


def test_version_strings_and_translation(version):
    assert version["translations"] == [[0x0411, 0x03A4]]
    assert list(version["tables"]) == ["041103A4"]
    table = version["tables"]["041103A4"]
    assert [k for k, _ in table] == [k for k, _ in STRING_TABLE]
    values = dict(table)
    maker = values["CompanyName"]
    assert maker and values["LegalCopyright"] == maker
    for key, value in STRING_TABLE:
        assert values[key] == (maker if value is None else value), key
        assert version["query"][key] == values[key], f"{key} through VerQueryValue"


def test_other_language_version_shows_bare_word(wine_ja):
    exe = paths.win32_exe("keltrop_frontend_otherlang.exe")
    if not exe.exists():
        pytest.skip("keltrop_frontend_otherlang.exe (a build with a version resource of "
                    "another language) is not built")
    other = Form(wine_ja, wine_ja.start(exe))
    try:
        assert other.d.text(other["LabelVersion"]["hwnd"]) == "version "
    finally:
        other.stop()


@pytest.mark.parametrize("name, what", [
    ("keltrop_frontend_badform.exe", "a malformed form resource"),
    ("keltrop_frontend_noform.exe", "no form resource"),
])
def test_broken_form_shows_error_box_and_no_window(wine_ja, name, what):
    exe = paths.win32_exe(name)
    if not exe.exists():
        pytest.skip(f"{name} (a build with {what}) is not built")
    d = wine_ja.driver
    proc = wine_ja.start(exe)
    box = proc.find(cls="#32770")
    assert [w["class"] for w in proc.windows(text=False) if w["visible"]] == ["#32770"]
    kids = d.children(box)
    message = [c["text"] for c in kids if c["id"] == 0xFFFF and c["class"] == "Static"]
    assert message and message[0], f"the box says nothing: {kids}"
    ok = next(c for c in kids if c["class"] == "Button" and c["id"] == 1)
    d.click(ok["hwnd"], post=True)
    assert proc.wait(10) == 0
    with pytest.raises(Exception, match="no such window"):
        d.find(cls=FORM_CLASS, pid=proc.pid, timeout=0)


SYSTEM_DLL_DENY = re.compile(r"^(lib.*|msvcp\d.*|msvcr\d+.*|vcruntime.*|concrt.*)\.dll$")


def system_dlls():
    """What Windows itself provides, as Wine lays it out in a fresh prefix."""
    system32 = ensure_template() / "drive_c/windows/system32"
    return {p.name.lower() for p in system32.iterdir()}


@pytest.mark.parametrize("exe", sorted(paths.win32_bin().glob("*.exe")) or [None],
                         ids=lambda p: p.name if p else "none")
def test_imports_only_system_dlls(exe):
    if exe is None:
        pytest.skip(f"no programs in {paths.win32_bin()}")
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)], check=True,
                          capture_output=True, text=True).stdout
    names = [n.strip().lower() for n in re.findall(r"DLL Name:\s*(\S+)", dump)]
    assert names, "no import table found"
    known = system_dlls()
    bad = [n for n in names if n not in known or SYSTEM_DLL_DENY.match(n)]
    assert not bad, f"{exe.name} needs non-system DLLs {bad}"
