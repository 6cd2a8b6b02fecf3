// Activation and deactivation of the program's windows.
#include "ui/Activation.h"

#include "ui/Messages.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace orvex::ui {

bool standsOver(const QWindow *window, const QWindow *owner) {
    if (!owner)
        return false;
    for (const QWindow *w = window; w; w = w->transientParent()) {
        if (w == owner)
            return true;
    }
    return false;
}

ActivationWatch::ActivationWatch(QWidget *window, OwnBoxes ownBoxes)
    : QObject(window), m_window(window), m_ownBoxes(ownBoxes) {
    window->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            &ActivationWatch::focusWindowChanged);
}

ActivationWatch::~ActivationWatch() {
    // The window's destruction hides it and moves the focus; nothing may
    // react to that any more.
    if (qGuiApp)
        disconnect(qGuiApp, nullptr, this, nullptr);
}

void ActivationWatch::forgetAbsence() {
    m_away = Away::Nowhere;
    m_ownBox = nullptr;
}

void ActivationWatch::reset() {
    m_active = false;
    m_shownPending = false;
    forgetAbsence();
}

bool ActivationWatch::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window) {
        if (event->type() == QEvent::Show) {
            reset();
            m_shownPending = true;
        } else if (event->type() == QEvent::Hide) {
            // Closing is the window's own business, no deactivation here.
            reset();
        }
    }
    return QObject::eventFilter(watched, event);
}

// A box of the window: a window standing over it or over its box, the first
// window in front while it has a modal window of its own open, or one that
// came while a message box over it was open.
bool ActivationWatch::isOwnBox(QWindow *candidate) const {
    const QWindow *mine = m_window->windowHandle();
    if (standsOver(candidate, mine))
        return true;
    if (m_ownBox)
        return standsOver(candidate, m_ownBox);
    if (m_ownModals > 0)
        return true;
    return messageBoxOpen() && openBoxOwner() == m_window;
}

void ActivationWatch::focusWindowChanged(QWindow *now) {
    QWindow *mine = m_window->windowHandle();
    if (!mine || !m_window->isVisible())
        return;
    // Pop-up menus, lists and hints do not take the window's place.
    if (now && (now->type() == Qt::Popup || now->type() == Qt::ToolTip))
        return;

    if (now == mine) {
        if (m_active)
            return;
        m_active = true;
        const bool activation = m_shownPending || m_away == Away::OtherWindow ||
                                (m_away == Away::OwnBox && m_ownBoxes == OwnBoxes::Activate);
        m_shownPending = false;
        forgetAbsence();
        if (activation)
            emit activated();
        return;
    }

    // No focus window at all: the operator went to another application,
    // which changes nothing of where the focus was within the program.
    if (!now)
        return;

    if (isOwnBox(now)) {
        m_away = Away::OwnBox;
        if (!m_ownBox)
            m_ownBox = now;
    } else {
        m_away = Away::OtherWindow;
        m_ownBox = nullptr;
    }
    if (m_active) {
        m_active = false;
        emit deactivated(now);
    }
}

} // namespace orvex::ui
