"""Client of uidriver.exe: one JSON request per line, one JSON reply per line."""

import json
import os
import select
import subprocess
import time


class DriverError(RuntimeError):
    """The driver answered a request with an error, or stopped answering."""


class Driver:
    def __init__(self, session, exe):
        if not exe.exists():
            raise FileNotFoundError(f"{exe} is missing: build the uidriver target")
        self._log = open(session.tmpdir / "uidriver.stderr", "wb")
        self.proc = subprocess.Popen(
            ["wine", str(exe)],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            stderr=self._log,
            env=session.env,
            cwd=session.tmpdir,
        )
        self._buf = b""
        self.pid = self.call("ping", reply_timeout=60)["pid"]

    def call(self, cmd, reply_timeout=None, **args):
        """Sends one request; returns the reply, raises DriverError when it says ok=false."""
        if self.proc.poll() is not None:
            raise DriverError(f"uidriver has exited with {self.proc.returncode}")
        request = {"cmd": cmd, **{k: v for k, v in args.items() if v is not None}}
        self.proc.stdin.write(json.dumps(request).encode() + b"\n")
        self.proc.stdin.flush()
        if reply_timeout is None:
            # Requests that wait inside the driver carry their own "timeout" in milliseconds.
            reply_timeout = 30 + (args.get("timeout") or 0) / 1000
        reply = json.loads(self._readline(reply_timeout))
        if not reply.get("ok"):
            raise DriverError(f"{cmd}: {reply.get('error')}")
        return reply

    def _readline(self, timeout):
        deadline = time.monotonic() + timeout
        fd = self.proc.stdout.fileno()
        while b"\n" not in self._buf:
            left = deadline - time.monotonic()
            if left <= 0:
                raise DriverError("uidriver did not answer in time")
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise DriverError("uidriver closed its output")
                self._buf += chunk
        line, self._buf = self._buf.split(b"\n", 1)
        return line.decode("utf-8")

    def close(self):
        if self.proc.poll() is None:
            try:
                self.call("quit", reply_timeout=5)
                self.proc.wait(timeout=5)
            except (DriverError, OSError, subprocess.TimeoutExpired, ValueError):
                pass
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except OSError:
                pass
        self._log.close()

    # Convenience wrappers for the requests tests use most.

    def find(self, cls=None, title=None, pid=None, visible=None, timeout=5000):
        return self.call("find", timeout=timeout, title=title, pid=pid, visible=visible,
                         **{"class": cls})["hwnd"]

    def windows(self, pid=None, text=False):
        return self.call("windows", pid=pid, text=text)["windows"]

    def children(self, hwnd):
        return self.call("children", hwnd=hwnd)["children"]

    def info(self, hwnd):
        return self.call("info", hwnd=hwnd)["window"]

    def text(self, hwnd, ansi=False):
        return self.call("gettext", hwnd=hwnd, ansi=ansi)["text"]

    def set_text(self, hwnd, text, ansi=False):
        return self.call("settext", hwnd=hwnd, text=text, ansi=ansi)["result"]

    def focus(self, hwnd):
        return self.call("focus", hwnd=hwnd)

    def click(self, hwnd, post=False, timeout=5000):
        return self.call("click", hwnd=hwnd, post=post, timeout=timeout)

    def send(self, hwnd, msg, wparam=0, lparam=0, timeout=5000):
        return self.call("send", hwnd=hwnd, msg=msg, wparam=wparam, lparam=lparam,
                         timeout=timeout)["result"]

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.call("post", hwnd=hwnd, msg=msg, wparam=wparam, lparam=lparam)

    def move(self, hwnd, x=None, y=None, w=None, h=None):
        self.call("move", hwnd=hwnd, x=x, y=y, w=w, h=h)

    def acp(self):
        return self.call("acp")["acp"]

    def version(self, path, table=None, keys=None):
        return self.call("version", path=path, table=table, keys=keys)

    def painted(self, hwnd, timeout=5000):
        return self.call("painted", hwnd=hwnd, timeout=timeout)["painted"]

    def xid(self, hwnd):
        return self.call("xid", hwnd=hwnd)["xid"]
