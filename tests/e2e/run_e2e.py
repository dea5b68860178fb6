#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end tests: what only a real desktop shows of the real voltara program.
#
#   run_e2e.py APP OUT [SCENARIO ...]
#
# Runs the scenarios (all without names), each on a desktop of its own in a process of its
# own under umockdev-wrapper. Exit status 0 when all passed, 1 when one failed, 77 (CTest:
# skipped) when a tool is missing. Logs, and a screenshot of a failure, go to OUT/SCENARIO.
# VOLTARA_E2E_TIMEOUT: the seconds a wait may take (10).

import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
try:
    from harness import DATA, DESKTOPS, Session, check, stays, step, wait_for
except (ImportError, ValueError):  # no python3-gi or gir1.2-umockdev-1.0: skipped
    DESKTOPS = None

TOOLS = ['dbus-daemon', 'gdbus', 'xdotool', 'xwininfo', 'xprop', 'import', 'umockdev-wrapper']
THINKPAD = 'thinkpad-45N1153-discharging-with-mouse.umockdev'  # 68 %, 3:0:12, on battery
XPS = 'xps15-9560-on-mains.umockdev'                            # 94 %, mains online
PN1VN08 = 'pn1vn08-charging.umockdev'                           # 98 %, charging
SEEN_WELCOME = {'Setting': {'Show Info': 'No'}}
PLACES = ('X', 'Y', 'CompactX', 'CompactY')  # of the main window and the strip, in twips
# The menu in full display (compact display hides Always On Top); the keyboard walks its items.
MENU = ['Exit', '', 'Control Center', '', 'Compact', 'Full', '', 'Start with Windows', 'Always On Top', '', 'About']


def twips(*pixels):
    return tuple(str(p * 15) for p in pixels)  # 15 twips a pixel at the 96 dpi of our X server


class Voltara:
    # One running copy of the program, seen over AT-SPI and driven as its user does.

    def __init__(self, session, **env):
        self.s, self.at, self.proc = session, session.at, session.start_app(**env)

    def showing(self, node):
        return node.getState().contains(self.at.STATE_SHOWING)

    def windows(self, matches):
        app = next((a for a in self.at.Registry.getDesktop(0) if a and a.get_process_id() == self.proc.pid), None)
        app.set_cache_mask(0)  # the labels change under us: read them afresh
        return [w for w in app if w and self.showing(w) and matches(w)]

    def find(self, root, role=None, name=None):
        # The elements under root, on the screen, of the role and name given.
        return self.at.findAllDescendants(root, lambda n: role in (None, n.getRoleName()) and name in (None, n.name)
                                          and self.showing(n))

    def extents(self, node):
        return tuple(node.queryComponent().getExtents(self.at.DESKTOP_COORDS))  # x, y, width, height

    def main_window(self):
        return next(iter(self.windows(lambda w: self.find(w, 'label', 'Battery Status:'))), None)

    def strip(self):
        return next(iter(self.windows(lambda w: self.find(w, name='Charge bar') and not self.find(w, 'label'))), None)

    def texts(self):
        # The value labels, known by their prompts: screen readers announce a value with its prompt.
        labels = self.find(self.main_window(), 'label')
        return tuple(next(n.name for n in labels if n.description == prompt)
                     for prompt in ('Battery Status:', 'Battery Time:', 'AC Power:'))

    def wait_texts(self, texts):
        # Seen within a wait, far below the minute between refreshes: the change was followed.
        wait_for(f'the main window to show {texts}', lambda: self.texts() == texts)

    def boxes(self):
        return self.windows(lambda w: w.getRoleName() in ('alert', 'dialog') and w.name == 'Voltara')

    def close_box(self, text):
        # Waits for the one message box, checks its text and closes it with its OK button.
        box, *more = wait_for(f'a message box "{text}"', self.boxes)
        check(not more, 'message boxes pile up')
        shown = ' '.join(n.name for n in self.find(box, 'label') if n.name)
        check(shown == text, f'the message box says "{shown}", not "{text}"')
        self.s.click(*self.spot(box, self.find(box, 'push button', 'OK')[0]))
        wait_for('the message box to close', lambda: not self.showing(box))

    def x_window(self, node):
        # The X window of an accessible top-level window: the one of its size (where the
        # program believes it is can be wrong).
        return wait_for(f'the X window of {node.name!r}', lambda: next(w for w in self.s.windows(
            '--pid', str(self.proc.pid)) if self.s.geometry(w)[2:] == self.extents(node)[2:]))

    def placed(self, what, find, place):
        # Waits for a window to stand at place, its frame's top-left in pixels (the window
        # manager frames it, and the program puts it right, a moment after it shows).
        window = wait_for(what, find)
        wait_for(lambda: f'{what} at {place}, not {self.frame(window)}', lambda: self.frame(window)[:2] == place)
        return window

    def frame(self, window):
        # (x, y, width, height) of a window with its frame, as the user sees it and as its place is stored.
        return self.s.geometry(self.s.frame_of(self.x_window(window)))

    def spot(self, window, node):
        # The middle of an element where the user sees it: its place in its window, from
        # AT-SPI, in the window the X server shows.
        (wx, wy, _, _), (tx, ty, _, _) = self.s.geometry(self.x_window(window)), self.extents(window)
        x, y, w, h = self.extents(node)
        return wx + x - tx + w // 2, wy + y - ty + h // 2

    def menu(self, item, x, y):
        # A right click at (x, y), and item chosen with the keyboard from the program's menu that opens.
        menus = lambda: self.s.windows('--pid', str(self.proc.pid))  # noqa: E731
        before = menus()
        self.s.click(x, y, button=3)
        opened = wait_for('the menu', lambda: menus() - before)
        self.s.x('xdotool', 'key', '--delay', '40', *['Down'] * [i for i in MENU if i].index(item), 'Down', 'Return')
        wait_for('the menu to close', lambda: not menus() & opened)

    def tray_icon(self):
        # The middle of the program's icon in the XEmbed tray, which must be the only one.
        icons = wait_for('the icon in the notification area', self.s.tray_icons)
        check(len(icons) == 1, f'more than one icon in the tray: {icons}')
        return icons[0][0] + icons[0][2] // 2, icons[0][1] + icons[0][3] // 2

    def minimise(self):
        window = self.x_window(self.main_window())
        wait_for('the window manager to frame the main window', lambda: self.s.frame_of(window) != window)
        self.s.x('xdotool', 'windowminimize', '--sync', window)
        return window

    def ended(self):
        wait_for('voltara to end', lambda: self.proc.poll() is not None)
        check(self.proc.returncode == 0, f'voltara ended with {self.proc.returncode}')


def drag(v, window, node, dx, dy):
    # Drags a window by one of its elements with the left button; returns where it went.
    frame = v.s.frame_of(v.x_window(window))  # followed on X: AT-SPI lags behind a move
    x, y, _, _ = v.s.geometry(frame)
    px, py = v.spot(window, node)
    asked = v.s.move_requests()
    v.s.x('xdotool', 'mousemove', str(px), str(py), 'mousedown', '1')
    # The program gives the window manager the pointer's last place it saw: not one after the press.
    wait_for('the program to ask the window manager for a move', asked)

    def follows():  # the pointer moved again and again: the window manager may take on the move after it got there
        v.s.x('xdotool', 'mousemove', '--sync', str(px + dx + 1), str(py + dy), 'mousemove', '--sync', str(px + dx),
              str(py + dy))
        return v.s.geometry(frame)[:2] == (x + dx, y + dy)
    wait_for('the window to follow the pointer', follows)
    v.s.x('xdotool', 'mouseup', '1')
    return x + dx, y + dy


def xembed_tray(s):
    warning = 'Remaining battery is lower than 20%. It is suggested that you start charging the battery immediately.'
    s.seed_registry({**SEEN_WELCOME, 'Control Center': {'Low Warning Percent': '20'},
                     'Window': dict(zip(PLACES, twips(0, 0, 200, 100)))})  # the main window where a first start puts it
    stored = lambda: s.stored('Window', *PLACES)  # noqa: E731
    step('the main window where it was stored, the ThinkPad\'s texts')
    v = Voltara(s)
    v.placed('the main window', v.main_window, (0, 0))
    v.wait_texts(('68%', '3:0:12', 'Off'))

    step('a second copy says so and ends; the first runs on, its icon the only one in the tray')
    second = Voltara(s)
    second.close_box('You can only open ONE Voltara at a time!')
    second.ended()
    check(v.tray_icon() and v.proc.poll() is None, 'the first copy ended too')

    step('uevents: a charger plugged in; unplugged and under 20 %, one warning however many changes come')
    s.change('BAT0', status='Charging')
    v.wait_texts(('68%', 'No Info', 'Charging'))
    s.change('BAT0', status='Discharging', capacity=15)
    wait_for('the warning', v.boxes)
    s.change('BAT0', capacity=14)
    stays('a second box on top of the first', lambda: len(v.boxes()) > 1)
    v.close_box(warning)
    v.close_box(warning)  # the change that came meanwhile gives one warning more
    stays('another message box', v.boxes)

    step('minimised, the window leaves the taskbar; a double click on the icon brings it back')
    v.minimise()
    wait_for('the main window to hide', lambda: v.main_window() is None)
    s.click(*v.tray_icon(), repeat=2)
    wait_for('the main window back', v.main_window)

    step('moved by the window manager; Compact: the strip where stored, dragged by its bar; Full and back')
    main = v.main_window()
    s.x('xdotool', 'windowmove', v.x_window(main), '300', '200')
    place = wait_for('the main window to move', lambda: v.frame(main)[:2] != (0, 0) and v.frame(main)[:2])
    v.menu('Compact', *v.tray_icon())
    strip = v.placed('the compact strip', v.strip, (200, 100))
    moved = drag(v, strip, v.find(strip, name='Charge bar')[0], 300, 300)
    v.menu('Full', *v.tray_icon())
    main = v.placed('the main window', v.main_window, place)
    # 1725 twips high with the window manager's frame, stretched as its 3075 twips wide inside is.
    height = 1725 * s.geometry(v.x_window(main))[2] / 3075
    check(abs(v.frame(main)[3] - height) <= 1, f'the main window is {v.frame(main)[3]} px high, not {height}')
    check(stored()[2:] == twips(*moved), f'the strip at {moved} was stored as {stored()}')
    v.menu('Compact', *v.tray_icon())
    v.placed('the compact strip', v.strip, moved)
    v.menu('Exit', *v.tray_icon())
    v.ended()
    check(not s.tray_icons(), 'the icon stayed in the notification area')
    check(stored()[:2] == twips(*place), f'the main window at {place} was stored as {stored()}')

    step('the next start: compact, strip and main window in their places; the session ends (SIGTERM): the place kept')
    v = Voltara(s)
    v.placed('the compact strip', v.strip, moved)
    v.menu('Full', *v.tray_icon())
    main = v.placed('the main window', v.main_window, place)
    check(stored()[2:] == twips(*moved), f'after a restart the strip at {moved} was stored as {stored()}')
    s.x('xdotool', 'windowmove', v.x_window(main), '40', '30')
    place = wait_for('the main window to move', lambda: v.frame(main)[:2] != place and v.frame(main)[:2])
    v.proc.send_signal(signal.SIGTERM)
    v.ended()
    check(stored()[:2] == twips(*place), f'the main window at {place} was stored as {stored()} at the session\'s end')


def no_tray(s):
    s.seed_registry(SEEN_WELCOME)
    v = Voltara(s)
    v.wait_texts(('98%', 'No Info', 'Charging'))
    place = v.frame(v.main_window())
    # Minimised, the main window stays in the taskbar: iconic, not withdrawn.
    window = v.minimise()
    iconic = lambda: 'Iconic' in s.x('xprop', '-id', window, 'WM_STATE')  # noqa: E731
    wait_for('the main window iconic', iconic)
    stays('the minimised main window left the taskbar', lambda: not iconic())
    # Restored from the taskbar; the menu opens on the window itself.
    s.x('xdotool', 'windowactivate', '--sync', window)
    # openbox animates the way back.
    wait_for('the main window back in its place', lambda: v.main_window() and s.geometry(s.frame_of(window)) == place
             and 'IsViewable' in s.x('xwininfo', '-id', window))
    v.menu('Exit', place[0] + place[2] // 2, place[1] + place[3] // 2)
    v.ended()


def gnome_shell(s):
    s.seed_registry(SEEN_WELCOME)
    v = Voltara(s)  # as its users start it: it goes through XWayland of its own accord
    v.wait_texts(('94%', 'No Info', 'On'))
    menu_item = lambda item: wait_for(f'the menu\'s {item}', lambda: s.shell_find('label', item))[0]  # noqa: E731

    def icon():
        # The middle of the icon in the top bar's right half; the app menu on the left bears the same name.
        wait_for('the icon registered with the extension\'s watcher', s.sni_items)
        x, y, w, h = v.extents(wait_for('the icon in the top bar', lambda: [
            n for n in s.shell_find('menu', 'Voltara') if v.extents(n)[0] > 512])[0])
        return x + w // 2, y + h // 2

    def exit_from_menu():
        s.click(*icon())
        ex, ey, ew, eh = v.extents(menu_item('Exit'))
        # The top bar's menu drops a click that comes while it is still opening (seen once in a full run).
        s.x('xdotool', 'mousemove', str(ex + ew // 2), str(ey + eh // 2))
        time.sleep(0.5)
        s.click(ex + ew // 2, ey + eh // 2)
        v.ended()
        return s.stored('Window', 'X', 'Y')

    step('Super+H hides the main window for good; a click opens the menu, a double click brings the window back')
    lx, ly, _, _ = v.extents(v.find(v.main_window(), 'label', 'Battery Status:')[0])
    s.click(lx + 4, ly + 4)  # to the front: Super+H minimises the focused window
    s.x('xdotool', 'key', 'super+h')
    wait_for('the main window to hide', lambda: v.main_window() is None)
    stays('the minimised main window came back by itself', v.main_window, seconds=3)
    s.click(*icon())
    menu_item('Exit')
    s.x('xdotool', 'key', 'Escape')
    s.click(*icon(), repeat=2)
    wait_for('the main window back', v.main_window)
    step('Exit from the menu ends it, storing where its window was: through XWayland the place is known')
    places = exit_from_menu()
    check(None not in places, f'no place stored through XWayland: {places}')
    step('natively on Wayland, as the user chose, no place it cannot know is stored')
    v = Voltara(s, QT_QPA_PLATFORM='wayland')
    v.wait_texts(('94%', 'No Info', 'On'))
    check(exit_from_menu() == places, f'the places went from {places} to {s.stored("Window", "X", "Y")}')


SCENARIOS = {'xembed_tray': (xembed_tray, THINKPAD, 'trayer'), 'no_tray': (no_tray, PN1VN08, 'none'),
             'gnome_shell': (gnome_shell, XPS, 'gnome')}


def main(app, out, *names):
    app, out = Path(app).resolve(), Path(out).resolve()
    if name := os.environ.get('VOLTARA_E2E_SCENARIO'):  # one scenario, under umockdev-wrapper
        body, device_file, desktop = SCENARIOS[name]
        # Stopped so that the session ends what it started.
        signal.signal(signal.SIGALRM, lambda *_: sys.exit(f'{name} took too long'))
        signal.alarm(150)
        session = Session(name, app, out / name, DATA / device_file, desktop)
        try:
            session.start()
            body(session)
            return 0
        except BaseException as e:
            session.report(e)
            return 1
        finally:
            session.stop()
    names = names or list(SCENARIOS)
    missing = {t for n in names for t in TOOLS + DESKTOPS[SCENARIOS[n][2]] if not shutil.which(t)} if DESKTOPS else {
        f'python3-gi, gir1.2-umockdev-1.0 for {sys.executable}'}
    if missing or not importlib.util.find_spec('pyatspi'):
        print('SKIP: missing', ', '.join(sorted(missing)) or 'python3-pyatspi')
        return 77
    failed = []
    for name in names:
        shutil.rmtree(out / name, ignore_errors=True)
        print(f'=== {name}', flush=True)
        start = time.monotonic()
        rc = subprocess.run(['umockdev-wrapper', sys.executable, __file__, app, out],
                            env=dict(os.environ, VOLTARA_E2E_SCENARIO=name)).returncode
        print(f'=== {name}: {"FAIL" if rc else "PASS"} in {time.monotonic() - start:.1f} s', flush=True)
        failed += [name] * bool(rc)
    print(f'logs in {out}' + ('; FAILED: ' + ' '.join(failed) if failed else ''))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]) if len(sys.argv) > 2 else 'usage: run_e2e.py APP OUT [SCENARIO ...]')
