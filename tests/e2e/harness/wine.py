"""Wine sessions: a private copy of the build's prefix, its own wineserver and its own Xvfb.

Sessions never share a wineserver or an X server, so suites can run in parallel; everything a
session starts is stopped by PID when it ends, also on failure or KeyboardInterrupt.
"""

import contextlib
import fcntl
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from . import paths
from .driver import Driver

READY_MARK = ".keltrop-template-ready"
JA_LOCALE = "ja_JP.UTF-8"
WINE_TAHOMA = Path("/usr/share/wine/fonts/tahoma.ttf")


@contextlib.contextmanager
def _locked(path):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(str(path) + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)


def _clean_env():
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("WINE", "LC_")) and k not in ("DISPLAY", "XAUTHORITY", "LANG",
                                                              "LANGUAGE", "LOCPATH")}
    env.update(WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def ensure_template():
    """The build's own template prefix, made once; concurrent suites wait on its lock."""
    template = paths.prefix_template()
    with _locked(template):
        if (template / READY_MARK).exists():
            return template
        shutil.rmtree(template, ignore_errors=True)
        env = dict(_clean_env(), WINEPREFIX=str(template), LANG="C.UTF-8")
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL, env=env)
        subprocess.run(["wineboot", "-i"], check=True, timeout=300, **quiet)
        # Without this a crashing program leaves a dialog up for ever.
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v",
                        "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0", "/f"],
                       check=True, timeout=120, **quiet)
        subprocess.run(["wineserver", "-w"], timeout=120, **quiet)
        with contextlib.suppress(FileNotFoundError):
            (template / "wineserver").unlink()
        (template / READY_MARK).touch()
        return template


def ensure_locale(name=JA_LOCALE):
    """A glibc locale generated into the build: Wine needs it to report code page 932."""
    base = paths.locale_dir()
    target = base / name
    with _locked(base):
        if not (target / "LC_CTYPE").exists():
            lang, charset = name.split(".")
            base.mkdir(parents=True, exist_ok=True)
            subprocess.run(["localedef", "-i", lang, "-f", charset, str(target)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
            if not (target / "LC_CTYPE").exists():
                raise RuntimeError(f"localedef could not make {target}")
    return base


def _server_dirs(prefix):
    """Candidate folders of the prefix's wineserver socket. Upstream Wine uses /tmp/.wine-UID;
    Debian's keeps a random folder name in PREFIX/wineserver."""
    st = os.stat(prefix)
    leaf = f"server-{st.st_dev:x}-{st.st_ino:x}"
    dirs = [Path(f"/tmp/.wine-{os.getuid()}") / leaf]
    with contextlib.suppress(OSError):
        name = (Path(prefix) / "wineserver").read_text().strip()
        for base in (f"/run/user/{os.getuid()}", os.environ.get("TMPDIR", "/tmp"), "/tmp"):
            dirs.append(Path(base) / name / leaf)
    return dirs


def _stop(proc, grace=3):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class GuiProcess:
    """A program started inside the session; pid is its Windows process id."""

    def __init__(self, session, pid):
        self.session = session
        self.pid = pid

    def wait(self, timeout=10):
        """Exit code, or None if the process is still running after timeout seconds."""
        reply = self.session.driver.call("wait_exit", pid=self.pid, timeout=int(timeout * 1000))
        return reply["code"] if reply["exited"] else None

    def stop(self):
        if self.wait(0) is None:
            self.session.driver.call("kill", pid=self.pid)

    def close(self, hwnd, timeout=10):
        """Closes a window the way a user would and waits for the process to end."""
        WM_CLOSE = 0x0010
        self.session.driver.post(hwnd, WM_CLOSE)
        return self.wait(timeout)

    def find(self, cls=None, title=None, visible=True, timeout=10):
        return self.session.driver.find(cls=cls, title=title, pid=self.pid, visible=visible,
                                        timeout=int(timeout * 1000))

    def windows(self, text=True):
        return self.session.driver.windows(pid=self.pid, text=text)


class WineSession:
    def __init__(self, locale=None, display=True, screen="1024x768x24"):
        self.locale = locale
        self.display = display
        self.screen = screen
        self.env = None
        self.tmpdir = None
        self.prefix = None
        self._xvfb = None
        self._server = None
        self._driver = None
        self._started = []
        self._procs = []
        self._server_dirs = []

    # -- lifecycle ------------------------------------------------------------------------------

    def __enter__(self):
        try:
            self._open()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _open(self):
        template = ensure_template()
        self.tmpdir = Path(tempfile.mkdtemp(prefix="keltrop-wine-"))
        self.prefix = self.tmpdir / "prefix"
        subprocess.run(["cp", "-a", str(template), str(self.prefix)], check=True)
        # The template's record of its server folder: this session's server makes its own.
        with contextlib.suppress(FileNotFoundError):
            (self.prefix / "wineserver").unlink()
        env = dict(_clean_env(), WINEPREFIX=str(self.prefix))
        if self.locale:
            env.update(LOCPATH=str(ensure_locale(self.locale)), LANG=self.locale,
                       LC_ALL=self.locale)
        else:
            env.update(LANG="C.UTF-8")
        if self.display:
            env["DISPLAY"] = self._start_xvfb()
        self.env = env

        self._server = subprocess.Popen(["wineserver", "-f", "-p"], env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while not any((d / "socket").exists() for d in _server_dirs(self.prefix)):
            if self._server.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("wineserver did not start")
            time.sleep(0.01)
        self._server_dirs = [d for d in _server_dirs(self.prefix) if d.exists()]
        # The first program starts Wine's background services, which inherit its output: let
        # that be a throw-away run rather than a pipe someone reads to the end.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=env, cwd=self.tmpdir,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)
        if self.locale and WINE_TAHOMA.exists():
            # Wine's own Tahoma has no CJK glyphs; link it to VL Gothic under this locale.
            self.run(["reg", "add",
                      r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
                      "/v", "Tahoma", "/t", "REG_MULTI_SZ", "/d", "VL-PGothic-Regular.ttf",
                      "/f"])

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=open(self.tmpdir / "xvfb.log", "wb"))
            os.close(write_fd)
            write_fd = None
            number = b""
            deadline = time.monotonic() + 20
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_fd], [], [], left)[0]:
                    raise RuntimeError("Xvfb did not report a display")
                chunk = os.read(read_fd, 64)
                if not chunk:
                    raise RuntimeError("Xvfb exited: see xvfb.log")
                number += chunk
            return ":" + number.decode().strip()
        finally:
            os.close(read_fd)
            if write_fd is not None:
                os.close(write_fd)

    def close(self):
        """Stops everything the session started; safe to call more than once."""
        if self._driver is not None:
            for pid in reversed(self._started):
                with contextlib.suppress(Exception):
                    self._driver.call("kill", pid=pid, reply_timeout=10)
            with contextlib.suppress(Exception):
                self._driver.close()
            self._driver = None
        self._started.clear()
        for proc in self._procs:
            _stop(proc)
        self._procs.clear()
        if self.env is not None:
            with contextlib.suppress(Exception):
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=20,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        if self._server is not None:
            _stop(self._server)
            self._server = None
        if self._xvfb is not None:
            _stop(self._xvfb)
            self._xvfb = None
        for d in self._server_dirs:
            shutil.rmtree(d, ignore_errors=True)
            if d.parent.name.startswith("wine-"):
                with contextlib.suppress(OSError):
                    d.parent.rmdir()
        self._server_dirs = []
        if self.tmpdir is not None:
            shutil.rmtree(self.tmpdir, ignore_errors=True)
            self.tmpdir = None

    # -- running programs -----------------------------------------------------------------------

    @property
    def driver(self):
        if self._driver is None:
            self._driver = Driver(self, paths.win32_exe("uidriver.exe"))
        return self._driver

    def winpath(self, unix_path):
        return "Z:" + os.path.abspath(str(unix_path)).replace("/", "\\")

    def run(self, args, cwd=None, timeout=60, input=None):
        """Runs a console program to its end; output goes through files, not pipes, so that a
        background process holding them open cannot stall the call."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen(["wine", *map(str, args)], env=self.env,
                                    cwd=cwd or self.tmpdir,
                                    stdin=subprocess.PIPE if input is not None
                                    else subprocess.DEVNULL,
                                    stdout=out, stderr=err)
            self._procs.append(proc)
            try:
                if input is not None:
                    proc.stdin.write(input)
                    proc.stdin.close()
                proc.wait(timeout=timeout)
            except BaseException:
                proc.kill()
                proc.wait()
                raise
            finally:
                self._procs.remove(proc)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(proc.args, proc.returncode, out.read(),
                                               err.read())

    def start(self, exe, *args, cwd=None, stdout=None):
        """Starts a GUI program through the driver, so that it is known by its Windows pid.
        stdout: a Unix path to take the program's standard output."""
        cmdline = subprocess.list2cmdline([self.winpath(exe), *map(str, args)])
        reply = self.driver.call("spawn", cmdline=cmdline,
                                 cwd=self.winpath(cwd) if cwd else None,
                                 stdout=self.winpath(stdout) if stdout else None)
        self._started.append(reply["pid"])
        return GuiProcess(self, reply["pid"])

    # -- X side ---------------------------------------------------------------------------------

    def x(self, *args, timeout=30, check=True):
        """Runs an X client (xdotool, xdnd-drop ...) against the session's display."""
        return subprocess.run([str(a) for a in args], env=self.env, timeout=timeout,
                              check=check, capture_output=True)

    def xdotool(self, *args):
        return self.x("xdotool", *args)

    def screenshot(self, path, window=None, rect=None):
        """PNG of an X window (id), or of the root, optionally cropped to rect=(x, y, w, h).
        A relative path lands in the artifacts folder."""
        path = Path(path)
        if not path.is_absolute():
            path = paths.artifacts() / path
        path.parent.mkdir(parents=True, exist_ok=True)
        args = ["import", "-window", hex(window) if window else "root"]
        if rect:
            x, y, w, h = rect
            args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        self.x(*args, f"png:{path}")
        return path

    def pixel(self, x, y):
        """(r, g, b) of the screen at root coordinates."""
        out = self.x("import", "-window", "root", "-crop", f"1x1+{x}+{y}", "+repage",
                     "-depth", "8", "txt:-").stdout.decode()
        line = out.splitlines()[-1]
        rgb = line.split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        return tuple(int(float(v)) for v in rgb)
