#!/usr/bin/python3
"""Start-up time of keltrop_frontend against a bare Win32 window, in one Wine session.

Each start is measured by the UI driver inside the session: from CreateProcess until the main
window is visible and neither it nor any child has a pending paint. Starts of the two programs
alternate, after one unmeasured start each, so that both see the same warm wineserver and the
same drift of the machine. The ratio of the medians is the figure to watch (goal: <= 1.3).
"""

import argparse
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests/e2e"))

from harness import paths  # noqa: E402
from harness.wine import WineSession  # noqa: E402

PROGRAMS = [("floor", "floorwin.exe", "FloorWin"),
            ("frontend", "keltrop_frontend.exe", "TFormSelect")]


def start_once(w, exe, cls):
    d = w.driver
    reply = d.call("launch", cmdline=w.winpath(exe), timeout=20000, **{"class": cls})
    # Ended at once: Wine spends about 2 s destroying a top-level window on WM_CLOSE.
    d.call("kill", pid=reply["pid"])
    return reply


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("-n", "--runs", type=int, default=15, help="measured starts per program")
    ap.add_argument("--locale", default="ja_JP.UTF-8",
                    help="locale of the session ('' for the default)")
    args = ap.parse_args()

    exes = {name: paths.win32_exe(exe) for name, exe, _ in PROGRAMS}
    missing = [str(p) for p in exes.values() if not p.exists()]
    if missing:
        sys.exit(f"not built: {', '.join(missing)}")

    samples = {name: [] for name, _, _ in PROGRAMS}
    peaks = {name: [] for name, _, _ in PROGRAMS}
    with WineSession(locale=args.locale or None) as w:
        for name, _, cls in PROGRAMS:
            start_once(w, exes[name], cls)
        for _ in range(args.runs):
            for name, _, cls in PROGRAMS:
                r = start_once(w, exes[name], cls)
                samples[name].append((r["visible_ms"], r["painted_ms"]))
                peaks[name].append(r["memory"]["peak_working_set"])

    med = {n: (statistics.median(v for v, _ in s), statistics.median(p for _, p in s))
           for n, s in samples.items()}
    print(f"start-up under Wine, median of {args.runs} warm starts each")
    print(f"{'program':<10} {'visible ms':>11} {'painted ms':>11} {'min..max painted':>17} "
          f"{'exe KiB':>8} {'peak WS KiB':>12}")
    for name, _, _ in PROGRAMS:
        painted = [p for _, p in samples[name]]
        print(f"{name:<10} {med[name][0]:>11.1f} {med[name][1]:>11.1f} "
              f"{min(painted):>8.1f}..{max(painted):<8.1f} "
              f"{exes[name].stat().st_size / 1024:>8.0f} "
              f"{statistics.median(peaks[name]) / 1024:>12.0f}")
    ratio = med["frontend"][1] / med["floor"][1]
    print(f"ratio frontend/floor (painted): {ratio:.2f}  (goal <= 1.3)")


if __name__ == "__main__":
    main()
