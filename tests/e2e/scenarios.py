# SPDX-License-Identifier: GPL-3.0-or-later
"""The end-to-end scenarios: what a user does with voltara, and what the screen must show."""

import re
import signal
import time
from pathlib import Path

from harness import SCREEN, Failure, Session, check, stays, step, wait_for

DATA = Path(__file__).resolve().parent / 'data'
THINKPAD = DATA / 'thinkpad-45N1153-discharging-with-mouse.umockdev'  # 68 %, 3:0:12, on battery
XPS = DATA / 'xps15-9560-on-mains.umockdev'                            # 94 %, mains online
PN1VN08 = DATA / 'pn1vn08-charging.umockdev'                           # 98 %, charging

TWIPS = 15  # per pixel at the 96 dpi of our X server
STRIP_SIZE = (211, 20)
SEEN_WELCOME = {'Setting': {'Show Info': 'No'}}
PROMPTS = ('Battery Status:', 'Battery Time:', 'AC Power:')
MENU = ['Exit', '', 'Control Center', '', 'Compact', 'Full', '', 'Start with Windows', 'Always On Top', '', 'About']
QUIET = 1.5  # seconds in which something that should not happen would have happened

SCENARIOS = {}


def scenario(*device_files, desktop='trayer'):
    def register(body):
        def run(app_path, out):
            with Session(body.__name__, app_path, out, device_files, desktop) as session:
                body(session)
        run.desktop = desktop
        SCENARIOS[body.__name__] = run
        return body
    return register


def thinkpad_at(percent):
    """sysfs attributes of the ThinkPad battery at a charge: energy_now agrees with the
    capacity, and gives a whole number of seconds at its 15.453 W, so the Battery Time
    text the program must show is exact."""
    step_uwh = 15453000 // 1800  # 3600 s * this / 15453000 uW is a whole number of seconds
    energy = round(67490000 * percent / 100 / step_uwh) * step_uwh
    seconds = 3600 * energy // 15453000
    time_text = f'{seconds // 3600}:{seconds % 3600 // 60}:{seconds % 60}'
    return dict(capacity=percent, energy_now=energy), time_text


class Voltara:
    """One running copy of the program, seen and driven as its user does."""

    def __init__(self, session, **env):
        self.s = session
        self.a11y = session.a11y
        self.app = session.start_app(**env)
        self.pid = self.app.pid

    # --- what is on the screen

    def windows(self):
        return self.a11y.windows(self.pid)

    def _window(self, matches):
        return next((w for w in self.windows() if matches(w)), None)

    def main_window(self):
        """The main window, if it is on the screen: the one with the status labels."""
        return self._window(lambda w: 'Battery Status:' in self.a11y.label_texts(w))

    def strip(self):
        """The compact strip, if it is on the screen: a bar and no status labels."""
        return self._window(lambda w: self.a11y.find_all(w, name='Charge bar') and not self.a11y.label_texts(w))

    def welcome(self):
        return self._window(lambda w: 'Welcome to Voltara' in self.a11y.label_texts(w))

    def texts(self):
        window = self.main_window()
        check(window is not None, 'the main window is not on the screen')
        return tuple(self.a11y.value_beside(window, p) for p in PROMPTS)

    def wait_texts(self, expected, timeout=None):
        return wait_for(f'the main window to show {dict(zip(PROMPTS, expected))}',
                        lambda: self.texts() == tuple(expected), timeout)

    def message_boxes(self):
        """[(window, text)] of the message boxes on the screen."""
        boxes = []
        for w in self.windows():
            if self.a11y.role(w) in ('alert', 'dialog') and w.name == 'Voltara':
                boxes.append((w, ' '.join(t for t in self.a11y.label_texts(w) if t)))
        return boxes

    def wait_box(self, text):
        def single_box():
            boxes = self.message_boxes()
            check(len(boxes) <= 1, f'message boxes pile up: {[t for _, t in boxes]}')
            return boxes and boxes[0]
        box, shown = wait_for(f'a message box "{text}"', single_box)
        check(shown == text, f'message box says "{shown}", expected "{text}"')
        return box

    def close_box(self, box):
        self.s.click_element(self.a11y.find(box, 'push button', 'OK'))
        wait_for('the message box to close', lambda: not self.a11y.showing(box))

    def no_box_for(self, seconds=QUIET):
        stays('a message box appeared', lambda: [t for _, t in self.message_boxes()], seconds)

    def unnamed(self, window):
        """Elements of a window that a user reads or works but that have no accessible
        name: a screen reader has nothing to say for them. A window needs a name too,
        a pop-up menu only for its items."""
        roles = ('push button', 'check box', 'radio button', 'text', 'menu item', 'image', 'link', 'combo box')
        nodes = [n for n in self.a11y.descendants(window) if self.a11y.role(n) in roles and self.a11y.showing(n)]
        if self.a11y.role(window) != 'popup menu':
            nodes.append(window)
        return [(self.a11y.role(n), self.a11y.extents(n)) for n in nodes if not n.name]

    def expect_named(self, window, what):
        missing = self.unnamed(window)
        self.s.expect(not missing, f'elements of the {what} without an accessible name: {missing}')

    def believes_true_place(self, window):
        """Whether the program's idea of where a window is (as AT-SPI tells it) is where
        the X server shows it; what it stores, and where clicks land for those who use
        AT-SPI, depend on it."""
        shown = self.s.geometry(self.s.x_window_of(self.pid, window))
        try:
            wait_for('the program to know where its window is', lambda: self.a11y.extents(window) == shown, 1.0)
        except Failure:
            return False
        return True

    def frame(self, window):
        """(x, y, width, height) of the window as the user sees it: with the frame."""
        return self.s.geometry(self.s.frame_of(self.s.x_window_of(self.pid, window)))

    def has_full_height(self, main):
        """Whether the main window is 1725 twips high with its frame, stretched as its layout
        is for the desktop's font (its inside is 3075 twips wide)."""
        stretch = self.s.geometry(self.s.x_window_of(self.pid, main))[2] / (3075 / TWIPS)
        return abs(self.frame(main)[3] - 1725 / TWIPS * stretch) <= 1

    def minimise(self):
        """Minimises the main window through the window manager; returns its X window."""
        window = self.s.x_window_of(self.pid, self.main_window())
        wait_for('the window manager to frame the main window', lambda: self.s.frame_of(window) != window)
        self.s.x('xdotool', 'windowminimize', '--sync', window)
        return window

    # --- the notification-area icon and its menu

    def tray_icon(self):
        def own_icon():
            icons = self.s.tray_icons()
            check(len(icons) <= 1, f'more than one icon in the tray: {icons}')
            return icons and icons[0]
        return wait_for('the icon in the notification area', own_icon)

    def open_menu(self):
        _, x, y, w, h = self.tray_icon()
        shown = len(self.a11y.popups)
        before = self.s.x_windows(self.pid)
        self.s.click(x + w // 2, y + h // 2, button=3)
        window = wait_for('the pop-up menu window', lambda: self.s.x_windows(self.pid) - before).pop()
        menu = wait_for('the pop-up menu', lambda: len(self.a11y.popups) > shown and self.a11y.popups[-1])
        wait_for('the menu items', lambda: any(self.a11y.showing(i) for i in menu))
        return menu, window

    def menu_items(self, menu):
        """[(name, checked)] of the items on the screen, separators as ('', False)."""
        return [(i.name, self.a11y.checked(i)) for i in menu if i is not None and self.a11y.showing(i)]

    def choose(self, item):
        self.click_item(*self.open_menu(), item)

    def click_item(self, menu, window, item):
        entry = [i for i in menu if i.name == item and self.a11y.showing(i)]
        check(entry, f'no item {item!r} in the menu {self.menu_items(menu)}')
        self.s.click_element(entry[0])
        wait_for('the menu to close', lambda: window not in self.s.x_windows(self.pid))

    def checked(self, item):
        """Whether the menu item is ticked; the menu is opened and closed again."""
        menu, window = self.open_menu()
        items = dict(self.menu_items(menu))
        self.s.key('Escape')
        wait_for('the menu to close', lambda: window not in self.s.x_windows(self.pid))
        check(item in items, f'no item {item!r} in the menu')
        return items[item]

    # --- the end

    def exit_via_menu(self):
        self.choose('Exit')
        self.ended()

    def ended(self):
        rc = self.app.wait_exit()
        if rc < 0:
            raise Failure(f'voltara crashed: {signal.Signals(-rc).name} '
                          '(VOLTARA_E2E_APP_PREFIX="gdb -batch -ex run -ex bt --args" shows where)')
        check(rc == 0, f'voltara ended with exit status {rc}')
        check(not self.s.tray_icons(), 'the icon stayed in the notification area')

    def stored_place(self, x_name='X', y_name='Y'):
        return self.s.stored('Window', x_name), self.s.stored('Window', y_name)


def start_main(session):
    v = Voltara(session)
    wait_for('the main window', v.main_window)
    return v


def twips(pixels):
    return str(pixels * TWIPS)


# ---------------------------------------------------------------------------------------------

@scenario(THINKPAD)
def first_start(s):
    step('a first start: no settings at all')
    v = Voltara(s)
    welcome = wait_for('the welcome dialog', v.welcome)
    s.screenshot('first-start-welcome', v.frame(welcome))
    v.expect_named(welcome, 'welcome dialog')
    x, y, w, h = v.frame(welcome)
    s.expect(abs(x + w / 2 - SCREEN[0] / 2) <= 1 and abs(y + h / 2 - SCREEN[1] / 2) <= 1,
             f'the welcome dialog is not centred on the screen: {w}x{h} at {x},{y}')
    step('behind it the main window, filled from the faked battery, and the icon in the tray')
    v.wait_texts(('68%', '3:0:12', 'Off'))
    v.tray_icon()
    s.click_element(s.a11y.find(welcome, 'push button', 'Ok'))
    wait_for('the welcome dialog to close', lambda: not s.a11y.showing(welcome))
    s.expect(s.stored('Setting', 'Show Info') == 'No', 'confirming the welcome dialog stored no "Show Info" = "No"')
    s.expect({'Window', 'Control Center', 'Time Calc'} <= set(s.registry()), f'keys missing: {s.registry()}')
    main = v.main_window()
    s.screenshot('main-window', v.frame(main))
    v.expect_named(main, 'main window')
    x, y, w, h = v.frame(main)
    s.expect((x, y) == (0, 0), f'the main window stands at {x},{y}, not in the top-left corner')
    s.expect(v.has_full_height(main), f'the main window is {h} px high with its frame, not 1725 twips')
    s.expect(not v.checked('Always On Top') and not v.checked('Start with Windows') and v.checked('Full'),
             'a first start ticks other options than the full display')
    v.exit_via_menu()
    s.expect(v.stored_place() == ('0', '0'), f'the main window\'s place was stored as {v.stored_place()}')

    step('the next start shows no welcome dialog and the main window in the same place')
    v = start_main(s)
    s.expect(v.frame(v.main_window())[:2] == (0, 0), 'the main window moved between two starts')
    stays('the welcome dialog came again', v.welcome, 0.5)
    v.exit_via_menu()

    step('the desktop session ends while the welcome dialog is open')
    s.seed_registry({})
    v = Voltara(s)
    wait_for('the welcome dialog', v.welcome)
    v.app.proc.send_signal(signal.SIGTERM)
    v.ended()
    s.expect(s.stored('Setting', 'Show Info') is None, 'a welcome dialog closed by the session end stored "Show Info"')


@scenario(THINKPAD)
def battery_texts(s):
    # Each real laptop in turn: the other supplies are taken out of sysfs meanwhile.
    laptops = [(THINKPAD, ('68%', '3:0:12', 'Off')),
               (PN1VN08, ('98%', 'No Info', 'Charging')),
               (XPS, ('94%', 'No Info', 'On'))]
    for data, texts in laptops:
        step(f'{data.name}: {texts}')
        s.power.keep_only(data)
        s.seed_registry(SEEN_WELCOME)
        v = start_main(s)
        v.wait_texts(texts)
        v.app.proc.send_signal(signal.SIGTERM)  # the end of the desktop session
        v.ended()


@scenario(THINKPAD)
def follows_battery(s):
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    v.wait_texts(('68%', '3:0:12', 'Off'))
    step('a charger is plugged in: the window follows within a second of the uevent')
    s.power.set('BAT0', status='Charging')
    s.power.uevent('BAT0')
    v.wait_texts(('68%', 'No Info', 'Charging'), timeout=1.0)
    step('unplugged, the battery runs down to 50 %')
    attributes, time_text = thinkpad_at(50)
    s.power.set('BAT0', status='Discharging', **attributes)
    s.power.uevent('BAT0')
    v.wait_texts(('50%', time_text, 'Off'), timeout=1.0)
    v.exit_via_menu()


@scenario(XPS)
def mains_messages(s):
    def mains(online):
        s.power.set('AC', online=int(online))
        s.power.set('BAT0', status='Charging' if online else 'Discharging', current_now=1356500)
        s.power.uevent('AC')
        s.power.uevent('BAT0')

    for on in (True, False):
        step(f'"AC Off" and "AC On" {"on" if on else "off"}')
        s.power.keep_only(XPS)
        s.seed_registry({**SEEN_WELCOME, 'Control Center': {'AC Off': str(int(on)), 'AC On': str(int(on))}})
        v = start_main(s)
        v.wait_texts(('94%', 'No Info', 'On'))
        mains(False)
        if on:
            box = v.wait_box('AC Power is now Off.')
            s.screenshot('message-ac-off', v.frame(box))
            v.expect_named(box, 'message box')
            v.close_box(box)
        # 2.713 Ah drawn at 1.3565 A: two hours, whatever voltage converts charge and current.
        v.wait_texts(('94%', '2:0:0', 'Off'))
        v.no_box_for()
        mains(True)
        if on:
            v.close_box(v.wait_box('AC Power is now On.'))
        v.wait_texts(('94%', 'No Info', 'Charging'))
        v.no_box_for()
        v.exit_via_menu()


@scenario(THINKPAD)
def low_charge_warning(s):
    warning = ('Remaining battery is lower than 20%. '
               'It is suggested that you start charging the battery immediately.')
    s.seed_registry({**SEEN_WELCOME, 'Control Center': {'Low Warning Percent': '20'}})
    v = start_main(s)
    v.wait_texts(('68%', '3:0:12', 'Off'))
    v.no_box_for(0.5)
    step('the charge falls to 15 %, below the stored 20 %')
    s.power.set('BAT0', **thinkpad_at(15)[0])
    s.power.uevent('BAT0')
    box = v.wait_box(warning)
    step('more changes while the warning is open: no second box on top of it')
    for percent in (14, 13):
        s.power.set('BAT0', **thinkpad_at(percent)[0])
        s.power.uevent('BAT0')
        time.sleep(0.2)
    stays('a second box stacked on the first', lambda: len(v.message_boxes()) > 1, QUIET)
    v.close_box(box)
    step('closing it: the changes that came meanwhile give one warning, not one each')
    v.close_box(v.wait_box(warning))
    v.no_box_for()
    v.wait_texts(('13%', thinkpad_at(13)[1], 'Off'))
    v.exit_via_menu()


@scenario(THINKPAD)
def second_copy(s):
    s.seed_registry(SEEN_WELCOME)
    first = start_main(s)
    first.tray_icon()
    step('a second copy says so and ends')
    second = Voltara(s)
    box = second.wait_box('You can only open ONE Voltara at a time!')
    check(second.main_window() is None, 'the second copy shows its main window')
    s.expect(len(s.tray_icons()) == 1, 'the second copy added an icon to the tray')
    second.close_box(box)
    rc = second.app.wait_exit()
    check(rc == 0, f'the second copy ended with exit status {rc}')
    step('the first copy runs on')
    check(first.app.running(), 'the first copy ended too')
    first.wait_texts(('68%', '3:0:12', 'Off'))
    first.exit_via_menu()


@scenario(THINKPAD)
def display_modes(s):
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    main = v.main_window()
    step('the user moves the main window')
    place = move_window(v, main, 300, 200)

    step('the menu in full display; Compact: the strip in the top-left corner, the main window hidden')
    menu, window = v.open_menu()
    s.screenshot('menu-full', s.geometry(window))
    items = v.menu_items(menu)
    s.expect([n for n, _ in items] == MENU, f'the menu reads {items}')
    s.expect([n for n, ticked in items if ticked] == ['Full'], f'the ticks are {items}')
    v.click_item(menu, window, 'Compact')
    strip = wait_for('the compact strip', v.strip)
    s.expect(v.frame(strip) == (0, 0, *STRIP_SIZE), f'the strip is at {v.frame(strip)}')
    check(v.main_window() is None, 'the main window stays on the screen in compact display')
    s.expect(s.stored('Window', 'Display') == '1', 'compact display is not stored')
    s.screenshot('compact-strip', v.frame(strip))
    v.expect_named(strip, 'compact strip')
    menu, window = v.open_menu()
    s.screenshot('menu-compact', s.geometry(window))
    v.expect_named(menu, 'pop-up menu')
    items = v.menu_items(menu)
    s.key('Escape')
    s.expect([n for n, _ in items] == [n for n in MENU if n != 'Always On Top'],
             f'the compact display\'s menu reads {items}')
    s.expect([n for n, ticked in items if ticked] == ['Compact'], f'the ticks are {items}')

    step('the strip follows the battery: half the charge, half the bar')
    full_bar = s.a11y.extents(s.a11y.find(strip, name='Charge bar'))[2]
    s.power.set('BAT0', **thinkpad_at(34)[0])
    s.power.uevent('BAT0')
    wait_for('the bar to halve', lambda: abs(s.a11y.extents(s.a11y.find(strip, name='Charge bar'))[2]
                                             - full_bar / 2) <= 2)

    step('dragging the strip by its bar')
    moved = drag(v, strip, s.a11y.find(strip, name='Charge bar'), 400, 300)

    step('Full: the main window comes back where it was, the strip\'s place is stored')
    v.choose('Full')
    main = wait_for('the main window', v.main_window)
    check(v.strip() is None, 'the strip stays in full display')
    s.expect(v.frame(main)[:2] == place, f'the main window came back at {v.frame(main)[:2]}, not {place}')
    s.expect(v.has_full_height(main), f'the main window is {v.frame(main)[3]} px high with its frame, not 1725 twips')
    s.expect(v.stored_place('CompactX', 'CompactY') == (twips(moved[0]), twips(moved[1])),
             f'the strip\'s place was stored as {v.stored_place("CompactX", "CompactY")}')
    s.expect(s.stored('Window', 'Display') == '0', 'full display is not stored')

    step('Compact again, then Exit: the next start is compact, in the same places')
    v.choose('Compact')
    strip = wait_for('the compact strip', v.strip)
    s.expect(v.frame(strip)[:2] == moved[:2], f'the strip reopened at {v.frame(strip)[:2]}, not {moved[:2]}')
    v.exit_via_menu()
    s.expect(v.stored_place() == tuple(map(twips, place)), f'the main window\'s place was stored as {v.stored_place()}')

    v = Voltara(s)
    strip = wait_for('the compact strip', v.strip)
    s.expect(v.frame(strip)[:2] == moved[:2], f'after a restart the strip is at {v.frame(strip)[:2]}')
    s.expect(v.believes_true_place(strip), f'after a restart the strip shows at {v.frame(strip)[:2]}, '
             f'the program believes it is at {s.a11y.extents(strip)[:2]}')
    check(v.main_window() is None, 'after a restart in compact display the main window shows')
    v.choose('Full')
    main = wait_for('the main window', v.main_window)
    s.expect(v.frame(main)[:2] == place, f'after a restart the main window is at {v.frame(main)[:2]}, not {place}')
    s.expect(v.stored_place('CompactX', 'CompactY') == (twips(moved[0]), twips(moved[1])),
             f'the strip at {moved} was stored as {v.stored_place("CompactX", "CompactY")} after a restart')
    v.exit_via_menu()


def move_window(v, window, x, y):
    """Moves a window as its user would, through the window manager; returns where its
    frame went."""
    before = v.frame(window)[:2]
    v.s.x('xdotool', 'windowmove', v.s.x_window_of(v.pid, window), str(x), str(y))
    return wait_for('the window to move', lambda: v.frame(window)[:2] != before and v.frame(window)[:2])


def drag(v, window, node, dx, dy, moves=True):
    """Drags a window by one of its elements with the left button; returns where it went.
    With moves=False, fails if the window follows."""
    s = v.s
    # Followed as an X window: what AT-SPI says of its place lags behind a move.
    frame = s.frame_of(s.x_window_of(v.pid, window))
    place = lambda: s.geometry(frame)[:2]  # noqa: E731
    start = place()
    target = (start[0] + dx, start[1] + dy) if moves else start
    x, y, w, h = s.on_screen(node)
    x, y = x + w // 2, y + h // 2
    s.x('xdotool', 'mousemove', str(x), str(y), 'mousedown', '1')
    for i in range(1, 11):
        s.x('xdotool', 'mousemove', '--sync', str(x + dx * i // 10), str(y + dy * i // 10))
        time.sleep(0.03)
    try:
        if moves:
            wait_for(f'the window to follow the pointer to {target}', lambda: place() == target)
        else:
            stays(f'pressing on {node.name!r} drags the window', lambda: place() != start and place(), 0.3)
    finally:
        s.x('xdotool', 'mouseup', '1')
    # Once the button is up the window stays: also tells that the move has ended.
    s.x('xdotool', 'mousemove', str(x + dx + 30), str(y + dy + 30))
    stays('the window still follows the pointer', lambda: place() != target and place(), 0.3)
    return target if moves else None


@scenario(THINKPAD)
def exit_paths(s):
    step('Exit from the menu stores the main window\'s place')
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    place = move_window(v, v.main_window(), 120, 90)
    v.exit_via_menu()
    s.expect(v.stored_place() == tuple(map(twips, place)), f'{place} was stored as {v.stored_place()}')

    step('a double click on the strip\'s icon ends the program; the strip\'s new place is not stored')
    s.seed_registry({**SEEN_WELCOME, 'Window': {'X': twips(120), 'Y': twips(90), 'Display': '1',
                                                'CompactX': twips(200), 'CompactY': twips(100)}})
    v = Voltara(s)
    strip = wait_for('the compact strip', v.strip)
    s.expect(v.frame(strip)[:2] == (200, 100), f'the strip opened at {v.frame(strip)[:2]}, not 200,100')
    s.expect(v.believes_true_place(strip), f'the strip shows at {v.frame(strip)[:2]}, '
             f'the program believes it is at {s.a11y.extents(strip)[:2]}')
    drag(v, strip, s.a11y.find(strip, name='Charge bar'), 300, 400)
    icon = s.a11y.find(strip, 'image', 'Status icon')
    drag(v, strip, icon, 50, 50, moves=False)
    s.click_element(icon, repeat=2)
    v.ended()
    s.expect(v.stored_place() == (twips(120), twips(90)), f'the main window\'s place became {v.stored_place()}')
    s.expect(v.stored_place('CompactX', 'CompactY') == (twips(200), twips(100)),
             f'the strip\'s place became {v.stored_place("CompactX", "CompactY")}')


@scenario(THINKPAD)
def start_with_login(s):
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    check(not v.checked('Start with Windows'), '"Start with Windows" is ticked without an entry')
    step('ticking it writes the autostart entry')
    v.choose('Start with Windows')
    entry = wait_for('the autostart entry', lambda: s.autostart_file.exists() and s.autostart_file.read_text())
    s.expect(f'Exec={s.app_path}\n' in entry and 'Hidden=true' not in entry, f'the entry reads:\n{entry}')
    s.expect(v.checked('Start with Windows'), '"Start with Windows" is not ticked')
    v.exit_via_menu()
    step('the next start finds it ticked; unticking empties the entry')
    v = start_main(s)
    s.expect(v.checked('Start with Windows'), 'after a restart "Start with Windows" is not ticked')
    v.choose('Start with Windows')
    wait_for('the autostart entry to empty', lambda: 'Hidden=true' in s.autostart_file.read_text())
    s.expect('Exec=' not in s.autostart_file.read_text(), f'the emptied entry reads:\n{s.autostart_file.read_text()}')
    s.expect(not v.checked('Start with Windows'), '"Start with Windows" stays ticked')
    v.exit_via_menu()


@scenario(THINKPAD)
def control_center(s):
    # The desktop's default browser is an env-wrapped entry, as Ubuntu's Firefox snap ships;
    # it writes down its arguments.
    browser, opened = s.tmp / 'fakebrowser', s.tmp / 'opened'
    browser.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{opened}'\n")
    browser.chmod(0o755)
    entries = s.home / '.local' / 'share' / 'applications'
    entries.mkdir(parents=True)
    (entries / 'fakebrowser.desktop').write_text(
        '[Desktop Entry]\nType=Application\nName=Fake Browser\nMimeType=text/html;\n'
        f'Exec=env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/firefox_firefox.desktop {browser} %u\n')
    (s.config_home / 'mimeapps.list').write_text('[Default Applications]\ntext/html=fakebrowser.desktop\n')
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    v.wait_texts(('68%', '3:0:12', 'Off'))
    v.choose('Control Center')
    dialog = wait_for('the Control Center', lambda: [w for w in v.windows() if w.name == 'Control Center'])[0]
    s.screenshot('control-center', v.frame(dialog))
    v.expect_named(dialog, 'Control Center')
    percent = s.a11y.find(dialog, 'text', re.compile(r'.*battery power is less than', re.I))

    step('99 % is refused when the field is left')
    s.click_element(percent)
    s.key('ctrl+a')
    s.type('99')
    s.key('Tab')
    v.close_box(v.wait_box('The range for low battery warning is between 1 and 99.'))
    wait_for('the focus back in the field', lambda: percent.getState().contains(s.a11y.pyatspi.STATE_FOCUSED))

    step('70 % is taken, stored and acts at once')
    s.key('ctrl+a')
    s.type('70')
    s.click_element(s.a11y.find(dialog, 'push button', 'Ok'))
    wait_for('the Control Center to close', lambda: not s.a11y.showing(dialog))
    s.expect(s.stored('Control Center', 'Low Warning Percent') == '70',
             f'"Low Warning Percent" stored as {s.stored("Control Center", "Low Warning Percent")!r}')
    s.power.uevent('BAT0')
    v.close_box(v.wait_box('Remaining battery is lower than 70%. '
                           'It is suggested that you start charging the battery immediately.'))

    step('the About dialog, looked at and closed')
    v.choose('About')
    about = wait_for('the About dialog', lambda: [w for w in v.windows() if w.name == 'About Voltara'])[0]
    s.screenshot('about', v.frame(about))
    v.expect_named(about, 'About dialog')
    step('its website link opens the default browser with the address')
    s.click_element(s.a11y.find(about, 'label', 'Website: https://voltara.quillfen.example/'))
    wait_for('the browser to open the home page', lambda: opened.exists() and opened.read_text())
    s.expect(opened.read_text() == 'voltara.quillfen.example/\n', f'the browser got {opened.read_text()!r}')
    s.click_element(s.a11y.find(about, 'push button', 'OK'))
    wait_for('the About dialog to close', lambda: not s.a11y.showing(about))
    v.exit_via_menu()



@scenario(THINKPAD, desktop='xfce')
def sni_tray(s):
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    wait_for('the icon registered as a StatusNotifierItem, not by XEmbed', s.sni_items)
    # The status tray and its menus are windows of the panel's plugin process; at first the
    # tray is the only one on the screen, with the icon alone in it.
    plugin = lambda: set(s.x('xdotool', 'search', '--onlyvisible', '--class', 'wrapper-2.0').split())  # noqa: E731
    x, y, w, h = s.geometry(wait_for('the status tray', plugin).pop())
    spot = (x + w // 2, y + h // 2)

    step('minimised, the main window hides; a click on the icon brings it back')
    v.minimise()
    wait_for('the main window to hide', lambda: v.main_window() is None)
    s.click(*spot)
    wait_for('the main window back', v.main_window)

    def choose(*keys):
        before = plugin()
        s.click(*spot, button=3)
        wait_for('the menu', lambda: plugin() - before)
        s.key(*keys, 'Return')

    step('right click: Voltara\'s menu; Compact chosen from it')
    choose('Down', 'Down', 'Down')
    wait_for('the compact strip', v.strip)
    check(v.main_window() is None, 'the main window stays in compact display')
    step('Exit chosen from it')
    choose('Down')
    v.ended()


@scenario(THINKPAD, desktop='sway')
def wayland_session(s):
    places = {'X': '1500', 'Y': '3000', 'CompactX': '4500', 'CompactY': '1500'}
    s.seed_registry({**SEEN_WELCOME, 'Window': places})

    def exported_menu():
        """The menu the icon exports to the tray's host: (call an item, [(label, ticked)])."""
        dest, path = wait_for('the icon registered with waybar\'s tray', s.sni_items)[0]
        menu = s.bus_property(dest, path, 'org.kde.StatusNotifierItem', 'Menu')
        items = s.bus_call(dest, menu, 'com.canonical.dbusmenu', 'GetLayout', '(0, -1, @as [])')[1][2]
        labels = [(props.get('label', '').replace('_', ''), props.get('toggle-state') == 1) for _, props, _ in items]
        ids = {label: id for (label, _), (id, _, _) in zip(labels, items)}
        return lambda label: s.bus_call(dest, menu, 'com.canonical.dbusmenu', 'Event',
                                        f"({ids[label]}, 'clicked', <0>, uint32 0)"), labels

    def expect_shell(v, shell):
        shells = [w['shell'] for w in wait_for('the main window in sway', lambda: s.sway_windows(v.pid))]
        check(shells == [shell], f'voltara\'s windows in sway are {shells}, not [{shell!r}]')

    step('through XWayland; the menu reaches waybar over D-Bus, and Exit chosen there stores where sway put '
         'the window')
    v = Voltara(s)
    expect_shell(v, 'xwayland')
    choose, items = exported_menu()
    s.expect([n for n, _ in items] == MENU, f'the exported menu reads {items}')
    s.expect([n for n, ticked in items if ticked] == ['Full'], f'the exported ticks are {items}')
    # Read now: sway moves a window once more just after it maps it.
    window = s.sway_windows(v.pid)[0]
    choose('Exit')
    v.ended()
    # sway centres floating windows whatever they ask: the program stores where the window is.
    place = (window['rect']['x'] + window['window_rect']['x'], window['rect']['y'] + window['window_rect']['y'])
    s.expect(v.stored_place() == tuple(map(twips, place)), f'the main window at {place} was stored as '
             f'{v.stored_place()}')
    s.expect(v.stored_place('CompactX', 'CompactY') == ('4500', '1500'), 'the strip\'s place changed')

    step('natively on Wayland, as the user chose: no place it cannot know is stored')
    places = s.registry()['Window']
    v = Voltara(s, QT_QPA_PLATFORM='wayland')
    expect_shell(v, 'xdg_shell')
    exported_menu()[0]('Exit')
    v.ended()
    s.expect(s.registry()['Window'] == places, f'the places went from {places} to {s.registry()["Window"]}')


@scenario(THINKPAD, desktop='none')
def no_tray(s):
    s.seed_registry(SEEN_WELCOME)
    v = start_main(s)
    place = v.frame(v.main_window())
    step('minimised, the main window stays in the taskbar: iconic, not withdrawn')
    window = v.minimise()
    wait_for('the main window iconic', lambda: 'Iconic' in s.x('xprop', '-id', window, 'WM_STATE'))
    stays('the minimised main window left the taskbar',
          lambda: 'Iconic' not in s.x('xprop', '-id', window, 'WM_STATE'), QUIET)
    step('restored from the taskbar; the menu opens on the window itself')
    s.x('xdotool', 'windowactivate', '--sync', window)
    wait_for('the main window back', v.main_window)
    # openbox animates the way back.
    x, y, w, h = wait_for('the main window back in its place', lambda: s.geometry(s.frame_of(window)) == place
                          and 'IsViewable' in s.x('xwininfo', '-id', window) and place)
    shown = len(s.a11y.popups)
    s.click(x + w // 2, y + h // 2, button=3)
    menu = wait_for('the pop-up menu', lambda: len(s.a11y.popups) > shown and s.a11y.popups[-1])
    wait_for('the menu items', lambda: [n for n, _ in v.menu_items(menu)] == MENU)
    s.click_element(next(i for i in menu if i.name == 'Exit'))
    v.ended()
