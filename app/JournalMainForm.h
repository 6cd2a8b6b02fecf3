// The event journal on the running program: the transition detector fed by
// the poll cycle, the journal's writer on Events.DB, the menu item "ЖУРНАЛ"
// and its window, the marks on the unit headers of unacknowledged alarms,
// and the alarm sound that waits for acknowledgement. Attached once, after
// the poll cycle; with the journal's default settings the station sees and
// hears exactly what it did without it, apart from the new menu item.
#pragma once

#include "config/JournalSettings.h"
#include "polling/Journal.h"
#include "store/Events.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QTimer;
class QWidget;

namespace orvex::mainwindow {
class TMainForm;
}
namespace orvex::views {
class JournalWindow;
}
namespace orvex::polling {
class StationModel;
}

namespace orvex::app {

class PollController;

class JournalController : public QObject {
    Q_OBJECT
public:
    // Works on the poll cycle's window and station.
    JournalController(mainwindow::TMainForm &form, PollController &poll);
    ~JournalController() override;

    polling::JournalDetector &detector() { return m_detector; }
    store::EventLog &log() { return m_log; }
    views::JournalWindow &window();
    QAction *menuItem() const { return m_menuItem; }
    const config::JournalSettings &settings() const { return m_settings; }
    void setSettings(const config::JournalSettings &settings); // applies, does not save

    // Acknowledges the given waiting events as the operator logged in.
    int acknowledge(const QList<qint64> &ids);
    int acknowledgeAll();
    qint64 pendingCount() const { return m_pending.total(); }
    // Unit u has an alarm waiting for acknowledgement.
    bool unitPending(int u) const;
    // The mark on unit u's header is shown (Marks on and an alarm waiting).
    bool markShown(int u) const;
    QWidget *mark(int u) const;

    // Told the record number of every event written (tests, tools).
    std::function<void(qint64 id)> onWritten;

    // The clock the events are stamped with (tests).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    // Compares the settings with those last seen and writes a settings event
    // for what changed.
    void checkSettings();

private:
    void write(const store::EventRecord &event);
    void onReply(int u, const polling::ReplyOutcome &outcome, const polling::ReplyBuffer &reply);
    void startStopHandled(bool wasPolling);
    void refreshPending();
    void pendingChanged();
    void updateMarks();
    void updateMenuItem();
    void showWindow();

    mainwindow::TMainForm &m_form;
    polling::StationModel &m_station;
    PollController &m_poll;
    QPointer<PollController> m_pollAlive; // the controller may go first at exit
    polling::JournalDetector m_detector;
    store::EventLog m_log;
    config::JournalSettings m_settings;
    config::TSettings m_seenSettings;
    // Read from the journal when it opens and after an acknowledgement,
    // counted on as events are written: an alarm costs the same however
    // many wait before it. Not known after a failed read, which the next
    // waiting event then repeats.
    store::PendingTally m_pending;
    bool m_pendingKnown = false;
    QAction *m_menuItem = nullptr;
    std::unique_ptr<views::JournalWindow> m_window;
    std::array<QPointer<QWidget>, polling::kJournalUnits + 1> m_marks{};
    QTimer *m_blink = nullptr;
    bool m_blinkOn = true;
    bool m_writeFailed = false;
};

// Attaches the journal to the main window and its poll cycle; owned by the
// main window.
JournalController *attachJournal(mainwindow::TMainForm &form, PollController &poll);

} // namespace orvex::app
