#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# voltara --status as a status bar runs it: no display, beside a running copy, over the real
# batteries' dumps of the desktop tests (faked by umockdev), the settings folder left byte for byte
# as it was. Usage: status_command.py APP; exits 77, skipped, without umockdev-run.
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

if not shutil.which('umockdev-run'):
    sys.exit(77)
app, tmp = sys.argv[1], Path(tempfile.mkdtemp(prefix='voltara-status-'))
settings = tmp / 'config' / 'voltara'
settings.mkdir(parents=True)
(settings / 'HKEY_CURRENT_USER.reg').write_text(
    'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Time Calc]\n"Data"="1.2"\n"Count"="10000"\n')
env = {k: v for k, v in os.environ.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM')}
env.update(HOME=str(tmp), XDG_RUNTIME_DIR=str(tmp), XDG_CONFIG_HOME=str(tmp / 'config'))


def run(dump, *args):
    (tmp / 'dump').write_text(re.sub(r'(?m)^#.*\n', '', dump.read_text()))  # umockdev refuses remarks
    return subprocess.run(['umockdev-run', '-d', str(tmp / 'dump'), '--', app, *args], env=env, capture_output=True,
                          text=True, timeout=60)


def snapshot():
    return {p.name: p.is_dir() or p.read_bytes() for p in settings.iterdir()}


# Another copy holds the single-instance lock (with settings of its own); a Qt option is left to Qt.
gui = subprocess.Popen([app, '-style', 'Fusion'], env=dict(env, QT_QPA_PLATFORM='offscreen',
                                                           XDG_CONFIG_HOME=str(tmp / 'gui')),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
subprocess.run(['sh', '-c', f'until [ -e {tmp}/voltara.lock ]; do sleep 0.1; done'], timeout=60)
before, failures, data = snapshot(), [], Path(__file__).parent / 'data'
for dump in sorted(data.glob('*.umockdev')):
    # The texts the desktop tests read in the window; its estimate from the stored 1.2 minutes a point.
    shows = re.search(r'Shows: Battery Status (\S+), Battery Time (\S+).*, AC (\w+)', dump.read_text())
    status, time, ac = shows.groups()
    minutes = round(1.2 * int(status.rstrip('%')))
    expected = f'{status} {f"{minutes // 60}:{minutes % 60:02}" if time == "from" else time} {ac}'
    line, js = run(dump, '--status'), run(dump, '--status', '--json')
    results = (line.returncode, line.stdout, line.stderr, js.returncode, json.loads(js.stdout)['text'])
    if results != (0, expected + '\n', '', 0, expected):
        failures.append(f'{dump.name}: {results}')
if snapshot() != before:
    failures.append(f'the settings folder changed: {before} -> {snapshot()}')
(settings / 'HKEY_CURRENT_USER.reg').unlink()
(settings / 'HKEY_CURRENT_USER.reg').mkdir()  # a settings file that cannot be read
xps = data / 'xps15-9560-on-mains.umockdev'
unreadable, unknown, alone = run(xps, '--status'), run(xps, '--status', '--bogus'), run(xps, '--json')
version, usage = run(xps, '--version'), run(xps, '-h')
if (unreadable.returncode, unreadable.stdout, 'Cannot read' in unreadable.stderr) != (0, '94% No Info On\n', True):
    failures.append(f'unreadable settings: {unreadable}')
if unknown.returncode != 2 or '--bogus' not in unknown.stderr:
    failures.append(f'unknown option: {unknown}')
if alone.returncode != 2 or 'goes with --status' not in alone.stderr:
    failures.append(f'--json alone: {alone}')
if (version.returncode, usage.returncode, usage.stdout.startswith('Usage: voltara [--status')) != (0, 0, True) or \
        not re.fullmatch(r'voltara \d+\.\d+\.\d+\n', version.stdout):
    failures.append(f'--version, -h: {version}, {usage}')
if (nothing := run(data.parents[1] / 'data/umockdev/none.umockdev', '--status')).returncode != 1 or nothing.stdout:
    failures.append(f'a power status that cannot be read: {nothing}')
if gui.poll() is not None:
    failures.append(f'the other copy ended with {gui.returncode}')
gui.kill()
gui.wait()
shutil.rmtree(tmp)
sys.exit('\n'.join(failures) or None)
