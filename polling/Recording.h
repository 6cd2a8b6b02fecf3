// The measurement recording: every good reply becomes one row of Plot.db
// (the plot's rolling buffer) and of Signals.DB (current measurements, kept
// for CurrKeepTime hours), and a row of Arc.DB (the archive) when its alarm
// level reaches ArcLevel; then the counters and the views are told, and the
// alarm sound is started at the trip threshold.
//
// The recorder works on the main window's table handles and settings record
// and knows no widgets: what the status bar, the views and the plot window do
// with a new row goes through its listener, which the application provides.
#pragma once

#include "config/Settings.h"
#include "polling/Decode.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <array>

namespace orvex::store {
class Table;
}

namespace orvex::polling {

// Rows of Plot.db per unit: the plot shows the last 50 measurements of a
// channel, one row more gives it the line's start.
inline constexpr qint64 kPlotRowsPerUnit = 51;

// Number of measurements that `keepHours` hours of polling `units` units every
// `periodMs` milliseconds produce: keepHours x units x 3600 div the period in
// whole seconds, in 64 bits (648 000 at 120 h, 15 units, 10 s; the products of
// hand-edited values cannot overflow). A period below one second counts as one
// second and a unit count below one as one, so nothing divides by zero.
qint64 keepLimit(int keepHours, int units, int periodMs);

// Rows Plot.db keeps for `units` units.
qint64 plotLimit(int units);

// A channel value as stored: the value x 100 rounded half away from zero to
// an integer, divided by 100, as a double. The float is widened before the
// multiplication, so a decoded 0.29f (0.28999999165...) is stored as the
// double nearest 0.29.
double storedValue(float value);

// What happens around a recording besides the tables, told to whoever shows
// the counters, the views and the plot, and plays the sound. Every function
// does nothing until overridden. An interface, not signals: the recorder is
// a plain class below the widgets, and the sound file is a question it asks.
class RecordingListener {
public:
    virtual ~RecordingListener() = default;
    // Signals.DB holds `rows` rows after the append and the trim: the status
    // bar's third panel, the current-data view's counter and its move to the
    // newest row.
    virtual void currentCountChanged(qint64 rows) { (void)rows; }
    // A row of unit u went into Plot.db: the plot window redraws when it shows u.
    virtual void plotRowAdded(int unitNo) { (void)unitNo; }
    // Arc.DB holds `rows` rows after an archive append: the archive view's
    // counter and its move to the newest row, and the status bar's fourth panel.
    virtual void archiveCountChanged(qint64 rows) { (void)rows; }
    // The text of the options dialog's sound file field; the SoundFile setting
    // when empty.
    virtual QString soundFileText() { return {}; }
    // The shell's "open" of the sound file; must return at once.
    virtual void shellOpen(const QString &fileName) { (void)fileName; }
};

class MeasurementRecorder {
public:
    // The handles must be open (read-write) whenever a measurement arrives;
    // the settings are read on every call, so a changed setting applies to
    // the next measurement.
    MeasurementRecorder(store::Table &plotTable, store::Table &signalTable, store::Table &arcTable,
                        const config::TSettings &settings);

    // Who is told of each recording; none (the default) hears nothing and
    // plays no sound.
    void setListener(RecordingListener *listener) { m_listener = listener; }

    // Records one good reply of unit position u (1..15, not its address) with
    // its alarm level, its value array (channel 1 first) and the date and time
    // taken when the reply was read. A table error is raised after the rows
    // of the steps before it are stored; nothing of a failed step remains.
    // On a server the steps are one transaction: nothing of a failed
    // recording remains, and nothing of it was shown.
    void RecordMeasurement(int u, int alarmLevel, const std::array<float, kMaxChannels> &values,
                           const QDate &date, const QTime &time);

    // Starts the alarm sound Amount times when Sound_ON is on.
    void PlayAlarmSound();

private:
    void appendPlot(int u, const std::array<float, kMaxChannels> &values, int channels);
    void appendMeasurement(store::Table &table, int u, int alarmLevel,
                           const std::array<float, kMaxChannels> &values, int channels,
                           const QDate &date, const QTime &time);

    store::Table &m_plot;
    store::Table &m_signals;
    store::Table &m_arc;
    const config::TSettings &m_settings;
    RecordingListener *m_listener = nullptr;
};

} // namespace orvex::polling
