#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# End-to-end cases of the desktop's controls: the player on a private session bus, driven by playerctl (a
# real MPRIS client) and dbus-send, and the window's keys through xdotool; checked by what a user sees
# and hears, with the helpers of e2e.py.
#
#   desktop.py --player <mira.nol> --source <source tree> <case>
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e  # noqa: E402
from e2e import Failure, check, poll, started, caption_width, credits_seen, same_width, lit_fraction  # noqa: E402

BUS_NAME = "org.mpris.MediaPlayer2.mira_nol"
SHUFFLE = (346, 147, 13, 12)
REPEAT = (362, 147, 13, 12)
VOLUME_KNOB = e2e.VOLUME_KNOB
# A point of the volume fill bar that shows while the knob is at the far right and not at the middle.
VOLUME_FILL = (243 + 102, 80)


class Bus:
    """A session bus of the case's own (what dbus-run-session starts), so that the case can also end it."""

    def __init__(self, work):
        self.Process = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.Address = self.Process.stdout.readline().decode().strip()
        check(self.Address, "dbus-daemon printed no address")

    def Env(self):
        return {"DBUS_SESSION_BUS_ADDRESS": self.Address}

    def Run(self, argv, check_rc=True, timeout=10):
        """Runs a bus client; returns (status, standard output, standard error) as text."""
        env = dict(os.environ)
        env.update(self.Env())
        try:
            r = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(argv)} did not return within {timeout} s")
        out, err = r.stdout.decode(errors="replace").strip(), r.stderr.decode(errors="replace").strip()
        if check_rc and r.returncode != 0:
            raise Failure(f"{' '.join(argv)}: status {r.returncode}: {err}")
        return r.returncode, out, err

    def Ctl(self, *args, player="mira_nol"):
        return self.Run(["playerctl", "-p", player, *args])[1]

    def SetProperty(self, name, variant, dest=BUS_NAME):
        """Sets a Player property with dbus-send; returns (status, error text)."""
        status, _, err = self.Run(["dbus-send", "--session", "--print-reply", f"--dest={dest}", "/org/mpris/MediaPlayer2",
                                   "org.freedesktop.DBus.Properties.Set", "string:org.mpris.MediaPlayer2.Player",
                                   f"string:{name}", f"variant:{variant}"], check_rc=False)
        return status, err

    def Names(self):
        out = self.Run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                        "org.freedesktop.DBus.ListNames"])[1]
        return [w.strip('"') for w in out.split() if w.startswith('"org.mpris.')]

    def Stop(self, sig=signal.SIGTERM):
        if self.Process.poll() is None:
            self.Process.send_signal(sig)
            if sig in (signal.SIGTERM, signal.SIGKILL):
                self.Process.wait(5)


def with_bus(case):
    bus = Bus(case.Work)
    case.Buses = getattr(case, "Buses", []) + [bus]
    return bus


def controlled(case, bus, folder=None):
    """The player on the case's bus, its window and first sound, and its name on the bus."""
    player = started(case, folder, env=bus.Env())
    check(poll(lambda: BUS_NAME in bus.Names(), 10), f"{BUS_NAME} is not on the bus: {bus.Names()}")
    return player


def lit(case, player, rect, name):
    region = case.Bmp(name).Region((0, 0, rect[2], rect[3]))
    return lit_fraction(player, rect, region, case.Bmp("ImageShape").Region(rect)) > 0.9


def level(player, latency=1.0, seconds=1.5):
    """RMS of `seconds` of output, once `latency` of audio written after now has passed (the device's buffers)."""
    start = player.AudioBytes() + int(latency * e2e.AUDIO_RATE) * e2e.FRAME_BYTES
    return player.Heard(start, seconds, timeout=10)


def quiet_about_bus(player):
    """True when nothing the player said on standard error is about a bus."""
    # SDL's disk output announces itself (naming the work folder, which is named after the case).
    said = [line.lower() for line in player.Stderr().splitlines() if not line.startswith("CRITICAL:")]
    return not any(word in line for line in said for word in ("bus", "mpris"))


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def case_mpris(case):
    bus = with_bus(case)
    player = controlled(case, bus)
    check(bus.Ctl("metadata", "title") == "I", f"the first title reads {bus.Ctl('metadata', 'title')!r}")
    check(bus.Ctl("status") == "Playing", f"status {bus.Ctl('status')!r} while the first track plays")
    url = bus.Ctl("metadata", "xesam:url")
    check(url.startswith("file:///") and url.endswith("/data/one.xm"), f"xesam:url is {url!r}")
    length = int(bus.Ctl("metadata", "mpris:length") or -1)
    check(length > 0 and length % 1000000 == 0, f"mpris:length is {length}, not whole seconds")
    first = caption_width(player)

    # next: the caption, the title on the bus and the sound follow, as after a click on Next.
    bus.Ctl("next")
    second = caption_width(player, unlike=first)
    check(isinstance(second, int) and second > first + 10, f"next does not caption the second track ({first}, {second})")
    check(bus.Ctl("metadata", "title") == "IIIIII", f"after next the title reads {bus.Ctl('metadata', 'title')!r}")
    check(player.SoundAfter(), "the second track is not heard after next")

    # play-pause: silent and Paused, then heard again from where it stopped, same track.
    bus.Ctl("play-pause")
    check(bus.Ctl("status") == "Paused", f"status {bus.Ctl('status')!r} after play-pause")
    check(player.SilentAfterAction(), "the output is not silent after play-pause")
    bus.Ctl("play-pause")
    check(player.SoundAfter(), "the second play-pause does not resume the sound")
    check(bus.Ctl("status") == "Playing", f"status {bus.Ctl('status')!r} after the second play-pause")
    check(same_width(caption_width(player), second), "the second play-pause changed the caption")

    # Repeat clicked with the mouse, then shuffle toggled on the bus: Repeat goes off and its lit picture
    # goes dark, as the Shuffle button's handler does it.
    hover_mode(case, player, REPEAT, "Button_Repeat")
    case.Display.Click()
    player.MoveTo(250, 165)
    check(poll(lambda: bus.Ctl("loop") == "Track", 5), f"loop reads {bus.Ctl('loop')!r} after a click on Repeat")
    check(lit(case, player, REPEAT, "Button_Repeat"), "Repeat is not lit while its mode is on")
    bus.Ctl("shuffle", "Toggle")
    check(bus.Ctl("shuffle") == "On", f"shuffle reads {bus.Ctl('shuffle')!r} after shuffle Toggle")
    check(bus.Ctl("loop") == "None", f"loop reads {bus.Ctl('loop')!r} after shuffle turned Repeat off")
    check(poll(lambda: not lit(case, player, REPEAT, "Button_Repeat"), 5), "Repeat stays lit after shuffle Toggle")
    bus.Ctl("loop", "Track")
    check(bus.Ctl("loop") == "Track" and bus.Ctl("shuffle") == "Off",
          f"after loop Track: loop {bus.Ctl('loop')!r}, shuffle {bus.Ctl('shuffle')!r}")
    status, err = bus.SetProperty("LoopStatus", "string:Sometimes")
    check(status != 0 and "InvalidArgs" in err, f"an unknown loop status was taken: {status} {err!r}")
    check(bus.Ctl("loop") == "Track", "an unknown loop status changed the loop")

    # volume: the knob and the fill bar move as a drag would, and the output follows.
    full = level(player)
    before = player.Grab()
    bus.Ctl("volume", "0.5")
    check(bus.Ctl("volume") in ("0.5", "0.500000"), f"volume reads {bus.Ctl('volume')!r} after volume 0.5")
    after = player.Grab()
    check(after.Region(VOLUME_KNOB) != before.Region(VOLUME_KNOB), "the volume knob did not leave the far right")
    check(after.Pixel(*VOLUME_FILL) != before.Pixel(*VOLUME_FILL), "the volume fill bar did not shrink")
    middle = (241 + 68, VOLUME_KNOB[1], 5, 14)
    check(after.Region(middle) != before.Region(middle), "the volume knob is not at the middle of its track")
    # The library's volume scale is logarithmic (50 is 30 dB down): quieter by far, but not silent.
    half = level(player)
    check(half is not None and e2e.SILENT < half < full * 0.3, f"level {half} at volume 0.5, {full} at volume 1")
    for value, reads in (("double:-1", "0.0"), ("double:2", "1.0")):
        status, err = bus.SetProperty("Volume", value)
        check(status == 0, f"Volume {value} was refused: {err}")
        check(float(bus.Ctl("volume")) == float(reads), f"Volume {value} reads {bus.Ctl('volume')!r}, not {reads}")
    bus.SetProperty("Volume", "double:0")
    check(player.SilentAfterAction(), "the output is not silent at volume 0")
    status, err = bus.SetProperty("Volume", "double:nan")
    check(status != 0 and "InvalidArgs" in err, f"Volume NaN was taken: {status} {err!r}")
    check(float(bus.Ctl("volume")) == 0.0, f"Volume NaN changed the volume to {bus.Ctl('volume')!r}")
    bus.SetProperty("Volume", "double:1")
    check(player.SoundAfter(), "nothing is heard at volume 1 again")

    # stop: silent, the credits line, Stopped; play starts the selected track again.
    bus.Ctl("stop")
    check(bus.Ctl("status") == "Stopped", f"status {bus.Ctl('status')!r} after stop")
    check(player.SilentAfterAction(), "the output is not silent after stop")
    check(credits_seen(player), "after stop the caption does not show the credits line")
    bus.Ctl("play")
    check(player.SoundAfter(), "play after stop is not heard")
    check(bus.Ctl("metadata", "title") == "IIIIII", "play after stop does not play the selected track")

    # quit: as the Quit button, the program ends with status 0.
    bus.Run(["dbus-send", "--session", "--print-reply", f"--dest={BUS_NAME}", "/org/mpris/MediaPlayer2",
             "org.mpris.MediaPlayer2.Quit"])
    status = player.Wait(5)
    check(status == 0, f"exit status {status} after Quit on the bus")


def hover_mode(case, player, rect, name):
    """Moves onto a mode button and waits until its lit picture shows."""
    x, y = e2e.centre(rect)
    player.MoveTo(x, y + 1)
    player.MoveTo(x, y)
    check(poll(lambda: lit(case, player, rect, name), 5, 0.05), f"{name} does not light under the pointer")


def case_keys(case):
    bus = with_bus(case)
    player = controlled(case, bus)
    first = caption_width(player)
    # The list has the focus (a click on its first title), and the pointer rests on the skin away from
    # every button, so nothing the keys do can come from hovering.
    player.MoveTo(e2e.LIST[0] + 40, e2e.LIST[1] + e2e.LIST_ROW // 2)
    case.Display.Click()
    player.MoveTo(250, 165)
    time.sleep(0.3)
    unlit = player.Grab()
    buttons = [(e2e.PLAY, "Button_Play"), (e2e.NEXT, "Button_Next"), (e2e.STOP, "Button_Stop")]

    case.Display.Key("b")
    second = caption_width(player, unlike=first)
    check(isinstance(second, int) and second > first + 10, f"B does not play the next track ({first}, {second})")
    check(bus.Ctl("metadata", "title") == "IIIIII", "B does not make the second track current")
    case.Display.Key("z")
    check(same_width(caption_width(player, unlike=second), first), "Z does not go back to the first track")
    case.Display.Key("ctrl+b")
    case.Display.Key("alt+b")
    time.sleep(1.0)
    check(bus.Ctl("metadata", "title") == "I", "B with Ctrl or Alt held changed the track")
    case.Display.Key("shift+b")
    check(poll(lambda: bus.Ctl("metadata", "title") == "IIIIII", 5), "upper-case B does not play the next track")

    case.Display.Key("c")
    check(poll(lambda: bus.Ctl("status") == "Paused", 5), "C does not pause")
    check(player.SilentAfterAction(), "the output is not silent after C")
    case.Display.Key("x")
    check(player.SoundAfter(), "X does not resume")
    case.Display.Key("m")
    check(player.SilentAfterAction(), "the output is not silent after M")
    case.Display.Key("M")
    check(player.SoundAfter(), "the second M does not bring the sound back")
    case.Display.Key("r")
    check(poll(lambda: bus.Ctl("loop") == "Track", 5), "R does not turn Repeat on")
    case.Display.Key("s")
    check(poll(lambda: bus.Ctl("shuffle") == "On" and bus.Ctl("loop") == "None", 5), "S does not turn Shuffle on")
    case.Display.Key("v")
    check(poll(lambda: bus.Ctl("status") == "Stopped", 5), "V does not stop")
    check(credits_seen(player), "after V the caption does not show the credits line")

    # No key lit a button or named one in the hint.
    now = player.Grab()
    for rect, name in buttons + [(SHUFFLE, "Button_Shuffle"), (REPEAT, "Button_Repeat")]:
        check(now.Region(rect) == unlit.Region(rect), f"{name} changed its look after the keys")
    hint = (264, 145, 65, 13)
    check(now.Region(hint) == unlit.Region(hint), "the hint changed after the keys")

    # The list's own keys are still its own: Down, then Enter plays the line below the selection.
    case.Display.Key("Down")
    case.Display.Key("Return")
    check(player.SoundAfter(), "Enter in the list does not play after the keys")
    check(poll(lambda: bus.Ctl("metadata", "title") == "WWWWWWWW", 5),
          f"Down and Enter play {bus.Ctl('metadata', 'title')!r}, not the third title")


def case_mpris_second(case):
    bus = with_bus(case)
    first = controlled(case, bus)
    second = case.Start(case.TitledCollection("second"), env=bus.Env())
    second.MainWindow()
    instance = f"{BUS_NAME}.instance{second.Process.pid}"
    check(poll(lambda: instance in bus.Names(), 10), f"the second player is not {instance}: {bus.Names()}")
    check(BUS_NAME in bus.Names(), "the first player lost its name")
    # Each answers for itself.
    bus.Ctl("next", player=f"mira_nol.instance{second.Process.pid}")
    check(bus.Ctl("metadata", "title", player=f"mira_nol.instance{second.Process.pid}") == "IIIIII",
          "next to the second player does not reach it")
    check(bus.Run(["playerctl", "-p", "mira_nol", "metadata", "title"])[1] in ("I", "IIIIII"), "no answer")
    status, _, _ = bus.Run(["dbus-send", "--session", "--print-reply", f"--dest={BUS_NAME}", "/org/mpris/MediaPlayer2",
                            "org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2.Player",
                            "string:PlaybackStatus"])
    check(status == 0 and first.Alive() and second.Alive(), "a player ended")


def case_mpris_no_bus(case):
    case.StartDisplay()
    empty = os.path.join(case.Work, "runtime")
    os.makedirs(empty, mode=0o700)
    # No bus at all: neither an address nor a runtime folder with a bus socket.
    player = case.Start(case.TitledCollection(), env={"XDG_RUNTIME_DIR": empty}, unset=("DBUS_SESSION_BUS_ADDRESS",))
    player.MainWindow(timeout=10)
    check(player.SoundAfter(), "the player does not play without a session bus")
    # A bus that is gone: the address names a socket nobody listens on.
    # Its sound goes to a file of its own.
    audio = os.path.join(case.Work, "dead.raw")
    dead = case.Start(case.TitledCollection("dead"),
                      env={"DBUS_SESSION_BUS_ADDRESS": f"unix:path={os.path.join(empty, 'gone')}",
                           "SDL_DISKAUDIOFILE": audio})
    dead.Audio = audio
    both = poll(lambda: len([w for w in case.Display.Windows() if w[3:5] == (e2e.WINDOW_W, e2e.WINDOW_H) and w[5]]) >= 2,
                10, 0.1)
    check(both, "the player with a dead bus address shows no window")
    check(dead.Alive() and player.Alive(), "a player without a bus ended")
    for p in (player, dead):
        check(quiet_about_bus(p), f"a player without a bus said {p.Stderr()!r}")
    # The second window lies on top of the first: its buttons take the clicks.
    dead.MainWindow()
    case.ClickButton(dead, e2e.STOP)
    check(dead.SilentAfterAction(), "Stop without a bus is not silent")


def case_mpris_bus_gone(case):
    bus = with_bus(case)
    player = controlled(case, bus)
    first = caption_width(player)
    pid = player.Process.pid

    # A bus that stops answering: the player goes on, and changes it announces meanwhile do not hold it up.
    bus.Stop(signal.SIGSTOP)
    case.ClickButton(player, e2e.NEXT)
    second = caption_width(player, unlike=first)
    check(isinstance(second, int) and second > first + 10, f"Next does not work while the bus hangs ({first}, {second})")
    check(player.SoundAfter(), "nothing is heard while the bus hangs")
    bus.Stop(signal.SIGCONT)
    check(poll(lambda: bus.Run(["playerctl", "-p", "mira_nol", "metadata", "title"], check_rc=False)[1] == "IIIIII", 10),
          "the player does not answer once the bus answers again")

    # The bus ends while the player plays: it goes on playing, answers the mouse, and does not spin.
    bus.Stop(signal.SIGKILL)
    time.sleep(0.5)
    check(player.Alive(), f"the player ended with the bus: {player.Stderr()!r}")
    spent = cpu_seconds(pid)
    time.sleep(3.0)
    spent = cpu_seconds(pid) - spent
    check(spent < 1.0 * e2e.TIME_SCALE, f"the player used {spent:.2f} s of CPU in 3 s after the bus ended")
    check(player.SoundAfter(), "nothing is heard after the bus ended")
    check(e2e.clock_changes(player, 2.5) >= 1, "the clock stands still after the bus ended")
    case.ClickButton(player, e2e.NEXT)
    third = caption_width(player, unlike=second)
    check(isinstance(third, int) and third > second + 10, f"Next does not work after the bus ended ({second}, {third})")
    check(quiet_about_bus(player), f"the player said {player.Stderr()!r} about the bus")
    case.Hover(player, e2e.QUIT)
    case.Display.Click()
    check(player.Wait(5) == 0, "Quit after the bus ended does not end the player with status 0")


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def close_buses(case_close):
    def close(self):
        case_close(self)
        for bus in getattr(self, "Buses", []):
            if bus.Process.poll() is None:
                bus.Process.send_signal(signal.SIGCONT)
                bus.Process.terminate()
                bus.Process.wait(5)
    return close


if __name__ == "__main__":
    for tool in ("dbus-daemon", "dbus-send", "playerctl"):
        if shutil.which(tool) is None and "mpris_no_bus" not in sys.argv:
            print(f"SKIP: {tool} is not installed", flush=True)
            sys.exit(e2e.SKIP)
    e2e.Case.Close = close_buses(e2e.Case.Close)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(e2e.main(CASES))
