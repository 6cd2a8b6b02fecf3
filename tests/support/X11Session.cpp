// The private X11 desktop of the window-manager tests.
#include "tests/support/X11Session.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace orvex::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDeadline = std::chrono::seconds(30);

pid_t spawn(const std::vector<std::string> &args, int keepFd = -1, int stdoutFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    (void)keepFd; // inherited: opened without close-on-exec
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

void stop(pid_t &pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    const auto end = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid = 0;
}

// Reads one line from `fd` until the deadline; empty when none came.
std::string readLine(int fd, Clock::time_point end) {
    std::string line;
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        const int left =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (poll(&p, 1, std::max(left, 1)) <= 0)
            continue;
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0)
            break;
        if (c == '\n')
            return line;
        line += c;
    }
    return {};
}

bool windowManagerRunning(Display *display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    const int rc = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                      XA_WINDOW, &type, &format, &items, &after, &data);
    if (data)
        XFree(data);
    return rc == Success && items == 1;
}

} // namespace

X11Session::~X11Session() {
    stop(m_other);
    if (m_display)
        XCloseDisplay(static_cast<Display *>(m_display));
    stop(m_windowManager);
    stop(m_server);
}

QString X11Session::start() {
    // The server chooses a free display itself and writes its number.
    int fds[2];
    if (pipe(fds) != 0)
        return QStringLiteral("pipe failed");
    m_server = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                      "-nolisten", "tcp"},
                     fds[1]);
    close(fds[1]);
    if (!m_server) {
        close(fds[0]);
        return QStringLiteral("Xvfb could not be started");
    }
    const std::string number = readLine(fds[0], Clock::now() + kDeadline);
    close(fds[0]);
    if (number.empty())
        return QStringLiteral("Xvfb gave no display number");
    const std::string display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);

    m_display = XOpenDisplay(display.c_str());
    if (!m_display)
        return QStringLiteral("cannot connect to the display");
    m_windowManager = spawn({"openbox", "--sm-disable"});
    if (!m_windowManager)
        return QStringLiteral("openbox could not be started");
    const auto end = Clock::now() + kDeadline;
    while (!windowManagerRunning(static_cast<Display *>(m_display))) {
        if (Clock::now() > end)
            return QStringLiteral("openbox did not come up");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

unsigned long X11Session::startOtherApplication(const QString &program, const QString &argument) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return 0;
    m_other = spawn({program.toStdString(), argument.toStdString()}, -1, fds[1]);
    close(fds[1]);
    const std::string id = m_other ? readLine(fds[0], Clock::now() + kDeadline) : std::string();
    close(fds[0]);
    return id.empty() ? 0 : std::stoul(id);
}

void X11Session::activate(unsigned long window) {
    auto *display = static_cast<Display *>(m_display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // from a pager: the user's own choice
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

int runOtherApplication(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Другая программа"));
    window.setWindowTitle(QStringLiteral("Другая программа"));
    window.resize(300, 120);
    window.move(900, 700);
    window.show();
    std::printf("%lu\n", static_cast<unsigned long>(window.winId()));
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace orvex::test
