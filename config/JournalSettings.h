// The event journal's settings, kept in their own section [Journal] of the
// settings file (the other sections are written as they always were), and
// the comparison of two settings records that names what an options run
// changed.
#pragma once

#include "config/Settings.h"

#include <QStringList>

namespace orvex::config {

struct JournalSettings {
    int LossPolls = 3;      // consecutive failed polls after which a unit is lost, 1..99
    bool Latch = false;     // the alarm sound repeats until acknowledged
    bool LossSound = false; // a lost unit sounds like a trip
    bool Marks = false;     // unacknowledged alarms mark the unit's header

    friend bool operator==(const JournalSettings &, const JournalSettings &) = default;
};

// Reads [Journal]; missing keys give the defaults, LossPolls is clamped.
JournalSettings loadJournalSettings(const QString &path = settingsFilePath());
// Writes [Journal], keeping every other line of the file. Raises
// ProfileWriteError.
void saveJournalSettings(const JournalSettings &settings, const QString &path = settingsFilePath());

// The settings-file keys whose values differ between two records, as
// "Key: old → new", in the file's order. Window places and the options
// dialog's row cursor are not settings an operator changes and are left out.
QStringList settingsChanges(const TSettings &before, const TSettings &after);

} // namespace orvex::config
