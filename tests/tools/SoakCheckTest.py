"""The soak's judgement without a run: the simulator's line log against a real
Signals table (a reply lost, stored twice, stored with other values, outside
the healthy time), a log cut off by a kill, and the resource figures (memory
growth per hour, descriptors back after a fault)."""

import os
import sqlite3
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "soak"))
import soakcheck  # noqa: E402

# 2026-01-02 03:04:05 UTC
BASE_S = 1767323045


def signals_db(folder, rows):
    path = os.path.join(folder, "Signals.DB")
    con = sqlite3.connect(path)
    con.execute(
        'CREATE TABLE "Signals" ("Meas_IDX" INTEGER PRIMARY KEY AUTOINCREMENT, "UnitNo" INTEGER, '
        '"Alarm" INTEGER, "Date" TEXT, "Time" TEXT, "D1" REAL, "D2" REAL, "D3" REAL, "D4" REAL, '
        '"D5" REAL, "D6" REAL, "D7" REAL, "D8" REAL)'
    )
    for unit, seconds, values in rows:
        date = "2026-01-02"
        s = seconds - 1767312000  # since midnight
        time = f"{s // 3600:02d}:{s % 3600 // 60:02d}:{s % 60:02d}"
        con.execute(
            'INSERT INTO "Signals" ("UnitNo", "Alarm", "Date", "Time", "D1", "D2", "D3", "D4", "D5", '
            '"D6", "D7", "D8") VALUES (?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)',
            (unit, date, time) + tuple(float(v) for v in values),
        )
    con.commit()
    con.close()
    return path


class LogAgainstSignals(unittest.TestCase):
    def test_lost_doubled_altered_and_unhealthy_replies(self):
        v1, v2, v3, v4 = (1, 2, 3, 4, 5, 6, 7, 8), (9, 9, 9, 9, 9, 9, 9, 9), (7,) * 8, (250,) * 8
        replies = [
            {"ms": BASE_S * 1000 + 700, "address": 1, "what": "ok", "values": v1},  # stored 1 s later
            {"ms": (BASE_S + 5) * 1000, "address": 2, "what": "ok", "values": v2},  # stored twice
            {"ms": (BASE_S + 10) * 1000, "address": 3, "what": "ok", "values": v3},  # lost
            {"ms": (BASE_S + 12) * 1000, "address": 4, "what": "ok", "values": v4},  # other values stored
            {"ms": (BASE_S + 20) * 1000, "address": 5, "what": "ok", "values": v1},  # in a fault
            {"ms": (BASE_S + 21) * 1000, "address": 6, "what": "unsure", "values": v1},
            {"ms": (BASE_S + 22) * 1000, "address": 7, "what": "badcrc"},
        ]
        with tempfile.TemporaryDirectory() as folder:
            path = signals_db(
                folder,
                [
                    (1, BASE_S + 1, v1),
                    (2, BASE_S + 5, v2),
                    (2, BASE_S + 5, v2),
                    (4, BASE_S + 12, (250, 250, 250, 250, 250, 250, 250, 251)),
                    (3, BASE_S + 16, v3),  # too late to be the poll of second 10
                ],
            )
            rows = soakcheck.read_signals(path)
        windows = [(BASE_S * 1000, (BASE_S + 19) * 1000), ((BASE_S + 21) * 1000, (BASE_S + 30) * 1000)]
        result = soakcheck.match_replies(replies, rows, windows, {n: n for n in range(1, 16)})
        self.assertEqual(result["expected"], 4)
        self.assertEqual(result["found"], 2)
        self.assertEqual(result["missing"], 2)
        self.assertEqual(sorted(r["address"] for r in result["missing_examples"]), [3, 4])
        self.assertEqual(result["matched_twice"], 1)
        self.assertEqual(result["stored_twice"], 1)

    def test_a_log_cut_off_by_a_kill_keeps_its_whole_lines(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "line.log")
            with open(path, "w") as f:
                f.write("1000 1 ok 1 2 3 4 5 6 7 8\n1500 2 late\n2000 3 ok 1 2 3")
            replies = soakcheck.parse_line_log(path)
        self.assertEqual([r["address"] for r in replies], [1, 2])
        self.assertEqual(replies[0]["values"], (1, 2, 3, 4, 5, 6, 7, 8))


class Resources(unittest.TestCase):
    def samples(self, rss_mib_per_h, fds_after_fault):
        rows = []
        for i in range(0, 1800):
            t = float(i * 2)
            in_fault = 1000 <= t < 1100
            rows.append(
                {
                    "t": t,
                    "rss_kib": 50 * 1024 + rss_mib_per_h * 1024 * t / 3600,
                    "fds": 40 if t < 1000 else (45 if in_fault else fds_after_fault),
                    "threads": 5,
                    "cpu_pct": 3.0,
                    "wal_Signals.DB": 4096.0 * (i % 10),
                    "phase": "line" if in_fault else "healthy",
                }
            )
        return rows

    def test_growth_per_hour_and_descriptors_back_after_a_fault(self):
        faults = [{"kind": "line", "start_s": 1000.0, "end_s": 1100.0}]
        flat = soakcheck.resource_summary(self.samples(0.5, 40), 180, faults)
        self.assertAlmostEqual(flat["rss_growth_mib_per_h"], 0.5, places=3)
        self.assertTrue(flat["after_faults"][0]["fds_back"])
        self.assertAlmostEqual(flat["wal_max_kib"]["Signals.DB"], 36.0)
        # A descriptor open for a moment, caught by one sample, is no leak.
        blip = self.samples(0.5, 40)
        blip[-1]["fds"] = 41
        self.assertTrue(soakcheck.resource_summary(blip, 180, faults)["after_faults"][0]["fds_back"])
        leaking = soakcheck.resource_summary(self.samples(3.0, 41), 180, faults)
        self.assertAlmostEqual(leaking["rss_growth_mib_per_h"], 3.0, places=3)
        self.assertAlmostEqual(leaking["rss_growth_late_mib_per_h"], 3.0, places=3)
        self.assertFalse(leaking["after_faults"][0]["fds_back"])

    def test_growth_that_levels_off_is_told_from_steady_growth(self):
        # Caches filling for the first 20 minutes after the warm-up, then flat.
        rows = self.samples(0.0, 40)
        for r in rows:
            r["rss_kib"] += 1024 * min(max(r["t"] - 180, 0), 1200) / 1200
        for r in rows:
            r["anon_kib"] = r["rss_kib"] - 40 * 1024
        s = soakcheck.resource_summary(rows, 180, [])
        self.assertGreater(s["rss_growth_mib_per_h"], 0.5)
        self.assertAlmostEqual(s["anon_growth_late_mib_per_h"], 0.0, places=3)
        self.assertIsNone(soakcheck.resource_summary(self.samples(0.5, 40), 180, [])["anon_growth_mib_per_h"])
        self.assertAlmostEqual(s["rss_growth_late_mib_per_h"], 0.0, places=3)
        self.assertAlmostEqual(s["late_from_s"], (180 + 3598) / 2)


if __name__ == "__main__":
    unittest.main()
