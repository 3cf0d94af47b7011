"""A blind student's run of assignment 001, by keyboard alone, with the screen reader Orca.

Run by tools/screen-reader-walk, which installs what it needs. Starts a private X server, a window
manager, a session bus, the accessibility bus and Orca, whose speech goes to a module that says
nothing; drives the program with xdotool; prints what Orca spoke and put on braille at each step,
from Orca's own debug log; and fails when a check fails.
Usage: screen_reader_walk.py PROGRAM
"""

import os
import pty
import re
import subprocess
import sys
import tempfile
import threading
import time
import tty
from pathlib import Path

PROGRAM_NAME = "Physics II Query"
ANSWER_PROMPT_END = "related to the problem or series of problems."
# The first words of the lines that the first three steps of assignment 001 show.
STEP_LINES = [
    "Most of the queries in this course",
    "Suppose you measure the length of a pencil",
    "Answer the same question, but now assume",
]
RESPONSE = "It doubles"
NOTE = "Rulers disagree"
# Each line of speech is followed by the voice it is spoken in.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+)? ?\{'")
BRAILLE = re.compile(r"BRAILLE LINE:  '(.*)'")
passes = []
failures = []


def check(condition, what):
    print(("  ok    " if condition else "  FAIL  ") + what)
    (passes if condition else failures).append(what)


class OrcaLog:
    """Orca's debug log, read as Orca writes it: Orca writes to a terminal line by line."""

    def __init__(self):
        self.master, slave = os.openpty()
        tty.setraw(slave)
        self.path = os.ttyname(slave)
        self.slave = slave
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        pending = b""
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            pending += chunk
            *complete, pending = pending.split(b"\n")
            with self.lock:
                self.lines += [line.decode(errors="replace").rstrip("\r") for line in complete]

    def mark(self):
        with self.lock:
            return len(self.lines)

    def since(self, mark):
        with self.lock:
            return self.lines[mark:]

    def output(self, mark):
        """What Orca spoke and brailled since `mark`: (speech, braille) lists."""
        speech, braille = [], []
        for line in self.since(mark):
            if found := SPEECH.search(line):
                speech.append(found.group(1))
            elif found := BRAILLE.search(line):
                braille.append(found.group(1))
        return speech, braille

    def wait_for(self, mark, text, seconds=20):
        """Waits until Orca has spoken or brailled `text`, then until it falls quiet."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            speech, braille = self.output(mark)
            if any(text in said for said in speech + braille):
                break
            time.sleep(0.05)
        self.settle()

    def settle(self):
        """Waits until Orca has presented what was done: Orca presents one event after another,
        so that is when nothing new has come for a moment."""
        count = -1
        deadline = time.monotonic() + 10
        while count != self.mark() and time.monotonic() < deadline:
            count = self.mark()
            time.sleep(0.7)


class Walk:
    def __init__(self, folder):
        self.folder = Path(folder)
        self.processes = []
        home = self.folder / "home"
        runtime = self.folder / "runtime"
        home.mkdir()
        runtime.mkdir(mode=0o700)
        self.env = dict(os.environ, HOME=str(home), XDG_RUNTIME_DIR=str(runtime),
                        XDG_CONFIG_HOME=str(home / ".config"),
                        XDG_DATA_HOME=str(home / ".local/share"),
                        XDG_CACHE_HOME=str(home / ".cache"), LANG="C.UTF-8")
        for variable in ["DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY"]:
            self.env.pop(variable, None)
        self.home = home
        self.log = OrcaLog()
        # Qt's complaints about the accessibility bus would drown what Orca said.
        self.program_errors = open(self.folder / "program-errors.txt", "w+")

    def start(self, arguments, **options):
        process = subprocess.Popen(arguments, env=self.env, **options)
        self.processes.append(process)
        return process

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()

    def start_desktop(self):
        # The X server writes its display number once it accepts connections.
        server = self.start(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"], stdout=subprocess.PIPE)
        self.env["DISPLAY"] = ":" + server.stdout.readline().decode().strip()
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        self.start(["openbox"], stderr=subprocess.DEVNULL)
        self.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                   stderr=subprocess.DEVNULL)
        # Orca speaks through Speech Dispatcher; without an output that finishes each utterance
        # Orca stalls after the first. A generic module whose synthesis command is `true`, playing
        # to ALSA's null device, says nothing and finishes at once. Speech Dispatcher, started by
        # Orca, ends 5 seconds after Orca.
        speechd = self.home / ".config/speech-dispatcher"
        (speechd / "modules").mkdir(parents=True)
        (speechd / "speechd.conf").write_text(
            'AddModule "silent" "sd_generic" "silent.conf"\nDefaultModule silent\n'
            'AudioOutputMethod "alsa"\nAudioALSADevice "null"\nTimeout 5\n')
        (speechd / "modules/silent.conf").write_text(
            'GenericExecuteSynth "true"\nAddVoice "en" "MALE1" "silent"\n')
        mark = self.log.mark()
        self.start(["orca", "--debug-file", self.log.path], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
        self.log.wait_for(mark, "Screen reader on.", seconds=60)
        check(any("speech server factory: speechdispatcherfactory" in line
                  for line in self.log.since(mark)), "Orca speaks through Speech Dispatcher")

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "50", *keys], env=self.env, check=True)

    def answer(self, typed):
        # Orca echoes each key: a student would hear the last before pressing Enter, and a prompt
        # opening while Orca still echoes is presented in part.
        if typed:
            self.type(typed)
            self.log.settle()
        self.key("Return")

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "80", "--", text], env=self.env, check=True)

    def act(self, title, expected, action):
        """Does `action`, waits for Orca to present `expected`, and prints what it presented."""
        mark = self.log.mark()
        action()
        self.log.wait_for(mark, expected)
        speech, braille = self.log.output(mark)
        print(f"\n== {title}")
        for said in speech:
            print(f"  spoke:   {said}")
        for shown in braille:
            print(f"  braille: {shown}")
        return speech, braille


def spoken_once(speech, text):
    return sum(said.count(text) for said in speech) == 1


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="screen-reader-walk.") as folder:
        walk = Walk(folder)
        try:
            walk.start_desktop()
            run(walk, program)
        finally:
            walk.stop()
        if failures:
            walk.program_errors.seek(0)
            print("\nWhat the program wrote to its error output:\n" + walk.program_errors.read())
    print()
    for failure in failures:
        print("FAILED: " + failure)
    print(f"screen-reader-walk: {len(passes)} passed, {len(failures)} failed")
    return 1 if failures else 0


def heard_prompt(title, prompt, speech):
    check(spoken_once(speech, prompt), f"{title} spoken once")
    check(any(PROGRAM_NAME in said for said in speech),
          f"{title} spoken with the program's name")


def start_run(walk, program, assignment, then):
    """Starts the program and answers its prompts, checking each; returns what Orca presented
    after the last, once it has presented `then`."""
    prompts = ["Your full name:", "Enter 1 if you want to change the folder",
               "Assignment Number:"]
    actions = [lambda: walk.start([program], stderr=walk.program_errors),
               lambda: walk.answer("Ada Student"), lambda: walk.answer("")]
    for number, (prompt, action) in enumerate(zip(prompts, actions), 1):
        speech, braille = walk.act(f"prompt {number}", prompt, action)
        heard_prompt(f"prompt {number}", prompt, speech)
    return walk.act(f"assignment {assignment}", then, lambda: walk.answer(assignment))


def run(walk, program):
    # A message first: the script holds no assignment 9, and the run ends at its OK.
    message = 'The script has no assignment numbered "009".'
    speech, braille = start_run(walk, program, "9", message)
    heard_prompt("the message", message, speech)
    walk.act("OK", "return", lambda: walk.key("Return"))

    opening = "Physics II, assignment 001. Next Question / Answer is two Tab presses away."
    speech, braille = start_run(walk, program, "001", opening)
    check(spoken_once(speech, opening), "the opening announcement spoken once")
    check(opening in braille, "the opening announcement brailled")

    walk.act("two Tabs", "Next Question", lambda: walk.key("Tab", "Tab"))
    for number, line in enumerate(STEP_LINES, 1):
        speech, braille = walk.act(f"step {number}", line, lambda: walk.key("Return"))
        check(spoken_once(speech, line), f"step {number}'s line spoken once")
        check(any(shown.startswith(line) for shown in braille), f"step {number}'s line brailled")

    selected = "Selected, so typing replaces it: Enter, as appropriate,"
    speech, braille = walk.act("Shift+Tab into the answer box", ANSWER_PROMPT_END,
                               lambda: walk.key("shift+Tab"))
    check(any(said.startswith(selected) and said.endswith(ANSWER_PROMPT_END) for said in speech),
          "the whole answer prompt spoken, selected")
    check(any(shown.startswith(selected) for shown in braille), "the answer prompt brailled")

    walk.act("typing the response", RESPONSE, lambda: walk.type(RESPONSE))
    walk.act("Tab, Tab to Enter Response", "Enter Response", lambda: walk.key("Tab", "Tab"))
    confidence = "Assess your level of confidence"
    speech, braille = walk.act("Enter Response", confidence, lambda: walk.key("Return"))
    heard_prompt("the rating prompt", confidence, speech)

    send = f"send_{time.strftime('%m%d')}.txt"
    recorded = f"Response recorded in masterFile.txt and {send}."
    speech, braille = walk.act("rating 2", recorded, lambda: walk.answer("2"))
    check(spoken_once(speech, recorded), "the response's record confirmed once")
    check(recorded in braille, "the response's record confirmed in braille")

    walk.act("Shift+Tab twice into the answer box", "Your response",
             lambda: walk.key("shift+Tab", "shift+Tab"))
    walk.act("typing a note", NOTE, lambda: walk.type(NOTE))
    walk.act("three Tabs to Save as Notes", "Save as Notes", lambda: walk.key("Tab", "Tab", "Tab"))
    noted = f"Note recorded in masterFile.txt, {send} and notes_.txt."
    speech, braille = walk.act("Save as Notes", noted, lambda: walk.key("Return"))
    check(spoken_once(speech, noted), "the note's record confirmed once")
    check(noted in braille, "the note's record confirmed in braille")

    # "display SEND file" adds a line break and the file's lines; "display notes" an empty line
    # and one line, the note recorded last with the notes file's lines run together after it.
    send_path = walk.home / "qorvanit" / send
    displays = [("seven Tabs", ["Tab"] * 7, "display SEND file", "SEND file",
                 send_path.read_bytes().count(b"\r\n")),
                ("Tab", ["Tab"], "display notes", "notes file", 2)]
    for tabs, keys, button, file, lines in displays:
        walk.act(f"{tabs} to {button}", f"{button} push button", lambda: walk.key(*keys))
        added = f"The {file} was added to the question box: {lines} lines."
        speech, braille = walk.act(button, f"The {file} was added", lambda: walk.key("Return"))
        check(spoken_once(speech, added), f"{button}: {lines} lines, spoken once")
        check(added in braille, f"{button}: brailled")

    walk.act("two Tabs to pend exp", "pend exp", lambda: walk.key("Tab", "Tab"))
    started = "Timer started: it beeps and draws circles in the drawing area."
    speech, braille = walk.act("pend exp", started, lambda: walk.key("Return"))
    check(spoken_once(speech, started), "the timer's start spoken once")
    check(started in braille, "the timer's start brailled")

    # The code line holds bytes that Windows-1252 leaves undefined.
    send_text = send_path.read_bytes().decode("latin-1")
    check(f"\r\n{RESPONSE}\r\n" in send_text and "Enter, as appropriate" not in send_text,
          f"the SEND file holds the response exactly as typed, {RESPONSE!r}")


if __name__ == "__main__":
    sys.exit(main())
