"""The soak's findings: the simulator's line log against Signals.DB, the
tables' integrity, and the resource samples reduced to the figures that say
whether a long run builds anything up. Plain functions, so they can be tested
without a run (tools/soak/test_soakcheck.py)."""

import csv
import datetime as dt
import os
import sqlite3

TABLE_FILES = ["Signals.DB", "Arc.DB", "Units.DB", "Sensors.DB", "Plot.db"]

# A stored row carries the time of day to whole seconds, taken when the read
# tick starts (a quarter of a second after the reply went out, later when the
# machine is loaded). A unit is polled again only after every other unit, so
# within this window a unit has one poll at most.
MATCH_BEFORE_S = 1
MATCH_AFTER_S = 3


def parse_line_log(path):
    """Replies the simulator logged: a list of dicts with ms, address, what
    ("ok", "unsure", or a misbehaviour) and, for normal replies, the eight
    channel bytes."""
    replies = []
    with open(path, encoding="ascii", errors="replace") as f:
        for line in f:
            parts = line.split()
            if len(parts) < 3:
                continue  # a line cut off by a kill
            try:
                entry = {"ms": int(parts[0]), "address": int(parts[1]), "what": parts[2]}
                if parts[2] in ("ok", "unsure"):
                    if len(parts) != 11:
                        continue
                    entry["values"] = tuple(int(p) for p in parts[3:11])
            except ValueError:
                continue
            replies.append(entry)
    return replies


def in_any(ms, windows):
    return any(start <= ms <= end for start, end in windows)


def read_signals(db_path):
    """Signals rows as (Meas_IDX, UnitNo, epoch seconds, D1..D8 tuple)."""
    con = sqlite3.connect(f"file:{db_path}?mode=ro", uri=True)
    try:
        rows = con.execute(
            'SELECT "Meas_IDX", "UnitNo", "Date", "Time", "D1", "D2", "D3", "D4", '
            '"D5", "D6", "D7", "D8" FROM "Signals"'
        ).fetchall()
    finally:
        con.close()
    result = []
    for r in rows:
        stamp = dt.datetime.strptime(f"{r[2]} {r[3]}", "%Y-%m-%d %H:%M:%S")
        seconds = int(stamp.replace(tzinfo=dt.timezone.utc).timestamp())
        values = tuple(0 if v is None else v for v in r[4:12])
        result.append((r[0], r[1], seconds, values))
    return result


def match_replies(replies, rows, healthy_windows, address_to_unit):
    """Each normal reply sent inside a healthy window must be in Signals once.
    Returns a dict with the counts and up to ten examples of each fault."""
    by_unit = {}
    for row in rows:
        by_unit.setdefault(row[1], []).append(row)
    expected = [
        r
        for r in replies
        if r["what"] == "ok" and in_any(r["ms"], healthy_windows) and r["address"] in address_to_unit
    ]
    missing, found, doubled = [], 0, []
    used = {}
    for r in expected:
        unit = address_to_unit[r["address"]]
        second = r["ms"] // 1000
        hits = [
            row
            for row in by_unit.get(unit, [])
            if second - MATCH_BEFORE_S <= row[2] <= second + MATCH_AFTER_S
            and tuple(round(v, 2) for v in row[3]) == tuple(float(v) for v in r["values"])
        ]
        if not hits:
            missing.append(r)
            continue
        found += 1
        if len(hits) > 1:
            doubled.append((r, [h[0] for h in hits]))
        for h in hits:
            used[h[0]] = used.get(h[0], 0) + 1
    # The same row claimed by two replies means two replies look alike; the
    # same reply stored twice shows as two rows with one unit, time and values.
    seen, twice = {}, []
    for row in rows:
        key = (row[1], row[2], row[3])
        if key in seen:
            twice.append((seen[key], row[0]))
        seen[key] = row[0]
    return {
        "expected": len(expected),
        "found": found,
        "missing": len(missing),
        "missing_examples": missing[:10],
        "matched_twice": len(doubled),
        "stored_twice": len(twice),
        "stored_twice_examples": twice[:10],
    }


def integrity(database_dir):
    """PRAGMA integrity_check of every table file: {file: "ok" or the text}."""
    result = {}
    for name in TABLE_FILES:
        path = os.path.join(database_dir, name)
        try:
            con = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
            try:
                rows = con.execute("PRAGMA integrity_check").fetchall()
            finally:
                con.close()
            result[name] = "; ".join(str(r[0]) for r in rows)
        except sqlite3.Error as e:
            result[name] = f"error: {e}"
    return result


def read_samples(path):
    with open(path, newline="") as f:
        return [
            {k: (float(v) if k != "phase" else v) for k, v in row.items()}
            for row in csv.DictReader(f)
        ]


def slope_per_hour(points):
    """Least-squares slope of (seconds, value) points, per hour."""
    n = len(points)
    if n < 2:
        return 0.0
    mx = sum(p[0] for p in points) / n
    my = sum(p[1] for p in points) / n
    sxx = sum((p[0] - mx) ** 2 for p in points)
    if sxx == 0:
        return 0.0
    sxy = sum((p[0] - mx) * (p[1] - my) for p in points)
    return sxy / sxx * 3600.0


def settled(values):
    """The most common of the values; the latest among equally common ones."""
    return max(reversed(values), key=values.count)


def resource_summary(samples, warmup_s, faults):
    """Memory growth after the warm-up and over the second half of the time
    after it (growth that levels off, as bounded caches filling, shows in the
    first and not in the second), and descriptors/threads at the start
    against their values once each fault is over (the last healthy sample
    before the next fault, or before the end)."""
    after = [s for s in samples if s["t"] >= warmup_s]
    rss_slope = slope_per_hour([(s["t"], s["rss_kib"] / 1024.0) for s in after])
    late_from = (after[0]["t"] + after[-1]["t"]) / 2 if after else 0.0
    late_slope = slope_per_hour([(s["t"], s["rss_kib"] / 1024.0) for s in after if s["t"] >= late_from])
    has_anon = bool(after) and "anon_kib" in after[0]
    anon = [(s["t"], s["anon_kib"] / 1024.0) for s in after] if has_anon else []
    healthy = [s for s in samples if s["phase"] == "healthy"]
    base = next((s for s in healthy if s["t"] >= min(warmup_s, healthy[-1]["t"])), None) if healthy else None
    checks = []
    for i, f in enumerate(faults):
        end = faults[i + 1]["start_s"] if i + 1 < len(faults) else float("inf")
        calm = [s for s in healthy if f["end_s"] < s["t"] < end]
        if not calm or base is None:
            continue
        # The most common value of the last samples before the next fault: a
        # file the program opens for a moment (a sort's temporary file) may
        # be caught by one sample; a descriptor left behind is in all of them.
        fds = settled([int(s["fds"]) for s in calm[-5:]])
        threads = settled([int(s["threads"]) for s in calm[-5:]])
        checks.append(
            {
                "fault": f["kind"],
                "at_s": f["start_s"],
                "fds": fds,
                "threads": threads,
                "fds_back": fds == int(base["fds"]),
                "threads_back": threads == int(base["threads"]),
            }
        )
    wal_keys = [k for k in (samples[0].keys() if samples else []) if k.startswith("wal_")]
    return {
        "rss_start_mib": (after[0]["rss_kib"] / 1024.0) if after else 0.0,
        "rss_end_mib": (after[-1]["rss_kib"] / 1024.0) if after else 0.0,
        "rss_max_mib": max((s["rss_kib"] for s in samples), default=0) / 1024.0,
        "rss_growth_mib_per_h": rss_slope,
        "rss_growth_late_mib_per_h": late_slope,
        "late_from_s": late_from,
        "anon_growth_mib_per_h": slope_per_hour(anon) if has_anon else None,
        "anon_growth_late_mib_per_h": slope_per_hour([p for p in anon if p[0] >= late_from]) if has_anon else None,
        "fds_start": int(base["fds"]) if base else 0,
        "threads_start": int(base["threads"]) if base else 0,
        "fds_max": int(max((s["fds"] for s in samples), default=0)),
        "threads_max": int(max((s["threads"] for s in samples), default=0)),
        "cpu_mean_pct": sum(s["cpu_pct"] for s in after) / len(after) if after else 0.0,
        "after_faults": checks,
        "wal_max_kib": {k[4:]: max(s[k] for s in samples) / 1024.0 for k in wal_keys},
    }


def plot(samples, faults, png_path, title):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    t = [s["t"] / 60.0 for s in samples]
    wal_keys = [k for k in samples[0].keys() if k.startswith("wal_")]
    panels = [
        ("resident memory, MiB", [([s["rss_kib"] / 1024.0 for s in samples], "RSS")]),
    ]
    if "anon_kib" in samples[0]:
        panels.append(("anonymous memory, MiB", [([s["anon_kib"] / 1024.0 for s in samples], "anonymous")]))
    panels += [
        ("open descriptors", [([s["fds"] for s in samples], "fds")]),
        ("threads", [([s["threads"] for s in samples], "threads")]),
        ("CPU, %", [([s["cpu_pct"] for s in samples], "CPU")]),
        ("WAL files, KiB", [([s[k] / 1024.0 for s in samples], k[4:]) for k in wal_keys]),
    ]
    colours = {"line": "#f4a0a0", "disk": "#a0c4f4", "readonly": "#c4f4a0"}
    fig, axes = plt.subplots(len(panels), 1, figsize=(10, 11), sharex=True, dpi=72)
    for ax, (label, series) in zip(axes, panels):
        for f in faults:
            ax.axvspan(f["start_s"] / 60.0, f["end_s"] / 60.0, color=colours.get(f["kind"], "#ddd"), lw=0)
        for values, name in series:
            ax.plot(t, values, lw=1, label=name)
        ax.set_ylabel(label, fontsize=8)
        ax.grid(True, lw=0.3)
        if len(series) > 1:
            ax.legend(fontsize=7, loc="upper left")
    axes[0].set_title(title + "  (red: line dead, blue: disk full, green: read-only)", fontsize=9)
    axes[-1].set_xlabel("minutes")
    fig.tight_layout()
    fig.savefig(png_path)
    plt.close(fig)
