// The main window in the settings file: its place and size, and its hint
// switch; and the present corners of the other windows.
//
// Top, Left, Height and Width describe the whole window, frame and title bar
// included, as a window manager places and sizes it: a settings file opens
// the window at the same size and place whatever the window manager, and the
// sizes the main window computes itself (200 high in the first-run state,
// the height for square rows after the options run) are outer sizes too.
//
// Qt reports and takes a window's position with its frame, but its size
// without. The frame is known only once the window manager has framed the
// shown window (on X11, when it has set _NET_FRAME_EXTENTS, which Qt reads);
// until then the window takes the size as if it had no frame, and at the
// first event after the frame became known it gives the frame's share back
// from the inside. Without a window manager there is no frame, and nothing
// changes.
#include "mainwindow/MainOrvex01.h"

#include "mainwindow/HintText.h"

#include <QMoveEvent>
#include <QShowEvent>
#include <QWindow>

namespace orvex::mainwindow {

QSize TMainForm::frameExtent() const {
    const QWindow *window = windowHandle();
    if (!m_frameTaken || !window)
        return {0, 0};
    const QMargins m = window->frameMargins();
    return {m.left() + m.right(), m.top() + m.bottom()};
}

void TMainForm::takeFrameIntoSize() {
    const QWindow *window = windowHandle();
    if (m_frameTaken || !window || !isVisible())
        return;
    const QMargins m = window->frameMargins();
    if (m.isNull())
        return;
    m_frameTaken = true;
    // The window takes the outer size it was last given as if the frame had
    // been known from the start; the grid is laid out anew for the client
    // area that leaves. A layout's request still pending belongs to the size
    // before and is no refusal by the window manager.
    m_pendingFrom = m_pendingTo = QSize();
    m_refusedFrom = m_refusedTo = QSize();
    resize(m_outerSize.width() - m.left() - m.right(), m_outerSize.height() - m.top() - m.bottom());
}

void TMainForm::moveEvent(QMoveEvent *event) {
    QWidget::moveEvent(event);
    takeFrameIntoSize();
}

void TMainForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    takeFrameIntoSize();
}

void TMainForm::setMainTop(int top) {
    move(x(), top);
}
void TMainForm::setMainLeft(int left) {
    move(left, y());
}
void TMainForm::setMainHeight(int height) {
    m_outerSize.setHeight(height);
    resize(width(), height - frameExtent().height());
}
void TMainForm::setMainWidth(int width) {
    m_outerSize.setWidth(width);
    resize(width - frameExtent().width(), height());
}
void TMainForm::setMainShowHint(bool on) {
    setOwnHintSwitch(this, on);
}
int TMainForm::mainTop() const {
    return y();
}
int TMainForm::mainLeft() const {
    return x();
}
int TMainForm::mainHeight() const {
    return height() + frameExtent().height();
}
int TMainForm::mainWidth() const {
    return width() + frameExtent().width();
}
bool TMainForm::mainShowHint() const {
    return hintSwitch(this);
}

std::optional<QPoint> TMainForm::dataViewCorner() const {
    return m_peers->dataViewCorner();
}

std::optional<QPoint> TMainForm::archiveViewCorner() const {
    return m_peers->archiveViewCorner();
}

std::optional<QPoint> TMainForm::plotWindowCorner() const {
    return m_peers->plotWindowCorner();
}

} // namespace orvex::mainwindow
