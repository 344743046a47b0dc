#!/usr/bin/env python3
"""The game plays itself, as a player would: the built Gorvane runs in a private copy of its
folder layout on the current X display and is driven by real X key presses only (xdotool).

A normal run answers the render-system dialog, skips the logos, chooses "Play", walks, turns,
fires, switches weapons and throws a grenade, pauses with Escape and continues, then stands its
ground until the zombies kill the player, types a name, and checks the high-score file and the
high-score view. Every phase takes a screenshot of the root window, checked by its pixels and
kept in the artefact folder. The game's sound mix is captured to a WAV file (the settings entry
Engine/SoundCaptureFile) and checked: music in the logo and menu phases, the pistol shot after
the fire key. A failure names the phase and the screenshot.

The soak mode (--soak MINUTES) keeps playing for that long, starting a new game after each
death, and records frames per second, the worst frame and resident memory every 10 s into
soak.csv and soak.png in the artefact folder.

    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" tests/e2e/play.py build/bin/Gorvane build/e2e
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" tests/e2e/play.py --soak 30 build/bin/Gorvane build/soak

With --installed the game is the Debian package: it is unpacked into a read-only tree and played
through from its launcher with a fresh home folder (as the user nobody when run as root), then
started again, where the saved renderer choice and the high score must come back:

    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" tests/e2e/play.py --installed build/package/gorvane_*.deb build/e2e-installed
"""
import argparse
import array
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

NAME = "gorvbot7"  # lower case and digits: typed without modifiers


class PhaseFailure(Exception):
    def __init__(self, phase, detail, shot=None):
        super().__init__(f"phase '{phase}' failed: {detail}" + (f" (screenshot {shot})" if shot else ""))


def run(*command, check=False, timeout=60):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=timeout)
    if check and result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed with status {result.returncode}")
    return result.stdout


class Image:
    """A screenshot of the game window as 8-bit RGB rows, sampled down to half size."""

    def __init__(self, path, geometry):
        self.path = path
        x, y, width, height = geometry
        self.width, self.height = width // 2, height // 2
        self.pixels = subprocess.run(
            ["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "+repage",
             "-sample", f"{self.width}x{self.height}!", "-depth", "8", "rgb:-"],
            stdout=subprocess.PIPE, check=True, timeout=120).stdout
        if len(self.pixels) != self.width * self.height * 3:
            raise RuntimeError(f"unexpected pixel data from {path}")

    def region(self, left, top, right, bottom):
        """Pixels (r, g, b) of a rectangle given in window fractions."""
        x0, x1 = int(left * self.width), max(int(left * self.width) + 1, int(right * self.width))
        y0, y1 = int(top * self.height), max(int(top * self.height) + 1, int(bottom * self.height))
        p = self.pixels
        for y in range(y0, min(y1, self.height)):
            row = y * self.width * 3
            for x in range(x0, min(x1, self.width)):
                i = row + 3 * x
                yield p[i], p[i + 1], p[i + 2]

    def fraction(self, box, test):
        """The share of a rectangle's pixels for which test(r, g, b) holds."""
        total = hits = 0
        for r, g, b in self.region(*box):
            total += 1
            hits += bool(test(r, g, b))
        return hits / total if total else 0.0

    def mean(self, box=(0, 0, 1, 1)):
        n = s = 0
        for r, g, b in self.region(*box):
            n += 1
            s += r + g + b
        return s / (3 * n) if n else 0.0

    def difference(self, other):
        """Mean absolute difference of two shots of the same window, 0..255."""
        a, b = self.pixels, other.pixels
        if len(a) != len(b):
            return 255.0
        step = 7  # every 7th byte is plenty to see a change
        return sum(abs(a[i] - b[i]) for i in range(0, len(a), step)) / (len(a) // step)


# Where things are on the screen, in window fractions (left, top, right, bottom).
MENU_ITEMS = [(0.58, 0.39 + 0.06 * i, 0.95, 0.45 + 0.06 * i) for i in range(3)]
HEALTH_BAR = (0.66, 0.05, 0.97, 0.075)
MESSAGE_LINE = (0.55, 0.75, 0.85, 0.80)
NAME_PROMPT = (0.40, 0.40, 0.70, 0.43)
NAME_TEXT = (0.40, 0.43, 0.70, 0.46)
SCORE_CAPTION = (0.30, 0.20, 0.55, 0.24)
SCORE_LIST = (0.30, 0.30, 0.70, 0.34)


def selected_text(r, g, b):
    """The menu's selected item and the high-score caption: a dark red."""
    return r > 110 and g < 70 and b < 70


def light_text(r, g, b):
    return r > 120 and g > 120 and b > 120


def near_white(r, g, b):
    """The HUD's own texts: white, brighter than anything lit in the arena at night."""
    return r > 200 and g > 200 and b > 200


def reddish(r, g, b):
    return r > 100 and r > 2 * g


class Game:
    """The game in a private folder layout. From a build (`built` is build/bin/Gorvane) the layout
    is a copy of bin/ and data/ and the game writes beside its executable. From a package
    (`built` is the .deb, `installed` set) the package is unpacked into a read-only tree, the
    launcher starts it with a fresh home folder, and the game writes into the player's folders;
    as root, the game runs as the user nobody, to whom the tree is read-only as to any player."""

    def __init__(self, built, artefacts, capture_sound, installed=False):
        self.artefacts = artefacts
        self.installed = installed
        self.sandbox = tempfile.mkdtemp(prefix="gorvane-e2e-")
        os.chmod(self.sandbox, 0o755)
        # Nothing saved: the run starts as a player's first start does, with no renderer choice.
        if installed:
            self.tree = os.path.join(self.sandbox, "tree")
            run("dpkg-deb", "-x", built, self.tree, check=True)
            self.bin = os.path.join(self.tree, "usr", "lib", "games", "gorvane", "bin")
            self.program = os.path.join(self.tree, "usr", "games", "gorvane")
            settings = os.path.join(self.tree, "usr", "share", "games", "gorvane", "configs", "game.xml")
            self.home = os.path.join(self.sandbox, "home")
            os.mkdir(self.home)
            self.config_file = os.path.join(self.home, ".config", "gorvane", "ogre.cfg")
            self.log_file = os.path.join(self.home, ".local", "state", "gorvane", "Gorvane.log")
            self.scores_file = os.path.join(self.home, ".local", "share", "gorvane", "highscores.dat")
            written = self.home
        else:
            self.bin = os.path.join(self.sandbox, "bin")
            os.mkdir(self.bin)
            self.program = os.path.join(self.bin, "Gorvane")
            shutil.copy2(built, self.program)
            shutil.copytree(os.path.join(os.path.dirname(os.path.abspath(built)), "..", "data"),
                            os.path.join(self.sandbox, "data"))
            settings = os.path.join(self.sandbox, "data", "configs", "game.xml")
            self.config_file = os.path.join(self.bin, "ogre.cfg")
            self.log_file = os.path.join(self.bin, "Gorvane.log")
            self.scores_file = os.path.join(self.bin, "highscores.dat")
            written = artefacts
        self.frame_log = os.path.join(self.sandbox if not installed else self.home, "frames.csv")
        self.sound_file = os.path.join(written, "mix.wav") if capture_sound else ""
        self.settings = settings
        with open(settings) as f:
            text = f.read()
        extra = f"    <FrameTimeLog>{self.frame_log}</FrameTimeLog>\n"
        if self.sound_file:
            extra += f"    <SoundCaptureFile>{self.sound_file}</SoundCaptureFile>\n"
        with open(settings, "w") as f:
            f.write(text.replace("</Engine>", extra + "</Engine>"))
        self.environment = dict(os.environ)
        self.user = []
        if installed:
            for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"):
                self.environment.pop(name, None)
            self.environment["HOME"] = self.home
            if os.getuid() == 0:
                # The X server's cookie, readable by the player the game runs as.
                cookie = os.environ.get("XAUTHORITY")
                if cookie and os.path.exists(cookie):
                    shutil.copy2(cookie, os.path.join(self.home, ".Xauthority"))
                    self.environment["XAUTHORITY"] = os.path.join(self.home, ".Xauthority")
                for folder, _, names in os.walk(self.home):
                    for path in [folder] + [os.path.join(folder, n) for n in names]:
                        os.chown(path, 65534, 65534)
                self.user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
            run("chmod", "-R", "a-w", self.tree, check=True)
            self.tree_before = self.listing(self.tree)
        self.process = None
        self.window = None
        self.geometry = None
        self.shots = 0
        self.started = time.monotonic()

    @staticmethod
    def listing(folder):
        """Every path below the folder with its size and modification time."""
        entries = set()
        for root, dirs, files in os.walk(folder):
            for name in dirs + files:
                path = os.path.join(root, name)
                info = os.lstat(path)
                entries.add((os.path.relpath(path, folder), info.st_size, info.st_mtime_ns))
        return entries

    # --- the process -------------------------------------------------------------------------
    def start(self):
        if self.process is not None:
            self.output.close()  # of the previous start
        self.output = open(os.path.join(self.artefacts, "game-output.txt"), "a")
        # Started from elsewhere, as a player might: the game finds its data from its own folder.
        self.process = subprocess.Popen(self.user + [self.program], cwd="/", env=self.environment,
                                        stdout=self.output, stderr=subprocess.STDOUT)

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def stop(self):
        if self.alive():
            self.process.terminate()
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process is not None:
            self.output.close()
        kept = [self.log_file, self.scores_file, self.config_file, self.frame_log]
        if self.installed:
            kept.append(self.sound_file)
            run("chmod", "-R", "u+w", self.tree)
        for source in kept:
            if source and os.path.exists(source):
                shutil.copy2(source, os.path.join(self.artefacts, os.path.basename(source)))
        shutil.rmtree(self.sandbox, ignore_errors=True)

    def resident_kib(self):
        try:
            with open(f"/proc/{self.process.pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return 0

    def frame_times(self):
        """(frames, mean ms, worst ms) of the last second the game logged, or None."""
        try:
            with open(self.frame_log) as f:
                lines = f.read().split("\n")
        except OSError:
            return None
        rows = [line.split(",") for line in lines[1:] if line.count(",") == 3]
        if not rows:
            return None
        last = rows[-1]
        return int(last[1]), float(last[2]), float(last[3])

    def frame_seconds(self):
        """A generous guess of one frame's time: key presses must last longer than that."""
        times = self.frame_times()
        return max(0.05, times[2] / 1000.0) if times else 0.5

    # --- waiting -----------------------------------------------------------------------------
    def wait_until(self, phase, condition, limit, what):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            if not self.alive():
                raise PhaseFailure(phase, f"the game ended (status {self.process.returncode}) while waiting for {what}")
            time.sleep(0.2)
        raise PhaseFailure(phase, f"no {what} within {limit} s")

    def find_dialog(self):
        found = run("xdotool", "search", "--onlyvisible", "--classname", "^gorvane$").split()
        return found[0] if found else None

    def find_window(self):
        # The toolkit dialog has a window class; the game's own window has none.
        for w in run("xdotool", "search", "--onlyvisible", "--name", "^Gorvane$").split():
            if "not found" in run("xprop", "-id", w, "WM_CLASS"):
                return w
        return None

    def log_has(self, text):
        try:
            with open(self.log_file, errors="replace") as f:
                return text in f.read()
        except OSError:
            return False

    # --- input -------------------------------------------------------------------------------
    def focus(self):
        run("xdotool", "windowfocus", "--sync", self.window or self.find_dialog() or "")

    def hold(self, key, seconds=None):
        """A key held long enough for the game's once-a-frame look at the keyboard to see it."""
        self.focus()
        run("xdotool", "keydown", key)
        time.sleep(seconds if seconds is not None else max(0.3, 2.5 * self.frame_seconds()))
        run("xdotool", "keyup", key)
        time.sleep(max(0.2, 1.5 * self.frame_seconds()))

    def tap(self, key):
        """A short press: down for two of the game's mean frames."""
        times = self.frame_times()
        frame = times[1] / 1000.0 if times else 0.2
        self.focus()
        run("xdotool", "keydown", key)
        time.sleep(max(0.12, 2 * frame))
        run("xdotool", "keyup", key)
        time.sleep(max(0.12, 2 * frame))

    def hold_together(self, keys, seconds):
        self.focus()
        for key in keys:
            run("xdotool", "keydown", key)
        time.sleep(seconds)
        for key in reversed(keys):
            run("xdotool", "keyup", key)
        time.sleep(max(0.2, 1.5 * self.frame_seconds()))

    def type(self, text):
        self.focus()
        for ch in text:
            run("xdotool", "key", "--clearmodifiers", ch)
            time.sleep(max(0.15, self.frame_seconds()))

    # --- screenshots -------------------------------------------------------------------------
    def shot(self, name, path=None, fast=False):
        """A screenshot of the root window; numbered in phase order and kept unless dropped.
        A fast one is written uncompressed: a glance must come often enough not to miss a
        message shown for three seconds, even on a busy machine."""
        if path is None:
            self.shots += 1
            path = os.path.join(self.artefacts, f"{self.shots:02d}-{name}.png")
            print(f"{time.monotonic() - self.started:6.0f} s  {name}: {os.path.basename(path)}", flush=True)
        run("import", "-window", "root", *(["-quality", "1"] if fast else []), path, check=True, timeout=120)
        return Image(path, self.geometry)

    def wait_for_glance(self, phase, test, limit, what):
        deadline = time.monotonic() + limit
        while True:
            image = self.glance()
            if test(image):
                return image
            if time.monotonic() > deadline or not self.alive():
                raise PhaseFailure(phase, f"no {what} within {limit} s", image.path)
            time.sleep(0.3)

    def glance(self):
        """A screenshot that is not kept: for steering, not for checking."""
        image = self.shot("glance", os.path.join(self.artefacts, "last-glance.png"), fast=True)
        return image

    def wait_for_picture(self, phase, name, test, limit, what):
        """Screenshots until test(image) holds; the last one is kept under the phase's name."""
        deadline = time.monotonic() + limit
        self.shots += 1
        path = os.path.join(self.artefacts, f"{self.shots:02d}-{name}.png")
        while True:
            if not self.alive():
                raise PhaseFailure(phase, f"the game ended (status {self.process.returncode}) while waiting for {what}",
                                   path if os.path.exists(path) else None)
            image = self.shot(name, path)
            if test(image):
                print(f"{time.monotonic() - self.started:6.0f} s  {phase}: {os.path.basename(path)}", flush=True)
                return image
            if time.monotonic() > deadline:
                raise PhaseFailure(phase, f"no {what} within {limit} s", image.path)
            time.sleep(0.5)

    def sound_frames(self):
        """Frames of the captured mix written so far (the file is written through every frame)."""
        try:
            return max(0, (os.path.getsize(self.sound_file) - 44) // 4) if self.sound_file else 0
        except OSError:
            return 0


def check(phase, image, condition, detail):
    if not condition:
        raise PhaseFailure(phase, detail, image.path)


def not_black(image):
    return image.mean() > 8


# --- the phases ---------------------------------------------------------------------------------
def start_game(game):
    game.start()
    dialog = game.wait_until("dialog", game.find_dialog, 180, "render-system dialog")
    run("xdotool", "windowfocus", "--sync", dialog)
    run("xdotool", "key", "--clearmodifiers", "Return")
    game.window = game.wait_until("start", game.find_window, 180, "game window")
    game.wait_until("start", lambda: game.log_has("Keyboard successfully initialized"), 180, "keyboard")
    # The first start had nothing saved: Return took the shown render system, and it is saved.
    saved = game.config_file
    if not os.path.exists(saved) or "Render System=OpenGL Rendering Subsystem" not in open(saved).read():
        raise PhaseFailure("start", "the render-system choice was not saved in ogre.cfg")
    geometry = {}
    for line in run("xdotool", "getwindowgeometry", "--shell", game.window).split():
        key, _, value = line.partition("=")
        geometry[key] = int(value) if value.isdigit() else value
    game.geometry = (geometry["X"], geometry["Y"], geometry["WIDTH"], geometry["HEIGHT"])


def menu_selection(image):
    """Index of the menu item drawn in the selected colour, or None."""
    shares = [image.fraction(box, selected_text) for box in MENU_ITEMS]
    best = max(range(3), key=lambda i: shares[i])
    return best if shares[best] > 0.004 else None


MENU_TITLE = (0.08, 0.12, 0.80, 0.30)  # the red title painted on the menu's background


def menu_shown(image):
    return image.fraction(MENU_TITLE, selected_text) > 0.05 and menu_selection(image) is not None


def hud_shown(image):
    return image.fraction(HEALTH_BAR, reddish) > 0.3


def logos_and_menu(game, marks):
    first = game.wait_for_picture("logos", "logo1", lambda i: i.fraction((0, 0, 1, 1), lambda r, g, b: r + g + b > 150) > 0.01,
                                  120, "first logo")
    marks["logos"] = game.sound_frames()
    # Return skips to the second logo, once per press.
    game.hold("Return")
    second = game.wait_for_picture("logos", "logo2", lambda i: i.difference(first) > 1.5, 60,
                                   "second logo (a picture unlike the first)")
    game.hold("Return")
    menu = game.wait_for_picture("menu", "menu", menu_shown, 60, "main menu with its selected item")
    check("menu", menu, menu_selection(menu) == 0, "\"Play\" is not the selected item")
    check("menu", menu, menu.fraction(MENU_ITEMS[1], light_text) > 0.002, "no unselected menu text below \"Play\"")
    marks["menu"] = game.sound_frames()
    return second


def choose(game, phase, index):
    """Moves the menu's selection to an item by Up and Down, checking each step by pixels."""
    for _ in range(12):
        image = game.wait_for_glance(phase, menu_shown, 60, "main menu")
        current = menu_selection(image)
        if current == index:
            game.hold("Return")
            return
        game.hold("Down" if current < index else "Up", max(0.12, game.frame_seconds()))
    raise PhaseFailure(phase, f"the menu selection did not reach item {index}", image.path)


def play_a_while(game, marks):
    """The zombies close in within seconds: the shot to listen for and the pause come first."""
    arena = game.wait_for_picture("arena", "arena", hud_shown, 180, "health bar of the HUD")
    check("arena", arena, not_black(arena), "the arena is black")
    check("arena", arena, arena.fraction((0, 0.3, 1, 0.9), lambda r, g, b: r + g + b > 60) > 0.05, "no lit arena below the HUD")
    before = game.sound_frames()
    game.tap("Control_R")
    marks["pistol"] = (before, game.sound_frames())
    # Escape pauses the game (its world stands still) and "Continue" brings it back.
    game.hold("Escape")
    paused = game.wait_for_picture("pause", "paused", menu_shown, 60, "menu after Escape")
    check("pause", paused, menu_selection(paused) == 0, "\"Continue\" is not the selected item")
    choose(game, "continue", 0)
    game.wait_for_picture("continue", "continued", hud_shown, 60, "HUD after \"Continue\"")
    # Walk and turn, then the next weapon (the grenade) thrown, and round again to the pistol.
    game.hold("Up", 0.6)
    moved = game.shot("walking")
    check("walking", moved, moved.difference(arena) > 0.3, "walking changed nothing on the screen (frozen?)")
    if menu_shown(moved):
        return  # the horde was quicker: the death that follows is checked on the next game
    game.hold("Left", 0.3)
    game.hold("Shift_R", 0.3)
    game.tap("Control_R")
    game.hold("Shift_R", 0.3)
    playing = game.shot("zombies")
    if not menu_shown(playing):
        check("zombies", playing, playing.difference(moved) > 0.3, "nothing moved on the screen (frozen?)")


def health(image):
    return image.fraction(HEALTH_BAR, reddish)


def died(image):
    return health(image) < 0.05 and image.fraction(MESSAGE_LINE, near_white) > 0.002


class Gunner(threading.Thread):
    """Fires the pistol as fast as it reloads; runs beside the screenshots that watch for the end.

    A new game starts the player at the arena's centre facing a spawn grate, whose zombie walks
    straight down the line of fire and takes three shots on the way: a gunner that does not turn
    scores a kill in every fresh game. One that turns now and then (the soak) sees more of the
    arena instead."""

    def __init__(self, game, turning=False):
        super().__init__(daemon=True)
        self.game = game
        self.turning = turning
        self.stop = threading.Event()

    def run(self):
        game = self.game
        game.focus()
        shots = 0
        while not self.stop.is_set():
            run("xdotool", "keydown", "Control_R")
            time.sleep(0.15)
            run("xdotool", "keyup", "Control_R")
            time.sleep(0.25)
            shots += 1
            # A zombie takes three shots: the aim moves only now and then, to find another.
            if self.turning and shots % 12 == 0:
                run("xdotool", "keydown", "Left")
                time.sleep(0.15)
                run("xdotool", "keyup", "Left")


def fight_until_dead(game, limit):
    """Stands its ground and fires until the zombies win; true when "You died" was seen (kept
    as a screenshot)."""
    phase = "death"
    deadline = time.monotonic() + limit
    gunner = Gunner(game)
    gunner.start()
    try:
        while time.monotonic() < deadline:
            if not game.alive():
                raise PhaseFailure(phase, f"the game ended (status {game.process.returncode})")
            image = game.glance()
            if died(image):
                game.shots += 1
                path = os.path.join(game.artefacts, f"{game.shots:02d}-you-died.png")
                shutil.copy2(image.path, path)
                print(f"{time.monotonic() - game.started:6.0f} s  {phase}: {os.path.basename(path)}", flush=True)
                return True
            if name_entry_shown(image) or menu_shown(image):
                return False
    finally:
        gunner.stop.set()
        gunner.join()
    raise PhaseFailure(phase, f"the player still lives after {limit} s", image.path)


def read_high_scores(path):
    with open(path, "rb") as f:
        data = f.read()
    (count,), at, entries = struct.unpack_from("<i", data, 0), 4, []
    for _ in range(count):
        (length,) = struct.unpack_from("<i", data, at)
        name = data[at + 4:at + 4 + length].decode("latin-1")
        (score,) = struct.unpack_from("<i", data, at + 4 + length)
        entries.append((name, score))
        at += 8 + length
    if at != len(data):
        raise ValueError(f"{len(data) - at} bytes after the last entry")
    return entries


def name_entry_shown(image):
    return (health(image) < 0.05 and image.fraction(MESSAGE_LINE, near_white) < 0.002 and
            image.fraction(NAME_PROMPT, near_white) > 0.01)


def enter_name(game):
    phase = "name entry"
    prompt = game.wait_for_picture(phase, "name-entry", name_entry_shown, 60,
                                   "\"Enter your name:\" prompt (no kill scored?)")
    empty = prompt.fraction(NAME_TEXT, near_white)
    game.type(NAME)
    typed = game.shot("name-typed")
    check(phase, typed, typed.fraction(NAME_TEXT, near_white) > empty + 0.01, "the typed name does not show")
    game.hold("Return")
    path = game.scores_file
    game.wait_until(phase, lambda: os.path.exists(path), 60, "highscores.dat")
    entries = read_high_scores(path)
    if len(entries) != 1 or entries[0][0] != NAME or entries[0][1] <= 0 or entries[0][1] % 100:
        raise PhaseFailure(phase, f"highscores.dat holds {entries}, not one entry of {NAME!r} with a positive score",
                           typed.path)
    return entries[0][1]


def high_score_view(game):
    phase = "high scores"
    menu = game.wait_for_picture(phase, "menu-after-death", menu_shown, 60, "menu after the name entry")
    show_high_scores(game, phase)
    return menu


def show_high_scores(game, phase):
    """From the main menu: "High scores", and the view lists an entry under its caption."""
    choose(game, phase, 1)
    view = game.wait_for_picture(phase, "high-scores", lambda i: i.fraction(SCORE_CAPTION, selected_text) > 0.01, 60,
                                 "red \"High scores\" caption")
    check(phase, view, view.fraction(SCORE_LIST, light_text) > 0.01, "no entry in the high-score list")
    check(phase, view, not menu_shown(view), "the menu is still shown over the high scores")


def leave(game):
    game.hold("Escape")
    game.wait_for_picture("exit", "menu-before-exit", menu_shown, 60, "menu after Escape")
    choose(game, "exit", 2)
    try:
        game.process.wait(60)
    except subprocess.TimeoutExpired:
        raise PhaseFailure("exit", "the game did not end through \"Exit\"")
    if game.process.returncode != 0:
        raise PhaseFailure("exit", f"the game ended with status {game.process.returncode}")


# --- the sound ----------------------------------------------------------------------------------


def loudness(path, window_ms=20):
    """RMS of each 20 ms of the captured mix (both channels), 0..1, and the frames per window."""
    with open(path, "rb") as f:
        data = f.read()
    # The header's sizes are completed only when the game ends; the samples are all there before.
    rate, channels = struct.unpack_from("<I", data, 24)[0], struct.unpack_from("<H", data, 22)[0]
    samples = array.array("h", data[44:len(data) - (len(data) - 44) % 4])
    if sys.byteorder != "little":
        samples.byteswap()
    step = rate * window_ms // 1000
    levels = []
    for start in range(0, len(samples) // channels - step + 1, step):
        chunk = samples[start * channels:(start + step) * channels]
        levels.append((sum(s * s for s in chunk) / len(chunk)) ** 0.5 / 32768.0)
    return levels, step


def check_sound(game, marks):
    phase = "sound"
    levels, step = loudness(game.sound_file)

    def span(first, last):
        return levels[first // step:max(first // step + 1, last // step)]

    def rms(values):
        return (sum(v * v for v in values) / len(values)) ** 0.5 if values else 0.0

    logos = span(marks["logos"], marks["menu"])
    menu = span(marks["menu"], marks["menu"] + 3 * step * 50)
    fired, after = marks["pistol"]
    before = span(max(0, fired - 2 * step * 50), fired)
    shot = span(fired, after + step * 50)
    figures = (f"logo music {rms(logos):.4f}, menu music {rms(menu):.4f}, "
               f"in-game before the shot {rms(before):.4f}, loudest 20 ms after the fire key {max(shot or [0]):.4f}")
    print("sound:", figures)
    if rms(logos) < 0.01:
        raise PhaseFailure(phase, "no music during the logos: " + figures)
    if rms(menu) < 0.01:
        raise PhaseFailure(phase, "no music in the menu: " + figures)
    if not shot or max(shot) < max(0.02, 2.0 * rms(before)):
        raise PhaseFailure(phase, "no pistol shot stands out after the fire key: " + figures)


# --- the two modes ------------------------------------------------------------------------------
def play_once(built, artefacts):
    game = Game(built, artefacts, capture_sound=True)
    try:
        score = play_through(game)
        replay_recorded(game, score)
    finally:
        game.stop()


def replay_recorded(game, score):
    """The game that took first place, played again from its recording by the real program,
    headless: every digest and the high-score entry must match."""
    phase = "replay"
    recording = os.path.join(game.bin, "highscore1.replay")
    if not os.path.exists(recording):
        raise PhaseFailure(phase, f"{recording} was not written")
    shutil.copy2(recording, game.artefacts)
    with open(game.settings) as f:
        text = f.read()
    with open(game.settings, "w") as f:
        f.write(text.replace("</Engine>", "    <Replay>highscore1.replay</Replay>\n"
                                          "    <ReplayHeadless>Yes</ReplayHeadless>\n</Engine>"))
    try:
        result = subprocess.run([game.program], cwd="/", env=game.environment, capture_output=True, text=True,
                                timeout=600)
    finally:
        with open(game.settings, "w") as f:
            f.write(text)
    entry = f'high-score entry "{NAME}" {score}'
    if result.returncode != 0 or "' matched: " not in result.stdout or entry not in result.stdout:
        raise PhaseFailure(phase, f"status {result.returncode}: {result.stdout.strip()[-300:]}")
    print(result.stdout.strip().splitlines()[-1])


def play_through(game):
    """A first start played through: dialog, logos, menu, a game, death, name entry, the
    high-score view and "Exit"; the captured sound is checked."""
    marks = {}
    start_game(game)
    logos_and_menu(game, marks)
    choose(game, "play", 0)
    play_a_while(game, marks)
    # The first game has walked and turned away from the line of fire and may end without a
    # kill (no name entry then); the next one stands still and fires, and must score.
    score = None
    seen_death = False
    games = 3
    for attempt in range(1, games + 1):
        seen_death = fight_until_dead(game, 600) or seen_death
        after = game.wait_for_glance("after death", lambda i: name_entry_shown(i) or menu_shown(i), 60,
                                     "name entry or menu after the death")
        if name_entry_shown(after):
            score = enter_name(game)
            break
        if attempt == games:
            raise PhaseFailure("name entry", f"{games} games ended without a kill: no name entry", after.path)
        print(f"game {attempt} ended without a kill; playing again", flush=True)
        choose(game, "play again", 0)
        game.wait_for_glance("play again", hud_shown, 180, "HUD of a new game")
    if not seen_death:
        raise PhaseFailure("death", "\"You died\" was never seen with an empty health bar", after.path)
    high_score_view(game)
    leave(game)
    check_sound(game, marks)
    times = game.frame_times()
    print(f"played through: {NAME} scored {score}; last second {times[0] if times else '?'} frames; "
          f"screenshots in {game.artefacts}")
    return score


def play_installed(package, artefacts):
    """The package as a player installs it: played through from its read-only tree with a fresh
    home folder, then started again, where the renderer choice and the high score come back."""
    game = Game(package, artefacts, capture_sound=True, installed=True)
    try:
        score = play_through(game)
        phase = "player files"
        for path in (game.config_file, game.scores_file, game.log_file):
            if not os.path.exists(path):
                raise PhaseFailure(phase, f"{path} was not written")
        changed = sorted(game.tree_before ^ game.listing(game.tree))
        if changed:
            raise PhaseFailure(phase, f"the game wrote into its installed tree: {changed[:5]}")
        print(f"player files: {os.path.relpath(game.config_file, game.home)}, "
              f"{os.path.relpath(game.scores_file, game.home)}, {os.path.relpath(game.log_file, game.home)}")

        phase = "second start"
        game.window = None
        game.start()
        dialog = game.wait_until(phase, game.find_dialog, 180, "render-system dialog")
        run("xdotool", "windowfocus", "--sync", dialog)
        run("xdotool", "key", "--clearmodifiers", "Return")
        game.window = game.wait_until(phase, game.find_window, 180, "game window")
        logos_and_menu(game, {})
        show_high_scores(game, phase)
        if read_high_scores(game.scores_file) != [(NAME, score)]:
            raise PhaseFailure(phase, f"the high scores changed: {read_high_scores(game.scores_file)}")
        leave(game)
        print("second start: the saved renderer choice was shown and the high score listed")
    finally:
        game.stop()


def soak(built, artefacts, minutes):
    game = Game(built, artefacts, capture_sound=False)
    csv_path = os.path.join(artefacts, "soak.csv")
    end = time.monotonic() + minutes * 60
    deaths = 0
    try:
        start_game(game)
        marks = {}
        logos_and_menu(game, marks)
        choose(game, "play", 0)
        game.wait_for_picture("arena", "arena", hud_shown, 180, "health bar of the HUD")
        gunner = Gunner(game, turning=True)  # fires through every game; harmless in the menus
        gunner.start()
        with open(csv_path, "w") as csv:
            csv.write("seconds,fps,mean_frame_ms,worst_frame_ms,resident_kib,deaths\n")
            start = time.monotonic()
            next_sample = start
            while time.monotonic() < end:
                if not game.alive():
                    raise PhaseFailure("soak", f"the game ended (status {game.process.returncode}) "
                                               f"after {time.monotonic() - start:.0f} s")
                if time.monotonic() >= next_sample:
                    times = game.frame_times() or (0, 0.0, 0.0)
                    csv.write(f"{time.monotonic() - start:.0f},{times[0]},{times[1]:.2f},{times[2]:.2f},"
                              f"{game.resident_kib()},{deaths}\n")
                    csv.flush()
                    next_sample += 10
                image = game.glance()
                if menu_shown(image):
                    # Back in the menu after a death (a score too low for the table) or a stray key.
                    deaths += 1 if menu_selection(image) is not None else 0
                    choose(game, "soak", 0)
                    continue
                if name_entry_shown(image):
                    game.type(NAME)
                    game.hold("Return")
                    continue
                time.sleep(1)
        gunner.stop.set()
        gunner.join()
        plot(csv_path, os.path.join(artefacts, "soak.png"))
        summarise(csv_path)
    finally:
        game.stop()


def plot(csv_path, png_path):
    script = f"""
set datafile separator ','
set terminal png size 1000,700
set output '{png_path}'
set multiplot layout 2,1 title 'Gorvane soak under Xvfb'
set xlabel 'seconds'
set ylabel 'ms'
set key top left
plot '{csv_path}' using 1:3 skip 1 with lines title 'mean frame', '' using 1:4 skip 1 with lines title 'worst frame'
set ylabel 'MiB'
plot '{csv_path}' using 1:($5/1024) skip 1 with lines title 'resident memory'
unset multiplot
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True, timeout=120)


def summarise(csv_path):
    with open(csv_path) as f:
        rows = [line.strip().split(",") for line in f.readlines()[1:] if line.strip()]
    fps = [int(r[1]) for r in rows if int(r[1]) > 0]
    worst = max(float(r[3]) for r in rows)
    resident = [int(r[4]) for r in rows if int(r[4]) > 0]
    # Growth from the first minute of play (caches warm) to the end.
    base = resident[min(6, len(resident) - 1)]
    print(f"soak: {rows[-1][0]} s, {rows[-1][5]} deaths; fps mean {sum(fps) / len(fps):.1f} "
          f"(min {min(fps)}, max {max(fps)}); worst frame {worst:.0f} ms; resident memory "
          f"{base / 1024:.1f} MiB after a minute, {resident[-1] / 1024:.1f} MiB at the end "
          f"({100.0 * (resident[-1] - base) / base:+.1f} %)")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("game", help="the built game, e.g. build/bin/Gorvane")
    parser.add_argument("artefacts", help="folder for the screenshots, the captured sound and the logs")
    parser.add_argument("--soak", type=float, metavar="MINUTES", help="keep playing this long and record the figures")
    parser.add_argument("--installed", action="store_true",
                        help="the game is a Debian package: play it installed, as a player with a fresh home would")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("play.py needs an X display: run it under xvfb-run")
    shutil.rmtree(args.artefacts, ignore_errors=True)
    os.makedirs(args.artefacts)
    try:
        if args.soak:
            soak(args.game, os.path.abspath(args.artefacts), args.soak)
        elif args.installed:
            play_installed(os.path.abspath(args.game), os.path.abspath(args.artefacts))
        else:
            play_once(args.game, os.path.abspath(args.artefacts))
    except PhaseFailure as failure:
        print(f"FAILED: {failure}")
        print(f"--- the game's output and log are in {args.artefacts}")
        sys.exit(1)


if __name__ == "__main__":
    main()
