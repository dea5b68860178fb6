# SPDX-License-Identifier: GPL-3.0-or-later
# A private desktop for one end-to-end scenario of the real voltara program: an X server
# (Xvfb) with a session bus, a notification area and openbox, or GNOME Shell nested in it; a
# umockdev testbed faking /sys/class/power_supply; the program with private XDG folders. Windows
# are read over AT-SPI, the tray over D-Bus; xdotool drives mouse and keyboard. Runs under
# umockdev-wrapper, for the uevents.

import contextlib
import ctypes
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import traceback
from pathlib import Path

import gi

gi.require_version('UMockdev', '1.0')
from gi.repository import GLib, UMockdev  # noqa: E402

TIMEOUT = float(os.environ.get('VOLTARA_E2E_TIMEOUT', '10'))  # seconds a wait may take
DATA = Path(__file__).resolve().parent / 'data'
# The tools each kind of desktop needs besides those every session uses.
DESKTOPS = {'trayer': ['Xvfb', 'openbox', 'trayer'], 'none': ['Xvfb', 'openbox'],
            'gnome': ['Xvfb', 'gnome-shell', 'gsettings', 'Xwayland']}
WATCHER = ('org.kde.StatusNotifierWatcher', '/StatusNotifierWatcher', 'org.kde.StatusNotifierWatcher')
REG_PREFIX = 'HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\'


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def step(text):
    print('---', text, flush=True)


def _probe(probe):
    # libatspi learns of new windows from bus messages it must be let take. A probe that
    # raises (an accessible that has just gone) has seen nothing yet.
    while GLib.MainContext.default().pending():
        GLib.MainContext.default().iteration(False)
    try:
        return probe()
    except Exception:  # noqa: BLE001
        return None


def wait_for(what, probe, seconds=TIMEOUT):
    # Polls probe until it returns something true, and returns that; what it waits for may be
    # told by a function, called when the wait fails.
    deadline = time.monotonic() + seconds
    while not (value := _probe(probe)):
        check(time.monotonic() < deadline, f'timed out waiting for {what() if callable(what) else what}')
        time.sleep(0.05)
    return value


def stays(what, probe, seconds=1.5):
    # Fails if probe returns something true within the seconds a wrong reaction takes to come.
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        check(not (value := _probe(probe)), f'{what}: {value!r}')
        time.sleep(0.05)


class Session:
    # A private desktop of one kind (DESKTOPS) with a faked battery, for one scenario.

    def __init__(self, name, app_path, out, device_file, desktop):
        self.name, self.desktop, self.app_path, self.out = name, desktop, Path(app_path), Path(out)
        self.out.mkdir(parents=True, exist_ok=True)
        self.tmp = Path(tempfile.mkdtemp(prefix=f'voltara-e2e-{name}-'))
        self.home, self.runtime, self.config = self.tmp / 'home', self.tmp / 'runtime', self.tmp / 'config'
        for d in (self.home, self.runtime, self.config):
            d.mkdir(mode=0o700)
        self.procs, self.group, self.at, self.last_click = [], 0, None, (None, 0.0)
        self.app_env = {'QT_QPA_PLATFORM': 'xcb'}
        self.env = dict(PATH=os.environ['PATH'], HOME=str(self.home), XDG_RUNTIME_DIR=str(self.runtime),
                        XDG_CONFIG_HOME=str(self.config), LANG='C.UTF-8', LC_ALL='C.UTF-8')
        self.testbed = UMockdev.Testbed.new()
        # Our device files carry their provenance in '#' lines, which umockdev refuses.
        self.testbed.add_from_string(re.sub(r'(?m)^#.*\n', '', device_file.read_text()))
        self.sysfs = self.testbed.get_root_dir()

    def start(self):
        # Services the buses start are handed to us when their parents go, for stop() to end.
        ctypes.CDLL(None).prctl(36, 1)  # PR_SET_CHILD_SUBREAPER
        self._start_gnome() if self.desktop == 'gnome' else self._start_x()

    def _spawn(self, what, argv, env=None):
        # Starts a helper, its output in WHAT.log. Where an argument holds {fd}, returns the
        # line the helper writes to that descriptor (its display, its bus address).
        read_end, write_end = os.pipe()
        with open(self.out / f'{what}.log', 'ab') as log:
            # One process group for the whole desktop, to end it in one go.
            proc = subprocess.Popen([a.replace('{fd}', str(write_end)) for a in argv],
                                    env=env or self.env, pass_fds=[write_end], stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT, process_group=self.group)
        os.close(write_end)
        self.procs.append(proc)
        self.group = self.group or proc.pid
        with os.fdopen(read_end) as told:
            line = told.readline().strip() if any('{fd}' in a for a in argv) else proc
        check(line, f'{what} did not start')
        return line

    def _start_bus(self):
        # What it starts (the accessibility bus, dconf) inherits the session's environment.
        self.env['DBUS_SESSION_BUS_ADDRESS'] = self._spawn('dbus', [
            'dbus-daemon', '--session', '--nofork', f'--address=unix:dir={self.runtime}', '--print-address={fd}'])

    def _start_xvfb(self):
        # -noreset: else the server resets when its last client leaves, failing the next.
        self.env['DISPLAY'] = ':' + self._spawn('xvfb', ['Xvfb', '-displayfd', '{fd}', '-screen', '0', '1024x768x24',
                                                         '-dpi', '96', '-nolisten', 'tcp', '-noreset'])

    def _start_atspi(self):
        os.environ['DBUS_SESSION_BUS_ADDRESS'] = self.env['DBUS_SESSION_BUS_ADDRESS']
        import pyatspi  # only now: it connects to the bus of DBUS_SESSION_BUS_ADDRESS
        self.at = pyatspi

    def _start_x(self):
        self._start_xvfb()
        self._start_bus()
        # The panel first: openbox, while it starts, can miss a panel that maps.
        if self.desktop == 'trayer':
            self._spawn('trayer', ['trayer', '--edge', 'bottom', '--align', 'right', '--widthtype', 'request',
                                   '--height', '24', '--SetDockType', 'true'])
            wait_for('the trayer panel', self.tray_panel)
        self._spawn('openbox', ['openbox', '--sm-disable'])
        wait_for('openbox', lambda: 'window id' in self.x('xprop', '-root', '_NET_SUPPORTING_WM_CHECK'))
        if self.desktop == 'trayer':
            wait_for('openbox to take on the panel', lambda: self.frame_of(self.tray_panel()) != self.tray_panel())
        self._start_atspi()

    # GNOME Shell 43 with the AppIndicator extension (Debian 12: gnome-shell,
    # gnome-shell-extension-appindicator), as a nested Wayland compositor in a window that fills the
    # Xvfb screen, so xdotool's pointer and keys reach it and `import` sees it:
    # - gnome-shell --nested --wayland, with LIBGL_ALWAYS_SOFTWARE=1 (no GPU), XDG_SESSION_TYPE=wayland,
    #   XDG_CURRENT_DESKTOP=GNOME and MUTTER_DEBUG_DUMMY_MODE_SPECS the size of the screen. It starts
    #   XWayland itself (its log: "Using public X11 display :N"); X clients need the cookie in
    #   $XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*.
    # - A private, empty system bus: where /run/systemd/seats exists the shell asks logind, and it
    #   crashes without a system bus.
    # - The extension enabled in the private dconf before the shell starts (dconf-service is started
    #   by the session bus, so XDG_CONFIG_HOME must be the bus's): enabled-extensions
    #   ['ubuntu-appindicators@ubuntu.com'], disable-user-extensions false, and
    #   welcome-dialog-last-shown-version '999' (no tour over the desktop).
    # - Ready when the extension's watcher has a host. The session opens in the overview: Escape.
    # - On AT-SPI the top bar belongs to the application gnome-shell: the item is a 'menu' named
    #   after the item (Title "Voltara") in the right box, the app menu on the left has the same
    #   name; its menu's items are labels. The title bar has no minimise button: Super+H.
    # - The extension opens the menu on a click and on a right click; only a double click sends
    #   Activate, a middle click SecondaryActivate. Before Activate and a menu item's Event it hands
    #   the item an activation token (ProvideXdgActivationToken), starting a startup sequence: a busy
    #   pointer until the program answers it or mutter gives up after 15 s.
    # - It starts in about 3 s. Without replies on the system bus (a policy that lets none through)
    #   it waits 25 s for logind.
    def _start_gnome(self):
        self._start_xvfb()
        conf = self.tmp / 'system-bus.conf'
        conf.write_text(f'<busconfig><type>system</type><listen>unix:dir={self.runtime}</listen>'
                        '<policy context="default"><allow send_destination="*"/><allow receive_sender="*"/>'
                        '<allow own="*"/></policy></busconfig>')
        self.env['DBUS_SYSTEM_BUS_ADDRESS'] = self._spawn('system-bus', [
            'dbus-daemon', f'--config-file={conf}', '--nofork', '--print-address={fd}'])
        self._start_bus()
        for key, value in (('enabled-extensions', "['ubuntu-appindicators@ubuntu.com']"),
                           ('disable-user-extensions', 'false'), ('welcome-dialog-last-shown-version', "'999'")):
            self.x('gsettings', 'set', 'org.gnome.shell', key, value)
        self._spawn('gnome-shell', ['gnome-shell', '--nested', '--wayland'], dict(
            self.env, LIBGL_ALWAYS_SOFTWARE='1', XDG_SESSION_TYPE='wayland', XDG_CURRENT_DESKTOP='GNOME',
            MUTTER_DEBUG_DUMMY_MODE_SPECS='1024x768'))
        log = self.out / 'gnome-shell.log'
        display = wait_for('XWayland', lambda: re.search(r'public X11 display (:\d+)', log.read_text()), 3 * TIMEOUT)
        cookie = wait_for('XWayland\'s cookie', lambda: next(self.runtime.glob('.mutter-Xwaylandauth.*'), None))
        self.app_env = dict(DISPLAY=display[1], WAYLAND_DISPLAY='wayland-0', XDG_SESSION_TYPE='wayland',
                            XAUTHORITY=str(cookie))
        # A program started before the StatusNotifierItem host registers uses XEmbed for good.
        wait_for('the tray\'s host', lambda: self.bus_property(*WATCHER, 'IsStatusNotifierHostRegistered'), 3 * TIMEOUT)
        self._start_atspi()
        overview = lambda: self.shell_find('panel', 'Overview')  # noqa: E731
        wait_for('the overview', overview)
        self.x('xdotool', 'key', 'Escape')
        wait_for('the overview to close', lambda: not overview())

    def shell_find(self, role, name):
        # The elements of GNOME Shell's own user interface (top bar, menus) on the screen.
        def find(node):  # only where it is on the screen: the shell's tree is large, and has holes
            shown = [c for c in node if c and c.getState().contains(self.at.STATE_SHOWING)]
            return [c for c in shown if (c.getRoleName(), c.name) == (role, name)] + [m for c in shown for m in find(c)]
        return find(next(a for a in self.at.Registry.getDesktop(0) if a and a.name == 'gnome-shell'))

    def stop(self):
        # The desktop, the program and what the buses started (ours to reap once their parents
        # went), asked to end, then made to.
        for sig in (signal.SIGTERM, signal.SIGKILL) if self.group else ():
            deadline = time.monotonic() + 3
            with contextlib.suppress(ChildProcessError, ProcessLookupError):  # none left in the group
                while time.monotonic() < deadline:
                    os.killpg(self.group, sig)  # again and again: a compositor may start XWayland anew
                    os.waitpid(-1, os.WNOHANG)[0] or time.sleep(0.05)
        del self.testbed  # it removes its folder
        shutil.rmtree(self.tmp, ignore_errors=True)

    def report(self, error):
        traceback.print_exc()
        print(f'FAIL {self.name}: {error}', flush=True)
        shot = self.out / 'fail.png'
        subprocess.run(['import', '-window', 'root', shot], env=self.env, capture_output=True, timeout=TIMEOUT)
        print('--- screenshot:', shot if shot.exists() else 'none')
        for log in sorted(self.out.glob('*.log')):
            print(f'--- end of {log}:', *log.read_text(errors='replace').splitlines()[-25:], sep='\n')

    def start_app(self, **env):
        # On X the program is told the platform, as a user with qt6-wayland installed would not be;
        # in a Wayland session it chooses as it does for its users.
        env = dict(self.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', LD_PRELOAD='libumockdev-preload.so.0',
                   UMOCKDEV_DIR=self.sysfs, XDG_CONFIG_DIRS=str(self.tmp / 'xdg'),  # no system-wide entries
                   **self.app_env, **env)
        return self._spawn(f'voltara-{len(self.procs)}', [str(self.app_path)], env)

    def change(self, name, **attributes):
        # Writes sysfs attributes of a supply, in place as the kernel does (umockdev's own
        # setter puts a new file there, unseen by a reader that keeps the old one open), and
        # sends its uevent.
        dev = os.path.realpath(Path(self.sysfs, 'sys/class/power_supply', name))[len(self.sysfs):]
        for attribute, value in attributes.items():
            with open(self.sysfs + dev + '/' + attribute, 'r+') as kept:
                kept.write(f'{value}\n')
                kept.truncate()  # after the write: never empty in between
            self.testbed.set_property(dev, 'POWER_SUPPLY_' + attribute.upper(), str(value))
        self.testbed.uevent(dev, 'change')

    def seed_registry(self, keys):
        # Writes the user's hive: {'Window': {'X': '0'}, ...} under Software\\Quillfen\\Voltara.
        hive = self.config / 'voltara' / 'HKEY_CURRENT_USER.reg'
        hive.parent.mkdir(mode=0o700, exist_ok=True)
        hive.write_text('REGEDIT4\n' + ''.join(f'\n[{REG_PREFIX}{key}]\n' + ''.join(
            f'"{name}"="{value}"\n' for name, value in values.items()) for key, values in keys.items()))

    def stored(self, key, *names):
        # The texts stored under a key (whose names' case counts for nothing); None where missing.
        values, current = {}, False
        for line in (self.config / 'voltara' / 'HKEY_CURRENT_USER.reg').read_text().splitlines():
            if line.startswith('['):
                current = line.lower() == f'[{REG_PREFIX}{key}]'.lower()
            elif current and (value := re.fullmatch(r'"(.*)"="(.*)"', line)):
                values[value.group(1).lower()] = value.group(2)
        return tuple(values.get(name.lower()) for name in names)

    def x(self, *argv):
        # Runs a desktop client; returns what it printed.
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=TIMEOUT)
        if result.returncode != 0:  # no Failure: a probe may look for something not there yet
            raise RuntimeError(f'{" ".join(argv[:3])} failed: {result.stderr.strip()[:300]}')
        return result.stdout

    def bus_call(self, dest, path, method, *args):
        # A method call on the session bus, args in GVariant text; the reply unpacked.
        return GLib.Variant.parse(None, self.x('gdbus', 'call', '--session', '--dest', dest, '--object-path', path,
                                               '--method', method, '--', *args)).unpack()

    def bus_property(self, dest, path, iface, name):
        return self.bus_call(dest, path, 'org.freedesktop.DBus.Properties.Get', f"'{iface}'", f"'{name}'")[0]

    def sni_items(self):
        # (bus name, object path) of each StatusNotifierItem registered with the tray's host.
        return [(i.split('/')[0], '/' + i.split('/', 1)[1] if '/' in i else '/StatusNotifierItem')
                for i in self.bus_property(*WATCHER, 'RegisteredStatusNotifierItems')]

    def move_requests(self):
        # A probe, true once a client has asked the window manager to move a window: the
        # request goes to the root window, where any client may watch for it.
        x11 = ctypes.CDLL('libX11.so.6')
        x11.XOpenDisplay.restype = ctypes.c_void_p  # a pointer; ids and atoms (29 bits) fit an int
        display = ctypes.c_void_p(x11.XOpenDisplay(self.env['DISPLAY'].encode()))
        atom, event = x11.XInternAtom(display, b'_NET_WM_MOVERESIZE', 0), (ctypes.c_long * 24)()
        x11.XSelectInput(display, ctypes.c_ulong(x11.XDefaultRootWindow(display)), ctypes.c_long(1 << 19))
        x11.XSync(display, 0)  # SubstructureNotifyMask, in force from here on

        def seen():
            while x11.XPending(display):
                x11.XNextEvent(display, event)
                if event[0] & 0xffffffff == 33 and event[5] == atom:  # a ClientMessage of that type
                    return True
        return seen

    def click(self, x, y, button=1, repeat=1):
        # Clicks on one spot within the double-click time are a double click to the program.
        if self.last_click[0] == (x, y, button):
            time.sleep(max(0.0, self.last_click[1] + 0.5 - time.monotonic()))
        self.last_click = ((x, y, button), time.monotonic())
        self.x('xdotool', 'mousemove', str(x), str(y), 'click', '--repeat', str(repeat), '--delay', '80', str(button))

    def windows(self, *search):
        # Ids of the visible X windows xdotool finds with the search options.
        return set(subprocess.run(['xdotool', 'search', '--onlyvisible', *search], env=self.env,
                                  capture_output=True, text=True, timeout=TIMEOUT).stdout.split())

    def geometry(self, window):
        # (x, y, width, height) of an X window on the screen.
        info = self.x('xwininfo', '-id', str(window))
        return tuple(int(re.search(label + r':\s+(-?\d+)', info).group(1))
                     for label in ('Absolute upper-left X', 'Absolute upper-left Y', 'Width', 'Height'))

    def frame_of(self, window):
        # The window manager's frame around an X window.
        tree = self.x('xwininfo', '-children', '-id', str(window))
        parent, root = (re.search(label + r' window id: (0x[0-9a-f]+)', tree).group(1) for label in ('Parent', 'Root'))
        return window if parent == root else self.frame_of(parent)

    def tray_panel(self):
        return next(iter(self.windows('--name', '^panel$')), None)

    def tray_icons(self, wm_class='"voltara" "Voltara"'):
        # (x, y, width, height) of each icon of that WM_CLASS embedded in the trayer panel.
        tree = self.x('xwininfo', '-tree', '-id', self.tray_panel())
        return [tuple(map(int, (m[2], m[3], m[0], m[1]))) for m in re.findall(
            rf'\({re.escape(wm_class)}\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)', tree)]
