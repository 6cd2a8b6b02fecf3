// The poll cycle and the measurement recording on the real main window: the
// window's controls behind PollSurface, the recorder on the window's table
// handles, the start/stop button's and the timer's handlers installed, the
// status bar counters kept. The application creates this once, right after
// the main window, and hands it what the other windows do with a new row.
#pragma once

#include "polling/PollCycle.h"
#include "polling/Recording.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace orvex::mainwindow {
class TMainForm;
}

namespace orvex::polling {

// What the other windows do when a measurement is recorded. Empty entries do
// nothing.
struct PollViewHooks {
    // Current-data view: setRecordCount(rows), then recordAppended().
    std::function<void(qint64 rows)> currentRecordAdded;
    // Archive view: setRecordCount(rows), then recordAppended().
    std::function<void(qint64 rows)> archiveRecordAdded;
    // Plot window: recordAppended(unitNo).
    std::function<void(int unitNo)> plotRecordAdded;
    // The options dialog's sound file text (soundFileText()).
    std::function<QString()> soundFileText;
    // The shell "open" of the alarm sound; ui::shellOpen when empty.
    std::function<void(const QString &fileName)> shellOpen;
};

class MainFormSurface;

// After a port or table error box of a tick closes, no further one comes
// for this long while polling goes on.
inline constexpr int kErrorBoxPauseMs = 5000;

// Owned by the main window, which destroys it before its own members: the
// controller's destructor still reaches into them.
class PollController : public QObject {
    Q_OBJECT
public:
    PollController(mainwindow::TMainForm &form, PollViewHooks hooks);
    ~PollController() override;

    PollCycle &cycle() { return *m_cycle; }
    MeasurementRecorder &recorder() { return *m_recorder; }

private:
    mainwindow::TMainForm &m_form;
    std::unique_ptr<MainFormSurface> m_surface;
    std::unique_ptr<MeasurementRecorder> m_recorder;
    std::unique_ptr<PollCycle> m_cycle;
};

// Installs the poll cycle on `form` (ScanBitBtnClickHandler,
// Timer1CicleHandler) and returns the controller, owned by the form.
PollController *attachPollCycle(mainwindow::TMainForm &form, PollViewHooks hooks = {});

} // namespace orvex::polling
