"""What every window test needs from the X session: failing with a message, running a
tool, waiting, finding the program's windows, closing them as a window manager would,
and screenshots. There is no window manager: every window sits where the program put it.

Not named test_*, so the build does not run it as a test of its own."""

import ctypes
import os
import re
import subprocess
import sys
import time

_failure_screenshot = []


def keep_screen_on_failure(path):
    """From now on, fail() first saves the whole screen at `path`, to see what stood in
    the way."""
    _failure_screenshot[:] = [path]


def fail(message):
    print("FAIL:", message, flush=True)
    if _failure_screenshot:
        screenshot(_failure_screenshot[0], required=False)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def run(*command):
    """The standard output of a tool (text); its exit code is not looked at."""
    return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout


def poll(predicate, seconds, step=0.05):
    """The first true value of `predicate` within `seconds`, else its value at the end.
    For waits whose outcome the caller judges, including waits for something not to
    happen."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def wait_for(what, predicate, seconds=30, step=0.1):
    """The first true value of `predicate`; fails naming `what` when none comes in time."""
    value = poll(predicate, seconds, step)
    if not value:
        fail("timed out waiting for " + what)
    return value


def alive(pid):
    """Whether process `pid` exists and has not ended (a zombie has ended)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def ended_early(process):
    if process.poll() is not None:
        fail(f"the program ended early with exit code {process.returncode}")


def visible_windows(title=None):
    """The ids of the visible windows, only those titled exactly `title` when given.
    Titles are compared here because xdotool's own name search misses titles with
    umlauts."""
    ids = [int(wid) for wid in run("xdotool", "search", "--onlyvisible", "--name", ".").split()]
    if title is None:
        return ids
    return [wid for wid in ids if run("xdotool", "getwindowname", str(wid)).strip() == title]


def window_owner(window):
    """The pid that owns `window` (from _NET_WM_PID), or None."""
    owner = run("xdotool", "getwindowpid", str(window)).strip()
    return int(owner) if owner.isdigit() else None


def window_named(title, process, besides=(), seconds=30, what=None):
    """The first visible window titled `title` that is not one of `besides`; fails when
    none appears within `seconds` or when `process` (our child) ends meanwhile."""
    besides = {besides} if isinstance(besides, int) else set(besides)

    def find():
        ended_early(process)
        for wid in visible_windows(title):
            if wid not in besides:
                return wid
        return None
    return wait_for(what or f"the window {title!r}", find, seconds)


def window_of(pid, seconds, title="Zelvanto"):
    """The id of a visible window titled `title` that belongs to `pid`, or None when
    none appears within `seconds` (`pid` need not be our child)."""

    def find():
        for wid in visible_windows(title):
            if window_owner(wid) == pid:
                return wid
        return None
    return poll(find, seconds, step=0.2)


def gone(window):
    """A predicate: `window` is no longer visible."""
    return lambda: window not in visible_windows()


def geometry(window):
    """(x, y, width, height) of `window`'s client area on the screen."""
    info = run("xwininfo", "-id", str(window))
    values = dict(re.findall(
        r"(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)", info))
    keys = ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")
    if any(key not in values for key in keys):
        fail(f"xwininfo tells no geometry for window {window}:\n{info}")
    return tuple(int(values[key]) for key in keys)


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


def close_window(window, pid, child=None, seconds=15):
    """Asks `window` to close, as a window manager's close box does, and waits up to
    `seconds` for process `pid` to end; fails when it does not. Returns the exit code
    when the process is our child `child` (a Popen), else None."""
    request_close(window)
    if child is not None:
        try:
            return child.wait(seconds)
        except subprocess.TimeoutExpired:
            fail("the program did not end when its window was closed")
    check(poll(lambda: not alive(pid), seconds),
          "the program did not end when its window was closed")
    return None


def screenshot(path, window="root", required=True):
    """Saves `window` (an id, or "root" for the whole screen) as an image at `path`.
    A capture that fails fails the test only when `required`."""
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    try:
        result = subprocess.run(["import", "-window", str(window), path],
                                capture_output=True, text=True, timeout=30)
        problem = result.stderr if result.returncode != 0 else None
    except subprocess.TimeoutExpired:
        problem = "import took longer than 30 seconds"
    if required and problem is not None:
        fail(f"no screenshot of window {window}:\n{problem}")
