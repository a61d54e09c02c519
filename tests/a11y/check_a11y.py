"""Reads the station as a screen reader does, over the accessibility bus: the names of its
controls, what it announces while the focus stays in the send line, and its tab keys."""
import select, subprocess, sys, time

import pyatspi
from gi.repository import GLib

INTERACTIVE = {getattr(pyatspi, "ROLE_" + role) for role in "PUSH_BUTTON CHECK_BOX RADIO_BUTTON TEXT ENTRY LIST "
               "TABLE PAGE_TAB PAGE_TAB_LIST PROGRESS_BAR COMBO_BOX SPIN_BUTTON LINK".split()}
failures, said = [], []
driver = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


def command(*lines):
    driver.stdin.write("".join(line + "\n" for line in lines)), driver.stdin.flush()


def until(done, seconds=10):
    """Runs the bus's events until done() holds or the time is up; returns done()."""
    end, context = time.monotonic() + seconds, GLib.MainContext.default()
    while not done() and time.monotonic() < end:
        context.iteration(False) or select.select([], [], [], 0.02)
    return done()


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def walk(node):
    node and node.clearCache()  # names and states as they are now, not as a cache kept them
    yield node
    for child in node or []:
        yield from walk(child)


def nameless(window):
    return [f"{n.getRoleName()} in {n.parent.getRoleName()} {n.parent.name!r}" for n in walk(window)
            if n.getState().contains(pyatspi.STATE_SHOWING) and not n.name
            and (n.getState().contains(pyatspi.STATE_FOCUSABLE) or n.getRole() in INTERACTIVE)]


def window(title, active=False):
    w = next((w for w in app if title in w.name), None)
    return w if not active or w and w.getState().contains(pyatspi.STATE_ACTIVE) else None


def on_event(event):
    if event.type.startswith("object:announcement"):
        said.append(str(event.any_data))
    elif event.source.getRole() == pyatspi.ROLE_NOTIFICATION and event.detail1 == 1:
        event.source.clearCache()
        said.append(event.source.name)


def key(*codes):  # X key codes: the modifiers held while the last one is typed
    held = codes[:-1]
    for code, how in ([(c, pyatspi.KEY_PRESS) for c in held] + [(codes[-1], pyatspi.KEY_PRESSRELEASE)]
                      + [(c, pyatspi.KEY_RELEASE) for c in reversed(held)]):
        pyatspi.Registry.generateKeyboardEvent(code, None, how)


CTRL, ESCAPE, H = 37, 9, 43

if not select.select([driver.stdout], [], [], 30)[0] or driver.stdout.readline().strip() != "ready":
    sys.exit("the station did not start")
pyatspi.Registry.registerEventListener(on_event, "object:state-changed:showing",
                                       "object:announcement")
desktop = pyatspi.Registry.getDesktop(0)
app = next(a for a in desktop if a and a.name == "a11y_station")
main = window("Packet Monitor")
focused = lambda: next((n for n in walk(main) if n.getRole() != pyatspi.ROLE_PAGE_TAB
                        and n.getState().contains(pyatspi.STATE_FOCUSED)), None)

command("connect N0BBB", "connect N0CCC")
until(lambda: any(n.name == "Channel 2, N0CCC" for n in walk(main)))
check(any(n.name == "Channel 1, N0BBB" for n in walk(main)), "a channel view is named after its call")
command("line N0BBB hello from behind")
check(until(lambda: any("N0BBB: hello from behind" in s for s in said)),
      "a line on a channel behind is announced with its call")
check(until(lambda: (f := focused()) and f.getRole() == pyatspi.ROLE_TEXT and f.name.startswith("Send")),
      "the focus stayed in the send line")

command(*(f"heard {c}  1:Fm {c} To CQ <UI>|{t} frame" for c, t in (("N0XX", "one"), ("N0YY", "two"))))
strip = next(n for n in walk(main) if n.name == "All traffic" and n.getRole() == pyatspi.ROLE_TEXT
             and n.getState().contains(pyatspi.STATE_SHOWING)).queryText()
line = lambda part: strip.getTextAtOffset(strip.getText(0, -1).index(part), pyatspi.TEXT_BOUNDARY_LINE_START)[0]
check(until(lambda: "two frame" in strip.getText(0, -1)) and line("one frame").strip() == "one frame"
      and line("Fm N0YY").strip().endswith("To CQ <UI>"), "a frame heard reads as its lines")

tabs = next(n for n in walk(main) if n.getRole() == pyatspi.ROLE_PAGE_TAB_LIST)
check(until(lambda: any(t.name == "N0BBB, new text" for t in tabs)), "the tab behind says it holds new text")

key(CTRL, H)
check(until(lambda: window("Heard List", active=True)), "Ctrl+H brings the heard list to the front with the focus")
check(not (missing := nameless(window("Heard List"))), f"heard list: every control named {missing}")
key(ESCAPE)

for what, title in [("action mnuMonitorFilter", "Monitor Filter"), ("action mnuFind", "Packet Monitor"),
                    ("action mnuPreviousConnections", "Connect To:"), ("action mnuOptions", "Options"),
                    ("sendfile N0BBB", "Send File")]:
    command(what)
    until(lambda: window(title, active=True))
    check((w := window(title)) is not None and not (missing := nameless(w)), f"{title}: every control named {missing}")
    if title != "Send File":
        key(ESCAPE)
check(not (missing := nameless(main)), "main window: every control named " + "; ".join(missing))

# A check item on the menu bar itself, where no mark is drawn for it by Qt: its state is read out.
item = next(n for n in walk(main) if n.name == "Move Form to Front with Data")
CHECKABLE = {pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_CHECK_MENU_ITEM}  # before Qt 6.5, by the role alone
marks = lambda: (item.clearCache(), ({"checkable"} if item.getRole() in CHECKABLE or item.getState().contains(
    pyatspi.STATE_CHECKABLE) else set()) | ({"checked"} if item.getState().contains(pyatspi.STATE_CHECKED) else set()))[1]
check(marks() == {"checkable"}, f"Move Form to Front reads as a check item, off: {marks()}")
command("action mnuMoveToFront")
check(until(lambda: marks() == {"checkable", "checked"}), f"Move Form to Front reads as checked once chosen: {marks()}")
command("quit")
driver.wait(10)
sys.exit(1 if failures else 0)
