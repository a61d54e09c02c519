"""What the Orca screen reader says of the station, driven by keys only: Orca runs with its speech
logged to a file (no audio), and each step waits, with a bound, for what it should hear."""
import os, pathlib, re, select, shutil, subprocess, sys, tempfile, time

if not shutil.which("orca") or not shutil.which("xdotool"):
    print("skipped: orca or xdotool is missing")
    sys.exit(77)

scratch = tempfile.mkdtemp(prefix="orca-")
prefs, log_path = os.path.join(scratch, "prefs"), os.path.join(scratch, "orca.log")
os.makedirs(prefs)
shutil.copy(os.path.join(os.path.dirname(__file__), "orca-settings.conf"),
            os.path.join(prefs, "user-settings.conf"))
env = dict(os.environ, HOME=scratch, XDG_RUNTIME_DIR=scratch, XDG_CONFIG_HOME=scratch)
# Orca writes its debug file block-buffered: opened line-buffered here, it can be read as it goes.
wrapper = (
    "import builtins, sys\n"
    "real = builtins.open\n"
    "def line_buffered(name, mode='r', *a, **k):\n"
    "    if name == sys.argv[2] and ('w' in mode or 'a' in mode):\n"
    "        return real(name, mode, 1)\n"
    "    return real(name, mode, *a, **k)\n"
    "builtins.open = line_buffered\n"
    "sys.argv[0] = '/usr/bin/orca'\n"
    "launcher = {'__name__': 'launcher', '__file__': '/usr/bin/orca'}\n"
    "exec(compile(real('/usr/bin/orca').read(), '/usr/bin/orca', 'exec'), launcher)\n"
    # Orca refuses to start beside another of the same user: the operator's own, say.
    "launcher['otherOrcas'] = lambda: []\n"
    "sys.exit(launcher['main']())\n")
orca = subprocess.Popen(["/usr/bin/python3", "-c", wrapper, "--debug-file", log_path, "-u", prefs],
                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
driver = None
failures = []
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)' ?\{", re.S)


def log():
    return pathlib.Path(log_path).read_text(errors="replace").splitlines() if os.path.exists(log_path) else []


def said(since=0):
    """The lines said since a mark, without the role word and full stop Orca adds."""
    found = [line.strip() for m in SPEECH.finditer("\n".join(log()[since:])) for line in m.group(1).split("\n")]
    return [re.sub(r"^notification ", "", s).removesuffix(".") for s in found]


def until(done, seconds=15):
    end = time.monotonic() + seconds
    while not done() and time.monotonic() < end:
        time.sleep(0.05)
    return done()


mark = lambda: len(log())


def check(ok, what, heard=None):
    print(("ok   " if ok else "FAIL ") + what + ("" if ok or heard is None else f"; heard {heard}"))
    if not ok:
        failures.append(what)


def command(*lines):
    driver.stdin.write("".join(line + "\n" for line in lines)), driver.stdin.flush()


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=False)


def settle(at):
    """Waits until everything said before now has been said: a notice said after it marks that."""
    command("notice mark of the test")
    until(lambda: any("mark of the test" in s for s in said(at)))


def hear(keys_or_command, expect, seconds=15):
    """Does one step and returns what Orca said up to the expected words (or the time's end)."""
    at = mark()
    keys_or_command()
    until(lambda: any(expect(s) for s in said(at)), seconds)
    return at, said(at)


try:
    if not until(lambda: any("Screen reader on" in s for s in said()), 60):
        sys.exit("Orca did not start: " + "\n".join(log()[-20:]))
    driver = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    if not select.select([driver.stdout], [], [], 30)[0] or driver.stdout.readline().strip() != "ready":
        sys.exit("the station did not start")
    until(lambda: any("Send" in s for s in said()))

    # 1. Where a plain line goes, said whenever it changes other than by typing.
    for act, call, what in [(lambda: command("connect N0BBB"), "N0BBB", "an incoming station taking the target is said"),
                            (lambda: command("connect N0CCC"), "N0CCC", ""), (lambda: key("alt+1"), "N0BBB", "Alt+1 says the new target"),
                            (lambda: key("alt+2"), "N0CCC", "Alt+2 says the new target")]:
        _, heard = hear(act, lambda s: "go to " + call in s)
        what and check("Plain lines go to " + call in heard, what, heard)

    # A view taking the focus, and the send line taking it back.
    _, heard = hear(lambda: key("F6"), lambda s: "CONNECTED With Station N0CCC" in s, 5)
    check(not any(s.strip().lower() == "blank" for s in heard) and any("CONNECTED" in s for s in heard),
          "a view taking the focus reads its last line, not a blank one", heard)
    _, heard = hear(lambda: key("shift+F6"), lambda s: "Send" in s)
    check(any("Send to N0CCC" in s for s in heard) and not any("Send Data" in s for s in heard),
          "the send line reads its target when it takes the focus", heard)

    # 2. A flood on the channel in front: the summaries are said, Orca keeps up.
    at = mark()
    command("flood N0CCC 50")
    later = lambda s: re.search(r"flood line ([2-4][0-9]|50)", s)
    until(lambda: any(later(s) for s in said(at)), 20)
    heard = [s for s in said(at) if "flood line" in s]
    settle(at)
    flooded = any("FLOOD?" in line for line in log()[at:])
    check(len([s for s in heard if s.startswith("flood line")]) >= 2 and any(later(s) for s in heard)
          and not flooded, "a flood in front is said in at least two summaries, one of its later "
          "lines, and Orca sees no event flood meanwhile", heard + (["FLOOD?"] if flooded else []))

    # A recalled line is read whole.
    key("h", "i", "space", "t", "h", "e", "r", "e", "Return")
    _, heard = hear(lambda: key("Up"), lambda s: "hi the" in s)
    check("hi there" in heard and "hi ther" not in heard, "a recalled history line is read whole", heard)

    # 3. The engine goes away: each ended link is said, the loss once, the send line stays true.
    at = mark()
    command("enginegone")
    until(lambda: sum("ended" in s for s in said(at)) >= 2, 20)
    # The status line changes again with the first retry, two seconds on: said or not, by then.
    until(lambda: (command("status"), "next try" in driver.stdout.readline())[1], 15)
    settle(at)
    heard = said(at)
    check(any(s.startswith("Link to N0BBB ended") for s in heard)
          and any(s.startswith("Link to N0CCC ended") for s in heard), "each ended link is said", heard)
    losses = [s for s in heard if "engine" in s.lower() and "ended" not in s]
    check(len(losses) == 1 and "127.0.0.1" not in losses[0] and "8000" not in losses[0],
          "the engine's loss is said once, without address or port", losses)
    hear(lambda: key("F6"), lambda s: "Channel 2" in s)
    _, heard = hear(lambda: key("shift+F6"), lambda s: "ended" in s or "Send" in s)
    check(any(s.startswith("Link to N0CCC ended") for s in heard), "the send line's name stays true", heard)

    # 4. A heard-list cell says its column; the Options dialog's box says its value.
    command("heard N0XX  1:Fm N0XX To CQ <UI>|one frame")
    hear(lambda: key("ctrl+h"), lambda s: "N0XX" in s)
    _, heard = hear(lambda: key("Right", "Right"), lambda s: "Frames" in s, 5)
    check(any(re.fullmatch(r"Frames \d+", s) for s in heard), "a heard-list cell is read with its column name", heard)
    key("Escape")
    hear(lambda: command("action mnuOptions"), lambda s: "Options" in s)
    _, heard = hear(lambda: key("Tab", "Tab", "Tab"), lambda s: "notifications" in s.lower())
    settle(at := mark())
    heard = said(at - 1) + heard
    check(any("Connects" in s for s in heard), "the Options dialog's combo box says its value", heard)
    key("Escape")

    check(not any("layered pane" in s for s in said()), "no raw role is read out")
finally:
    if driver:
        driver.stdin.close() if driver.poll() is None else None
        driver.wait(10)
    orca.terminate()
    try:
        orca.wait(10)
    except subprocess.TimeoutExpired:
        orca.kill()
    if failures or os.environ.get("PM_KEEP_ORCA_LOG"):
        print("Orca's log is kept in " + log_path)
    else:
        shutil.rmtree(scratch, ignore_errors=True)
sys.exit(1 if failures else 0)
