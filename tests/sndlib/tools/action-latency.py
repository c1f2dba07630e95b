#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How soon each user action is heard: the real player on a private Xvfb and a private sound server with a
real-time null sink, a steady 1 kHz tone playing, the buttons and sliders worked through the X server's
test extension, and the sink's monitor recorded; for each action, the time from the click (for a slider,
its move) to the first 10 ms of sound at the sink that shows its effect.

  usage: action-latency.py PLAYER_BINARY [ROUNDS] [DISPLAY_NUMBER]
Needs pulseaudio, pulseaudio-utils (parec), xvfb, xdotool, libxtst6, sox, lame. Prints one line per action: the
median and the range in milliseconds, and the largest step between neighbouring samples seen anywhere in
the recording (a 1 kHz tone at -6 dB moves by at most 0.071 of full scale).
"""
import array
import ctypes
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PLAYER = os.path.abspath(sys.argv[1])
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
DISPLAY = sys.argv[3] if len(sys.argv) > 3 else "93"
RATE = 44100

work = tempfile.mkdtemp(prefix="action-latency-")
env = dict(os.environ, XDG_RUNTIME_DIR=work + "/xdg", XDG_CACHE_HOME=work + "/cache", DISPLAY=":" + DISPLAY)
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
env["PULSE_SERVER"] = "unix:" + env["XDG_RUNTIME_DIR"] + "/pulse/native"
with open(work + "/null.pa", "w") as f:
    f.write("load-module module-null-sink sink_name=benchnull rate=44100 channels=2\nset-default-sink benchnull\n"
            "load-module module-native-protocol-unix auth-anonymous=1\n")
procs = []


def start(cmd, **kw):
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
    procs.append(p)
    return p


try:
    start(["pulseaudio", "-n", "-F", work + "/null.pa", "--exit-idle-time=-1", "--daemonize=no"])
    start(["Xvfb", ":" + DISPLAY, "-screen", "0", "1024x768x24", "-nolisten", "tcp"])
    for _ in range(100):
        if subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode == 0:
            break
        time.sleep(0.1)
    data = work + "/col/data"
    os.makedirs(data)
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", work + "/tone.wav", "synth", "120", "sine", "1000",
                    "vol", "0.5"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "320", work + "/tone.wav", data + "/tone.mp3"], check=True)
    with open(data + "/play.lst", "w") as f:
        f.write("tone.mp3\nTone\n")
    # The monitor, recorded in 5 ms parts with their arrival times.
    rec = subprocess.Popen(["parec", "-d", "benchnull.monitor", "--raw", "--format=s16le", "--rate=44100",
                            "--channels=2", "--latency-msec=5"], env=env, stdout=subprocess.PIPE)
    procs.append(rec)
    os.set_blocking(rec.stdout.fileno(), False)
    parts = []  # (arrival, samples of the left side)

    def pump(seconds):
        end = time.monotonic() + seconds
        pending = b""
        while time.monotonic() < end:
            try:
                b = rec.stdout.read(65536)
            except (BlockingIOError, TypeError):
                b = None
            if b:
                pending += b
                whole = len(pending) // 4 * 4
                a = array.array("h", pending[:whole])
                parts.append((time.monotonic(), a[0::2]))
                pending = pending[whole:]
            time.sleep(0.001)

    pump(3.0)  # the monitor starts delivering after a moment
    player = start([PLAYER], cwd=work + "/col")
    pump(3.0)
    win = subprocess.run(["xdotool", "search", "--name", "^mira.nol$"], env=env, capture_output=True,
                         text=True).stdout.split()
    geo = subprocess.run(["xdotool", "getwindowgeometry", win[0]], env=env, capture_output=True, text=True).stdout
    ox, oy = [int(v) for v in geo.split("Position:")[1].split()[0].split(",")]

    # The pointer is worked from here through the XTest extension, so the time taken is when the server
    # has the click, not when a tool started for each click got round to sending it.
    xlib = ctypes.CDLL("libX11.so.6")
    xtest = ctypes.CDLL("libXtst.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xtest.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                           ctypes.c_ulong]
    xtest.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    pointer = xlib.XOpenDisplay((":" + DISPLAY).encode())

    def move(x, y):
        xtest.XTestFakeMotionEvent(pointer, -1, ox + x, oy + y, 0)
        xlib.XSync(pointer, 0)

    def button(down):
        xtest.XTestFakeButtonEvent(pointer, 1, 1 if down else 0, 0)
        xlib.XSync(pointer, 0)

    def click(x, y):
        move(x, y)
        time.sleep(0.02)
        t = time.monotonic()
        button(True)
        button(False)
        return t

    def drag(x, y, to_x):
        move(x, y)
        button(True)
        time.sleep(0.05)
        t = time.monotonic()
        move(to_x, y)
        button(False)
        return t

    def peak(samples):
        return max((abs(v) for v in samples), default=0) / 32768.0

    def crossings(samples):
        return sum(1 for a, b in zip(samples, samples[1:]) if a < 0 <= b)

    def phase(samples, at):
        # The 1 kHz tone's phase against a clock of the recording's own samples.
        c = sum(v * math.cos(2 * math.pi * 1000 * (at + k) / RATE) for k, v in enumerate(samples))
        s = sum(v * math.sin(2 * math.pi * 1000 * (at + k) / RATE) for k, v in enumerate(samples))
        return math.atan2(c, s)

    def restarted(samples, at, before):
        # The same tone from its start again: its phase jumps (a crossfade of one block hides it from the peak).
        turn = phase(samples, at) - before
        return peak(samples) > 0.3 and abs(math.atan2(math.sin(turn), math.cos(turn))) > 0.5

    # Each action: how to do it, and what its first effect looks like in 10 ms of sound at the sink (a 1 kHz
    # tone crosses zero upwards 10 times in it).
    actions = [
        ("pause", lambda: click(164, 155), lambda w, *_: peak(w) < 0.01),
        ("play (resume)", lambda: click(136, 155), lambda w, *_: peak(w) > 0.01),
        ("mute", lambda: click(384, 153), lambda w, *_: peak(w) < 0.01),
        ("unmute", lambda: click(384, 153), lambda w, *_: peak(w) > 0.01),
        ("volume (drag to the left)", lambda: drag(378, 76, 300), lambda w, *_: peak(w) < 0.2),
        ("volume (drag back)", lambda: drag(302, 76, 376), lambda w, *_: peak(w) > 0.4),
        ("speed (drag faster)", lambda: drag(302, 116, 340), lambda w, *_: crossings(w) >= 14),
        ("speed (back to normal)", lambda: drag(342, 116, 300), lambda w, *_: crossings(w) <= 11),
        ("stop", lambda: click(195, 155), lambda w, *_: peak(w) < 0.01),
        ("play (from stopped)", lambda: click(136, 155), lambda w, *_: peak(w) > 0.01),
        ("next track (the same tone again)", lambda: click(227, 155), restarted),
    ]
    results = {name: [] for name, _, _ in actions}
    worst = {name: 0.0 for name, _, _ in actions}
    for _ in range(ROUNDS):
        for name, act, seen in actions:
            pump(0.2)
            mark = len(parts)
            t0 = act()
            pump(0.6)
            # The parts after the click joined, each sample with its part's arrival time.
            joined, arrival = [], []
            for when, samples in parts[mark:]:
                joined.extend(samples)
                arrival.extend([when] * len(samples))
            hit = None
            before = phase(joined[:441], 0)  # the tone as it was, from before the click
            for i in range(0, len(joined) - 441, 110):
                window = joined[i:i + 441]
                if seen(window, i, before):
                    hit = arrival[i + 440]
                    break
            results[name].append(None if hit is None else (hit - t0) * 1000)
            for a, b in zip(joined, joined[1:]):
                worst[name] = max(worst[name], abs(a - b) / 32768.0)
    steps = 0.0
    previous = None
    for _, samples in parts:
        for v in samples:
            if previous is not None:
                steps = max(steps, abs(v - previous) / 32768.0)
            previous = v
    for name, values in results.items():
        got = [v for v in values if v is not None]
        if got:
            print(f"{name}: median {statistics.median(got):.0f} ms (range {min(got):.0f} to {max(got):.0f}), "
                  f"{len(got)} of {len(values)} seen, "
                  f"largest step {worst[name]:.3f}")
        else:
            print(f"{name}: not seen")
    print(f"largest step between neighbouring samples at the sink: {steps:.3f}")
finally:
    for p in reversed(procs):
        p.terminate()
        try:
            p.wait(timeout=5)
        except subprocess.TimeoutExpired:
            p.kill()
    shutil.rmtree(work, ignore_errors=True)
