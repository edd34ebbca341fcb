"""The front end's window as the file-selection and link suites drive it: its controls, the
dialogs it opens, the pointer, fonts for Japanese text and a browser that only takes notes."""

import os
import shutil
import time
from pathlib import Path

from conftest import require
from harness import paths

MAIN_CLASS = "TFormSelect"
DIALOG_CLASS = "#32770"
ES_MULTILINE = 0x0004
WS_EX_CLIENTEDGE = 0x0200
WM_NULL = 0x0000
WM_CLOSE = 0x0010
IDOK, IDCANCEL = 1, 2
MSGBOX_TEXT_ID = 0xFFFF
FILENAME_COMBO_ID = 0x47C

FAKE_BROWSER = Path(__file__).resolve().parent / "fakebrowser" / "fakebrowser.sh"


def wait_for(probe, timeout=10.0, interval=0.05, what="condition"):
    """probe()'s first truthy value; AssertionError once timeout seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def use_cjk_tahoma(session):
    """Tahoma without CJK glyphs would draw the Japanese texts as boxes: let VL PGothic stand in.
    Read when a program starts, so set it before starting the front end."""
    session.run(["reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", "Tahoma",
                 "/t", "REG_SZ", "/d", "VL PGothic", "/f"])


def install_fake_browser(session, folder):
    """Makes winebrowser hand every address to a script that writes it to a log; returns the
    log's path. Only this browser is listed, so a real one is never started."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    script = folder / FAKE_BROWSER.name
    shutil.copy2(FAKE_BROWSER, script)
    script.chmod(0o755)
    session.run(["reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                 "/t", "REG_SZ", "/d", str(script), "/f"])
    return folder / "fakebrowser.log"


def browser_processes(session):
    """Live Unix processes of this session's browser chain (winebrowser and what it starts)."""
    mark = f"WINEPREFIX={session.prefix}".encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if mark not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read()
            with open(f"/proc/{pid}/stat") as f:
                if f.read().rsplit(")", 1)[-1].split()[0] == "Z":
                    continue
        except OSError:
            continue
        if b"winebrowser" in cmdline or FAKE_BROWSER.name.encode() in cmdline:
            found.append(int(pid))
    return found


def ink_coverage(pixel, ink, background, tolerance=0.06):
    """How much of ink an anti-aliased pixel over background carries (0..1), or None when the
    pixel is no blend of these two colours."""
    shares = []
    for p, i, b in zip(pixel, ink, background):
        if abs(i - b) < 24:  # too close to tell a share: only stay between the two
            if not min(i, b) - 4 <= p <= max(i, b) + 4:
                return None
        else:
            shares.append((b - p) / (b - i))
    if not shares or max(shares) - min(shares) > tolerance:
        return None
    return sum(shares) / len(shares)


def screen_pixels(session, rect):
    """{(x, y): (r, g, b)} of a screen rectangle (x, y, w, h), as a screenshot shows it."""
    x, y, w, h = rect
    out = session.x("import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                    "-depth", "8", "txt:-").stdout.decode()
    pixels = {}
    for line in out.splitlines():
        if line.startswith("#"):
            continue
        where, colour = line.split(":", 1)
        px, py = (int(v) for v in where.split(","))
        rgb = colour.split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        pixels[x + px, y + py] = tuple(int(float(v)) for v in rgb)
    return pixels


def text_colour(pixels, colours):
    """Name of the one colour in colours ({name: rgb}) that all text pixels are drawn in, over
    the most common colour as background; None when there is no such colour."""
    counts = {}
    for rgb in pixels.values():
        counts[rgb] = counts.get(rgb, 0) + 1
    background = max(counts, key=counts.get)
    for name, ink in colours.items():
        shares = [ink_coverage(rgb, ink, background) for rgb in pixels.values()]
        if None not in shares and max(shares) > 0.5:
            return name
    return None


class Frontend:
    """One running front end and the handles of the controls the suites use."""

    def __init__(self, session):
        self.session = session
        self.driver = session.driver
        self.proc = session.start(require(paths.win32_exe("keltrop_frontend.exe")))
        self.hwnd = self.proc.find(cls=MAIN_CLASS)
        self.driver.painted(self.hwnd)
        kids = self.driver.children(self.hwnd)
        self.controls = {c["hwnd"]: c for c in kids}

        def one(match, what):
            found = [c for c in kids if match(c)]
            assert len(found) == 1, f"{what}: {len(found)} candidates"
            return found[0]["hwnd"]

        self.edit_path = one(lambda c: c["class"] == "Edit" and c["exstyle"] & WS_EX_CLIENTEDGE
                             and not c["style"] & ES_MULTILINE, "EditPath")
        self.file_button = one(lambda c: c["class"] == "Button" and c["text"] == "1.File",
                               "BitBtn1")
        self.link = one(lambda c: c["class"] == "Static" and c["text"] == "go to homepage",
                        "LabelURL")
        self.memo2 = one(lambda c: c["class"] == "Edit" and c["style"] & ES_MULTILINE
                         and not c["exstyle"] & WS_EX_CLIENTEDGE, "Memo2")
        self.memo1 = one(lambda c: c["class"] == "Edit" and c["style"] & ES_MULTILINE
                         and c["exstyle"] & WS_EX_CLIENTEDGE, "Memo1")

    # -- geometry ---------------------------------------------------------------------------------

    def rect(self, hwnd):
        """Screen rectangle (x, y, w, h) as it is now."""
        return tuple(self.driver.info(hwnd)["rect"])

    def centre(self, hwnd):
        x, y, w, h = self.rect(hwnd)
        return x + w // 2, y + h // 2

    # -- the path box -----------------------------------------------------------------------------

    def path(self):
        return self.driver.text(self.edit_path)

    def set_path(self, text):
        self.driver.set_text(self.edit_path, text)

    # -- dialogs ----------------------------------------------------------------------------------

    def dialogs(self):
        return [w["hwnd"] for w in self.driver.windows(pid=self.proc.pid)
                if w["class"] == DIALOG_CLASS and w["visible"]]

    def wait_dialog(self, timeout=10):
        return wait_for(lambda: (self.dialogs() or [None])[0], timeout, what="a dialog box")

    def wait_no_dialog(self, timeout=10):
        wait_for(lambda: not self.dialogs(), timeout, what="the dialog box to close")

    def children_of(self, dialog):
        return self.driver.children(dialog)

    def message_box(self, timeout=10):
        """(hwnd, caption, text) of the message box the front end shows."""
        box = self.wait_dialog(timeout)
        kids = self.children_of(box)
        texts = [c["text"] for c in kids if c["class"] == "Static" and c["id"] == MSGBOX_TEXT_ID]
        assert len(texts) == 1, kids
        return box, self.driver.text(box), texts[0]

    def button(self, dialog, control_id):
        found = [c["hwnd"] for c in self.children_of(dialog)
                 if c["class"] == "Button" and c["id"] == control_id]
        assert len(found) == 1, f"button {control_id} of the dialog: {len(found)} candidates"
        return found[0]

    def press(self, dialog, control_id):
        # Posted: a sent click would wait for everything the button sets off.
        self.driver.click(self.button(dialog, control_id), post=True)

    def open_file_dialog(self):
        assert not self.dialogs(), "a dialog is already up"
        self.driver.click(self.file_button, post=True)
        return self.wait_dialog()

    def file_name_box(self, dialog):
        kids = self.children_of(dialog)
        combos = [c["hwnd"] for c in kids
                  if c["class"] == "ComboBoxEx32" and c["id"] == FILENAME_COMBO_ID]
        assert len(combos) == 1, "the dialog's file-name box is missing"
        edits = []
        parents = set(combos)
        for c in kids:  # depth-first order: descendants follow their ancestor
            if c["parent"] in parents:
                parents.add(c["hwnd"])
                if c["class"] == "Edit":
                    edits.append(c["hwnd"])
        assert len(edits) == 1, "no edit inside the file-name box"
        return edits[0]

    def choose_by_dialog(self, winpath):
        dialog = self.open_file_dialog()
        self.driver.set_text(self.file_name_box(dialog), winpath)
        self.press(dialog, IDOK)
        self.wait_no_dialog()
        self.idle()

    # -- pointer ----------------------------------------------------------------------------------

    def move_pointer(self, x, y):
        self.session.xdotool("mousemove", str(x), str(y))

    def park_pointer(self):
        """Over the output box: neutral, so that no later instance starts with the link hovered."""
        self.move_pointer(*self.centre(self.memo1))

    # -- end ----------------------------------------------------------------------------------

    def idle(self, timeout=30):
        """Returns once the window answers again, that is when the handler that was running
        has returned: Wine's file dialog and its shell each hold it about 2 s after the click."""
        self.driver.send(self.hwnd, WM_NULL, timeout=int(timeout * 1000))

    def close(self):
        for box in self.dialogs():  # left up by a failed case
            self.driver.post(box, WM_CLOSE)
        self.wait_no_dialog()
        self.idle()
        self.park_pointer()
        code = self.proc.close(self.hwnd)
        if code is None:
            self.proc.stop()
        return code
