// The measurement recording. On table files each table's part runs in its
// own short transaction on that table's connection: the append and the trim
// of a table cost one commit, and a failure leaves the rows of the earlier
// tables stored and nothing of the failed one. On a server, where the tables
// of the station's schema share a connection, the three parts are one
// transaction: the measurement is stored in all its tables or in none, and
// it is shown (counters, plot, alarm) only once that transaction committed.
#include "polling/Recording.h"

#include "store/Table.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace orvex::polling {

namespace {

namespace fields = store::fields;

// Field positions of channel 1 in Plot.db and Arc.DB.
constexpr int kPlotFirstChannelField = store::plotPos::D1;
constexpr int kArcFirstChannelField = store::measurementPos::D1;

int clampedUnits(int units) {
    return std::clamp(units, 1, config::kMaxUnits);
}

int clampedChannels(int channels) {
    return std::clamp(channels, 1, kMaxChannels);
}

// A row whose post failed is given up, so the next append does not try to
// post it again.
template <typename F> void withRow(store::Table &table, F &&body) {
    try {
        body();
    } catch (...) {
        if (table.state() == store::Table::State::Insert)
            table.cancel();
        throw;
    }
}

} // namespace

qint64 keepLimit(int keepHours, int units, int periodMs) {
    const qint64 periodSeconds = std::max<qint64>(periodMs / 1000, 1);
    return qint64(keepHours) * std::max(units, 1) * 3600 / periodSeconds;
}

qint64 plotLimit(int units) {
    return kPlotRowsPerUnit * std::max(units, 1);
}

double storedValue(float value) {
    return std::round(double(value) * 100.0) / 100.0;
}

MeasurementRecorder::MeasurementRecorder(store::Table &plotTable, store::Table &signalTable,
                                         store::Table &arcTable, const config::TSettings &settings)
    : m_plot(plotTable), m_signals(signalTable), m_arc(arcTable), m_settings(settings) {}

void MeasurementRecorder::appendPlot(int u, const std::array<float, kMaxChannels> &values,
                                     int channels) {
    store::Transaction transaction(m_plot);
    withRow(m_plot, [&] {
        m_plot.append();
        m_plot.setValue(fields::UnitNo, u);
        for (int ch = 1; ch <= channels; ++ch)
            m_plot.setValue(kPlotFirstChannelField + ch - 1, storedValue(values[ch - 1]));
        m_plot.post();
    });
    // The oldest rows of all units together go; after a lowered unit count
    // the whole excess goes in one statement.
    m_plot.trimTo(plotLimit(clampedUnits(m_settings.UnitsAmount)));
    transaction.commit();
}

void MeasurementRecorder::appendMeasurement(store::Table &table, int u, int alarmLevel,
                                            const std::array<float, kMaxChannels> &values,
                                            int channels, const QDate &date, const QTime &time) {
    withRow(table, [&] {
        table.append();
        table.setValue(fields::UnitNo, u);
        table.setValue(fields::Alarm, alarmLevel);
        table.setValue(fields::Date, date);
        table.setValue(fields::Time, time);
        // Signals.DB by field name, Arc.DB by field position.
        const bool byName = &table == &m_signals;
        for (int ch = 1; ch <= channels; ++ch) {
            const double v = storedValue(values[ch - 1]);
            if (byName)
                table.setValue(fields::channel(ch), v);
            else
                table.setValue(kArcFirstChannelField + ch - 1, v);
        }
        table.post();
    });
}

void MeasurementRecorder::RecordMeasurement(int u, int alarmLevel,
                                            const std::array<float, kMaxChannels> &values,
                                            const QDate &date, const QTime &time) {
    const int channels = clampedChannels(m_settings.ChannalsMaxAmount);
    const int units = clampedUnits(m_settings.UnitsAmount);

    // One transaction for all three tables where they share a connection;
    // the per-table transactions below then join it. What the program shows
    // of the measurement waits for its commit there, and is dropped when the
    // recording fails; on files each part shows as soon as it is stored.
    store::TransactionGroup recording({&m_plot, &m_signals, &m_arc});
    std::vector<std::function<void()>> shown;
    auto show = [&](std::function<void()> step) {
        if (recording.isShared())
            shown.push_back(std::move(step));
        else
            step();
    };

    // The plot's rolling buffer.
    appendPlot(u, values, channels);

    // Current measurements, trimmed to the keep limit from the oldest end.
    {
        store::Transaction transaction(m_signals);
        appendMeasurement(m_signals, u, alarmLevel, values, channels, date, time);
        m_signals.trimTo(keepLimit(m_settings.CurrKeepTime, units, m_settings.PeriodMs));
        transaction.commit();
    }

    // Counters of the current records.
    if (m_listener)
        show([this, rows = m_signals.recordCount()] { m_listener->currentCountChanged(rows); });

    // The plot window, when it shows this unit.
    if (m_listener)
        show([this, u] { m_listener->plotRowAdded(u); });

    // The archive of exceedances.
    if (alarmLevel >= m_settings.ArcLevel) {
        {
            store::Transaction transaction(m_arc);
            appendMeasurement(m_arc, u, alarmLevel, values, channels, date, time);
            transaction.commit();
        }
        if (m_listener)
            show([this, rows = m_arc.recordCount()] { m_listener->archiveCountChanged(rows); });
    }

    // The alarm at the trip threshold.
    if (alarmLevel == 2)
        show([this] { PlayAlarmSound(); });

    recording.commit();
    for (const auto &step : shown)
        step();
}

void MeasurementRecorder::PlayAlarmSound() {
    if (!m_settings.Sound_ON || !m_listener)
        return;
    QString file = m_listener->soundFileText();
    if (file.isEmpty())
        file = m_settings.SoundFile;
    for (int i = 0; i < m_settings.Amount; ++i)
        m_listener->shellOpen(file);
}

} // namespace orvex::polling
