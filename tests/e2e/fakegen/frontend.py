"""A front end in a folder of its own with the stand-in generator beside it as keltrop.exe,
driven through the session's UI driver. Shared by the run suite and the run benchmark."""

import json
import shutil
from pathlib import Path

from harness import paths

FILE_TYPE_PIPE = 3


def pattern(n):
    """What the stand-in's "out N" writes."""
    return bytes(ord("A") + i % 26 for i in range(n))


class FrontEnd:
    def __init__(self, session, folder, generator="fakegen.exe", cwd=None):
        self.session = session
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        shutil.copy(paths.win32_exe("keltrop_frontend.exe"), self.folder)
        if generator:
            shutil.copy(paths.win32_exe(generator), self.folder / "keltrop.exe")
        # Started elsewhere, so that finding the generator relies on the front end's own folder.
        self.proc = session.start(self.folder / "keltrop_frontend.exe", cwd=cwd or session.tmpdir)
        self.hwnd = self.proc.find(cls="TFormSelect", title="keltrop frontend")
        edits = {}
        for child in session.driver.children(self.hwnd):
            if child["class"] == "Button" and child["text"] == "2.Run":
                self.run_button = child["hwnd"]
            if child["class"] == "Edit":
                multiline = child["style"] & 0x0004
                if not multiline and child["exstyle"] & 0x0200:
                    edits["path"] = child["hwnd"]
                elif multiline and child["crect"][:2] == [0, 169]:
                    edits["memo1"] = child["hwnd"]
        self.edit_path = edits["path"]
        self.memo1 = edits["memo1"]

    @property
    def driver(self):
        return self.session.driver

    def winpath(self, path=None):
        return self.session.winpath(path or self.folder)

    def script(self, *actions):
        (self.folder / "fakegen.script").write_text("".join(a + "\n" for a in actions))

    def set_path(self, text):
        self.driver.set_text(self.edit_path, text)

    def click(self, timeout=20000):
        """Clicks "2.Run" and returns the milliseconds until the click came back."""
        return self.driver.click(self.run_button, timeout=timeout)["elapsed_ms"]

    def memo_bytes(self):
        return bytes.fromhex(self.driver.call("gettext", hwnd=self.memo1, ansi=True)["hex"])

    def memo_text(self):
        return self.driver.text(self.memo1)

    def records(self):
        """What each run of the stand-in recorded, oldest first; the log is emptied."""
        log = self.folder / "fakegen.log"
        if not log.exists():
            return []
        lines = log.read_text().splitlines()
        log.unlink()
        return [json.loads(line) for line in lines]

    def dialogs(self):
        """Visible message or error boxes of any process in the session."""
        return [w for w in self.driver.windows(text=True)
                if w["visible"] and w["class"] == "#32770"]

    def close(self):
        self.proc.stop()
        self.proc.wait(10)
