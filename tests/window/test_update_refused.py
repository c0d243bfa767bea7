"""Version 4 is offered, but the server sends a truncated program or a file that is no
program: nothing is installed or recorded, and the running copy shows its window.

usage: test_update_refused.py <program> <artifacts> <copy v3> <copy v4> <port>"""

import os
import sys

from update_support import Installation, UpdateServer
from x_session import (check, close_window, fail, screenshot, visible_windows, window_of,
                       window_owner)


def run(case, served, artifacts, old_copy, port):
    install = Installation(old_copy)
    server = UpdateServer(install.folder, port)
    try:
        server.offer(b"4\r\n", served)
        server.start()
        old = install.start()
        window = window_of(old.pid, 60)
        if not window:
            fail("%s: the running copy shows no window (exit code %s); folder %s; requests %s;"
                 " windows %s" % (case, old.poll(), sorted(os.listdir(install.folder)),
                                  server.requests(),
                                  [(w, window_owner(w)) for w in visible_windows("Zelvanto")]))
        screenshot(os.path.join(artifacts, "update_refused_%s.png" % case.replace(" ", "_")),
                   required=False)
        names = sorted(os.listdir(install.folder))
        check(names == ["Zelvanto.exe", "appdata", "home", "nginx", "settings.prefs"],
              "%s: the folder holds %s" % (case, names))
        check(install.read("settings.prefs") == b"Version = 3\r\n",
              "%s: settings.prefs holds %r" % (case, install.read("settings.prefs")))
        check(os.listdir(install.appdata) == [],
              "%s: appdata holds %s" % (case, os.listdir(install.appdata)))
        check(server.requests() == ["GET /update/version.txt HTTP/1.1",
                                    "GET /programs/Zelvanto.exe HTTP/1.1"],
              "%s: requests %s" % (case, server.requests()))
        code = close_window(window, old.pid, old)
        check(code == 0, "%s: exit code %s" % (case, code))
    finally:
        server.stop()
        install.remove()


def main():
    _, _, artifacts, old_copy, new_copy, port = sys.argv
    with open(new_copy, "rb") as f:
        program = f.read()
    run("truncated program", program[: len(program) // 2], artifacts, old_copy, int(port))
    run("no program", b"<html><body>Wartungsarbeiten</body></html>\n", artifacts, old_copy,
        int(port))
    print("ok")


if __name__ == "__main__":
    main()
