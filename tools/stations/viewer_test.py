#!/usr/bin/python3
"""The viewing workstation's verdicts: a viewer that did not follow, did not
switch, was restarted or wrote something must never be reported as passing.
Run: /usr/bin/python3 tools/stations/viewer_test.py"""

import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import viewer  # noqa: E402

GOOD = {"pid": 42, "start": ("ORVEX_01", 30, 0), "a": (88, 90), "b_chosen": True, "b_viewed": "ORVEX_02",
        "b": (150, 152), "c_viewed": "ORVEX_02", "c": (210, 210), "c_up": 40}


class Verdicts(unittest.TestCase):
    def test_a_run_that_followed_switched_and_recovered_passes(self):
        self.assertEqual(viewer.verdicts(dict(GOOD), 42), (True, True, True))

    def test_a_viewer_that_did_not_follow_fails_the_step_concerned(self):
        # The counter never rose, or it rose but trails the station by far.
        self.assertFalse(viewer.verdicts(dict(GOOD, a=(30, 90)), 42)[0])
        self.assertFalse(viewer.verdicts(dict(GOOD, a=(60, 90)), 42)[0])
        # A counter above the station's rows counts something else.
        self.assertFalse(viewer.verdicts(dict(GOOD, b=(160, 152)), 42)[1])
        # Still station 1's counter after the switch: far below station 2's rows.
        self.assertFalse(viewer.verdicts(dict(GOOD, c=(150, 210)), 42)[2])

    def test_a_switch_is_judged_by_what_the_window_shows(self):
        self.assertFalse(viewer.verdicts(dict(GOOD, b_viewed="ORVEX_01"), 42)[1])
        self.assertFalse(viewer.verdicts(dict(GOOD, b_chosen=False), 42)[1])
        self.assertFalse(viewer.verdicts(dict(GOOD, c_viewed="ORVEX_01"), 42)[2])

    def test_after_the_server_restart_the_same_process_must_follow_new_rows(self):
        self.assertFalse(viewer.verdicts(dict(GOOD), 43)[2])  # restarted
        self.assertFalse(viewer.verdicts(dict(GOOD), None)[2])  # gone
        self.assertFalse(viewer.verdicts(dict(GOOD, c_up=0), 42)[2])  # nothing recorded since
        self.assertFalse(viewer.verdicts(dict(GOOD, c=(150, 150)), 42)[2])  # counter did not rise

    def test_steps_that_never_ran_fail_without_raising(self):
        self.assertEqual(viewer.verdicts({"pid": 42, "start": (None, None, None)}, 42), (False, False, False))
        self.assertEqual(viewer.verdicts({}, None), (False, False, False))


class WriteAttempts(unittest.TestCase):
    def test_only_the_viewers_writes_and_refusals_count(self):
        log = ("2026-12-10 03:50:01.1 UTC [11] orvex@orvex LOG:  execute <unnamed>: INSERT INTO station1.\"Signals\"\n"
               "2026-12-10 03:50:01.2 UTC [12] control1@orvex LOG:  connection authorized: user=control1\n"
               "2026-12-10 03:50:01.3 UTC [12] control1@orvex LOG:  execute qpsqlpstmt_1: DELETE FROM x\n"
               "2026-12-10 03:50:01.4 UTC [12] control1@orvex ERROR:  permission denied for table Signals\n"
               "2026-12-10 03:50:01.5 UTC [13] control10@orvex LOG:  statement: UPDATE y\n"
               "2026-12-10 03:50:01.6 UTC [12] control1@orvex ERROR:  cannot execute INSERT in a "
               "read-only transaction\n")
        with tempfile.NamedTemporaryFile("w", suffix=".log", delete=False, encoding="utf-8") as f:
            f.write(log)
        try:
            found = viewer.write_attempts(f.name)
        finally:
            os.unlink(f.name)
        self.assertEqual(len(found), 3)
        self.assertTrue(all(" control1@orvex " in line for line in found))


class Panels(unittest.TestCase):
    def test_counters_are_read_from_the_panel_texts(self):
        self.assertEqual(viewer.counter("Текущих записей: 1234", viewer.CURRENT_PREFIX), 1234)
        self.assertIsNone(viewer.counter("Текущих записей: ", viewer.CURRENT_PREFIX))
        self.assertIsNone(viewer.counter("Записей в архиве: 5", viewer.CURRENT_PREFIX))


if __name__ == "__main__":
    unittest.main()
