#!/usr/bin/python3
# Uses a running file manager the way a person with a screen reader does:
# listens to every event the accessibility bus carries (so the toolkit's
# bridge reports everything), finds widgets by their accessible names and
# clicks them with the X server's test pointer.  Opens and closes the
# dialogs with notebooks and the version box, walks the tree, then closes
# the window.  Exits 0 when every step was found, 1 (saying which) if not.
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# Arguments: the application's name on the bus, the home directory the tree
# shows at its top, the file for the application's error output, and the
# application's command.  It is started only once the bus is up and this
# client listens, so its bridge finds both.
APP = sys.argv[1]
HOME = sys.argv[2]
ERRORS = sys.argv[3]
COMMAND = sys.argv[4:]
events = [0]


def on_event(event):
    events[0] += 1
    try:
        if event.source is not None:
            event.source.get_name()
            event.source.get_role_name()
            event.source.get_state_set()
    except GLib.Error:
        pass


listener = Atspi.EventListener.new(on_event)
for kind in ("object:", "window:", "focus:"):
    listener.register(kind)
Atspi.set_timeout(5000, 5000)


def pump(seconds):
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        for _ in range(50):
            if not context.pending():
                break
            context.iteration(False)
        time.sleep(0.02)


program = None


def fail(what):
    print("not found: " + what, flush=True)
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None:
            print("on the bus: %s with %d windows" % (app.get_name(), app.get_child_count()),
                  flush=True)
    if program is not None:
        program.kill()
        program.wait()
    sys.exit(1)


def find(node, test, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if test(node):
            return node
        for i in range(min(node.get_child_count(), 300)):
            found = find(node.get_child_at_index(i), test, depth + 1)
            if found is not None:
                return found
    except GLib.Error:
        pass
    return None


def application():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is not None and app.get_name() == APP and app.get_child_count() > 0:
                return app
        except GLib.Error:
            pass
    return None


def windows(app):
    shown = []
    for i in range(app.get_child_count()):
        window = app.get_child_at_index(i)
        try:
            if window is not None and window.get_state_set().contains(Atspi.StateType.SHOWING):
                shown.append(window)
        except GLib.Error:
            pass
    return shown


def click(node):
    box = node.get_extents(Atspi.CoordType.SCREEN)
    if box.width <= 0 or box.x < 0 or box.y < 0:
        fail("a place to click on " + node.get_name())
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)
    pump(0.4)


def named(role, name):
    return lambda node: node.get_role_name() == role and node.get_name() == name


def wait_for(what, get, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        found = get()
        if found is not None:
            return found
        pump(0.1)
    fail(what)


pump(1)
with open(ERRORS, "wb") as errors:
    program = subprocess.Popen(COMMAND, stderr=errors)
app = wait_for("the application on the bus", application, 60)
main = wait_for("the main window", lambda: next(
    (w for w in windows(app) if w.get_name() == "Rummage"), None))
pump(1)


def choose(menu, item):
    click(wait_for(menu, lambda: find(main, named("menu", menu))))
    click(wait_for(item, lambda: find(main, named("menu item", item))))


def run_dialog(menu, item, title, button):
    choose(menu, item)
    dialog = wait_for(title, lambda: next(
        (w for w in windows(app) if w.get_name() == title), None))
    pump(0.5)
    click(wait_for(button + " in " + title,
                   lambda: find(dialog, named("push button", button))))
    wait_for(title + " closed", lambda: None if any(
        w.get_name() == title for w in windows(app)) else True)
    pump(0.5)


run_dialog("File(F)", "Property(P)...", "Property - home", "Cancel")
run_dialog("Setting(S)", "Option(O)...", "Option", "Cancel")
run_dialog("Help(H)", "Abort(A)...", "Abort", "OK")

tree = wait_for("the tree", lambda: find(main, lambda n: n.get_role_name() == "tree table"))
for name in ("one", "two", HOME):
    cell = find(tree, named("table cell", name))
    if cell is not None and cell.get_name():
        click(cell)
run_dialog("File(F)", "Property(P)...", "Property - home", "Cancel")

choose("File(F)", "Close window(X)")
try:
    program.wait(30)
except subprocess.TimeoutExpired:
    fail("the end of the application after Close window")
print("events heard: %d" % events[0], flush=True)
