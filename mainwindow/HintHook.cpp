// The application-wide hint hook.
#include "mainwindow/HintHook.h"

#include "mainwindow/GridPanels.h"
#include "mainwindow/HintText.h"

#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace orvex::mainwindow {

namespace {

// Long enough never to expire while the pointer rests; the re-show timer
// hides the hint as soon as the pointer leaves the control.
constexpr int kDisplayMs = 24 * 3600 * 1000;

bool isInside(const QWidget *child, const QWidget *ancestor) {
    for (const QWidget *w = child; w; w = w->parentWidget())
        if (w == ancestor)
            return true;
    return false;
}

} // namespace

THintHook::THintHook(QObject *parent) : QObject(parent) {
    m_reshow.setInterval(kReshowMs);
    connect(&m_reshow, &QTimer::timeout, this, &THintHook::reshow);
    m_locate = [] { return QApplication::widgetAt(QCursor::pos()); };
}

THintHook::~THintHook() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void THintHook::install() {
    qApp->installEventFilter(this);
}

bool THintHook::showHintFor(QWidget *widget, const QPoint &globalPos) {
    // The hint of a control without one of its own is none: Qt would otherwise
    // not look further, and neither does the program.
    if (!widget || widget->toolTip().isEmpty() || !hintSwitch(widget)) {
        stop();
        return false;
    }
    m_widget = widget;
    m_pos = globalPos;
    m_shown = hintToRichText(widget->toolTip(), QFontMetrics(QToolTip::font()), kMaxHintWidth);
    QToolTip::showText(globalPos, m_shown, widget, QRect(), kDisplayMs);
    if (!m_reshow.isActive())
        m_reshow.start();
    return true;
}

void THintHook::reshow() {
    QWidget *w = m_widget;
    if (!w || !w->isVisible() || !isInside(m_locate ? m_locate() : nullptr, w)) {
        stop();
        return;
    }
    showHintFor(w, m_pos);
}

void THintHook::stop() {
    m_reshow.stop();
    if (m_widget)
        QToolTip::hideText();
    m_widget = nullptr;
    m_shown.clear();
}

bool THintHook::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto *help = static_cast<QHelpEvent *>(event);
        // The request goes to the innermost widget first and then to its
        // parents; the first one with a hint of its own answers it.
        QWidget *w = static_cast<QWidget *>(watched);
        if (w->toolTip().isEmpty())
            return false;
        showHintFor(w, help->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvex::mainwindow
