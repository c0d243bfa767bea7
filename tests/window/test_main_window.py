#!/usr/bin/env python3
"""The real program in a real X window (no window manager, as under Xvfb).

Arguments: the program's path, the folder for artefacts (the screenshot).
Starts the program in a fresh current folder, checks the main window's place, size,
title and size limits, saves a screenshot, asks the window to close the way a window
manager does (WM_DELETE_WINDOW) and checks that the program ends with exit code 0.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

from x_session import close_window, fail, geometry, run, screenshot, window_named


def main():
    program, artifacts = sys.argv[1], sys.argv[2]
    os.makedirs(artifacts, exist_ok=True)
    if not os.environ.get("DISPLAY"):
        fail("no X display (./dev test starts Xvfb when there is none)")
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, HOME=folder)
        process = subprocess.Popen([program], cwd=folder, env=env)
        try:
            window = window_named("Zelvanto", process)
            time.sleep(0.5)  # let it draw

            placed = geometry(window)
            expected = (108, 209, 748, 433)  # x, y, width, height
            if placed != expected:
                fail(f"window geometry {placed}, expected {expected}")

            props = run("xprop", "-id", str(window), "WM_NAME", "_NET_WM_NAME",
                        "WM_NORMAL_HINTS", "_MOTIF_WM_HINTS", "_NET_WM_ICON")
            if '"Zelvanto"' not in props:
                fail("title is not Zelvanto:\n" + props)
            if "minimum size: 748 by 433" not in props or "maximum size: 748 by 433" not in props:
                fail("the window can be resized:\n" + props)
            motif = re.search(r"_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = (0x[0-9a-f]+), (0x[0-9a-f]+)",
                              props)
            if not motif or int(motif.group(2), 16) & 0x12:  # MWM_FUNC_RESIZE | MAXIMIZE
                fail("the window offers resizing or maximising:\n" + props)
            if "Icon (32 x 32)" not in props:
                fail("the window carries no 32 x 32 icon")

            shot = os.path.join(artifacts, "main-window.png")
            screenshot(shot, window)
            # The banner is drawn: its top-left corner is orange.
            pixel = run("convert", shot, "-format", "%[fx:int(255*p{2,2}.r)],"
                        "%[fx:int(255*p{2,2}.g)],%[fx:int(255*p{2,2}.b)]", "info:")
            red, green, blue = (int(v) for v in pixel.split(","))
            if not (red > 200 and 100 < green < 180 and blue < 60):
                fail(f"banner corner is {red},{green},{blue}, not orange")

            code = close_window(window, process.pid, process, seconds=30)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        if code != 0:
            fail(f"exit code {code}")
    print("ok: 748x433 at (108,209), titled Zelvanto, fixed size, closed with exit code 0;",
          "screenshot", shot)


if __name__ == "__main__":
    main()
