#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end tests: the real voltara program on a private desktop with a faked battery.

Usage: run_e2e.py --app build/voltara [--out DIR] [--list] [SCENARIO ...]

Runs the named scenarios (all without names), each in a process of its own under
umockdev-wrapper with a desktop of its own, and prints PASS or FAIL for each. Exit status:
0 all passed, 1 something failed, 77 a tool the named scenarios' desktops need is missing
(CTest reports the test skipped).
Screenshots and logs go to --out (e2e-out beside the program), one folder per scenario.
Environment: VOLTARA_E2E_TIMEOUT, seconds any single wait may take (default 10);
VOLTARA_E2E_APP_PREFIX, a command to run the program under ("gdb -batch -ex run -ex bt --args").
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = Path(__file__).resolve().parent
PYTHON = '/usr/bin/python3'  # Debian's, which has python3-gi and pyatspi
TOOLS = ['dbus-daemon', 'xdotool', 'xwininfo', 'xprop', 'import', 'umockdev-wrapper']
SCENARIO_TIMEOUT = 150


def missing_tools(desktops):
    from harness import DESKTOPS
    missing = [t for t in TOOLS + sorted({t for d in desktops for t in DESKTOPS[d]}) if shutil.which(t) is None]
    probe = subprocess.run([PYTHON, '-c', 'import gi; gi.require_version("UMockdev", "1.0"); '
                            'from gi.repository import UMockdev; import pyatspi'],
                           capture_output=True) if os.access(PYTHON, os.X_OK) else None
    if probe is None or probe.returncode != 0:
        missing.append('python3-gi, gir1.2-umockdev-1.0 and python3-pyatspi for ' + PYTHON)
    return missing


def run_child(name, app, out):
    """One scenario, in this process (started by umockdev-wrapper)."""
    import scenarios
    from harness import Failure

    def interrupted(signum, frame):
        raise Failure(f'stopped by signal {signum} (the scenario took too long)')

    signal.signal(signal.SIGTERM, interrupted)
    try:
        scenarios.SCENARIOS[name](app, out / name)
    except Failure:
        return 1  # the session has reported it
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--app', default='build/voltara', help='the voltara program to test')
    parser.add_argument('--out', help='folder for screenshots and logs (default: e2e-out beside the program)')
    parser.add_argument('--list', action='store_true', help='list the scenarios and exit')
    parser.add_argument('--child', help=argparse.SUPPRESS)
    parser.add_argument('scenarios', nargs='*')
    args = parser.parse_args()
    app = Path(args.app).resolve()
    out = Path(args.out).resolve() if args.out else app.parent / 'e2e-out'

    if args.child:
        sys.path.insert(0, str(HERE))
        return run_child(args.child, app, out)

    sys.path.insert(0, str(HERE))
    import scenarios
    if args.list:
        print('\n'.join(scenarios.SCENARIOS))
        return 0
    unknown = [n for n in args.scenarios if n not in scenarios.SCENARIOS]
    if unknown:
        parser.error('no scenario ' + ', '.join(unknown))
    names = args.scenarios or list(scenarios.SCENARIOS)
    missing = missing_tools({scenarios.SCENARIOS[n].desktop for n in names})
    if missing:
        print('SKIP: missing ' + ', '.join(missing))
        return 77
    if not os.access(app, os.X_OK):
        print(f'FAIL: no program at {app}')
        return 1

    failed = []
    for name in names:
        shutil.rmtree(out / name, ignore_errors=True)
        print(f'=== {name}', flush=True)
        start = time.monotonic()
        child = subprocess.Popen(['umockdev-wrapper', PYTHON, __file__, '--app', str(app), '--out', str(out),
                                  '--child', name])
        try:
            rc = child.wait(SCENARIO_TIMEOUT)
        except subprocess.TimeoutExpired:
            child.terminate()  # the child cleans up what it started
            try:
                rc = child.wait(20)
            except subprocess.TimeoutExpired:
                child.kill()
                rc = child.wait()
        verdict = 'PASS' if rc == 0 else f'FAIL (exit status {rc})'
        print(f'=== {name}: {verdict} in {time.monotonic() - start:.1f} s', flush=True)
        if rc != 0:
            failed.append(name)
    print(f'screenshots and logs in {out}')
    if failed:
        print('FAILED: ' + ' '.join(failed))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
