#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases: the real player on its own X server, driven with real X input, heard through a file.
#
#   e2e.py --player <mira.nol> --source <source tree> <case>
#
# Each case makes its own collection folder, starts its own Xvfb on a free display and the player in that
# folder, then works it through xdotool and reads back what a user would see and hear: the window's place
# and shape (xwininfo), its pixels (xwd, parsed here), and the audio the disk driver writes to a file.
# Exit status 0 is a pass, 1 a failure, 77 a skip (a needed X tool is missing).
import argparse
import array
import ctypes
import ctypes.util
import math
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse

SKIP = 77
# The limits a user would notice (sound within a second, Quit within a second) are multiplied by this, for
# builds that run slower by design (sanitizers).
TIME_SCALE = float(os.environ.get("MIRA_E2E_TIME_SCALE", "1"))
SCREEN_W, SCREEN_H = 1024, 768
WINDOW_W, WINDOW_H = 496, 287
TITLE = "mira.nol"
USAGE = "Usage: mira.nol [OPTION]... [FILE|FOLDER|PLAYLIST]...\n"

# The sound library opens its device for 32-bit float stereo samples at 44100 Hz; the disk driver writes them raw.
AUDIO_RATE = 44100
FRAME_BYTES = 8
SECOND_BYTES = AUDIO_RATE * FRAME_BYTES
# RMS of float samples (full scale 1.0). The demo music and the sine fixtures are far above LOUD; an output
# set to volume 0 or stopped is exact zeros.
SILENT = 0.001
LOUD = 0.01

# Window coordinates of the controls the cases use (the main window's layout).
PLAY = (128, 151, 17, 8)
STOP = (187, 151, 17, 8)
NEXT = (219, 151, 17, 8)
QUIT = (353, 277, 28, 6)
SCROLLER = (102, 41, 297, 15)
CLOCK = (118, 99, 27, 14)
LIST = (104, 176, 289, 78)
LIST_ROW = 16
VOLUME_KNOB = (376, 69, 5, 14)
SPEED_KNOB = (300, 109, 5, 14)
# The credits line is about 260 pixels wide in the caption's font; the titles of the test collections
# stay below 150.
CREDITS_WIDTH = 230


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def poll(predicate, timeout, interval=0.05):
    """Calls predicate until it returns something true or the time is up; returns its last result."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


def centre(rect):
    left, top, width, height = rect
    return left + width // 2, top + height // 2


# ---------------------------------------------------------------------------------------------------------
# Pictures: the skin's BMP files and X window dumps.

class Picture:
    """Pixels as (r, g, b) tuples, read from a 24-bit BMP or an xwd dump."""

    def __init__(self, width, height, pixel):
        self.Width, self.Height, self._pixel = width, height, pixel

    def Pixel(self, x, y):
        return self._pixel(x, y)

    def Region(self, rect):
        left, top, width, height = rect
        return [self.Pixel(x, y) for y in range(top, top + height) for x in range(left, left + width)]

    @staticmethod
    def FromBmp(path):
        data = open(path, "rb").read()
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height = struct.unpack_from("<ii", data, 18)
        bits = struct.unpack_from("<H", data, 28)[0]
        if bits != 24:
            raise Failure(f"{path}: {bits}-bit picture, expected 24-bit")
        stride = (width * 3 + 3) & ~3
        bottom_up = height > 0
        height = abs(height)

        def pixel(x, y):
            row = height - 1 - y if bottom_up else y
            i = offset + row * stride + x * 3
            return data[i + 2], data[i + 1], data[i]
        return Picture(width, height, pixel)

    @staticmethod
    def FromXwd(data):
        # The header is 25 big-endian 32-bit words, then the window name; the colour table follows.
        words = struct.unpack_from(">25I", data, 0)
        header_size, _, _, depth, width, height, _, byte_order = words[:8]
        bits_per_pixel, bytes_per_line, visual_class = words[11], words[12], words[13]
        red_mask, green_mask, blue_mask = words[14], words[15], words[16]
        ncolors = words[19]
        if bits_per_pixel not in (24, 32):
            raise Failure(f"xwd dump with {bits_per_pixel} bits per pixel, expected 24 or 32")
        step = bits_per_pixel // 8
        offset = header_size + ncolors * 12
        order = "<" if byte_order == 0 else ">"
        del depth, visual_class

        def shift(mask):
            return (mask & -mask).bit_length() - 1
        shifts = shift(red_mask), shift(green_mask), shift(blue_mask)

        def pixel(x, y):
            i = offset + y * bytes_per_line + x * step
            v = int.from_bytes(data[i:i + step], "little" if order == "<" else "big")
            return (v & red_mask) >> shifts[0], (v & green_mask) >> shifts[1], (v & blue_mask) >> shifts[2]
        return Picture(width, height, pixel)


# ---------------------------------------------------------------------------------------------------------
# The X server.

class Display:
    def __init__(self, work):
        self.Number, self.Process = None, None
        self._log = open(os.path.join(work, "xvfb.log"), "wb")
        numbers = list(range(40, 100))
        random.shuffle(numbers)
        for n in numbers:
            if os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
                continue
            # -noreset: by default the server resets when its last client leaves, and a player started in
            # that moment cannot connect.
            process = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                                        "-nolisten", "tcp", "-noreset"], stdout=self._log, stderr=self._log)
            # Another starter may take the number between the look and the start; the server's lock file
            # names the one that won.
            up = poll(lambda: process.poll() is not None or self._owns(n, process.pid), 15)
            if up and process.poll() is None:
                self.Number, self.Process = n, process
                break
            if process.poll() is None:
                process.kill()
            process.wait()
        if self.Process is None:
            raise Failure("no X server could be started on a free display in 40..99")
        self.Name = f":{self.Number}"
        # The socket exists slightly before the server answers.
        check(poll(lambda: self.Run(["xdpyinfo"], check_rc=False) is not None, 10),
              f"Xvfb {self.Name} does not answer")

    @staticmethod
    def _owns(n, pid):
        try:
            with open(f"/tmp/.X{n}-lock") as f:
                owner = int(f.read().strip() or 0)
        except (OSError, ValueError):
            return False
        return owner == pid and os.path.exists(f"/tmp/.X11-unix/X{n}")

    def Env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.Name
        return env

    # What X clients say when the server refused their connection. Xvfb refuses a few of many rapid
    # connections for a moment (EAGAIN); such a refusal is tried again, it is not the case's failure.
    REFUSED = ("can't open display", "cannot open display", "unable to open display", "failed creating new xdo")

    def Run(self, argv, check_rc=True, timeout=20):
        """Runs an X client against this server; returns its standard output, or None when it failed."""
        for attempt in range(20):
            try:
                result = subprocess.run(argv, env=self.Env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        timeout=timeout)
            except (subprocess.TimeoutExpired, FileNotFoundError) as error:
                if check_rc:
                    raise Failure(f"{argv[0]}: {error}")
                return None
            said = result.stderr.decode(errors="replace").lower()
            if result.returncode == 0 or not any(r in said for r in self.REFUSED) or not self.Alive():
                break
            time.sleep(0.05 * (attempt + 1))
        if result.returncode != 0:
            if check_rc:
                said = result.stderr.decode(errors="replace")
                raise Failure(f"{' '.join(argv)}: status {result.returncode}: {said}")
            return None
        return result.stdout

    def Alive(self):
        return self.Process is not None and self.Process.poll() is None

    def Kill(self):
        """The server ends under its clients, as at the end of a session (SIGTERM: it drops every client and
        removes its socket and lock file, so the display number is free again)."""
        if self.Alive():
            self.Process.terminate()
            try:
                self.Process.wait(10)
            except subprocess.TimeoutExpired:
                self.Process.kill()
                self.Process.wait()

    def CloseWindow(self, wid):
        """What a window manager does when the user closes a window: a WM_DELETE_WINDOW message."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = None
        for attempt in range(20):
            display = x11.XOpenDisplay(self.Name.encode())
            if display:
                break
            time.sleep(0.05 * (attempt + 1))
        check(display, f"cannot connect to {self.Name} to close a window")

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
        event = ClientMessage()
        event.type = 33  # ClientMessage
        event.window = int(wid, 16) if isinstance(wid, str) else wid
        event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.format = 32
        event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, event.window, 0, 0, ctypes.byref(event))
        x11.XSync(display, 0)
        x11.XCloseDisplay(display)

    def Stop(self):
        if self.Process and self.Process.poll() is None:
            self.Process.terminate()
            try:
                self.Process.wait(5)
            except subprocess.TimeoutExpired:
                self.Process.kill()
                self.Process.wait()

    # Input, at screen coordinates.
    def MoveTo(self, x, y):
        self.Run(["xdotool", "mousemove", str(x), str(y)])

    def Click(self, button=1, repeat=1):
        self.Run(["xdotool", "click", "--repeat", str(repeat), "--delay", "60", str(button)])

    def MoveBy(self, dx, dy):
        # NOTE: xdotool's absolute mousemove warps the pointer, and warps made while a button is held do not
        # reach the player as drag steps; relative moves come through the input device, as a mouse's do.
        self.Run(["xdotool", "mousemove_relative", "--", str(dx), str(dy)])

    def Press(self, button=1):
        self.Run(["xdotool", "mousedown", str(button)])

    def Release(self, button=1):
        self.Run(["xdotool", "mouseup", str(button)])

    def Key(self, name):
        self.Run(["xdotool", "key", name])

    def Windows(self, title=TITLE):
        """Top-level windows with the given title, as (id, x, y, width, height, viewable)."""
        out = self.Run(["xwininfo", "-root", "-children"], check_rc=False) or b""
        found = []
        for line in out.decode(errors="replace").splitlines():
            line = line.strip()
            if not line.startswith("0x") or f'"{title}"' not in line:
                continue
            wid = line.split()[0]
            info = self.WindowInfo(wid)
            if info:
                found.append(info)
        return found

    def WindowInfo(self, wid):
        out = self.Run(["xwininfo", "-id", wid], check_rc=False)
        if out is None:
            return None
        fields = {}
        for line in out.decode(errors="replace").splitlines():
            if ":" in line:
                key, _, value = line.partition(":")
                fields[key.strip()] = value.strip()
        try:
            return (wid, int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                    int(fields["Width"]), int(fields["Height"]), fields.get("Map State") == "IsViewable")
        except (KeyError, ValueError):
            return None

    def Shape(self, wid):
        """The bounding shape's extents (x, y, width, height) and its rectangles, from xwininfo -shape."""
        out = self.Run(["xwininfo", "-shape", "-id", wid]).decode(errors="replace")
        extents = None
        for line in out.splitlines():
            line = line.strip()
            if line.startswith("Window shape extents:"):
                geometry = line.split(":", 1)[1].strip()
                size, _, rest = geometry.partition("+")
                w, h = size.split("x")
                x, y = rest.split("+")
                extents = (int(x), int(y), int(w), int(h))
        return extents, out

    def Grab(self, wid):
        data = self.Run(["xwd", "-silent", "-id", wid], timeout=30)
        return Picture.FromXwd(data)


# ---------------------------------------------------------------------------------------------------------
# The player process.

class Player:
    def __init__(self, case, folder, program=None, env=None, display=True, unset=(), args=()):
        self.Case = case
        self.Audio = os.path.join(case.Work, "audio.raw")
        self.ErrPath = os.path.join(case.Work, "player.err")
        environment = case.Display.Env() if display else dict(os.environ)
        if not display:
            environment.pop("DISPLAY", None)
            environment.pop("WAYLAND_DISPLAY", None)
        environment.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": self.Audio,
                            "XDG_CACHE_HOME": os.path.join(case.Work, "cache")})
        environment.pop("vexol", None)
        # The desktop's scale is the case's to choose: a HiDPI setting of the machine's own would change the
        # window's size under every case.
        environment.pop("MIRA_SCALE", None)
        environment.pop("GDK_SCALE", None)
        environment.pop("SDL_VIDEODRIVER", None)
        # The player leaves its resources to the end of the process on purpose; a leak report at exit
        # would only change its exit status, which these cases check.
        if "ASAN_OPTIONS" in environment:
            environment["ASAN_OPTIONS"] += ":detect_leaks=0"
        environment.update(env or {})
        for name in unset:
            environment.pop(name, None)
        self._err = open(self.ErrPath, "wb")
        self.Started = time.monotonic()
        self.Process = subprocess.Popen([program or case.Program(), *args], cwd=folder, env=environment,
                                        stdout=subprocess.DEVNULL, stderr=self._err)
        self.Window = None

    def Alive(self):
        return self.Process.poll() is None

    def Stderr(self):
        self._err.flush()
        return open(self.ErrPath, "rb").read().decode(errors="replace")

    def Wait(self, timeout):
        try:
            return self.Process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def End(self):
        if self.Alive():
            self.Process.terminate()
            if self.Wait(5) is None:
                self.Process.kill()
                self.Process.wait()

    def MainWindow(self, timeout=20, size=(WINDOW_W, WINDOW_H)):
        """Waits for the 496 x 287 window (or one of `size`) to be mapped; returns (id, x, y, width, height,
        viewable)."""
        def find():
            check(self.Alive(), f"the player ended with status {self.Process.returncode} before its window "
                  f"showed: {self.Stderr()!r}")
            for info in self.Case.Display.Windows():
                if info[3:5] == size and info[5]:
                    return info
            return None
        info = poll(find, timeout, 0.1)
        check(info, f"no {size[0]}x{size[1]} window titled {TITLE!r} within {timeout} s; windows: "
              f"{self.Case.Display.Windows()}")
        self.Window = info
        return info

    def MessageBox(self, timeout=20):
        """Waits for a mapped window titled like the program that is not the main window."""
        def find():
            for info in self.Case.Display.Windows():
                if info[3:5] != (WINDOW_W, WINDOW_H) and info[5]:
                    return info
            check(self.Alive(), f"the player ended with status {self.Process.returncode} without a message "
                  f"box: {self.Stderr()!r}")
            return None
        info = poll(find, timeout, 0.1)
        check(info, f"no message box titled {TITLE!r} within {timeout} s")
        return info

    def Position(self):
        info = self.Case.Display.WindowInfo(self.Window[0])
        check(info, "the main window is gone")
        return info[1], info[2]

    def Screen(self, wx, wy):
        x, y = self.Position()
        return x + wx, y + wy

    def MoveTo(self, wx, wy):
        self.Case.Display.MoveTo(*self.Screen(wx, wy))

    def Grab(self):
        return self.Case.Display.Grab(self.Window[0])

    # Audio.
    def AudioBytes(self):
        try:
            return os.path.getsize(self.Audio)
        except OSError:
            return 0

    def AudioRms(self, start, end):
        with open(self.Audio, "rb") as f:
            f.seek(start)
            data = f.read(max(0, end - start))
        data = data[:len(data) // FRAME_BYTES * FRAME_BYTES]
        samples = array.array("f", data)
        if sys.byteorder != "little":
            samples.byteswap()
        if not samples:
            return None
        total = 0.0
        for s in samples:
            check(math.isfinite(s) and abs(s) <= 8.0, "the audio file does not hold 32-bit float samples")
            total += s * s
        return math.sqrt(total / len(samples))

    def Heard(self, after, seconds=0.5, timeout=10):
        """RMS of the `seconds` of output written after byte `after` (waits until it has been written)."""
        want = after + int(seconds * AUDIO_RATE) * FRAME_BYTES
        grown = poll(lambda: self.AudioBytes() >= want or not self.Alive(), timeout, 0.05)
        check(self.Alive(), f"the player ended with status {self.Process.returncode}: {self.Stderr()!r}")
        if not grown or self.AudioBytes() < want:
            return None
        return self.AudioRms(after, want)

    def SoundAfter(self, timeout=10):
        """True when a quarter second of output written from now on is audible, within `timeout`."""
        deadline = time.monotonic() + timeout
        mark = self.AudioBytes()
        while time.monotonic() < deadline:
            rms = self.Heard(mark, 0.25, max(0.5, deadline - time.monotonic()))
            if rms is not None and rms >= LOUD:
                return True
            mark = self.AudioBytes()
        return False

    def SilentAfterAction(self, latency=1.0, seconds=0.75, timeout=15):
        """True when the output is silent for `seconds` once `latency` of audio written after now has
        passed (the device's buffers). A device that stops writing altogether is silent as well."""
        start = self.AudioBytes() + int(latency * AUDIO_RATE) * FRAME_BYTES
        end = start + int(seconds * AUDIO_RATE) * FRAME_BYTES
        deadline = time.monotonic() + timeout
        last_size, last_change = self.AudioBytes(), time.monotonic()
        while time.monotonic() < deadline:
            check(self.Alive(), f"the player ended with status {self.Process.returncode}: {self.Stderr()!r}")
            size = self.AudioBytes()
            if size >= end:
                return self.AudioRms(start, end) < SILENT
            if size != last_size:
                last_size, last_change = size, time.monotonic()
            elif time.monotonic() - last_change > 2.0:
                return True
            time.sleep(0.05)
        return False


# ---------------------------------------------------------------------------------------------------------
# The caption: the scroller's text, recognised by the width of the lit block while it is wholly in view.

def caption_block(picture):
    """(first, last) columns of the scroller that hold text (orange glyphs), or None when it shows only its
    dark background."""
    left, top, width, height = SCROLLER
    columns = []
    for x in range(width):
        for y in range(height):
            r, g, b = picture.Pixel(left + x, top + y)
            if r > 90 and r > b + 40:
                columns.append(x)
                break
    if not columns:
        return None
    return columns[0], columns[-1]


def caption_width(player, unlike=None, timeout=14):
    """Width in pixels of a title's caption, measured once its text has been seen whole, away from the
    faded edges; None when none is within the time. Blocks as wide as the credits line are passed over,
    and so is a width equal to `unlike`: a caption that an action replaces may still show for a moment
    after the action."""
    fade = 16
    width = SCROLLER[2]
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        block = caption_block(player.Grab())
        if block:
            first, last = block
            if first > fade and last < width - fade - 1:
                measured = last - first + 1
                if measured < CREDITS_WIDTH and not same_width(measured, unlike):
                    return measured
        time.sleep(0.03)
    return None


def credits_seen(player, timeout=14):
    """True once the scroller shows a block of text as wide as only the credits line is: it spans nearly
    the whole scroller, far wider than any title of the test collections. Its width is taken wherever the
    block lies, since the line fits between the faded edges for only a few ticks."""
    deadline = time.monotonic() + timeout
    widest = 0
    while time.monotonic() < deadline:
        block = caption_block(player.Grab())
        if block:
            widest = max(widest, block[1] - block[0] + 1)
            if widest >= CREDITS_WIDTH:
                return True
        time.sleep(0.03)
    return False


def same_width(a, b):
    return a is not None and b is not None and abs(a - b) <= 1


def clock_signature(picture):
    return tuple(picture.Region(CLOCK))


def clock_changes(player, seconds):
    """How often the clock label changes within `seconds`."""
    changes, last = 0, clock_signature(player.Grab())
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        now = clock_signature(player.Grab())
        if now != last:
            changes, last = changes + 1, now
        time.sleep(0.02)
    return changes


def lit_fraction(player, rect, lit, unlit):
    """Share of the rectangle's pixels that show the lit picture where it differs from the skin."""
    region = player.Grab().Region(rect)
    differing = [i for i in range(len(lit)) if lit[i] != unlit[i]]
    if not differing:
        raise Failure("the lit picture does not differ from the skin")
    return sum(1 for i in differing if region[i] == lit[i]) / len(differing)


# ---------------------------------------------------------------------------------------------------------
# Cases.

class Case:
    def __init__(self, args, work):
        self.Args, self.Work = args, work
        self.Display = None
        self.Players = []
        self.Art = os.path.join(args.source, "skin", "art")
        self.Fixtures = os.path.join(args.source, "tests", "data", "sndlib")
        self.Demo = os.path.join(args.source, "demo", "data")

    def Program(self):
        """The program as installed: the executable alone in a bin folder, nothing beside it."""
        program = os.path.join(self.Work, "bin", "mira.nol")
        if not os.path.exists(program):
            os.makedirs(os.path.dirname(program), exist_ok=True)
            shutil.copy2(self.Args.player, program)
        return program

    def StartDisplay(self):
        self.Display = Display(self.Work)

    def Start(self, folder, **kwargs):
        player = Player(self, folder, **kwargs)
        self.Players.append(player)
        return player

    def Collection(self, name, entries):
        """A collection folder: data/play.lst from (file name, title, source file or None) entries."""
        folder = os.path.join(self.Work, name)
        data = os.path.join(folder, "data")
        os.makedirs(data)
        lines = []
        for file_name, title, source in entries:
            if source is not None:
                target = os.path.join(data, file_name)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                if callable(source):
                    source(target)
                else:
                    shutil.copyfile(source, target)
            lines += [file_name, title]
        with open(os.path.join(data, "play.lst"), "w") as f:
            f.write("\n".join(lines) + "\n")
        return folder

    def DemoCollection(self, name="collection"):
        folder = os.path.join(self.Work, name)
        shutil.copytree(self.Demo, os.path.join(folder, "data"))
        return folder

    def TitledCollection(self, name="collection"):
        """Four copies of one long module under titles of clearly different widths, so the caption tells
        which track plays."""
        tune = os.path.join(self.Demo, "night_ferry.xm")
        return self.Collection(name, [("one.xm", "I", tune), ("two.xm", "IIIIII", tune),
                                      ("three.xm", "WWWWWWWW", tune), ("four.xm", "MMM", tune)])

    def Close(self):
        for player in self.Players:
            player.End()
        if self.Display:
            self.Display.Stop()

    def Bmp(self, name):
        return Picture.FromBmp(os.path.join(self.Art, name + ".bmp"))

    def Hover(self, player, rect, timeout=5):
        """Moves onto the button (with a first step beside it, so the hover pass sees a move) and waits
        until its lit picture shows."""
        name = {PLAY: "Button_Play", STOP: "Button_Stop", NEXT: "Button_Next", QUIT: "Button_Quit"}[rect]
        lit = self.Bmp(name).Region((0, 0, rect[2], rect[3]))
        unlit = self.Bmp("ImageShape").Region(rect)
        x, y = centre(rect)
        player.MoveTo(x, y + 1)
        player.MoveTo(x, y)
        shown = poll(lambda: lit_fraction(player, rect, lit, unlit) > 0.9, timeout, 0.05)
        check(shown, f"{name} does not light with the pointer at window ({x}, {y})")

    def ClickButton(self, player, rect):
        self.Hover(player, rect)
        self.Display.Click()


def started(case, folder=None, **kwargs):
    """Display, collection, player and its main window, and the first sound."""
    case.StartDisplay()
    player = case.Start(folder or case.TitledCollection(), **kwargs)
    player.MainWindow()
    check(player.SoundAfter(timeout=10), "the first track is not heard")
    return player


def case_startup(case):
    case.StartDisplay()
    player = case.Start(case.DemoCollection())
    wid, x, y, width, height, _ = player.MainWindow()
    check((width, height) == (WINDOW_W, WINDOW_H), f"window is {width}x{height}")
    check((x, y) == ((SCREEN_W - WINDOW_W) // 2, (SCREEN_H - WINDOW_H) // 2),
          f"window at {x},{y} is not centred on the {SCREEN_W}x{SCREEN_H} screen")

    # The shape: the extents of the skin's non-key pixels, and a corner of the rectangle left out.
    skin = case.Bmp("ImageShape")
    key = skin.Pixel(0, skin.Height - 1)
    inside = [(px, py) for py in range(skin.Height) for px in range(skin.Width) if skin.Pixel(px, py) != key]
    xs = [p[0] for p in inside]
    ys = [p[1] for p in inside]
    expected = (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
    extents, text = case.Display.Shape(wid)
    check(extents == expected, f"shape extents {extents}, the skin's are {expected}\n{text}")
    check(skin.Pixel(0, 0) == key, "the skin's top-left corner is not key-coloured")
    # Outside the shape the root window shows through: the window's top-left corner, key-coloured in the
    # skin, must show what the root shows.
    root = case.Display.Run(["xwd", "-silent", "-root"])
    screen = Picture.FromXwd(root)
    corner = screen.Pixel(x, y)
    check(corner != key and corner == screen.Pixel(0, 0),
          f"the window's top-left corner shows {corner}, not the root window behind it")
    # The skin is drawn inside its shape, pixel for pixel where no control covers it.
    for px, py in ((250, 25), (250, 165)):
        check(screen.Pixel(x + px, y + py) == skin.Pixel(px, py),
              f"window pixel ({px}, {py}) shows {screen.Pixel(x + px, y + py)}, the skin has {skin.Pixel(px, py)}")

    # A collection names its titles: the tag library is never loaded.
    with open(f"/proc/{player.Process.pid}/maps") as maps:
        check("libtag" not in maps.read(), "the tag library is loaded for a collection that names every title")

    # Sound within one second of the window showing: the first track starts before the window is shown.
    # The disk driver writes in real time, so one second after the window shows at least half a second of
    # output exists; it must hold sound.
    shown = time.monotonic()
    poll(lambda: player.AudioBytes() >= SECOND_BYTES // 2, 1.0 * TIME_SCALE, 0.02)
    elapsed = time.monotonic() - shown
    size = player.AudioBytes()
    check(size > 0, f"no audio output within {elapsed:.2f} s of the window showing")
    rms = player.AudioRms(0, size)
    check(rms is not None and rms >= LOUD,
          f"the first {size} bytes of output are silent (RMS {rms}) one second after the window showed")


def case_hover_click(case):
    player = started(case)
    play_lit = case.Bmp("Button_Play").Region((0, 0, PLAY[2], PLAY[3]))
    play_unlit = case.Bmp("ImageShape").Region(PLAY)
    check(lit_fraction(player, PLAY, play_lit, play_unlit) < 0.5, "Play is lit before the pointer came")
    case.Hover(player, PLAY)
    # Off the button, over the skin, it goes dark again; on its top edge it stays dark.
    player.MoveTo(250, 165)
    check(poll(lambda: lit_fraction(player, PLAY, play_lit, play_unlit) < 0.5, 5, 0.05),
          "Play stays lit with the pointer away on the skin")
    player.MoveTo(PLAY[0] + 5, PLAY[1] - 4)
    player.MoveTo(PLAY[0] + 5, PLAY[1])
    time.sleep(0.3)
    check(lit_fraction(player, PLAY, play_lit, play_unlit) < 0.5, "Play lights with the pointer on its top edge")

    first = caption_width(player)
    check(isinstance(first, int) and first < 150,
          f"the first track's caption is not seen whole and short (got {first})")

    case.ClickButton(player, STOP)
    check(player.SilentAfterAction(), "the output is not silent after Stop")
    check(credits_seen(player), "after Stop the caption does not show the credits line")

    case.ClickButton(player, PLAY)
    check(player.SoundAfter(), "Play after Stop is not heard")
    again = caption_width(player)
    check(same_width(again, first), f"Play after Stop does not caption the first track again ({first}, {again})")

    case.ClickButton(player, NEXT)
    second = caption_width(player, unlike=first)
    check(isinstance(second, int) and second > first + 10,
          f"Next does not caption the second track (caption widths {first} then {second})")
    check(player.SoundAfter(), "the second track is not heard")


def case_drag(case):
    player = started(case)
    skin = case.Bmp("ImageShape")
    key = skin.Pixel(0, skin.Height - 1)
    # A point of the skin that no control covers: above the caption, in the middle.
    grip = (250, 25)
    check(skin.Pixel(*grip) != key, "the grip point is outside the skin")
    x0, y0 = player.Position()
    player.MoveTo(*grip)
    time.sleep(0.3)
    case.Display.Press()
    # The window takes its anchor from where the pointer is when it handles the press; moving on before
    # that would shorten the drag by the distance already travelled.
    time.sleep(0.5)
    dx, dy = -120, 78
    steps = 6
    for i in range(steps):
        case.Display.MoveBy(dx // steps, dy // steps)
        time.sleep(0.05)
    moved = poll(lambda: player.Position() == (x0 + dx, y0 + dy), 5, 0.05)
    case.Display.Release()
    check(moved, f"the window went from {(x0, y0)} to {player.Position()}, expected {(x0 + dx, y0 + dy)}")
    # After the release moves do nothing.
    case.Display.MoveTo(x0 + dx + grip[0] + 30, y0 + dy + grip[1] + 30)
    time.sleep(0.5)
    check(player.Position() == (x0 + dx, y0 + dy), "the window moves after the button was released")


def case_list(case):
    player = started(case)
    first = caption_width(player)
    check(isinstance(first, int) and first < 150,
          f"the first track's caption is not seen whole and short (got {first})")
    x, y = LIST[0] + 40, LIST[1] + 2 * LIST_ROW + LIST_ROW // 2
    player.MoveTo(x, y)
    case.Display.Click(repeat=2)
    third = caption_width(player, unlike=first)
    check(isinstance(third, int) and third > first + 40,
          f"a double-click on the third title does not caption it (widths {first} then {third})")
    check(player.SoundAfter(), "the third track is not heard")

    for key in ("Return", "space"):
        case.ClickButton(player, STOP)
        check(player.SilentAfterAction(), "the output is not silent after Stop")
        check(credits_seen(player), "after Stop the caption does not show the credits line")
        player.MoveTo(x, y)
        case.Display.Key(key)
        check(player.SoundAfter(), f"{key} in the list does not start the selected track")
        now = caption_width(player)
        check(same_width(now, third), f"{key} in the list does not caption the selected third track ({third}, {now})")


def drag_knob(case, player, knob, to_x, scale=1):
    """Drags the knob to window column `to_x`; on a window of `scale` screen pixels per pixel, at the scaled
    screen positions, from the middle of the knob's centre block."""
    kx, ky = centre(knob)
    player.MoveTo(kx * scale + scale // 2, ky * scale + scale // 2)
    time.sleep(0.1)
    case.Display.Press()
    time.sleep(0.3)
    steps = 8
    done = 0
    for i in range(1, steps + 1):
        step = (to_x - kx) * scale * i // steps - done
        case.Display.MoveBy(step, 0)
        done += step
        time.sleep(0.05)
    time.sleep(0.3)
    case.Display.Release()


def case_sliders(case):
    player = started(case)
    # Speed first: the clock changes about once a second at normal speed and more than twice as often with
    # the knob at the far right (99265 Hz, a 444 ms clock).
    normal = clock_changes(player, 3.0)
    check(1 <= normal <= 4, f"the clock changed {normal} times in 3 s at normal speed")
    drag_knob(case, player, SPEED_KNOB, 376)
    time.sleep(0.5)
    fast = clock_changes(player, 3.0)
    check(fast >= 5, f"with the speed knob at the far right the clock changed only {fast} times in 3 s "
          f"({normal} at normal speed)")

    drag_knob(case, player, VOLUME_KNOB, 242)
    check(player.SilentAfterAction(), "the output is not silent with the volume knob at the far left")
    check(player.Alive(), "the player ended")


def case_quit(case):
    player = started(case)
    case.Hover(player, QUIT)
    case.Display.Click()
    clicked = time.monotonic()
    status = player.Wait(5)
    took = time.monotonic() - clicked
    check(status is not None, "the player still runs 5 s after Quit")
    check(status == 0, f"exit status {status} after Quit")
    check(took <= 1.0 * TIME_SCALE, f"the player took {took:.2f} s to end after Quit")


def case_no_display(case):
    player = case.Start(case.DemoCollection(), display=False)
    status = player.Wait(5)
    took = time.monotonic() - player.Started
    check(status is not None, "the player still runs 5 s after a start without a display")
    check(status == 1, f"exit status {status} without a display")
    err = player.Stderr()
    check("mira.nol: cannot open a window: " in err, f"standard error says {err!r}")
    check(took <= 3.0 * TIME_SCALE, f"the player took {took:.2f} s to end without a display")
    check(not os.path.exists(player.Audio) or os.path.getsize(player.Audio) == 0,
          "sound was played without a window")


def dismiss(case, player, box):
    wid, x, y, width, height, _ = box
    case.Display.MoveTo(x + width // 2, y + height // 2)
    case.Display.Key("Return")
    status = player.Wait(5)
    if status is None:
        # Without a window manager the box may not hold the focus: send the key to it directly.
        case.Display.Run(["xdotool", "key", "--window", wid, "Return"], check_rc=False)
        status = player.Wait(5)
    check(status is not None, "the message box does not go away on Enter")
    return status


def case_no_playlist(case):
    case.StartDisplay()
    folder = os.path.join(case.Work, "empty")
    os.makedirs(os.path.join(folder, "data"))
    player = case.Start(folder)
    # Standard error names the full path looked for; the box keeps its short text.
    wanted = f"mira.nol: cannot open the playlist {os.path.realpath(folder)}/data/play.lst: No such file or directory\n"
    check(poll(lambda: wanted in player.Stderr(), 10), f"standard error says {player.Stderr()!r}, not {wanted!r}")
    box = player.MessageBox()
    check(not any(w[3:5] == (WINDOW_W, WINDOW_H) and w[5] for w in case.Display.Windows()),
          "the main window shows beside the message box")
    status = dismiss(case, player, box)
    check(status == 0, f"exit status {status} after the missing-playlist message")


def program_copy(case, name, library):
    """A copy of the program in a folder of its own, with `library` (bytes, a path, or None) as sndlib.so."""
    folder = os.path.join(case.Work, name)
    os.makedirs(folder)
    program = os.path.join(folder, "mira.nol")
    shutil.copy2(case.Args.player, program)
    if isinstance(library, bytes):
        with open(os.path.join(folder, "sndlib.so"), "wb") as f:
            f.write(library)
    elif library:
        shutil.copy2(library, os.path.join(folder, "sndlib.so"))
    return program


def case_broken_library(case):
    case.StartDisplay()
    collection = case.TitledCollection()
    # Garbage where the program looks first: passed over, the copy written to the cache directory is used.
    program = program_copy(case, "garbage", bytes(random.Random(7).getrandbits(8) for _ in range(4096)))
    player = case.Start(collection, program=program)
    player.MainWindow()
    check(player.SoundAfter(), "with a garbage sndlib.so beside the program nothing is heard")
    written = os.path.join(case.Work, "cache", "mira.nol", "sndlib.so")
    check(os.path.isfile(written), "the library was not written to the cache directory")
    player.End()
    # An empty file beside the program likewise.
    program = program_copy(case, "empty", b"")
    player = case.Start(collection, program=program)
    player.MainWindow()
    check(player.SoundAfter(), "with an empty sndlib.so beside the program nothing is heard")


def case_unwritable_cache(case):
    case.StartDisplay()
    collection = case.TitledCollection()
    blocker = os.path.join(case.Work, "not-a-folder")
    open(blocker, "w").close()
    cache = os.path.join(blocker, "cache")
    # Nothing beside the program and no cache folder: the library cannot be had; the load failure is shown
    # and the program ends with status 0 after Enter.
    program = program_copy(case, "alone", None)
    player = case.Start(collection, program=program, env={"XDG_CACHE_HOME": cache})
    # One line on standard error says why, naming every place looked at.
    said = poll(lambda: [line for line in player.Stderr().splitlines()
                         if line.startswith("mira.nol: cannot load the sound library: ")], 10)
    check(said and len(said) == 1, f"standard error says {player.Stderr()!r}")
    folder = os.path.dirname(program)
    for place in (os.path.join(os.path.dirname(folder), "lib", "mira.nol", "sndlib.so") + ": no such file",
                  os.path.join(folder, "sndlib.so") + ": no such file",
                  f"cannot make {blocker}: a file of that name is in the way"):
        check(place in said[0], f"the load failure does not name {place}: {said[0]!r}")
    box = player.MessageBox()
    status = dismiss(case, player, box)
    check(status == 0, f"exit status {status} after the library load message")
    check(player.AudioBytes() == 0, "sound came out though the library could not be loaded")
    # A working library beside the program is used without the cache folder.
    if case.Args.sndlib:
        program = program_copy(case, "beside", case.Args.sndlib)
        player = case.Start(collection, program=program, env={"XDG_CACHE_HOME": cache})
        player.MainWindow()
        check(player.SoundAfter(), "with the library beside the program and no cache folder nothing is heard")


def case_bad_tracks(case):
    case.StartDisplay()

    def garbage(target):
        with open(target, "wb") as f:
            f.write(bytes(random.Random(11).getrandbits(8) for _ in range(65536)))

    def empty(target):
        open(target, "wb").close()
    folder = case.Collection("bad", [
        ("missing.xm", "Missing module", None),
        ("missing.mp3", "Missing stream", None),
        ("garbage.mp3", "Garbage stream", garbage),
        ("garbage.xm", "Garbage module", garbage),
        ("empty.mp3", "Empty stream", empty),
        ("truncated.mp3", "Truncated", os.path.join(case.Fixtures, "truncated.mp3")),
        ("lying.xm", "Lying module", os.path.join(case.Fixtures, "lying.xm")),
    ])
    player = case.Start(folder)
    player.MainWindow()
    # Walk through every entry with Next, then let the clock run.
    for _ in range(8):
        case.ClickButton(player, NEXT)
        time.sleep(0.2)
        check(player.Alive(), f"the player ended with status {player.Process.returncode}: {player.Stderr()!r}")
    time.sleep(3)
    check(player.Alive(), f"the player ended with status {player.Process.returncode}: {player.Stderr()!r}")
    check(any(w[3:5] == (WINDOW_W, WINDOW_H) and w[5] for w in case.Display.Windows()),
          "the main window is gone")
    # Standard error has a line for each load the library refused, with the track's path and the
    # library's code; the truncated stream plays what decodes and is not refused. (How often each
    # load happened depends on clicks the player may merge; the unit tests count lines per load.)
    data = os.path.join(os.path.realpath(folder), "data")
    lines = [line for line in player.Stderr().splitlines() if line.startswith("mira.nol: the sound library refused ")]
    codes = {"missing.xm": 101, "missing.mp3": 101, "garbage.mp3": 102, "garbage.xm": 102, "empty.mp3": 102}
    for name, code in codes.items():
        mine = [line for line in lines if line.startswith(f"mira.nol: the sound library refused {data}/{name}: ")]
        check(mine, f"no line for {name}: {lines!r}")
        check(all(line.endswith(")") and f": error {code} (" in line for line in mine),
              f"{name}: {mine!r}, expected error {code}")
    check(not any("truncated.mp3" in line for line in lines), f"the truncated stream was refused: {lines!r}")
    check(len(lines) <= 9, f"more lines than loads: {lines!r}")


# ---------------------------------------------------------------------------------------------------------
# Endings: however a session ends the player, it ends in order, with a defined status and nothing on standard
# error but its own lines. Each ending is tried many times: what goes wrong at a teardown goes wrong by timing.

ENDING_ROUNDS = 10
MESSAGE_ROUNDS = 20
# What must never appear on the player's standard error at an ending.
NOT_CLEAN = ("Sanitizer", "runtime error", "X Error", "XIO:", "X connection to", "Segmentation", "core dumped",
             "terminate called", "Assertion")


def ended(player, want, what, timeout=8):
    """Waits for the player to end after `what` and checks its status and standard error."""
    status = player.Wait(timeout * TIME_SCALE)
    check(status is not None, f"the player still runs {timeout} s after {what}")
    err = player.Stderr()
    check(status == want, f"exit status {status} after {what} (expected {want}); standard error: {err!r}")
    for word in NOT_CLEAN:
        check(word not in err, f"after {what} standard error says {err!r}")
    return err


def playing(case, folder):
    """A player in `folder` with its main window up and its first track heard."""
    player = case.Start(folder)
    player.MainWindow()
    check(player.SoundAfter(timeout=10), "the first track is not heard")
    return player


def fresh_display(case):
    if case.Display:
        case.Display.Stop()
    case.StartDisplay()


def case_ending_close(case):
    case.StartDisplay()
    folder = case.TitledCollection()
    for round in range(ENDING_ROUNDS):
        player = playing(case, folder)
        case.Display.CloseWindow(player.Window[0])
        ended(player, 0, f"the window manager's close (round {round})")


def case_ending_destroyed(case):
    case.StartDisplay()
    folder = case.TitledCollection()
    for round in range(ENDING_ROUNDS):
        player = playing(case, folder)
        case.Display.Run(["xdotool", "windowclose", player.Window[0]], check_rc=False)
        ended(player, 0, f"another client destroyed the window (round {round})")


def case_ending_lost_display(case):
    folder = case.TitledCollection()
    # The server going away (a session's end), then the server dropping the player (xkill).
    for round in range(ENDING_ROUNDS + 5):
        fresh_display(case)
        player = playing(case, folder)
        if round < ENDING_ROUNDS:
            case.Display.Kill()
            what = f"the X server's end (round {round})"
        else:
            case.Display.Run(["xdotool", "windowkill", player.Window[0]], check_rc=False)
            what = f"the X server dropping the player (round {round})"
        err = ended(player, 1, what)
        check("mira.nol: lost the connection to the display" in err, f"after {what} standard error says {err!r}")


def case_ending_signals(case):
    case.StartDisplay()
    folder = case.TitledCollection()
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        for round in range(ENDING_ROUNDS):
            player = playing(case, folder)
            player.Process.send_signal(number)
            ended(player, 0, f"{signal.Signals(number).name} (round {round})")


def case_ending_faults(case):
    folder = case.TitledCollection()
    # The X server killed during start-up, before the window shows: no window (status 1, its reason said)
    # or a lost connection (status 1), never a crash or a hang.
    for round in range(6):
        fresh_display(case)
        player = case.Start(folder)
        time.sleep(0.05 + 0.06 * round)
        case.Display.Kill()
        err = ended(player, 1, f"the X server's end during start-up (round {round})")
        check("mira.nol: lost the connection to the display" in err or "mira.nol: cannot open a window" in err,
              f"standard error says {err!r}")
    # The X server killed while a message box is up.
    empty = os.path.join(case.Work, "no-playlist")
    os.makedirs(os.path.join(empty, "data"))
    for round in range(3):
        fresh_display(case)
        player = case.Start(empty)
        player.MessageBox()
        case.Display.Kill()
        ended(player, 1, f"the X server's end under a message box (round {round})")
    # The window destroyed while the pointer holds a slider knob, and while it drags the window.
    fresh_display(case)
    for round in range(4):
        player = playing(case, folder)
        if round % 2 == 0:
            player.MoveTo(*centre(VOLUME_KNOB))
            what = "destroyed while a slider knob is held"
        else:
            player.MoveTo(250, 25)
            what = "destroyed while the window is dragged"
        time.sleep(0.2)
        case.Display.Press()
        case.Display.MoveBy(-6, 0)
        time.sleep(0.1)
        case.Display.Run(["xdotool", "windowclose", player.Window[0]], check_rc=False)
        case.Display.Release()
        ended(player, 0, f"the window {what} (round {round})")
    # SIGTERM in the middle of a track change.
    for round in range(5):
        player = playing(case, folder)
        case.Hover(player, NEXT)
        case.Display.Click()
        time.sleep(0.01 * round)
        player.Process.terminate()
        ended(player, 0, f"SIGTERM during a track change (round {round})")


def case_message_boxes(case):
    """Every start-up message, many times, answered every way a user answers a box: no hang, status 0."""
    case.StartDisplay()
    empty = os.path.join(case.Work, "no-playlist")
    os.makedirs(os.path.join(empty, "data"))
    collection = case.TitledCollection()
    blocker = os.path.join(case.Work, "not-a-folder")
    open(blocker, "w").close()
    alone = program_copy(case, "alone", None)
    kinds = [("the missing playlist", dict(folder=empty)),
             ("the library that cannot be loaded",
              dict(folder=collection, program=alone, env={"XDG_CACHE_HOME": os.path.join(blocker, "cache")}))]
    if case.Args.fake_sndlib:
        # A library whose initialisation fails for want of memory.
        failing = program_copy(case, "failing", case.Args.fake_sndlib)
        kinds.append(("the library's failed initialisation",
                      dict(folder=collection, program=failing, env={"FAKE_SNDLIB_INIT": "0", "FAKE_SNDLIB_CODES": "1"})))
    for what, how in kinds:
        for round in range(MESSAGE_ROUNDS):
            player = case.Start(how["folder"], program=how.get("program"), env=how.get("env"))
            wid, x, y, width, height, _ = player.MessageBox()
            check((abs(x + width // 2 - SCREEN_W // 2) <= 1 and abs(y + height // 2 - SCREEN_H // 2) <= 1),
                  f"the box for {what} at {x},{y} ({width}x{height}) is not centred on the screen")
            way = round % 4
            if way == 3:
                case.Display.CloseWindow(wid)
            elif way == 2:
                # OK sits in the middle of the box's bottom row, 12 pixels up, 23 high.
                case.Display.MoveTo(x + width // 2, y + height - 12 - 11)
                case.Display.Click()
            else:
                # Typed as a user types, to the box that holds the focus. (A key sent to a window with
                # XSendEvent can stay pressed in the server when the window goes before its release, and the
                # next box would see it held.)
                case.Display.MoveTo(x + width // 2, y + height // 2)
                case.Display.Key("Return" if way == 0 else "Escape")
            ended(player, 0, f"the message box for {what} was answered (round {round}, way {way})")
            rms = player.AudioRms(0, player.AudioBytes()) if player.AudioBytes() else None
            check(rms is None or rms < SILENT, f"sound came out with the message for {what}")


def case_options(case):
    """The command line, answered before any window or library is touched: no display is needed, and
    nothing is written into the cache folder."""
    cache = os.path.join(case.Work, "cache")

    def run(*args):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["XDG_CACHE_HOME"] = cache
        env["HOME"] = os.path.join(case.Work, "home")
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":detect_leaks=0"
        began = time.monotonic()
        result = subprocess.run([case.Program(), *args], cwd=case.Work, env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=10 * TIME_SCALE)
        took = time.monotonic() - began
        check(took <= 2.0 * TIME_SCALE, f"mira.nol {' '.join(args)} took {took:.2f} s")
        return result.returncode, result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")

    for option in ("--help", "-h"):
        status, out, err = run(option)
        check(status == 0, f"{option}: status {status}")
        check(out.startswith(USAGE), f"{option} printed {out!r}")
        check(err == "", f"{option} wrote on standard error: {err!r}")
    status, out, err = run("--version")
    check((status, err) == (0, ""), f"--version: status {status}, standard error {err!r}")
    check(out.startswith("mira.nol ") and out.count("\n") == 1 and out.split()[1][0].isdigit(),
          f"--version printed {out!r}")
    for args, problem in ((("--bogus",), "unrecognised option '--bogus'"),
                          (("song.mp3", "-x"), "unrecognised option '-x'")):
        status, out, err = run(*args)
        check(status == 2, f"{' '.join(args)}: status {status}")
        check(out == "", f"{' '.join(args)} printed on standard output: {out!r}")
        check(err.startswith(f"mira.nol: {problem}\n{USAGE}"),
              f"{' '.join(args)} wrote {err!r}")
    check(not os.path.exists(cache) and not os.path.exists(os.path.join(case.Work, "home")),
          "answering the command line wrote into the cache folder")


def case_installed_library(case):
    """The program as installed: the real library in lib/mira.nol beside its bin folder is loaded, and
    the copy it carries is not written anywhere."""
    if not case.Args.sndlib:
        raise Failure("no built sndlib.so was given (--sndlib)")
    case.StartDisplay()
    prefix = os.path.join(case.Work, "prefix")
    program = os.path.join(prefix, "bin", "mira.nol")
    library = os.path.join(prefix, "lib", "mira.nol", "sndlib.so")
    os.makedirs(os.path.dirname(program))
    os.makedirs(os.path.dirname(library))
    shutil.copy2(case.Args.player, program)
    shutil.copy2(case.Args.sndlib, library)
    # Started through a symbolic link elsewhere: the program looks beside its real location.
    link = os.path.join(case.Work, "link", "mira.nol")
    os.makedirs(os.path.dirname(link))
    os.symlink(program, link)
    player = case.Start(case.TitledCollection(), program=link)
    player.MainWindow()
    check(player.SoundAfter(), "the installed player plays nothing")
    with open(f"/proc/{player.Process.pid}/maps") as maps:
        mapped = maps.read()
    check(library in mapped, "the installed player did not load the installed library")
    cache = os.path.join(case.Work, "cache")
    check(not os.path.exists(os.path.join(cache, "mira.nol")), "the installed player wrote into the cache folder")
    check("mira.nol:" not in player.Stderr(), f"the installed player said {player.Stderr()!r}")


def own_music(case, name, files):
    """A plain folder of music: (file name, source file) pairs, with no data/play.lst anywhere."""
    folder = os.path.join(case.Work, name)
    os.makedirs(folder, exist_ok=True)
    for file_name, source in files:
        shutil.copyfile(source, os.path.join(folder, file_name))
    return folder


def first_sound_after_start(player, timeout=10):
    """Seconds from the start of the process until audible output is seen (late by at most a twentieth of a
    second of output and one look), or None."""
    block = SECOND_BYTES // 20 // FRAME_BYTES * FRAME_BYTES
    looked = [0]

    def loud_now():
        size = player.AudioBytes()
        while looked[0] + block <= size:
            rms = player.AudioRms(looked[0], looked[0] + block)
            if rms is not None and rms >= LOUD:
                return True
            looked[0] += block
        return False
    found = poll(lambda: loud_now() or not player.Alive(), timeout, 0.02)
    return (time.monotonic() - player.Started) if found and player.Alive() else None


def case_own_music(case):
    """Files, folders and playlists named on the command line replace data/play.lst; the bad ones are
    named on standard error; nothing playable at all is the missing-playlist message."""
    case.StartDisplay()
    tone = os.path.join(case.Fixtures, "tone44_8k.mp3")
    music = own_music(case, "music", [("10 b.mp3", tone), ("2 a.xm", os.path.join(case.Demo, "night_ferry.xm")),
                                      ("notes.txt", tone), (".hidden.mp3", tone)])
    dashed = own_music(case, "dashed", [("-x.mp3", tone)])
    with open(os.path.join(case.Work, "list.m3u"), "wb") as f:
        f.write(b"#EXTM3U\r\n#EXTINF:3,Named\r\nmusic/2 a.xm\r\ngone.mp3\r\nlist.m3u\r\nhttp://example.com/a.mp3\r\n")
    # Started where there is no collection at all: only the names count.
    empty = os.path.join(case.Work, "nowhere")
    os.makedirs(empty)
    player = case.Start(empty, args=[music, os.path.join(case.Work, "list.m3u"), "missing.xm", "--",
                                     os.path.join(dashed, "-x.mp3")])
    player.MainWindow()
    check(player.SoundAfter(), "the named music is not heard")
    err = player.Stderr()
    for line in ("mira.nol: cannot find 'missing.xm': No such file or directory",
                 f"mira.nol: '{case.Work}/list.m3u':4: cannot find 'gone.mp3': No such file or directory",
                 f"mira.nol: '{case.Work}/list.m3u':5: 'list.m3u' lists itself",
                 f"mira.nol: '{case.Work}/list.m3u':6: 'http://example.com/a.mp3' is not a file on this computer"):
        check(line in err, f"standard error lacks {line!r}: {err!r}")
    check("notes.txt" not in err and "hidden" not in err, f"a folder's other files were reported: {err!r}")
    # A file that goes between listing and playing is refused like any broken track, and the player carries
    # on. "2 a.xm" plays first, so Next asks for "10 b.mp3": the folder is in natural order.
    os.remove(os.path.join(music, "10 b.mp3"))
    case.ClickButton(player, NEXT)
    check(poll(lambda: f"the sound library refused {music}/10 b.mp3" in player.Stderr(), 10),
          f"Next did not ask for the vanished second file: {player.Stderr()!r}")
    check(player.Alive(), "the player ended on a vanished file")
    case.ClickButton(player, QUIT)
    check(player.Wait(5) == 0, "Quit does not end the player with status 0")

    # Without a tag library that loads, the tracks keep their file names' titles, the player says so
    # once, and plays.
    broken = os.path.join(case.Work, "broken-libs")
    os.makedirs(broken)
    open(os.path.join(broken, "libtag_c.so.0"), "wb").close()
    player = case.Start(empty, args=[music], env={"LD_LIBRARY_PATH": broken})
    player.MainWindow()
    check(player.SoundAfter(), "the music is not heard without the tag library")
    check(poll(lambda: "titles come from file names only" in player.Stderr(), 10),
          f"nothing says the titles come from file names: {player.Stderr()!r}")
    check(player.Stderr().count("titles come from file names only") == 1,
          f"more than one line says the titles come from file names: {player.Stderr()!r}")
    case.ClickButton(player, QUIT)
    check(player.Wait(5) == 0, "Quit does not end the player with status 0 without the tag library")

    # A folder of thousands of files: the first sound comes as soon as with a small one.
    many = os.path.join(case.Work, "many")
    os.makedirs(many)
    for i in range(3000):
        os.link(tone, os.path.join(many, f"track {i}.mp3"))
    for folder_args, what in (([music], "a small folder"), ([many], "3000 files")):
        # Each start writes its output anew; what the last one wrote must not count.
        if os.path.exists(player.Audio):
            os.remove(player.Audio)
        player = case.Start(empty, args=folder_args)
        took = first_sound_after_start(player)
        check(took is not None, f"{what}: no sound")
        print(f"first sound {took:.2f} s after the start with {what}")
        check(took < 2.0 * TIME_SCALE, f"{what}: the first sound came {took:.2f} s after the start")
        player.End()

    # Nothing playable: each name has its line, then the box of a missing playlist.
    player = case.Start(empty, args=["missing.mp3", os.path.join(music, "notes.txt")])
    box = player.MessageBox()
    status = dismiss(case, player, box)
    check(status == 0, f"exit status {status} after nothing playable was named")
    err = player.Stderr()
    check("cannot find 'missing.mp3'" in err and "notes.txt' is neither an MP3 file nor a tracker module" in err,
          f"standard error says {err!r}")


def xdnd_drop(case, player, kind, *items):
    """Drops `items` of the MIME type `kind` onto the player's window with the XDND source; its exit status."""
    if not case.Args.xdnd_drop:
        raise Failure("no drag-and-drop source was given (--xdnd-drop)")
    x, y = player.Screen(250, 210)
    result = subprocess.run([case.Args.xdnd_drop, player.Window[0], str(x), str(y), kind, *items],
                            env=case.Display.Env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
    return result.returncode, result.stderr.decode(errors="replace")


def case_drop(case):
    """Files and folders dropped on the real window replace the list and play; what is no local file is
    named on standard error and changes nothing."""
    player = started(case, case.DemoCollection())
    demo = caption_width(player)
    check(isinstance(demo, int), "the demo's first caption is not seen")
    narrow = own_music(case, "narrow", [("IIIIII.mp3", os.path.join(case.Fixtures, "tone44_8k.mp3"))])
    status, err = xdnd_drop(case, player, "text/uri-list", "file://" + urllib.parse.quote(narrow))
    check(status == 0, f"the window did not take the dropped folder: status {status}, {err!r}")
    dropped = caption_width(player, unlike=demo)
    check(isinstance(dropped, int) and dropped < demo - 20,
          f"the dropped folder's track is not captioned (widths {demo} then {dropped})")
    check(player.SoundAfter(), "the dropped track is not heard")

    # Addresses of no local file and plain text: a line each, and the track plays on.
    status, err = xdnd_drop(case, player, "text/uri-list", "http://example.com/a.mp3")
    check(status == 0, f"the window did not finish the dropped address: status {status}, {err!r}")
    status, err = xdnd_drop(case, player, "text/plain", "just some words")
    check(status == 0, f"the window did not finish the dropped text: status {status}, {err!r}")
    wanted = ("mira.nol: dropped 'http://example.com/a.mp3' is not a file on this computer",
              "mira.nol: dropped 'just some words' is not a file on this computer")
    check(poll(lambda: all(w in player.Stderr() for w in wanted), 10), f"standard error says {player.Stderr()!r}")
    check(same_width(caption_width(player), dropped), "a drop of no local file changed the playing track")

    # A mixed drop: the local file plays, the address is named.
    wide = own_music(case, "wide", [("WWWWWWWW.mp3", os.path.join(case.Fixtures, "tone44_15k.mp3"))])
    status, err = xdnd_drop(case, player, "text/uri-list", "ftp://elsewhere/b.mp3",
                            "file://" + urllib.parse.quote(os.path.join(wide, "WWWWWWWW.mp3")))
    check(status == 0, f"the window did not take the mixed drop: status {status}, {err!r}")
    now = caption_width(player, unlike=dropped)
    check(isinstance(now, int) and now > dropped + 20, f"the mixed drop's file is not captioned ({dropped}, {now})")
    check(poll(lambda: "dropped 'ftp://elsewhere/b.mp3' is not a file" in player.Stderr(), 10),
          f"standard error says {player.Stderr()!r}")
    check(player.Alive(), "the player ended")


def case_drop_during_message_box(case):
    """While a message box is up, a drop on it or on the window does nothing; the program ends as the box says."""
    case.StartDisplay()
    folder = os.path.join(case.Work, "empty")
    os.makedirs(os.path.join(folder, "data"))
    music = own_music(case, "music", [("a.mp3", os.path.join(case.Fixtures, "tone44_8k.mp3"))])
    player = case.Start(folder)
    box = player.MessageBox()
    # The main window exists, unmapped, beside the box: a drop may reach either.
    hidden = [w for w in case.Display.Windows() if w[3:5] == (WINDOW_W, WINDOW_H)]
    check(hidden, "the main window does not exist while the message box is up")
    for window in (box, hidden[0]):
        player.Window = window
        status, err = xdnd_drop(case, player, "text/uri-list", "file://" + urllib.parse.quote(music))
        check(status == 0, f"the drop onto window {window[0]} was not finished: status {status}, {err!r}")
    check(player.Alive() and any(w[0] == box[0] and w[5] for w in case.Display.Windows()),
          "the message box went away on a drop")
    status = dismiss(case, player, box)
    check(status == 0, f"exit status {status} after the message")
    check(player.AudioBytes() == 0 or player.AudioRms(0, player.AudioBytes()) < SILENT,
          "the dropped music was played")
    check("dropped" not in player.Stderr(), f"the drop was taken: {player.Stderr()!r}")


# ---------------------------------------------------------------------------------------------------------
# The window on a HiDPI screen: every pixel as a block of the screen's.

def shape_rows(display, wid):
    """The window's bounding shape as the server holds it: {row: [(first column, past the last), ...]}."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xext = ctypes.CDLL(ctypes.util.find_library("Xext") or "libXext.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]

    class XRectangle(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                    ("height", ctypes.c_ushort)]
    xext.XShapeGetRectangles.restype = ctypes.POINTER(XRectangle)
    xext.XShapeGetRectangles.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                         ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
    connection = poll(lambda: x11.XOpenDisplay(display.Name.encode()), 5)
    check(connection, f"cannot connect to {display.Name} to read a shape")
    count, ordering = ctypes.c_int(0), ctypes.c_int(0)
    rects = xext.XShapeGetRectangles(connection, int(wid, 16), 0, ctypes.byref(count), ctypes.byref(ordering))
    rows = {}
    for i in range(count.value):
        r = rects[i]
        for y in range(r.y, r.y + r.height):
            rows.setdefault(y, []).append((r.x, r.x + r.width))
    if rects:
        x11.XFree(rects)
    x11.XCloseDisplay(connection)
    merged = {}
    for y, spans in rows.items():
        spans.sort()
        out = [list(spans[0])]
        for a, b in spans[1:]:
            if a <= out[-1][1]:
                out[-1][1] = max(out[-1][1], b)
            else:
                out.append([a, b])
        merged[y] = [tuple(span) for span in out]
    return merged


def blocks_of(picture, rect, scale):
    """The window pixels of `rect` read from a window of `scale`: each must be a uniform scale x scale block
    of screen pixels; returns them as a 1x picture's Region() would, or raises naming the first mixed block."""
    left, top, width, height = rect
    out = []
    for y in range(top, top + height):
        for x in range(left, left + width):
            block = {picture.Pixel(x * scale + i, y * scale + j) for j in range(scale) for i in range(scale)}
            check(len(block) == 1, f"window pixel ({x}, {y}) is not one {scale}x{scale} block: {sorted(block)}")
            out.append(block.pop())
    return out


# The volume slider: its track, knob and fill bar.
VOLUME_SLIDER = (236, 62, 152, 26)
# The clock and the list's third row ("WWWWWWWW" in the titled collection, all slants): text and nothing else.
TEXT_AREAS = (CLOCK, (LIST[0], LIST[1] + 2 * LIST_ROW, 120, LIST_ROW))


def finer_blocks(picture, rect, scale):
    """How many window pixels of `rect` show more than one colour in their scale x scale block, and the colours."""
    left, top, width, height = rect
    mixed, colours = 0, set()
    for y in range(top, top + height):
        for x in range(left, left + width):
            block = {picture.Pixel(x * scale + i, y * scale + j) for j in range(scale) for i in range(scale)}
            mixed += len(block) > 1
            colours |= block
    return mixed, colours



def case_hidpi(case):
    """With the desktop at 192 dots per inch the window is twice the size, every pixel a 2 x 2 block: the same
    outline, the same picture, and the pointer hits and drags as at the normal size. MIRA_SCALE=1 overrides."""
    case.StartDisplay()
    resources = os.path.join(case.Work, "resources")
    with open(resources, "w") as f:
        f.write("Xft.dpi: 192\n")
    case.Display.Run(["xrdb", "-nocpp", "-merge", resources])

    # The user's override: the normal size on the same screen.
    small = case.Start(case.TitledCollection("small"), env={"MIRA_SCALE": "1"})
    small.MainWindow()
    check(small.SoundAfter(), "the first track is not heard at MIRA_SCALE=1")
    outline = shape_rows(case.Display, small.Window[0])
    check(outline, "the window at MIRA_SCALE=1 has no outline")
    drag_knob(case, small, VOLUME_KNOB, 300)
    slider = small.Grab().Region(VOLUME_SLIDER)
    text_colours = {rect: set(small.Grab().Region(rect)) for rect in TEXT_AREAS}
    small.End()

    big = case.Start(case.TitledCollection("big"))
    wid, x, y, width, height, _ = big.MainWindow(size=(2 * WINDOW_W, 2 * WINDOW_H))
    check((x, y) == ((SCREEN_W - 2 * WINDOW_W) // 2, (SCREEN_H - 2 * WINDOW_H) // 2),
          f"the doubled window at {x},{y} is not centred on the {SCREEN_W}x{SCREEN_H} screen")
    check(big.SoundAfter(), "the first track is not heard at scale 2")
    doubled = shape_rows(case.Display, wid)
    for row in range(2 * WINDOW_H):
        want = [(2 * a, 2 * b) for a, b in outline.get(row // 2, [])]
        check(doubled.get(row, []) == want, f"outline row {row} at scale 2 is {doubled.get(row, [])}, "
              f"the doubled row {row // 2} of the normal window is {want}")

    # The skin where no control covers it, and Play lit under the pointer at doubled coordinates: blocks.
    skin = case.Bmp("ImageShape")
    for point in ((250, 25), (250, 165)):
        shown = blocks_of(big.Grab(), (*point, 1, 1), 2)[0]
        check(shown == skin.Pixel(*point), f"window pixel {point} shows {shown}, the skin has {skin.Pixel(*point)}")
    lit = case.Bmp("Button_Play").Region((0, 0, PLAY[2], PLAY[3]))
    px, py = centre(PLAY)
    big.MoveTo(2 * px, 2 * py + 3)
    big.MoveTo(2 * px, 2 * py)
    check(poll(lambda: blocks_of(big.Grab(), PLAY, 2) == lit, 5, 0.1),
          "Play is not lit, in 2x2 blocks, with the pointer on it at doubled coordinates")
    # Off the button by one window pixel to its left (two screen pixels) it goes dark again.
    big.MoveTo(2 * PLAY[0] - 1, 2 * py)
    unlit = skin.Region(PLAY)
    check(poll(lambda: blocks_of(big.Grab(), PLAY, 2) == unlit, 5, 0.1),
          "Play stays lit with the pointer one window pixel left of it")

    # Text is drawn at the doubled size, not as blocks: strokes one screen pixel wide, in no colours but those
    # the normal window has there.
    grab = big.Grab()
    for rect in TEXT_AREAS:
        mixed, colours = finer_blocks(grab, rect, 2)
        check(mixed >= 20, f"the text in {rect} is drawn in 2x2 blocks ({mixed} mixed), not at the doubled size")
        check(colours <= text_colours[rect], f"the text in {rect} at scale 2 has colours the normal window has not "
              f"there: {sorted(colours - text_colours[rect])}")

    # The same drag at doubled coordinates leaves the knob and the fill bar where the normal one did.
    drag_knob(case, big, VOLUME_KNOB, 300, scale=2)
    check(blocks_of(big.Grab(), VOLUME_SLIDER, 2) == slider,
          "the volume knob dragged at doubled coordinates does not show as after the same drag at the normal size")
    # A click at doubled coordinates hits Stop.
    sx, sy = centre(STOP)
    big.MoveTo(2 * sx, 2 * sy)
    time.sleep(0.2)
    case.Display.Click()
    check(big.SilentAfterAction(), "the output is not silent after a click on Stop at doubled coordinates")
    big.End()

    # A MIRA_SCALE that makes no sense is named, and the desktop's choice stands.
    odd = case.Start(case.TitledCollection("odd"), env={"MIRA_SCALE": "2.5"})
    odd.MainWindow(size=(2 * WINDOW_W, 2 * WINDOW_H))
    check('MIRA_SCALE="2.5"' in odd.Stderr(), f"standard error does not name the bad value: {odd.Stderr()!r}")
    odd.End()

    # A desktop that asks for more than the screen holds gets the largest scale that fits: 3 would make the
    # window 1488 pixels wide on this 1024 pixel screen.
    with open(resources, "w") as f:
        f.write("Xft.dpi: 10000\n")
    case.Display.Run(["xrdb", "-nocpp", "-merge", resources])
    huge = case.Start(case.TitledCollection("huge"))
    huge.MainWindow(size=(2 * WINDOW_W, 2 * WINDOW_H))


# Cases that need no X server.
WITHOUT_DISPLAY = {"options"}
# Cases that need more X tools than every case does.
NEEDS = {"hidpi": ("xrdb",)}

CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main(cases=None):
    cases = cases or CASES
    parser = argparse.ArgumentParser()
    parser.add_argument("--player", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--sndlib", help="a built sndlib.so, for the cases that put one beside the program")
    parser.add_argument("--fake-sndlib", help="a stand-in library whose answers the environment scripts")
    parser.add_argument("--xdnd-drop", help="the drag-and-drop source the drop cases drop with")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("case", choices=sorted(cases))
    args = parser.parse_args()
    args.player = os.path.abspath(args.player)
    args.source = os.path.abspath(args.source)
    args.sndlib = os.path.abspath(args.sndlib) if args.sndlib else None
    args.fake_sndlib = os.path.abspath(args.fake_sndlib) if args.fake_sndlib else None
    args.xdnd_drop = os.path.abspath(args.xdnd_drop) if args.xdnd_drop else None
    tools = () if args.case in WITHOUT_DISPLAY else ("Xvfb", "xdotool", "xwininfo", "xwd", "xdpyinfo")
    for tool in tools + NEEDS.get(args.case, ()):
        if shutil.which(tool) is None:
            print(f"SKIP: {tool} is not installed", flush=True)
            return SKIP
    work = tempfile.mkdtemp(prefix=f"mira-e2e-{args.case}-")
    case = Case(args, work)
    began = time.monotonic()
    try:
        cases[args.case](case)
        print(f"PASS {args.case} ({time.monotonic() - began:.1f} s)")
        return 0
    except Failure as failure:
        print(f"FAIL {args.case}: {failure}")
        for player in case.Players:
            err = player.Stderr().strip()
            if err:
                print(f"player's standard error:\n{err}")
        return 1
    finally:
        case.Close()
        if args.keep:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
