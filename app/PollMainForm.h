// The poll cycle and the measurement recording on the real main window: the
// window behind the cycle's PollSurface, the recorder on the station's table
// handles, the start/stop button and the poll timer connected to the cycle,
// the status bar counters kept. The application makes one right after the
// main window and tells the other windows of each new row through its
// signals.
#pragma once

#include "polling/PollCycle.h"
#include "polling/Recording.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace orvex::mainwindow {
class TMainForm;
}
namespace orvex::config {
class TIniOptionsForm;
}
namespace orvex::polling {
class StationModel;
}

namespace orvex::app {

class MainFormSurface;

using polling::kErrorBoxPauseMs;

// Must go before the window and the station it works on: its cycle reaches
// into them until its end.
class PollController : public QObject, private polling::RecordingListener {
    Q_OBJECT
public:
    PollController(mainwindow::TMainForm &form, polling::StationModel &station);
    ~PollController() override;

    polling::PollCycle &cycle() { return *m_cycle; }
    polling::MeasurementRecorder &recorder() { return *m_recorder; }
    mainwindow::TMainForm &form() { return m_form; }
    polling::StationModel &station() { return m_station; }

    // The alarm sound plays the file named in the options dialog's field;
    // without a dialog (or with an empty field) the SoundFile setting.
    void setOptionsDialog(const config::TIniOptionsForm *options);

signals:
    // A row went into Signals.DB (after the status bar's counter), into
    // Arc.DB (before the status bar's counter), or of unit `unitNo` into
    // Plot.db.
    void currentRecordAdded(qint64 rows);
    void archiveRecordAdded(qint64 rows);
    void plotRecordAdded(int unitNo);
    // START or STOP has been handled, `wasPolling` being the state before;
    // when the click failed, before its error is shown.
    void startStopHandled(bool wasPolling);

private:
    void startStop();
    void currentCountChanged(qint64 rows) override;
    void plotRowAdded(int unitNo) override;
    void archiveCountChanged(qint64 rows) override;
    QString soundFileText() override;
    void shellOpen(const QString &fileName) override;

    mainwindow::TMainForm &m_form;
    polling::StationModel &m_station;
    QPointer<const config::TIniOptionsForm> m_options;
    std::unique_ptr<MainFormSurface> m_surface;
    std::unique_ptr<polling::MeasurementRecorder> m_recorder;
    std::unique_ptr<polling::PollCycle> m_cycle;
};

} // namespace orvex::app
