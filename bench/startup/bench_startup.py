#!/usr/bin/python3
"""Start-up to the window shown, measured from outside on a virtual X screen.

For each run it starts a program and waits for the X server's MapNotify of its first top-level
window; prints the median of the runs for the tool and for an empty Qt window, the tool's ratio
to (empty window + the tool's 100 ms start-up step). Where the tool's own time goes inside the
process is printed by bench_startup_steps.

    bench_startup.py TABLO EMPTY_WINDOW [runs, default 15]

Needs Debian's xvfb and python3-xlib. The tool runs as a portable copy in a temporary folder, with
a data file (so no dialog opens) and a port that does not exist.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display


def start_xvfb():
    for n in range(90, 120):
        if os.path.exists(f"/tmp/.X11-unix/X{n}"):
            continue
        proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-ac", "-noreset"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            time.sleep(0.05)
            try:   # the socket may be there before the server answers
                display.Display(f":{n}").close()
                return proc, f":{n}"
            except Exception:
                continue
        proc.kill()
    sys.exit("no free display for Xvfb")


def time_to_map(command, disp_name, cwd, env):
    d = display.Display(disp_name)
    root = d.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    d.sync()
    t0 = time.perf_counter()
    proc = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = None
    while elapsed is None:
        e = d.next_event()
        if e.type == X.MapNotify and not e.override:
            elapsed = (time.perf_counter() - t0) * 1000
    proc.terminate()
    try:
        _, err = proc.communicate(timeout=5)
    except subprocess.TimeoutExpired:
        proc.kill()
        _, err = proc.communicate()
    d.close()
    return elapsed, err.decode(errors="replace")


def main():
    tablo, empty = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    xvfb, disp_name = start_xvfb()
    env = dict(os.environ, DISPLAY=disp_name, QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    try:
        work = tempfile.mkdtemp()
        # A portable copy: the tool keeps its files beside itself, with a data file so no dialog opens.
        exe = os.path.join(work, "tablo")
        shutil.copy(tablo, exe)
        with open(os.path.join(work, "Tablo_data.tbl"), "wb") as f:
            f.write(b"1.0000\r\n" * 10)
        with open(os.path.join(work, "Quorvanel_tablo.ini"), "wb") as f:
            f.write(b"[Settings]\r\nPort_Number=/dev/null-none\r\n")
        tool, blank = [], []
        for i in range(runs + 2):   # the first two warm the caches
            t, _ = time_to_map([exe], disp_name, work, env)
            e, _ = time_to_map([empty], disp_name, work, env)
            if i >= 2:
                tool.append(t)
                blank.append(e)
        mt, me = statistics.median(tool), statistics.median(blank)
        print(f"window shown: tool median {mt:.1f} ms (min {min(tool):.1f}), empty Qt window median {me:.1f} ms "
              f"(min {min(blank):.1f}), over {runs} runs")
        print(f"ratio tool / (empty window + 100 ms start-up step): {mt / (me + 100):.3f}")
        shutil.rmtree(work, ignore_errors=True)
    finally:
        xvfb.kill()


if __name__ == "__main__":
    main()
