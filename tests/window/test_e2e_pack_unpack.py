#!/usr/bin/env python3
"""Pack and unpack in the real window, driven with xdotool as a person would.

Arguments: the program's path, the folder for artefacts (screenshots).
On the "Packen" tab two files are chosen in one multiple selection of the file chooser,
"ZIP" is ticked, the archive is named in the save chooser, a password is set in the
password dialog and "Packen" is pressed. On the "Entpacken" tab the archive is chosen, a
new folder is chosen in the folder chooser, "Entpacken" asks for the password, and the
files that come out must have the bytes of the originals and their modification times (to
the minute, as extraction sets them).
On the way, a name without a cp1252 form is refused with a message and the chooser opens
again, the main window takes no click while a chooser is open, and no chooser changes the
program's current folder. Screenshots of both tabs, the chooser, the refusal and the
password dialog are kept.
There is no window manager: every window sits where the program asked for it.
"""
import os
import random
import re
import subprocess
import sys
import tempfile
import time

from x_session import (fail, geometry, gone, keep_screen_on_failure, run, screenshot,
                       wait_for, window_named)

MAIN = (108, 209)          # the main window's client area on the screen
DIALOG = (299, 194)        # the password dialog's client area
TABS = (230, 10)           # the tab control inside the main window
CREAM = (255, 254, 233)    # the background of every text field
PASSWORD = "Gr\u00fcn-7 Tor"  # a non-ASCII password, typed like any other
STAMP = time.mktime((2021, 3, 4, 5, 6, 8, 0, 0, -1))
# Extraction gives each file its entry's date to the minute, with seconds 0.
UNPACKED_STAMP = time.mktime((2021, 3, 4, 5, 6, 0, 0, 0, -1))


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=30)
    time.sleep(0.25)


def click(x, y, modifier=None):
    if modifier:
        xdo("mousemove", str(x), str(y), "keydown", modifier, "click", "1", "keyup", modifier)
    else:
        xdo("mousemove", str(x), str(y), "click", "1")


def type_text(text):
    xdo("type", "--delay", "60", text)


def origin(window):
    """The screen position of a window's client area."""
    return geometry(window)[:2]


def press_ok(chooser):
    """The chooser's "OK" button, at the same place in every one of FLTK's choosers."""
    x, y = origin(chooser)
    click(x + 342, y + 357)


def row(chooser, index):
    """The screen y of a line of the chooser's file list ("../" is line 0)."""
    return origin(chooser)[1] + 55 + 19 * index


def page_origin(main_window, artifacts):
    """Where the tab pages start inside the client area, found from SourceField's cream
    background at page position (18, 38): the header height depends on the font."""
    path = os.path.join(artifacts, "e2e-start.png")
    screenshot(path, main_window)
    text = run("convert", path, "-crop", "500x200+230+0", "+repage", "txt:-")
    for line in text.splitlines():
        m = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+)", line)
        if m and tuple(int(v) // 257 if int(v) > 255 else int(v) for v in m.groups()[2:]) == CREAM:
            return 230 + int(m.group(1)) - 18 - 2, int(m.group(2)) - 38 - 2
    fail("SourceField's cream background was not found")


def main():
    program, artifacts = sys.argv[1], sys.argv[2]
    os.makedirs(artifacts, exist_ok=True)
    keep_screen_on_failure(os.path.join(artifacts, "e2e-failure.png"))
    if not os.environ.get("DISPLAY"):
        fail("no X display (./dev test starts Xvfb when there is none)")
    with tempfile.TemporaryDirectory() as root:
        home, work = os.path.join(root, "home"), os.path.join(root, "work")
        desktop = os.path.join(home, "Desktop")
        target = os.path.join(work, "Ziel")
        for folder in (desktop, work):
            os.makedirs(folder)
        rng = random.Random(5)
        originals = {
            "Brief.txt": ("Sehr geehrte Damen und Herren,\n" * 20000).encode(),
            "Foto.jpg": bytes(rng.getrandbits(8) for _ in range(150000)),
        }
        for name, data in originals.items():
            path = os.path.join(desktop, name)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (STAMP, STAMP))
        with open(os.path.join(desktop, "Schneemann \u2603.txt"), "wb") as f:
            f.write(b"no cp1252 form")
        os.makedirs(target)  # the new, empty folder to unpack into

        env = {k: v for k, v in os.environ.items()
               if k.lower() not in ("appdata", "homedrive", "homepath")}
        env["HOME"] = home
        pointer = re.findall(r"[xy]:(\d+)", run("xdotool", "getmouselocation"))
        process = subprocess.Popen([program], cwd=work, env=env)
        try:
            main_window = window_named("Zelvanto", process)
            if origin(main_window) != MAIN:
                fail(f"main window at {origin(main_window)}")
            time.sleep(0.5)
            px, py = page_origin(main_window, artifacts)

            def on_page(x, y):
                return MAIN[0] + px + x, MAIN[1] + py + y

            # --- Packen: two files in one multiple selection ---
            click(*on_page(368 + 15, 38 + 15))  # SourceBrowseButton
            title = "Bitte w\u00e4hlen Sie die Datei/n aus:"
            chooser = window_named(title, process)
            time.sleep(0.5)
            screenshot(os.path.join(artifacts, "e2e-file-chooser.png"), chooser)
            cx, cy = origin(chooser)
            # The chooser is modal: "Beenden" in the main window does nothing meanwhile, and
            # nothing later either (a queued click would end the program after the chooser).
            click(MAIN[0] + 630 + 55, MAIN[1] + 392 + 20)
            time.sleep(0.5)
            if process.poll() is not None or gone(chooser)():
                fail("the main window took a click while the chooser was open")
            # The chooser opens in the Desktop folder: "../", "Brief.txt", "Foto.jpg",
            # then the name the program cannot use: it is refused with a message, and the
            # chooser opens again.
            click(cx + 60, row(chooser, 3))
            press_ok(chooser)
            message = window_named("Zelvanto", process, besides=main_window, what="the refusal")
            time.sleep(0.3)
            screenshot(os.path.join(artifacts, "e2e-refusal.png"), message)
            xdo("key", "Return")
            wait_for("the refusal to close", gone(message))
            chooser = window_named(title, process)
            time.sleep(0.3)
            cx, cy = origin(chooser)
            click(cx + 60, row(chooser, 1))
            click(cx + 60, row(chooser, 2), modifier="ctrl")
            press_ok(chooser)
            wait_for("the file chooser to close", gone(chooser))

            click(*on_page(18 + 8, 118 + 10))  # ZipCheckBox
            click(*on_page(368 + 15, 178 + 15))  # ArchiveBrowseButton
            saver = window_named(
                "Bitte w\u00e4hlen Sie aus wo Sie die Datei speichern m\u00f6chten:", process)
            time.sleep(0.5)
            # "Filename:" proposes the Desktop folder; the person adds the archive's name
            # (FLTK's field completes typed names, so only a name without a match is typed).
            sx, sy = origin(saver)
            click(sx + 470, sy + 322)  # the end of "Filename:"
            xdo("key", "End")
            type_text("/")
            type_text("Sicherung")  # ".zip" is added by the program
            press_ok(saver)
            wait_for("the save chooser to close", gone(saver))

            click(*on_page(418 + 40, 148 + 20))  # PasswordButton
            dialog = window_named("Passwort zum Archiv hinzuf\u00fcgen", process)
            if origin(dialog) != DIALOG:
                fail(f"password dialog at {origin(dialog)}")
            click(DIALOG[0] + 30 + 100, DIALOG[1] + 30 + 15)  # PasswordField
            type_text(PASSWORD)
            click(DIALOG[0] + 30 + 100, DIALOG[1] + 120 + 15)  # ConfirmField
            type_text(PASSWORD)
            time.sleep(0.3)
            screenshot(os.path.join(artifacts, "e2e-password-dialog.png"), dialog)
            click(DIALOG[0] + 240 + 65, DIALOG[1] + 180 + 20)  # DoneButton
            wait_for("the password dialog to close", gone(dialog))

            click(*on_page(418 + 40, 318 + 15))  # PackButton
            archive = os.path.join(desktop, "Sicherung.zip")
            wait_for("the archive", lambda: os.path.exists(archive) and subprocess.run(
                ["unzip", "-qq", "-t", "-P", PASSWORD.encode("cp1252"), archive],
                capture_output=True).returncode == 0)
            listing = sorted(run("unzip", "-Z1", archive).split())  # in the chooser's order
            if listing != ["Brief.txt", "Foto.jpg"]:
                fail(f"archive holds {listing}")
            time.sleep(0.5)
            screenshot(os.path.join(artifacts, "e2e-tab-packen.png"), main_window)

            # --- Entpacken ---
            click(MAIN[0] + TABS[0] + 85, MAIN[1] + TABS[1] + (py - TABS[1] - 4) // 2)
            click(*on_page(368 + 15, 48 + 15))  # UnpackBrowseButton
            opener = window_named("Biite w\u00e4hlen Sie das zue entpackende Archiv aus", process)
            time.sleep(0.5)
            ox, _ = origin(opener)
            click(ox + 60, row(opener, 1))  # "../", "Sicherung.zip" (the filter shows *.zip)
            press_ok(opener)
            wait_for("the archive chooser to close", gone(opener))

            click(*on_page(368 + 15, 128 + 15))  # DestinationBrowseButton
            folders = window_named("Ausgabeort:", process)
            time.sleep(0.5)
            fx, _ = origin(folders)
            click(fx + 60, row(folders, 1))  # "../", "Ziel/" in the current folder
            press_ok(folders)
            wait_for("the folder chooser to close", gone(folders))
            time.sleep(0.3)
            screenshot(os.path.join(artifacts, "e2e-tab-entpacken.png"), main_window)

            # No chooser changed the program's current folder.
            if os.readlink(f"/proc/{process.pid}/cwd") != work:
                fail("a chooser changed the current folder")

            click(*on_page(368 + 65, 308 + 20))  # UnpackButton
            dialog = window_named("Passwort zum Archiv hinzuf\u00fcgen", process)
            click(DIALOG[0] + 30 + 100, DIALOG[1] + 30 + 15)
            type_text(PASSWORD)
            click(DIALOG[0] + 30 + 100, DIALOG[1] + 120 + 15)
            type_text(PASSWORD)
            click(DIALOG[0] + 240 + 65, DIALOG[1] + 180 + 20)
            wait_for("the password dialog to close", gone(dialog))

            def unpacked():
                for name, data in originals.items():
                    path = os.path.join(target, name)
                    if not os.path.exists(path):
                        return False
                    with open(path, "rb") as f:
                        if f.read() != data:
                            return False
                return True
            wait_for("the unpacked files with the original bytes", unpacked)
            for name in originals:
                got = os.stat(os.path.join(target, name)).st_mtime
                if got != UNPACKED_STAMP:
                    fail(f"{name}: modification time {got}, expected {UNPACKED_STAMP}")
            time.sleep(0.3)
            screenshot(os.path.join(artifacts, "e2e-tab-entpacken-done.png"), main_window)

            click(MAIN[0] + 630 + 55, MAIN[1] + 392 + 20)  # QuitButton
            code = process.wait(timeout=30)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            if len(pointer) == 2:  # leave the pointer where the test found it
                subprocess.run(["xdotool", "mousemove", *pointer], timeout=30)
        if code != 0:
            fail(f"exit code {code}")
    print("ok: packed two files with a password and unpacked them into a new folder with the",
          "same bytes and times; screenshots in", artifacts)


if __name__ == "__main__":
    main()
