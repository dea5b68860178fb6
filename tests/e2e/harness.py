# SPDX-License-Identifier: GPL-3.0-or-later
"""A private desktop for one end-to-end scenario of the real voltara program.

A Session starts, and stops again, everything it needs: an X server (Xvfb) on a free
display, a session bus (for AT-SPI), openbox as window manager, a notification area, a
umockdev testbed faking /sys/class/power_supply, and the program itself with a private
XDG_CONFIG_HOME, XDG_CONFIG_DIRS and XDG_RUNTIME_DIR. What the windows show is read over
AT-SPI; the mouse and keyboard are driven with xdotool.

The desktop kinds (DESKTOPS): trayer, an XEmbed tray; xfce4-panel's status tray, a
StatusNotifierItem host; none, no notification area; and sway, a headless Wayland session
with XWayland and waybar's tray, run as an ordinary user (sway refuses root), where the
tray and the settings are reached over D-Bus and files, without AT-SPI.

This module must run in a process started by umockdev-wrapper (run_e2e.py sees to it):
the testbed's uevents reach the program only through the preload library.
"""

import ctypes
import os
import re
import select
import shlex
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import json

import gi

gi.require_version('UMockdev', '1.0')
from gi.repository import GLib, UMockdev  # noqa: E402

TIMEOUT = float(os.environ.get('VOLTARA_E2E_TIMEOUT', '10'))
SCREEN = (1024, 768)
PYTHON = '/usr/bin/python3'  # Debian's, which has python3-gi and pyatspi
# What each kind of desktop needs besides the tools every session uses.
DESKTOPS = {'trayer': ['Xvfb', 'openbox', 'trayer'], 'xfce': ['Xvfb', 'openbox', 'xfce4-panel', 'xfconf-query'],
            'none': ['Xvfb', 'openbox'], 'sway': ['sway', 'swaymsg', 'Xwayland', 'waybar', 'setpriv']}
WATCHER = ('org.kde.StatusNotifierWatcher', '/StatusNotifierWatcher', 'org.kde.StatusNotifierWatcher')
# One D-Bus call, run as the session's user (a bus admits only its own user); prints the reply as JSON.
_DBUS_CALL = """import json, sys
from gi.repository import Gio, GLib
dest, path, iface, method, args = sys.argv[1:]
reply = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
    dest, path, iface, method, GLib.Variant.parse(None, args) if args else None, None, 0, 5000, None)
print(json.dumps(reply.unpack() if reply else None, default=str))"""
XFCE_PANEL = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array"><value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=10;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/><value type="int" value="2"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
    </property>
    <property name="plugin-2" type="string" value="systray"/>
  </property>
</channel>
"""
SWAY_CONFIG = """xwayland force
output HEADLESS-1 mode 1024x768
exec printf %s "$DISPLAY" > $XDG_RUNTIME_DIR/display
"""

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1
_PR_SET_CHILD_SUBREAPER = 36


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def step(text):
    print('---', text, flush=True)


def pump():
    """Lets libatspi take the bus messages it has received (new applications, for one)."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe, timeout=None):
    """Polls probe until it returns something true and returns that; fails after timeout.

    A probe may raise while the windows are changing (an accessible object that has just
    gone); that counts as not yet."""
    timeout = TIMEOUT if timeout is None else timeout
    deadline = time.monotonic() + timeout
    last = None
    while True:
        pump()
        try:
            value = probe()
            if value:
                return value
            last = value
        except Failure:
            raise
        except Exception as e:  # noqa: BLE001 - see the docstring
            last = e
        if time.monotonic() > deadline:
            raise Failure(f'timed out after {timeout:.1f} s waiting for {what} (last seen: {last!r})')
        time.sleep(0.05)


def stays(what, probe, seconds):
    """Fails as soon as probe returns something true within the given time (a probe that
    raises, as windows come and go, has seen nothing)."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pump()
        try:
            value = probe()
        except Failure:
            raise
        except Exception:  # noqa: BLE001 - see the docstring
            value = None
        if value:
            raise Failure(f'{what}: {value!r}')
        time.sleep(0.05)


def _die_with_harness():
    # A harness killed without its clean-up must not leave the desktop running.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class FakePowerSupplies:
    """The umockdev testbed: /sys/class/power_supply as the program sees it."""

    def __init__(self, device_files):
        self.testbed = UMockdev.Testbed.new()
        for path in device_files:
            self._add(path)
        self.root = self.testbed.get_root_dir()

    def _add(self, path):
        # Our device files carry their provenance in '#' lines, which umockdev refuses.
        text = ''.join(line for line in Path(path).read_text().splitlines(True) if not line.startswith('#'))
        self.testbed.add_from_string(text)

    def keep_only(self, path):
        """Takes every supply out and puts in those of one device file."""
        for name in os.listdir(Path(self.root, 'sys/class/power_supply')):
            self.testbed.remove_device(self._syspath(name))
        self._add(path)

    def _syspath(self, name):
        link = Path(self.root, 'sys/class/power_supply', name)
        check(link.is_symlink(), f'no power supply {name} in the testbed')
        return os.path.realpath(link)[len(self.root):]

    def set(self, name, **attributes):
        """Writes sysfs attributes, and the matching uevent properties, of one supply.

        In place, as the kernel's files change: umockdev's own setter puts a new file where the
        old one was, which a program that keeps its sysfs files open would never see."""
        dev = self._syspath(name)
        for attribute, value in attributes.items():
            data = f'{value}\n'.encode()
            fd = os.open(Path(self.root, dev.lstrip('/'), attribute), os.O_WRONLY)
            try:
                os.pwrite(fd, data, 0)
                os.ftruncate(fd, len(data))  # never empty in between, for a reader at any moment
            finally:
                os.close(fd)
            self.testbed.set_property(dev, 'POWER_SUPPLY_' + attribute.upper(), str(value))

    def uevent(self, name, action='change'):
        self.testbed.uevent(self._syspath(name), action)

    def close(self):
        # The testbed removes its directory when it is finalised.
        del self.testbed


def _reg_unescape(text):
    return re.sub(r'\\(.)', r'\1', text)


def _reg_escape(text):
    return text.replace('\\', '\\\\').replace('"', '\\"')


class Accessible:
    """AT-SPI reading of what the program's windows show."""

    def __init__(self):
        import pyatspi  # only now: it connects to the session bus of DBUS_SESSION_BUS_ADDRESS
        self.pyatspi = pyatspi
        self.desktop = pyatspi.Registry.getDesktop(0)
        # A pop-up menu is no child of its application's accessible: it is known only by
        # the event it sends when it shows.
        self.popups = []
        pyatspi.Registry.registerEventListener(self._on_showing, 'object:state-changed:showing')

    def _on_showing(self, event):
        try:
            if event.detail1 and event.source is not None and self.role(event.source) == 'popup menu':
                self.popups.append(event.source)
        except GLib.Error:
            pass  # something that showed and went at once

    def application(self, pid):
        for app in self.desktop:
            if app is not None and app.get_process_id() == pid:
                # Names change under us (the labels): read them afresh every time.
                app.set_cache_mask(0)
                return app
        return None

    @staticmethod
    def role(node):
        return node.getRoleName()

    def showing(self, node):
        return node.getState().contains(self.pyatspi.STATE_SHOWING)

    def checked(self, node):
        return node.getState().contains(self.pyatspi.STATE_CHECKED)

    def windows(self, pid):
        """The program's top-level windows that are on the screen."""
        app = self.application(pid)
        return [w for w in app if w is not None and self.showing(w)] if app else []

    def descendants(self, node):
        for child in node:
            if child is None:
                continue
            yield child
            yield from self.descendants(child)

    def find_all(self, root, role=None, name=None):
        return [n for n in self.descendants(root)
                if (role is None or self.role(n) == role)
                and (name is None or (name.match(n.name) if isinstance(name, re.Pattern) else n.name == name))]

    def find(self, root, role=None, name=None):
        found = self.find_all(root, role, name)
        check(found, f'no {role or "element"} named {name!r} in {root.name!r}')
        return found[0]

    def extents(self, node):
        """Where the program believes an element is on the screen."""
        e = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def top_level(self, node):
        """The window an element lies in."""
        while True:
            parent = node.parent
            if parent is None or self.role(parent) == 'application':
                return node
            node = parent

    def label_texts(self, root):
        return [n.name for n in self.find_all(root, 'label') if self.showing(n)]

    def value_beside(self, root, prompt):
        """The text of the label that stands right of the label prompt, on its line."""
        labels = [n for n in self.find_all(root, 'label') if self.showing(n)]
        anchor = [n for n in labels if n.name == prompt]
        check(anchor, f'no label {prompt!r} on the screen')
        ax, ay, aw, ah = self.extents(anchor[0])
        beside = [(self.extents(n)[0], n.name) for n in labels
                  if n is not anchor[0] and self.extents(n)[0] >= ax + aw
                  and abs((self.extents(n)[1] + self.extents(n)[3] / 2) - (ay + ah / 2)) < ah / 2]
        check(beside, f'nothing beside {prompt!r}')
        return min(beside)[1]

    def dump(self, node, indent=0):
        lines = []
        try:
            place = '(hidden)'
            if self.showing(node):
                place = self.extents(node) if node.get_component_iface() else ''
            lines.append('%s%s %r %s' % (' ' * indent, self.role(node), node.name, place))
            for child in node:
                if child is not None:
                    lines.extend(self.dump(child, indent + 2))
        except Exception as e:  # noqa: BLE001 - a window closing while we look
            lines.append(' ' * indent + repr(e))
        return lines


class App:
    """One running copy of the program."""

    def __init__(self, proc, log_path):
        self.proc = proc
        self.pid = proc.pid
        self.log_path = log_path

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=None):
        wait_for(f'voltara (pid {self.pid}) to end', lambda: not self.running(), timeout)
        return self.proc.returncode

    def output(self):
        return self.log_path.read_text(errors='replace') if self.log_path.exists() else ''


class Session:
    """A private desktop with a faked battery, for one scenario."""

    def __init__(self, name, app_path, out_dir, device_files, desktop='trayer'):
        self.name = name
        self.desktop = desktop
        self.app_path = Path(app_path)
        self.out = Path(out_dir)
        self.out.mkdir(parents=True, exist_ok=True)
        self.device_files = device_files
        self.tmp = Path(tempfile.mkdtemp(prefix=f'voltara-e2e-{name}-'))
        self.home = self.tmp / 'home'
        self.runtime = self.tmp / 'runtime'
        self.config_home = self.tmp / 'config'
        self.config_dir = self.tmp / 'xdg'
        for d in (self.home, self.config_home, self.config_dir):
            d.mkdir()
        self.runtime.mkdir(mode=0o700)
        self.procs = []          # (what, Popen), in the order started
        self.apps = []
        self.problems = []
        self.last_click = (None, 0.0)
        self.power = None
        self.a11y = None
        self.panel = None
        self.user = None         # (uid, gid) the session runs as, where not as us
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ('LD_PRELOAD', 'UMOCKDEV_DIR', 'DBUS_SESSION_BUS_ADDRESS', 'WAYLAND_DISPLAY',
                                 'DISPLAY', 'SESSION_MANAGER', 'XAUTHORITY')
                    and not k.startswith(('XDG_', 'QT_'))}
        self.env.update(HOME=str(self.home), XDG_RUNTIME_DIR=str(self.runtime), LANG='C.UTF-8', LC_ALL='C.UTF-8')

    # --- life cycle

    def __enter__(self):
        _libc.prctl(_PR_SET_CHILD_SUBREAPER, 1)
        try:
            self.power = FakePowerSupplies(self.device_files)
            if self.desktop == 'sway':
                self._start_sway()
                return self
            self._start_x()
            if self.desktop == 'xfce':
                # The bus starts the panel's settings service, which reads the panel's layout.
                self.env['XDG_CONFIG_HOME'] = str(self.config_home)
                panel = self.config_home / 'xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml'
                panel.parent.mkdir(parents=True)
                panel.write_text(XFCE_PANEL)
            self._start_bus()
            # The panel first: a window manager that is still starting can miss a new
            # panel (it then stays unmapped), while it always takes on those it finds.
            if self.desktop == 'trayer':
                self._start_tray()
            elif self.desktop == 'xfce':
                self._spawn('xfce4-panel', ['xfce4-panel', '--disable-wm-check', '--sm-client-disable'])
                self._wait_tray_host()
            self._start_window_manager()
            os.environ['DISPLAY'] = self.env['DISPLAY']
            os.environ['DBUS_SESSION_BUS_ADDRESS'] = self.env['DBUS_SESSION_BUS_ADDRESS']
            self.a11y = Accessible()
        except BaseException as e:
            print(f'FAIL {self.name}: the desktop did not start: {e!r}', flush=True)
            for what, _ in self.procs:
                self._print_log(what)
            self.stop()
            raise
        return self

    def __exit__(self, kind, error, trace):
        if kind is None and self.problems:
            error = Failure('; '.join(self.problems))
        if error is not None and not isinstance(error, KeyboardInterrupt):
            self.report_failure(error)
        self.stop()
        if kind is None and error is not None:
            raise error
        return False

    def expect(self, condition, message):
        """A check the scenario can go on after: the failure is reported at its end."""
        if not condition:
            print('PROBLEM:', message, flush=True)
            self.problems.append(message)

    def _as_user(self, argv):
        if not self.user:
            return argv
        return ['setpriv', f'--reuid={self.user[0]}', f'--regid={self.user[1]}', '--clear-groups', '--'] + argv

    def _spawn(self, what, argv, pass_fds=()):
        with open(self.out / f'{what}.log', 'ab') as log:
            proc = subprocess.Popen(self._as_user(argv), env=self.env, pass_fds=pass_fds, stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT, preexec_fn=_die_with_harness)
        self.procs.append((what, proc))
        return proc

    def _read_line_from(self, fd, what, proc):
        """The first line a helper writes to fd (its display number, its bus address)."""
        data = b''
        deadline = time.monotonic() + TIMEOUT
        while not data.endswith(b'\n'):
            check(proc.poll() is None, f'{what} ended at start (see {self.out / (what + ".log")})')
            check(time.monotonic() < deadline, f'{what} did not start')
            if select.select([fd], [], [], 0.1)[0]:
                chunk = os.read(fd, 256)
                check(chunk, f'{what} closed its pipe')
                data += chunk
        os.close(fd)
        return data.decode().strip()

    def _start_x(self):
        read_end, write_end = os.pipe()
        # -noreset: otherwise the server resets when its last client leaves and the next
        # client to connect in that moment fails. -displayfd picks a free display.
        proc = self._spawn('xvfb', ['Xvfb', '-displayfd', str(write_end), '-screen', '0',
                                    f'{SCREEN[0]}x{SCREEN[1]}x24', '-dpi', '96', '-nolisten', 'tcp',
                                    '-noreset'], pass_fds=[write_end])
        os.close(write_end)
        self.env['DISPLAY'] = ':' + self._read_line_from(read_end, 'xvfb', proc)

    def _start_bus(self):
        read_end, write_end = os.pipe()
        # Services it activates (the accessibility bus) inherit this environment, so they
        # keep their sockets in our runtime folder and talk to our X server.
        proc = self._spawn('dbus', ['dbus-daemon', '--session', '--nofork', f'--address=unix:dir={self.runtime}',
                                    f'--print-address={write_end}'], pass_fds=[write_end])
        os.close(write_end)
        self.env['DBUS_SESSION_BUS_ADDRESS'] = self._read_line_from(read_end, 'dbus', proc)

    def _start_window_manager(self):
        self._spawn('openbox', ['openbox', '--sm-disable'])
        wait_for('openbox to manage the screen',
                 lambda: 'window id' in self.x('xprop', '-root', '_NET_SUPPORTING_WM_CHECK', check=False))
        if self.panel:
            wait_for('openbox to take on the panel', lambda: self.frame_of(self.panel) != self.panel
                     and self.panel in self.x('xdotool', 'search', '--onlyvisible', '--name', '^panel$',
                                              check=False))

    def _start_tray(self):
        self._spawn('trayer', ['trayer', '--edge', 'bottom', '--align', 'right', '--widthtype', 'request',
                               '--height', '24', '--SetDockType', 'true'])
        self.panel = wait_for('the trayer panel', lambda: self.x('xdotool', 'search', '--onlyvisible', '--name',
                                                                 '^panel$', check=False).split())[0]

    def _start_sway(self):
        """sway on no screen, with XWayland and waybar's tray, all as nobody; the program, its
        faked battery and its settings must be in that user's reach."""
        self.user = (65534, 65534)
        os.chmod(self.tmp, 0o755)
        for d in (self.home, self.runtime, self.config_home, self.config_dir):
            os.chown(d, *self.user)
        subprocess.run(['chmod', '-R', 'a+rX', self.power.root], check=True)
        self.app_path = Path(shutil.copy(self.app_path, self.tmp / 'voltara'))
        self._start_bus()
        (self.tmp / 'sway.conf').write_text(SWAY_CONFIG)
        (self.tmp / 'waybar.json').write_text('{"modules-right": ["tray"]}')
        self.env.update(WLR_BACKENDS='headless', WLR_RENDERER='pixman', WLR_LIBINPUT_NO_DEVICES='1')
        self._spawn('sway', ['sway', '-c', str(self.tmp / 'sway.conf')])
        self.env['DISPLAY'] = wait_for('XWayland', lambda: (self.runtime / 'display').exists()
                                       and (self.runtime / 'display').read_text())
        self.env['WAYLAND_DISPLAY'] = next(self.runtime.glob('wayland-*.lock')).stem
        self.env['SWAYSOCK'] = str(next(self.runtime.glob('sway-ipc.*.sock')))
        self._spawn('waybar', ['waybar', '-c', str(self.tmp / 'waybar.json')])
        self._wait_tray_host()

    def _wait_tray_host(self):
        """A program started before the tray's host registers uses XEmbed for good."""
        wait_for('a StatusNotifierItem host', lambda: self.bus_property(*WATCHER, 'IsStatusNotifierHostRegistered'))

    def bus_call(self, dest, path, iface, method, args=''):
        """A method call on the session bus, args in GVariant text ("(1, 'x')"); the reply unpacked."""
        result = subprocess.run(self._as_user([PYTHON, '-c', _DBUS_CALL, dest, path, iface, method, args]),
                                env=self.env, capture_output=True, text=True, timeout=TIMEOUT)
        if result.returncode != 0:  # not a Failure: the name may not be there yet
            raise RuntimeError(f'{iface}.{method} on {dest}: {result.stderr.strip().splitlines()[-1]}')
        return json.loads(result.stdout)

    def bus_property(self, dest, path, iface, name):
        return self.bus_call(dest, path, 'org.freedesktop.DBus.Properties', 'Get', f"('{iface}', '{name}')")[0]

    def sni_items(self):
        """(bus name, object path) of the StatusNotifierItems the tray's host shows."""
        return [(item.split('/')[0], '/' + item.split('/', 1)[1] if '/' in item else '/StatusNotifierItem')
                for item in self.bus_property(*WATCHER, 'RegisteredStatusNotifierItems')]

    def sway_windows(self, pid):
        """The windows sway shows for a process, as nodes of its tree."""
        def walk(node):
            yield node
            for child in node.get('nodes', []) + node.get('floating_nodes', []):
                yield from walk(child)
        tree = json.loads(self.x('swaymsg', '-t', 'get_tree'))
        return [n for n in walk(tree) if n.get('pid') == pid]

    def stop(self):
        for app in self.apps:
            if app.running():
                # As at the end of a desktop session; SIGKILL only if it will not go.
                app.proc.terminate()
                try:
                    app.proc.wait(3)
                except subprocess.TimeoutExpired:
                    app.proc.kill()
                    app.proc.wait()
        if self.power:
            self.power.close()
            self.power = None
        for what, proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self._end_orphans()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def _end_orphans(self):
        """Services the session bus started (the accessibility bus and its registry) are
        handed to us when their parent goes: wait for them, end those that stay."""
        deadline = time.monotonic() + 3
        while True:
            orphans = self._children()
            for pid in orphans:
                try:
                    if os.waitpid(pid, os.WNOHANG)[0]:
                        continue
                except ChildProcessError:
                    continue
                if time.monotonic() > deadline:
                    os.kill(pid, signal.SIGKILL)
                    os.waitpid(pid, 0)
            if not self._children():
                return
            time.sleep(0.1)

    def _children(self):
        known = {proc.pid for _, proc in self.procs} | {app.pid for app in self.apps}
        mine = []
        for status in Path('/proc').glob('[0-9]*/status'):
            try:
                fields = dict(line.split(':\t', 1) for line in status.read_text().splitlines() if ':\t' in line)
            except OSError:
                continue
            if int(fields.get('PPid', '0')) == os.getpid() and int(status.parent.name) not in known:
                mine.append(int(status.parent.name))
        return mine

    # --- the program

    def start_app(self, **env):
        """Starts the program; env adds to its environment (None removes a variable). On X
        it is told the platform, as a user with qt6-wayland installed would not be."""
        env = dict(self.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1',
                   XDG_CONFIG_HOME=str(self.config_home), XDG_CONFIG_DIRS=str(self.config_dir),
                   LD_PRELOAD='libumockdev-preload.so.0', UMOCKDEV_DIR=self.power.root,
                   **({'XDG_SESSION_TYPE': 'wayland'} if self.user else {'QT_QPA_PLATFORM': 'xcb'}), **env)
        env = {k: v for k, v in env.items() if v is not None}
        log_path = self.out / f'app-{len(self.apps) + 1}.log'
        with open(log_path, 'wb') as log:
            # VOLTARA_E2E_APP_PREFIX runs the program under a tool: "gdb -batch -ex run -ex bt --args".
            prefix = shlex.split(os.environ.get('VOLTARA_E2E_APP_PREFIX', ''))
            proc = subprocess.Popen(self._as_user(prefix + [str(self.app_path)]), env=env, stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT, preexec_fn=_die_with_harness)
        app = App(proc, log_path)
        self.apps.append(app)
        if prefix:
            app.pid = wait_for('the program under ' + prefix[0], lambda: self._descendant_running(proc.pid))
        return app

    def _descendant_running(self, ancestor):
        """The pid of the program file started, through a tool, by process ancestor."""
        for exe in Path('/proc').glob('[0-9]*/exe'):
            try:
                if Path(os.readlink(exe)) != self.app_path.resolve():
                    continue
                pid = int(exe.parent.name)
                while pid > 1:
                    if pid == ancestor:
                        return int(exe.parent.name)
                    stat = Path(f'/proc/{pid}/stat').read_text()
                    pid = int(stat[stat.rindex(')') + 2:].split()[1])
            except (OSError, ValueError):
                continue
        return None

    # --- the user's files

    @property
    def registry_file(self):
        return self.config_home / 'voltara' / 'HKEY_CURRENT_USER.reg'

    @property
    def autostart_file(self):
        return self.config_home / 'autostart' / 'voltara.desktop'

    def seed_registry(self, keys):
        """Writes the user's hive: {'Window': {'X': '0'}, ...} under Software\\Quillfen\\Voltara."""
        lines = ['REGEDIT4', '']
        for key, values in keys.items():
            lines.append(f'[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\{key}]')
            lines += [f'"{_reg_escape(n)}"="{_reg_escape(v)}"' for n, v in values.items()]
            lines.append('')
        self.registry_file.parent.mkdir(mode=0o700, exist_ok=True)
        self.registry_file.write_text('\n'.join(lines))
        for path in (self.registry_file.parent, self.registry_file) if self.user else ():
            os.chown(path, *self.user)

    def registry(self):
        """The user's hive as {key: {name: text}}, key relative to Software\\Quillfen\\Voltara,
        names in lower case (the registry ignores their case)."""
        keys, current = {}, None
        if not self.registry_file.exists():
            return keys
        prefix = 'hkey_current_user\\software\\quillfen\\voltara\\'
        for line in self.registry_file.read_text().splitlines():
            section = re.fullmatch(r'\[(.*)\]', line.strip())
            if section:
                path = section.group(1)
                current = keys.setdefault(path[len(prefix):], {}) if path.lower().startswith(prefix) else None
                continue
            value = re.fullmatch(r'"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"', line.strip())
            if value and current is not None:
                current[_reg_unescape(value.group(1)).lower()] = _reg_unescape(value.group(2))
        return keys

    def stored(self, key, name):
        for k, values in self.registry().items():
            if k.lower() == key.lower():
                return values.get(name.lower())
        return None

    # --- X

    def x(self, *argv, check=True):
        """Runs an X client on our display and returns what it printed."""
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=TIMEOUT)
        if check and result.returncode != 0:
            raise Failure(f'{" ".join(argv)} failed: {result.stderr.strip()}')
        return result.stdout

    def click(self, x, y, button=1, repeat=1):
        # Two clicks on one spot within the double-click time are a double click to the
        # program; a user's separate clicks are further apart.
        spot, at = self.last_click
        if spot == (x, y, button):
            time.sleep(max(0.0, at + 0.5 - time.monotonic()))
        self.last_click = ((x, y, button), time.monotonic())
        # No --sync: it waits for the pointer to move, for ever when it is there already.
        self.x('xdotool', 'mousemove', str(x), str(y), 'click', '--repeat', str(repeat),
               '--delay', '80', str(button))

    def on_screen(self, node):
        """(x, y, width, height) of an element where the user sees it: its place in its
        window, from AT-SPI, in the window the X server shows (the program's own idea of
        where its window is may be wrong)."""
        top = self.a11y.top_level(node)
        wx, wy, _, _ = self.geometry(self.x_window_of(node.get_application().get_process_id(), top))
        tx, ty, _, _ = self.a11y.extents(top)
        x, y, w, h = self.a11y.extents(node)
        check(w > 0 and h > 0, f'{node.name!r} has no place on the screen')
        return wx + x - tx, wy + y - ty, w, h

    def click_element(self, node, button=1, repeat=1):
        x, y, w, h = self.on_screen(node)
        self.click(x + w // 2, y + h // 2, button, repeat)

    def key(self, *keys):
        self.x('xdotool', 'key', '--delay', '40', *keys)

    def type(self, text):
        self.x('xdotool', 'type', '--delay', '40', text)

    def x_windows(self, pid):
        """Ids of the visible X windows of a process."""
        return set(self.x('xdotool', 'search', '--onlyvisible', '--pid', str(pid), check=False).split())

    def geometry(self, window):
        """Absolute (x, y, width, height) of an X window."""
        info = self.x('xwininfo', '-id', str(window))
        get = lambda label: int(re.search(label + r':\s+(-?\d+)', info).group(1))  # noqa: E731
        return get('Absolute upper-left X'), get('Absolute upper-left Y'), get('Width'), get('Height')

    def frame_of(self, window):
        """The window manager's frame around a client window (the window itself if none)."""
        while True:
            tree = self.x('xwininfo', '-children', '-id', str(window))
            parent = re.search(r'Parent window id: (0x[0-9a-f]+)', tree).group(1)
            root = re.search(r'Root window id: (0x[0-9a-f]+)', tree).group(1)
            if parent == root:
                return window
            window = parent

    def x_window_of(self, pid, node):
        """The X window that shows an accessible top-level window of the program: the one
        where AT-SPI says it is, else the only one of its size (what AT-SPI says of a
        window's place can lag behind the X server, or be wrong)."""
        def matching():
            ex, ey, ew, eh = self.a11y.extents(node)
            places = {window: self.geometry(window) for window in self.x_windows(pid)}
            exact = [window for window, place in places.items() if place == (ex, ey, ew, eh)]
            same_size = [window for window, place in places.items() if place[2:] == (ew, eh)]
            return (exact or (same_size if len(same_size) == 1 else [None]))[0]
        return wait_for(f'the X window of {node.name!r}', matching)

    def tray_icons(self):
        """(window, x, y, width, height) of each voltara icon embedded in the trayer panel."""
        if not self.panel:
            return []
        tree = self.x('xwininfo', '-tree', '-id', self.panel)
        return [(m.group(1), int(m.group(4)), int(m.group(5)), int(m.group(2)), int(m.group(3)))
                for m in re.finditer(r'(0x[0-9a-f]+) "[^"]*": \("voltara" "Voltara"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+'
                                     r'\s+\+(-?\d+)\+(-?\d+)', tree)]

    def screenshot(self, name, rect=None):
        path = self.out / f'{name}.png'
        argv = ['import', '-window', 'root']
        if rect:
            # What of the window is on the screen.
            x, y, w, h = rect
            left, top = max(x, 0), max(y, 0)
            w, h = min(x + w, SCREEN[0]) - left, min(y + h, SCREEN[1]) - top
            argv += ['-crop', f'{w}x{h}+{left}+{top}', '+repage']
        self.x(*argv, str(path))
        return path

    # --- failure report

    def report_failure(self, error):
        print(f'FAIL {self.name}: {error}', flush=True)
        for app in self.apps:
            print(f'--- output of voltara pid {app.pid} ({"running" if app.running() else "ended"}):')
            print(app.output().rstrip() or '(none)')
        try:
            if self.desktop == 'sway':
                print('--- sway\'s tree:', self.x('swaymsg', '-t', 'get_tree', check=False))
            tree = self.x('xwininfo', '-root', '-tree', check=False)
            (self.out / 'fail-windows.txt').write_text(tree)
            print('--- window tree (named windows; all in %s):' % (self.out / 'fail-windows.txt'))
            print('\n'.join(line for line in tree.splitlines() if '"' in line))
            print('--- accessible tree:')
            for app in self.apps:
                node = self.a11y.application(app.pid) if app.running() and self.a11y else None
                if node is not None:
                    print('\n'.join(self.a11y.dump(node)))
            print('--- screenshot:', self.screenshot('fail'))
        except Exception as e:  # noqa: BLE001 - the report must not hide the failure
            print('(could not look at the screen:', e, ')')
        for what, _ in self.procs:
            self._print_log(what)

    def _print_log(self, what):
        log = self.out / f'{what}.log'
        if log.exists() and log.stat().st_size:
            print(f'--- {what}.log:\n' + log.read_text(errors='replace').rstrip(), flush=True)
