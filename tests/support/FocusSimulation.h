// Moving the focus between windows in widget tests on the offscreen
// platform, including what the window system does when the operator switches
// to another application and back (the test under a real window manager does
// the same with a second program).
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace orvex::test {

// Shows `window` and gives it the focus of the program.
inline void activate(QWidget &window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// The program loses the focus to another application: its active window is
// deactivated and no window of the program has the focus.
inline void leaveForAnotherApplication(QWidget &window) {
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&window, &deactivate);
    emit qGuiApp->focusWindowChanged(nullptr);
}

// The operator comes back from the other application to `window`.
inline void comeBackFromAnotherApplication(QWidget &window) {
    emit qGuiApp->focusWindowChanged(window.windowHandle());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);
}

} // namespace orvex::test
