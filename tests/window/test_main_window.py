#!/usr/bin/env python3
"""The real program in a real X window (no window manager, as under Xvfb).

Arguments: the program's path, the folder for artefacts (the screenshot).
Starts the program in a fresh current folder, checks the main window's place, size,
title and size limits, saves a screenshot, asks the window to close the way a window
manager does (WM_DELETE_WINDOW) and checks that the program ends with exit code 0.
"""
import ctypes
import os
import re
import subprocess
import sys
import tempfile
import time


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout


def find_window(process, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if process.poll() is not None:
            fail(f"the program ended early with exit code {process.returncode}")
        ids = run("xdotool", "search", "--name", "^Zelvanto$").split()
        if ids:
            return int(ids[0])
        time.sleep(0.1)
    fail("no window titled Zelvanto appeared")


def request_close(window):
    """Sends WM_PROTOCOLS/WM_DELETE_WINDOW, as a window manager's close box does."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(None)
    if not display:
        fail("cannot open the X display")
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def main():
    program, artifacts = sys.argv[1], sys.argv[2]
    os.makedirs(artifacts, exist_ok=True)
    if not os.environ.get("DISPLAY"):
        fail("no X display (./dev test starts Xvfb when there is none)")
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, HOME=folder)
        process = subprocess.Popen([program], cwd=folder, env=env)
        try:
            window = find_window(process)
            time.sleep(0.5)  # let it draw

            info = run("xwininfo", "-id", str(window))
            geometry = {key: int(value) for key, value in re.findall(
                r"(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)", info)}
            expected = {"Absolute upper-left X": 108, "Absolute upper-left Y": 209,
                        "Width": 748, "Height": 433}
            if geometry != expected:
                fail(f"window geometry {geometry}, expected {expected}")

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
            subprocess.run(["import", "-window", str(window), shot], check=True, timeout=30)
            # The banner is drawn: its top-left corner is orange.
            pixel = run("convert", shot, "-format", "%[fx:int(255*p{2,2}.r)],"
                        "%[fx:int(255*p{2,2}.g)],%[fx:int(255*p{2,2}.b)]", "info:")
            red, green, blue = (int(v) for v in pixel.split(","))
            if not (red > 200 and 100 < green < 180 and blue < 60):
                fail(f"banner corner is {red},{green},{blue}, not orange")

            request_close(window)
            code = process.wait(timeout=30)
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
