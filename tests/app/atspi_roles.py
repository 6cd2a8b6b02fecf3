#!/usr/bin/python3
# The program's main window as assistive technology sees it on the
# accessibility bus: a frame named by its caption. Starts the program from a
# copy in a temporary folder on a private virtual X server, with its
# accessibility bridge on; run it inside its own session bus:
#     dbus-run-session -- /usr/bin/python3 atspi_roles.py build/orvex01m
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import dbus

MAIN_CAPTION = 'СБОР ДАННЫХ С ГАЗОАНАЛИЗАТОРОВ "ОРВЕКС_01м"'
ACCESSIBLE = 'org.a11y.atspi.Accessible'
PROPERTIES = 'org.freedesktop.DBus.Properties'
DEADLINE = 30


def read_line(fd, seconds):
    end = time.monotonic() + seconds
    line = b''
    while time.monotonic() < end:
        ready, _, _ = select.select([fd], [], [], max(0.0, end - time.monotonic()))
        if not ready:
            continue
        c = os.read(fd, 1)
        if not c or c == b'\n':
            break
        line += c
    return line.decode()


def start_server():
    r, w = os.pipe()
    server = subprocess.Popen(['Xvfb', '-displayfd', str(w), '-screen', '0', '1280x1024x24',
                               '-nolisten', 'tcp'], pass_fds=[w],
                              stderr=subprocess.DEVNULL)
    os.close(w)
    number = read_line(r, DEADLINE)
    os.close(r)
    if not number:
        server.kill()
        sys.exit('Xvfb gave no display number')
    return server, ':' + number


def windows_of(bus, pid):
    """(role name, name) of each top-level window of the application `pid`."""
    root = bus.get_object('org.a11y.atspi.Registry', '/org/a11y/atspi/accessible/root')
    daemon = bus.get_object('org.freedesktop.DBus', '/org/freedesktop/DBus')
    for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
        try:
            if daemon.GetConnectionUnixProcessID(name, dbus_interface='org.freedesktop.DBus') != pid:
                continue
            app = bus.get_object(name, path)
            found = []
            for child_name, child_path in app.GetChildren(dbus_interface=ACCESSIBLE):
                child = bus.get_object(child_name, child_path)
                found.append((str(child.GetRoleName(dbus_interface=ACCESSIBLE)),
                              str(child.Get(ACCESSIBLE, 'Name', dbus_interface=PROPERTIES))))
            return found
        except dbus.DBusException:
            continue
    return []


def main():
    program = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp()
    server, display = start_server()
    app = None
    try:
        shutil.copy(program, os.path.join(folder, os.path.basename(program)))
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM='xcb',
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', QT_ACCESSIBILITY='1')
        app = subprocess.Popen([os.path.join(folder, os.path.basename(program))], cwd=folder,
                               env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        session = dbus.SessionBus()
        address = session.get_object('org.a11y.Bus', '/org/a11y/bus').GetAddress(
            dbus_interface='org.a11y.Bus')
        bus = dbus.bus.BusConnection(str(address))
        end = time.monotonic() + DEADLINE
        windows = []
        while time.monotonic() < end:
            windows = windows_of(bus, app.pid)
            if any(name == MAIN_CAPTION for _, name in windows):
                break
            time.sleep(0.1)
        print('windows on the accessibility bus:', windows)
        main_roles = [role for role, name in windows if name == MAIN_CAPTION]
        if main_roles != ['frame']:
            sys.exit('the main window is %s, not one frame named by its caption' % main_roles)
        print('the main window is a frame named by its caption')
    finally:
        if app:
            app.send_signal(signal.SIGTERM)
            try:
                app.wait(10)
            except subprocess.TimeoutExpired:
                app.kill()
        server.terminate()
        server.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == '__main__':
    main()
