#!/usr/bin/python3
"""The whole program on a real X server under a real window manager, driven
with real keys: what Qt's offscreen platform cannot show (window frames,
focus moves, places, a program file replaced while it runs, the picture on
screen).

Each test starts Xvfb and openbox of its own, copies Zelnor2 with its
language file into a folder of its own (so that the display file and the
settings are the test's), and plays the camera with zelnor2-camsim on a
pseudo-terminal that the ports folder names COM1.

usage: desktop_test.py BIN_DIR PICTURE_DIR
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

BIN = Path(sys.argv[1]) if len(sys.argv) > 1 else Path("build/bin")
PICTURES = Path(sys.argv[2]) if len(sys.argv) > 2 else Path("build/testdata")
PHOTO = PICTURES / "meadow-320x240.jpg"
WAIT = 15  # seconds; only bounds a wait that would otherwise hang


def wait_for(predicate, what, limit=WAIT):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if predicate():
            return
        time.sleep(0.05)
    raise AssertionError(f"waited {limit} s for {what}")


def read_settings(path):
    values = {}
    if path.exists():
        for line in path.read_text().splitlines():
            if "=" in line:
                key, value = line.split("=", 1)
                values[key.strip()] = int(value.strip())
    return values


def xwd_pixels(data):
    """Width, height and RGB rows of an xwd dump (ZPixmap, 24 or 32 bits)."""
    header_size, _, _, depth, width, height = struct.unpack(">6I", data[:24])
    fields = struct.unpack(">25I", data[:100])
    bits_per_pixel, bytes_per_line, ncolors = fields[11], fields[12], fields[19]
    byte_order = fields[7]
    if bits_per_pixel not in (24, 32):
        raise ValueError(f"xwd with {bits_per_pixel} bits per pixel")
    start = header_size + ncolors * 12
    step = bits_per_pixel // 8
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line: start + y * bytes_per_line + width * step]
        row = []
        for x in range(width):
            b, g, r = line[x * step], line[x * step + 1], line[x * step + 2]
            row.append((r, g, b) if byte_order == 0 else (b, g, r))
        rows.append(row)
    return width, height, rows


class Desktop:
    """An X server with a window manager, for one test."""

    def __init__(self):
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        number = self.server.stdout.readline().decode().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.manager = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: self.xdotool("search", "--class", "openbox").returncode in (0, 1)
                 and self.manager.poll() is None, "openbox")
        time.sleep(0.5)

    def env(self, extra=None):
        environment = dict(os.environ, DISPLAY=self.display)
        environment.pop("QT_QPA_PLATFORM", None)
        environment.pop("WAYLAND_DISPLAY", None)
        environment.update(extra or {})
        return environment

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env(), capture_output=True,
                              text=True, timeout=WAIT)

    def window(self, pid, name):
        found = []

        def look():
            result = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name",
                                  f"^{name}$")
            found[:] = result.stdout.split()
            return bool(found)

        wait_for(look, f"the window '{name}'")
        return found[0]

    def keys(self, window, *keys):
        self.xdotool("windowactivate", "--sync", window)
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)
            time.sleep(0.3)

    def frame_top_left(self, window):
        # The client's place on the screen less its place inside the frame.
        out = subprocess.run(["xwininfo", "-id", window], env=self.env(),
                             capture_output=True, text=True, timeout=WAIT).stdout
        values = {}
        for line in out.splitlines():
            if ":" in line:
                key, value = line.split(":", 1)
                values[key.strip()] = value.strip()
        return (int(values["Absolute upper-left X"]) - int(values["Relative upper-left X"]),
                int(values["Absolute upper-left Y"]) - int(values["Relative upper-left Y"]))

    def grab(self, window):
        data = subprocess.run(["xwd", "-silent", "-id", window], env=self.env(),
                              capture_output=True, timeout=WAIT).stdout
        return xwd_pixels(data)

    def close(self):
        for process in (self.manager, self.server):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


MISSING = [tool for tool in ("Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "xwd")
           if shutil.which(tool) is None]


@unittest.skipIf(MISSING, f"not installed: {' '.join(MISSING)} (scripts/setup installs them)")
class DesktopTest(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="zelnor2-desktop-"))
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.program = self.folder / "Zelnor2"
        shutil.copy2(BIN / "Zelnor2", self.program)
        shutil.copy2(BIN / "Zelnor2.INI", self.folder / "Zelnor2.INI")
        self.config = self.folder / "config"
        self.ports = self.folder / "ports"
        self.ports.mkdir()
        self.settings = self.config / "Zelnor" / "Zelnor2.ini"
        self.desktop = Desktop()
        self.addCleanup(self.desktop.close)
        self.camera = None

    def start_camera(self, *options):
        self.camera = subprocess.Popen(
            [str(BIN / "zelnor2-camsim"), "--link", str(self.ports / "COM1"), "--speed",
             "115200", "--unpaced", "--pause", "200", *options, str(PHOTO)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, self.camera)
        wait_for(lambda: (self.ports / "COM1").is_symlink(), "the camera's line")

    def start_program(self):
        environment = self.desktop.env({
            "XDG_CONFIG_HOME": str(self.config), "XDG_CACHE_HOME": str(self.folder / "cache"),
            "XDG_RUNTIME_DIR": str(self.folder), "ZELNOR2_PORTS": str(self.ports),
            "ZELNOR2_LOCK_DIR": str(self.folder)})
        process = subprocess.Popen([str(self.program)], cwd=self.folder, env=environment,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.addCleanup(self.stop, process)
        dialog = self.desktop.window(process.pid, "Picture control")
        picture = self.desktop.window(process.pid, "Picture")
        time.sleep(0.5)  # the window manager settles the frames
        return process, dialog, picture

    # From the focus that Connect leaves on Disconnect, back over the status
    # line (Stop is hidden) to the command: 2 steps to Live Mode, 3 to Get
    # Continues JPEGs.
    LIVE_MODE = 2
    CAPTURE = 3

    def connect_and_press(self, dialog, steps_back):
        """Connects with Enter, then presses a picture command with Space."""
        self.desktop.keys(dialog, "Return")
        time.sleep(1)
        self.desktop.keys(dialog, *(["shift+Tab"] * steps_back), "space")

    @staticmethod
    def stop(process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()

    def exit_with_escape(self, process, dialog):
        self.desktop.keys(dialog, "Escape")
        self.assertEqual(process.wait(WAIT), 0, process.stderr.read().decode())

    def store(self, **values):
        self.settings.parent.mkdir(parents=True, exist_ok=True)
        lines = ["[WindowsPlaces]"] + [f"{k}={v}" for k, v in values.items()]
        self.settings.write_text("\n".join(lines) + "\n")

    def test_places_stay_over_three_starts(self):
        self.store(MainX=100, MainY=100, PictureX=400, PictureY=120)
        for cycle in range(3):
            with self.subTest(cycle=cycle):
                process, dialog, picture = self.start_program()
                # The frames come back where they were: the window manager
                # frames a window a moment after it is shown.
                places = []

                def settled():
                    places[:] = [self.desktop.frame_top_left(dialog),
                                 self.desktop.frame_top_left(picture)]
                    return places == [(100, 100), (400, 120)]

                try:
                    wait_for(settled, "both frames at their stored places", 5)
                except AssertionError:
                    self.fail(f"the frames stand at {places}")
                # The program's camera is the window's icon.
                icon = subprocess.run(["xprop", "-id", dialog, "_NET_WM_ICON"],
                                      env=self.desktop.env(), capture_output=True, text=True,
                                      timeout=WAIT).stdout
                self.assertIn("Icon (48 x 48)", icon)
                self.exit_with_escape(process, dialog)
                stored = read_settings(self.settings)
                self.assertEqual((stored["MainX"], stored["MainY"]), (100, 100))
                self.assertEqual((stored["PictureX"], stored["PictureY"]), (400, 120))

    def test_enter_twice_and_the_focus_after_stop(self):
        self.start_camera()
        process, dialog, _ = self.start_program()
        display = self.folder / "temp.jpg"
        # Enter is Connect; a second Enter a second later, and a third once
        # connected (the focus then rests on Disconnect), change nothing.
        self.desktop.keys(dialog, "Return")
        time.sleep(1)
        self.desktop.keys(dialog, "Return")
        time.sleep(1)
        self.assertIsNone(process.poll(), "Enter ended the program")
        self.desktop.keys(dialog, *(["shift+Tab"] * self.LIVE_MODE), "space")
        wait_for(display.exists, "a live picture (so the link was still connected)")
        # Stop has the focus: Space stops, and the focus is back on Live Mode,
        # which the next Space starts again.
        self.desktop.keys(dialog, "Return", "space")
        wait_for(lambda: not display.exists(), "live mode to stop")
        self.desktop.keys(dialog, "space")
        wait_for(display.exists, "live mode started again from the focus")
        self.desktop.keys(dialog, "space")
        wait_for(lambda: not display.exists(), "live mode to stop again")
        self.exit_with_escape(process, dialog)

    def test_a_live_picture_on_screen(self):
        from PIL import Image
        self.start_camera()
        process, dialog, picture = self.start_program()
        self.connect_and_press(dialog, self.LIVE_MODE)
        wait_for((self.folder / "temp.jpg").exists, "a live picture")
        # On top, so that the grab sees the window itself.
        self.desktop.xdotool("windowactivate", "--sync", picture)
        time.sleep(0.5)
        width, height, rows = self.desktop.grab(picture)
        self.assertEqual((width, height), (640, 480))
        expected = Image.open(PHOTO).convert("RGB").resize((640, 480), Image.BILINEAR)
        difference = 0
        for y in range(0, 480, 8):
            for x in range(0, 640, 8):
                seen = rows[y][x]
                wanted = expected.getpixel((x, y))
                difference += sum(abs(a - b) for a, b in zip(seen, wanted))
        mean = difference / (60 * 80 * 3)
        self.assertLess(mean, 12, "the window does not show the photograph")
        self.desktop.keys(dialog, "space")
        self.exit_with_escape(process, dialog)

    def test_exit_during_a_capture_and_a_replaced_program_file(self):
        self.start_camera()
        process, dialog, _ = self.start_program()
        self.connect_and_press(dialog, self.CAPTURE)
        shots = self.folder / "shots"
        shots.mkdir()
        time.sleep(1)  # the file dialog opens with its name field focused
        self.desktop.xdotool("type", "--delay", "20", str(shots / "shot.jpg"))
        self.desktop.xdotool("key", "Return")
        wait_for(lambda: (shots / "shot00000001.jpg").exists(), "two captured pictures")
        # An upgrade replaces the program file while it runs.
        fresh = self.folder / "Zelnor2.new"
        shutil.copy2(BIN / "Zelnor2", fresh)
        os.replace(fresh, self.program)
        self.exit_with_escape(process, dialog)
        self.assertTrue(self.settings.exists(), "the settings went elsewhere")
        self.assertEqual(read_settings(self.settings).get("Port"), 0)
        self.assertEqual(list((self.config / "Zelnor").iterdir()), [self.settings])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
