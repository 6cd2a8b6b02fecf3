// The event journal wired onto the main window and its poll cycle.
#include "app/JournalMainForm.h"

#include "app/PollMainForm.h"
#include "mainwindow/MainOrvex01.h"
#include "polling/StationModel.h"
#include "ui/ErrorHandler.h"
#include "views/JournalWindow.h"

#include <QAction>
#include <QEvent>
#include <QPainter>
#include <QTimer>

namespace orvex::app {

using namespace polling;

namespace {

const QString kMenuJournal = QStringLiteral("ЖУРНАЛ");

// The mark of a unit with an alarm waiting for acknowledgement: a thick red
// frame laid over the unit's header, blinking. It lets the clicks through
// and leaves the header's own colours and texts as they are.
class AlarmMark : public QWidget {
public:
    explicit AlarmMark(QWidget *header) : QWidget(header) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("AlarmMark"));
        setAccessibleName(QStringLiteral("Неквитированная тревога"));
        setGeometry(header->rect());
        header->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == parent() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        QPen pen(QColor(255, 0, 0));
        pen.setWidth(4);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.drawRect(rect().adjusted(2, 2, -2, -2));
    }
};

} // namespace

JournalController::JournalController(mainwindow::TMainForm &form, PollController &poll)
    : QObject(&form), m_form(form), m_station(poll.station()), m_poll(poll), m_pollAlive(&poll),
      m_detector([this](const store::EventRecord &e) { write(e); }) {
    m_settings = config::loadJournalSettings();
    m_detector.setLossPolls(m_settings.LossPolls);
    m_seenSettings = m_station.settings();

    // The journal lives in the database the main window located; where it
    // could not locate one (reported by the main window already), no journal
    // file is made anywhere.
    try {
        if (m_station.unitsTable().isOpen())
            m_log.open(m_station.unitsTable().folder());
    } catch (const SystemError &) {
        m_log.close();
    }

    // "ЖУРНАЛ" between "АРХИВ" and "ПОМОЩЬ", usable whenever "ДАННЫЕ" is.
    m_menuItem = new QAction(kMenuJournal, &form);
    m_menuItem->setObjectName(QStringLiteral("miJournal"));
    form.addViewMenuItem(m_menuItem);
    connect(m_menuItem, &QAction::triggered, this,
            [this] { ui::guarded([this] { showWindow(); }, &m_form); });

    PollCycle &cycle = m_poll.cycle();
    cycle.onReply = [this](int u, const ReplyOutcome &o, const ReplyBuffer &r) {
        onReply(u, o, r);
    };
    cycle.onReadDone = [this] { m_detector.endErrorRun(clock()); };
    cycle.onTickError = [this](const QString &text) { m_detector.error(text, clock()); };

    // START and STOP: the settings and the polling state are compared once
    // the click has been handled, before a failure of it is shown.
    connect(&poll, &PollController::startStopHandled, this, &JournalController::startStopHandled);
    // An options run is over when its menu command returns.
    connect(&form, &mainwindow::TMainForm::optionsRunFinished, this, [this] { checkSettings(); });
    connect(&form, &mainwindow::TMainForm::closed, this, [this] {
        m_detector.programExit(clock());
        m_log.close();
    });

    m_blink = new QTimer(this);
    m_blink->setInterval(500);
    connect(m_blink, &QTimer::timeout, this, [this] {
        m_blinkOn = !m_blinkOn;
        updateMarks();
    });

    m_detector.programStarted(clock());
    refreshPending();
}

JournalController::~JournalController() {
    if (!m_pollAlive)
        return;
    PollCycle &cycle = m_poll.cycle();
    cycle.onReply = nullptr;
    cycle.onReadDone = nullptr;
    cycle.onTickError = nullptr;
}

void JournalController::startStopHandled(bool wasPolling) {
    checkSettings();
    const bool now = m_poll.cycle().polling();
    if (now == wasPolling)
        return;
    const QString port = m_station.port().Port();
    const config::TSettings &s = m_station.settings();
    if (now)
        m_detector.pollingStarted(port, s.UnitAddr, s.UnitsAmount, clock());
    else
        m_detector.pollingStopped(port, clock());
}

views::JournalWindow &JournalController::window() {
    if (!m_window) {
        m_window = std::make_unique<views::JournalWindow>();
        m_window->acknowledgeEvents = [this](const QList<qint64> &ids) { return acknowledge(ids); };
        m_window->pendingEvents = [this] { return m_log.pending(); };
        m_window->diagnostics = [this] {
            QList<views::JournalDiagnostics> rows;
            const int units = std::clamp(m_station.settings().UnitsAmount, 1, kJournalUnits);
            for (int u = 1; u <= units; ++u) {
                const UnitDiagnostics &d = m_detector.diagnostics(u);
                views::JournalDiagnostics r;
                r.unitNo = u;
                r.address =
                    d.address > 0 ? d.address : m_station.settings().UnitAddr[std::size_t(u)];
                r.polls = d.polls;
                r.good = d.good;
                r.noReply = d.noReply;
                r.badChecksum = d.badChecksum;
                r.exceptions = d.exceptions;
                r.lastExceptionCode = d.lastExceptionCode;
                r.lastGood = d.lastGood;
                r.lost = d.lost;
                r.lostSince = d.lostSince;
                rows << r;
            }
            return rows;
        };
        m_window->saveSettings = [this](const config::JournalSettings &s) {
            config::saveJournalSettings(s);
            setSettings(s);
        };
        m_window->setJournalSettings(m_settings);
        m_window->setPendingCount(m_pending.total());
        if (m_log.isOpen())
            m_window->openJournal(m_log.folder());
    }
    return *m_window;
}

void JournalController::showWindow() {
    views::JournalWindow &w = window();
    w.setUnitCount(std::clamp(m_station.settings().UnitsAmount, 1, kJournalUnits));
    w.setJournalSettings(m_settings);
    w.refreshDiagnostics();
    w.show();
    w.raise();
    w.activateWindow();
}

void JournalController::setSettings(const config::JournalSettings &settings) {
    m_settings = settings;
    m_settings.LossPolls = std::clamp(m_settings.LossPolls, 1, 99);
    m_detector.setLossPolls(m_settings.LossPolls);
    updateMarks();
}

void JournalController::write(const store::EventRecord &event) {
    if (!m_log.isOpen())
        return;
    try {
        const qint64 id = m_log.append(event);
        m_writeFailed = false;
        if (onWritten)
            onWritten(id);
    } catch (const SystemError &e) {
        // Shown once per run of failures: a journal that cannot be written
        // must not put a box on screen at every poll.
        if (!m_writeFailed)
            ui::showError(e.text(), &m_form);
        m_writeFailed = true;
        return;
    }
    if (store::waitsForAcknowledgement(event)) {
        if (m_pendingKnown) {
            m_pending.add(event.unitNo, event.kind);
            pendingChanged();
        } else {
            refreshPending();
        }
    }
    if (m_window)
        m_window->eventsAdded();
}

void JournalController::onReply(int u, const ReplyOutcome &outcome, const ReplyBuffer &reply) {
    const QDateTime now = clock();
    const bool good = outcome.kind == ReplyKind::GoodReply;
    if (good)
        m_detector.goodReply(u, reply, m_station.settings().ChannalsMaxAmount, now);
    else
        m_detector.failedPoll(u, outcome, now);

    // The sound beyond the recording's own: a lost unit sounds like a trip
    // (LossSound), and a waiting alarm keeps sounding once per poll of its
    // unit until acknowledged (Latch). A reply at the trip threshold sounds
    // through the recording already.
    if (!m_station.settings().Sound_ON)
        return;
    const bool tripNow = good && m_detector.unitLevel(u) == 2;
    if (tripNow)
        return;
    const bool lostNow = m_detector.lost(u);
    // A waiting loss sounds only where a loss sounds at all.
    const bool waiting = m_pending.trips(u) || (m_settings.LossSound && m_pending.losses(u));
    const bool latched = m_settings.Latch && waiting;
    if ((m_settings.LossSound && lostNow) || latched)
        m_poll.recorder().PlayAlarmSound();
}

int JournalController::acknowledge(const QList<qint64> &ids) {
    if (!m_log.isOpen())
        return 0;
    const QDateTime now = clock();
    const int done =
        m_log.acknowledge(ids, store::loginName(), now.date(),
                          QTime(now.time().hour(), now.time().minute(), now.time().second()));
    refreshPending();
    if (m_window)
        m_window->eventsAdded();
    return done;
}

int JournalController::acknowledgeAll() {
    QList<qint64> ids;
    for (const store::PendingAlarm &p : m_log.pending())
        ids << p.id;
    return acknowledge(ids);
}

bool JournalController::unitPending(int u) const {
    return m_pending.any(u);
}

void JournalController::refreshPending() {
    try {
        m_pending = m_log.pendingTally();
        m_pendingKnown = true;
    } catch (const SystemError &) {
        m_pending = {};
        m_pendingKnown = false;
    }
    pendingChanged();
}

void JournalController::pendingChanged() {
    updateMarks();
    updateMenuItem();
    if (m_window)
        m_window->setPendingCount(m_pending.total());
}

bool JournalController::markShown(int u) const {
    return m_settings.Marks && unitPending(u) && u >= 1 && u <= kJournalUnits && m_marks[u];
}

QWidget *JournalController::mark(int u) const {
    return u >= 1 && u <= kJournalUnits ? m_marks[std::size_t(u)].data() : nullptr;
}

void JournalController::updateMarks() {
    bool any = false;
    for (int u = 1; u <= kJournalUnits; ++u) {
        QWidget *header = m_form.unitPanel(u);
        const bool want = m_settings.Marks && header && unitPending(u);
        QPointer<QWidget> &mark = m_marks[std::size_t(u)];
        if (!want) {
            delete mark.data();
            mark = nullptr;
            continue;
        }
        // A rebuilt grid has new headers: the mark follows.
        if (mark && mark->parentWidget() != header) {
            delete mark.data();
            mark = nullptr;
        }
        if (!mark)
            mark = new AlarmMark(header);
        mark->setVisible(m_blinkOn);
        mark->raise();
        any = true;
    }
    if (any && !m_blink->isActive())
        m_blink->start();
    else if (!any) {
        m_blink->stop();
        m_blinkOn = true;
    }
}

void JournalController::updateMenuItem() {
    const QString text = m_pending.total() == 0
                             ? kMenuJournal
                             : kMenuJournal + QStringLiteral(" (%1)").arg(m_pending.total());
    m_menuItem->setText(text);
}

void JournalController::checkSettings() {
    const QStringList changes = config::settingsChanges(m_seenSettings, m_station.settings());
    m_seenSettings = m_station.settings();
    m_detector.settingsChanged(changes, clock());
}

JournalController *attachJournal(mainwindow::TMainForm &form, PollController &poll) {
    return new JournalController(form, poll);
}

} // namespace orvex::app
