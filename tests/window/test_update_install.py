"""A running copy of version 3 finds version 4 on the update server (nginx on
127.0.0.1), installs it beside itself as Zelvanto4.exe, records the version, starts the
new copy with the hand-over parameters and ends; the new copy deletes the old file,
finds nothing newer and shows its window.

usage: test_update_install.py <program> <artifacts> <copy v3> <copy v4> <port>"""

import os
import sys

from update_support import Installation, UpdateServer, program_form
from x_session import alive, check, close_window, fail, poll, screenshot, window_of


def main():
    _, _, artifacts, old_copy, new_copy, port = sys.argv
    install = Installation(old_copy)
    server = UpdateServer(install.folder, int(port))
    try:
        with open(new_copy, "rb") as f:
            new_bytes = f.read()
        server.offer(b"4\r\n", new_bytes)
        server.start()

        old = install.start()
        try:
            code = old.wait(120)
        except Exception:
            fail("the old copy did not end after installing the update")
        check(code == 0, "the old copy ended with exit code %d" % code)

        installed = install.path("Zelvanto4.exe")
        check(os.path.exists(installed), "Zelvanto4.exe is not installed")
        check(install.read("Zelvanto4.exe") == new_bytes, "Zelvanto4.exe is not the download")
        check(install.read("settings.prefs") == b"Version = 4\r\n",
              "settings.prefs holds %r" % install.read("settings.prefs"))
        check(os.listdir(install.appdata) == [], "appdata holds %s" % os.listdir(install.appdata))

        running = poll(lambda: [p for p in install.processes() if p[1][0] == installed], 10)
        check(running, "the new copy is not running")
        new_pid, argv = running[0]
        check(argv[1:] == ["/update", program_form(install.program)],
              "the new copy runs with %r" % argv[1:])
        check(os.readlink("/proc/%d/cwd" % new_pid) == install.folder,
              "the new copy runs in another folder")
        check(poll(lambda: not os.path.exists(install.program), 15),
              "the old Zelvanto.exe is still there")

        window = window_of(new_pid, 60)
        check(window, "the new copy shows no window")
        screenshot(os.path.join(artifacts, "update_installed.png"), required=False)
        # Finding no newer version than its own, the new copy stays.
        check(not poll(lambda: not alive(new_pid), 1.0), "the new copy ended by itself")
        check(server.requests() ==
              ["GET /update/version.txt HTTP/1.1", "GET /programs/Zelvanto.exe HTTP/1.1",
               "GET /update/version.txt HTTP/1.1"],
              "requests: %s" % server.requests())
        close_window(window, new_pid)
        print("ok")
    finally:
        server.stop()
        install.remove()


if __name__ == "__main__":
    main()
