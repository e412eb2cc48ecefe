#!/usr/bin/python3
"""The demo read through AT-SPI, as a screen reader reads it.

Runs the demo on its own X server (Xvfb), session bus and accessibility bus,
and reads its window with pyatspi, the library Orca is built on. A missing
piece of that fails the test: it never skips.

    tst_screen_reader.py DEMO
"""
import collections
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
STREAM_SECONDS = 5
# Names of the window's own controls: the rest have captions or show values.
NAMES = {
    "Time cursor 1": "scroll bar",
    "Time cursor 2": "scroll bar",
    "Level cursor 1": "scroll bar",
    "Level cursor 2": "scroll bar",
    "Trigger low bound": "text",
    "Trigger high bound": "text",
    "Sample size": "text",
    "Readings of the last block": "text",
    "Scope screen": "panel",
    "Use Trigger Values": "check box",
    "Pause Redraw": "check box",
}

# Qt 6.4's bridge calls a framed widget a frame, the role AT-SPI means for a
# top-level window; Qt 6.8's calls it a panel.
OLDER_ROLE_NAMES = {"panel": "frame"}

failures = []


def check(ok, what):
    print(("PASS: " if ok else "FAIL: ") + what, flush=True)
    if not ok:
        failures.append(what)


def missing_prerequisites():
    missing = [tool for tool in ("Xvfb", "dbus-run-session") if not shutil.which(tool)]
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append(BUS_LAUNCHER)
    if importlib.util.find_spec("pyatspi") is None:
        missing.append("pyatspi (python3-pyatspi)")
    return missing


def start_x_server(folder):
    """Xvfb on the first free display, its output in folder/xvfb.log; returns the
    process, its display and that log."""
    number_file = os.path.join(folder, "display")
    log_file = os.path.join(folder, "xvfb.log")
    with open(number_file, "w") as out, open(log_file, "w") as log:
        server = subprocess.Popen(["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1024x768x24",
                                   "-nolisten", "tcp"], pass_fds=[out.fileno()], stderr=log)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        with open(number_file) as f:
            number = f.read().strip()
        if number:
            return server, ":" + number, log_file
        time.sleep(0.1)
    server.kill()
    sys.exit("FAIL: Xvfb did not start")


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    return None


def find_window(pyatspi):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "tarnwick-demo" and app.childCount > 0:
            window = app[0]
            # Up once the first redraw has written the readouts.
            if window.childCount > 0 and window[0].name:
                return window
    return None


def listen(pyatspi, seconds, event_types, action=None):
    """Every event of those types that reaches a listener on the bus in that time,
    action (if any) done once the listener is there."""
    from gi.repository import GLib

    events = []

    def keep(event):
        events.append((event.type, event.source, event.any_data))

    pyatspi.Registry.registerEventListener(keep, *event_types)
    if action is not None:
        GLib.idle_add(lambda: action() and False)
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(keep, *event_types)
    return events


def read_window():
    import pyatspi

    window = wait_for(lambda: find_window(pyatspi), 30)
    if window is None:
        sys.exit("FAIL: the demo's window never showed on the accessibility bus")
    controls = list(window)
    by_name = {control.name: control for control in controls}

    # Every control has a role and a name; the named ones the role they name.
    for control in controls:
        check(control.getRole() not in (pyatspi.ROLE_INVALID, pyatspi.ROLE_UNKNOWN) and bool(control.name),
              f"{control.getRoleName()} {control.name!r} has a role and a name")
    for name, role in NAMES.items():
        given = by_name[name].getRoleName() if name in by_name else None
        check(given in (role, OLDER_ROLE_NAMES.get(role)), f"a {role} named {name!r}: {given}")
    check(len(controls) == 16, f"the window's 15 controls and the port status: {len(controls)}")

    # The scope screen says how many readings it draws.
    screen = by_name["Scope screen"]
    check("768 readings" in screen.description, f"scope screen described: {screen.description!r}")

    # A time cursor moved through the value interface says the new readout.
    cursor = by_name["Time cursor 1"]
    readout = controls[0]
    before = readout.name
    cursor.queryValue().currentValue = 8
    described = wait_for(lambda: readout.name != before and cursor.description
                         == "time between the cursors " + readout.name, 5)
    check(bool(described) and readout.name.endswith("ms"),
          f"time cursor 1 at 8 is described as {cursor.description!r}, its readout {readout.name!r}")
    def move_cursor():
        cursor.queryValue().currentValue = 3

    told = listen(pyatspi, 1, ["object:property-change:accessible-description"], move_cursor)
    check(any(source == cursor for _, source, _ in told),
          f"the cursor's description change reached the bus ({len(told)} description events)")

    # Streaming, the dump box tells of its new text at most once a second.
    dump = by_name["Readings of the last block"]
    text_before = dump.queryText().getText(0, -1)
    events = listen(pyatspi, STREAM_SECONDS, ["object:text-changed", "object:text-caret-moved",
                                              "object:property-change", "object:state-changed"])
    text_after = dump.queryText().getText(0, -1)
    from_dump = collections.Counter(kind for kind, source, _ in events if source == dump)
    replacements = from_dump["object:text-changed:insert"]
    print(f"dump box events in {STREAM_SECONDS} s: {dict(from_dump)}, "
          f"{sum(from_dump.values()) / STREAM_SECONDS:.1f} events and {replacements / STREAM_SECONDS:.1f} "
          "new texts a second", flush=True)
    check(text_before != text_after and text_after.startswith("("), "the dump box's text went on changing")
    check(1 <= replacements <= STREAM_SECONDS + 1, f"{replacements} new texts told in {STREAM_SECONDS} s")
    check(sum(from_dump.values()) == 2 * replacements, "each told as one removal and one insertion, nothing else")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    demo = sys.argv[1]
    if "TARNWICK_READER_BUS" not in os.environ:
        missing = missing_prerequisites()
        if missing:
            sys.exit("FAIL: missing " + ", ".join(missing) + "; ./bootstrap test installs them")
        with tempfile.TemporaryDirectory() as folder:
            server, display, log_file = start_x_server(folder)
            try:
                env = dict(os.environ, DISPLAY=display, TARNWICK_READER_BUS="1", XDG_RUNTIME_DIR=folder)
                result = subprocess.run(["dbus-run-session", "--", sys.executable, __file__, demo], env=env)
                if result.returncode != 0:
                    # What the X server said, should it be what failed.
                    state = "running" if server.poll() is None else f"ended with {server.returncode}"
                    with open(log_file) as log:
                        print(f"Xvfb on {display}, {state}, said:\n{log.read()}", flush=True)
                return result.returncode
            finally:
                server.terminate()
                server.wait()

    launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"])
    # The suite runs offscreen, which has no AT-SPI bridge.
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    window = subprocess.Popen([demo], env=env)
    try:
        read_window()
    finally:
        window.terminate()
        try:
            check(window.wait(10) == 0, "the demo ended cleanly")
        except subprocess.TimeoutExpired:
            window.kill()
            check(False, "the demo ended within 10 s of being asked to")
        launcher.terminate()
        launcher.wait()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
