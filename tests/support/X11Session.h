// A private X11 desktop for tests where focus between applications matters:
// a virtual X server on a free display with the openbox window manager, and
// a second program with one window to switch to, as an operator does with
// Alt+Tab. Everything started here is stopped by its process id.
#pragma once

#include <QString>
#include <sys/types.h>

namespace orvex::test {

class X11Session {
public:
    X11Session() = default;
    ~X11Session();
    X11Session(const X11Session &) = delete;
    X11Session &operator=(const X11Session &) = delete;

    // Starts the server and the window manager and points DISPLAY at them.
    // Returns an empty text, or what went wrong.
    QString start();

    // Starts `program` with `argument`, which must print the X window id of
    // its window on a line of its standard output once the window is shown.
    // Returns the window id, 0 when it did not come within the deadline.
    unsigned long startOtherApplication(const QString &program, const QString &argument);

    // Asks the window manager to activate `window`, as a task bar or Alt+Tab
    // does.
    void activate(unsigned long window);

private:
    pid_t m_server = 0;
    pid_t m_windowManager = 0;
    pid_t m_other = 0;
    void *m_display = nullptr; // the session's own connection (Display *)
};

// In the other application's process: shows its window, prints its id and
// runs until it is stopped.
int runOtherApplication(int argc, char **argv);

} // namespace orvex::test
