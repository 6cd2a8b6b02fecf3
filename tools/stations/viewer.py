"""The viewing workstation of the stations demonstration: a third program
folder with ViewOnly=1 whose aliases name both stations' schemas and log in
with the site's viewer role. It is watched as an operator watches it, through
what its main window shows: the status panels are read from the
accessibility tree (every panel exposes its text as its accessible name), and
"СТАНЦИЯ" is opened and an alias chosen with mouse clicks at the places the
accessibility tree gives for them."""

import os
import re
import shutil
import subprocess
import time

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
COMPONENT = "org.a11y.atspi.Component"
PROPERTIES = "org.freedesktop.DBus.Properties"
VIEWING_PREFIX = "Просмотр: "
CURRENT_PREFIX = "Текущих записей: "
ARCHIVE_PREFIX = "Записей в архиве: "
STATION_MENU = "СТАНЦИЯ"
VIEWER_LOGIN = "control1"
ALIASES = ("ORVEX_01", "ORVEX_02")


class AccessibilityBus:
    """A private session bus for the viewer and the accessibility bus that
    the session's launcher starts for it."""

    def __init__(self, folder):
        self.daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, cwd=folder)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            raise RuntimeError("dbus-daemon gave no address")
        self.bus = None

    def connect(self):
        if self.bus is None:
            session = dbus.bus.BusConnection(self.address)
            a11y = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
            self.bus = dbus.bus.BusConnection(str(a11y))
        return self.bus

    def application(self, pid):
        """The (bus name, path) of the application `pid`, or None."""
        bus = self.connect()
        root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
        daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
            try:
                if daemon.GetConnectionUnixProcessID(name, dbus_interface="org.freedesktop.DBus") == pid:
                    return name, path
            except dbus.DBusException:
                continue
        return None

    def nodes(self, pid, depth=12):
        """(role, name, object) of every accessible of the application `pid`."""
        app = self.application(pid)
        if not app:
            return []
        found, todo = [], [(app, 0)]
        while todo:
            (name, path), level = todo.pop()
            try:
                obj = self.bus.get_object(name, path)
                role = str(obj.GetRoleName(dbus_interface=ACCESSIBLE))
                label = str(obj.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES))
                found.append((role, label, obj))
                if level < depth:
                    todo += [((n, p), level + 1) for n, p in obj.GetChildren(dbus_interface=ACCESSIBLE)]
            except dbus.DBusException:
                continue
        return found

    def close(self):
        if self.daemon.poll() is None:
            self.daemon.terminate()
            self.daemon.wait()


def extents(obj):
    """Screen rectangle (x, y, w, h) of an accessible."""
    return tuple(int(v) for v in obj.GetExtents(dbus.UInt32(0), dbus_interface=COMPONENT))


# How far the viewer's counter may trail the station's rows when read: a few
# seconds of recording by three units.
LAG_ROWS = 12


def near(shown, rows):
    """True when the counter shown is the station's row count or trails it
    by at most a few seconds' rows."""
    return shown is not None and rows is not None and rows - LAG_ROWS <= shown <= rows


def verdicts(view, pid_now):
    """(a, b, c) from what the viewer showed at each check: (a) its counter
    rose while it viewed station 1 and then matched station 1's rows; (b) it
    was switched through the menu, names station 2 and its counter matches
    station 2's rows; (c) still the same process, still on station 2, its
    counter rose after the server restart, matching rows recorded since."""
    start = view.get("start") or (None, None, None)
    a, b, c = view.get("a") or (None, None), view.get("b") or (None, None), view.get("c") or (None, None)
    a_ok = near(*a) and start[1] is not None and a[0] > start[1]
    b_ok = bool(view.get("b_chosen")) and view.get("b_viewed") == ALIASES[1] and near(*b)
    c_ok = (view.get("c_viewed") == ALIASES[1] and near(*c) and b[0] is not None and c[0] > b[0]
            and view.get("c_up", 0) > 0 and pid_now is not None and pid_now == view.get("pid"))
    return a_ok, b_ok, c_ok


def counter(text, prefix):
    m = re.fullmatch(re.escape(prefix) + r"(\d+)", text or "")
    return int(m.group(1)) if m else None


class Viewer:
    """The viewing workstation's folder, its program and what it shows."""

    def __init__(self, demo):
        self.demo = demo
        self.prog = os.path.join(demo.out, "viewer")
        self.app = None
        self.main_id = None
        self.a11y = None

    def install(self, server, stations):
        subprocess.run(["cmake", "--install", self.demo.args.build, "--prefix", self.prog], check=True,
                       stdout=subprocess.DEVNULL)
        shutil.rmtree(os.path.join(self.prog, "Database"), ignore_errors=True)
        # The site's roles, as the administrator makes them; the viewer's
        # login may read every station's schema and write none.
        orvexdb = os.path.join(self.prog, "orvexdb")
        for s in stations:
            subprocess.run([orvexdb, "--roles", server.uri(s.schema), "--apply"], check=True,
                           stdout=subprocess.DEVNULL)
        server.psql(f"CREATE ROLE {VIEWER_LOGIN} LOGIN; GRANT orvex_viewer TO {VIEWER_LOGIN}")
        # Every data-changing or schema-changing statement of the viewer's
        # login lands in the server's log: the log shows what it tried.
        server.psql(f"ALTER ROLE {VIEWER_LOGIN} SET log_statement = 'mod'")
        with open(os.path.join(self.prog, "database.aliases"), "w", encoding="utf-8") as f:
            for alias, s in zip(ALIASES, stations):
                f.write(f"{alias} = {server.uri(s.schema, VIEWER_LOGIN)}\n")
        lines = ["[Main]", "Top=0", "Left=1920", "Height=700", "Width=940", "ChannalsMaxAmount=8", "UnitsAmount=3",
                 "CurUnit=1", "Period=1", "CurrKeepTime=24", "ArcLevel=1", "ScanShow=1", "%L2_ON=0", "ShowHint=0",
                 "ShowHint2=0", "ShowHint3=0", "-=-", "[Connection]", "No=1", "Speed=19200 (003)", "-=-", "[Sound]",
                 "Sound_ON=0", "AutoRep=0", "Amount=1", "SoundFile=\\Sound\\Beep.wav", "-=-", "[Database]",
                 "ViewOnly=1"]
        with open(os.path.join(self.prog, "orvex01m.INI"), "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode("cp1251"))

    def start(self):
        self.a11y = AccessibilityBus(self.prog)
        env = dict(self.demo.env, DBUS_SESSION_BUS_ADDRESS=self.a11y.address, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_ACCESSIBILITY="1")
        out = open(os.path.join(self.demo.out, "viewer.log"), "a")
        self.app = subprocess.Popen([os.path.join(self.prog, "orvex01m")], env=env, cwd=self.prog,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        self.pid = self.app.pid
        end = time.time() + 40
        while time.time() < end:
            if self.viewed() is not None:
                return
            time.sleep(0.3)
        raise RuntimeError("the viewer's main window did not appear on the accessibility bus")

    def panels(self):
        """The texts of the viewer's labels (its status panels among them)."""
        try:
            return [name for role, name, _ in self.a11y.nodes(self.app.pid) if role == "label"]
        except dbus.DBusException:
            return []

    def status(self):
        """(station viewed, current rows, archive rows) as the status bar shows them."""
        viewed = current = archive = None
        for text in self.panels():
            if text.startswith(VIEWING_PREFIX):
                viewed = text[len(VIEWING_PREFIX):]
            current = counter(text, CURRENT_PREFIX) if current is None else current
            archive = counter(text, ARCHIVE_PREFIX) if archive is None else archive
        return viewed, current, archive

    def viewed(self):
        return self.status()[0]

    def current(self):
        return self.status()[1]

    def close_boxes(self):
        return self.demo.close_boxes_of(self.app.pid)

    def choose_station(self, alias):
        """Opens "СТАНЦИЯ" and clicks `alias`, as the operator does."""
        xdo = self.demo.xdo
        main = xdo("search", "--all", "--onlyvisible", "--pid", str(self.app.pid), "--name", "^" + "СБОР").split()
        if main:
            xdo("windowactivate", "--sync", main[0])
        for _ in range(5):
            menu = [obj for role, name, obj in self.a11y.nodes(self.app.pid) if name == STATION_MENU
                    and role in ("menu", "menu item")]
            if not menu:
                time.sleep(0.5)
                continue
            x, y, w, h = extents(menu[0])
            xdo("mousemove", str(x + w // 2), str(y + h // 2), "click", "1")
            time.sleep(0.7)
            items = []
            for role, name, obj in self.a11y.nodes(self.app.pid):
                if name == alias and "menu item" in role:
                    r = extents(obj)
                    if r[2] > 0 and r[3] > 0 and r[1] > y:
                        items.append(r)
            if items:
                x, y, w, h = items[0]
                xdo("mousemove", str(x + w // 2), str(y + h // 2), "click", "1")
                time.sleep(0.5)
                return True
            xdo("key", "Escape")
            time.sleep(0.5)
        return False

    def follows(self, count_of, seconds):
        """Waits up to `seconds` for the viewer's current-data counter to
        come within a few seconds' rows of the station's row count; returns
        (counter, station's count)."""
        end = time.time() + seconds
        shown = rows = None
        while time.time() < end:
            shown = self.current()
            rows = count_of()
            if near(shown, rows):
                return shown, rows
            time.sleep(0.5)
        return shown, rows

    def stop(self):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        if self.a11y:
            self.a11y.close()


def write_attempts(server_log):
    """Lines of the server's log where the viewer's login ran or tried a
    statement that changes data or tables, or was refused a write."""
    found = []
    with open(server_log, encoding="utf-8", errors="replace") as f:
        for line in f:
            if f" {VIEWER_LOGIN}@" not in line:
                continue
            if ("statement:" in line or "execute" in line or "permission denied" in line
                    or "read-only transaction" in line):
                found.append(line.strip())
    return found


def write_rights(server, schemas):
    """Tables of `schemas` that the viewer's login may change in any way."""
    names = ",".join(f"'{s}'" for s in schemas)
    out = server.psql("SELECT schemaname || '.' || tablename FROM pg_tables WHERE schemaname IN (" + names + ") AND "
                      f"has_table_privilege('{VIEWER_LOGIN}', quote_ident(schemaname) || '.' || quote_ident(tablename), "
                      "'INSERT, UPDATE, DELETE, TRUNCATE')")
    return out.split()
