// Renders PNG screenshots of the event journal for a visual check: the main
// window with a latched alarm mark on a unit header, the journal window's
// events page and its diagnostics page.
//
//     journal_screenshots OUTPUT_FOLDER
//
// Runs on any platform plugin (offscreen, or a real X server under xvfb-run).
#include "app/JournalMainForm.h"
#include "config/JournalSettings.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/support/ReplyBuilder.h"
#include "tests/support/Screenshots.h"
#include "ui/Messages.h"
#include "views/JournalWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

using namespace orvex;

namespace {

using test::saveScreenshot;

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString out = test::screenshotFolder(argc, argv);
    if (out.isEmpty())
        return 2;
    ui::MessageRecorder messages;
    QTemporaryDir folder;
    setProgramFolder(folder.path());
    config::TSettings s;
    s.ComPortNo = 1;
    s.UnitsAmount = 3;
    s.ChannalsMaxAmount = 4;
    s.Speed = QStringLiteral(" 9600 (002)");
    for (int u = 1; u <= 3; ++u)
        s.UnitAddr[u] = std::uint8_t(u + 4);
    e2e::prepareProgramFolder(s);
    config::JournalSettings j;
    j.Marks = true;
    j.Latch = true;
    config::saveJournalSettings(j);

    e2e::Program p;
    p.form->resize(640, 330);
    auto *journal = app::attachJournal(*p.form, *p.controller);
    QDateTime t(QDate::currentDate(), QTime(9, 0, 0));
    journal->clock = [&t] { return t; };
    std::array<std::uint8_t, 16> addresses{0, 5, 6, 7};
    journal->detector().pollingStarted(QStringLiteral("COM1"), addresses, 3, t);
    auto poll = [&](int u, std::array<std::uint8_t, 8> ch) {
        t = t.addSecs(4);
        const auto reply = test::goodReply(std::uint8_t(u + 4), ch, 0, 25, 50, 0x0F);
        p.form->decodeUnitReply(u, reply);
        journal->detector().goodReply(u, reply, 4, t);
    };
    // Unit 2 tripped and went back to normal: its header keeps the mark.
    for (auto ch :
         {std::array<std::uint8_t, 8>{10, 12, 30, 253}, {10, 12, 60, 253}, {10, 12, 14, 11}})
        for (int u = 1; u <= 3; ++u)
            poll(u, u == 2 ? ch : std::array<std::uint8_t, 8>{10, 11, 12, 13});
    // Unit 3 falls silent.
    for (int i = 0; i < 4; ++i) {
        t = t.addSecs(4);
        const polling::ReplyOutcome silent{polling::ReplyKind::NoReply, 0, 0};
        p.form->showUnitReplyError(3, silent);
        journal->detector().failedPoll(3, silent, t);
    }
    QApplication::processEvents();
    // The marks blink; the picture shows them in their "on" phase.
    for (int u = 1; u <= 3; ++u)
        if (QWidget *mark = journal->mark(u))
            mark->show();
    for (int u = 1; u <= 3; ++u)
        std::fprintf(stderr, "unit %d: mark %s\n", u,
                     journal->mark(u) && journal->mark(u)->isVisible() ? "shown" : "none");
    bool ok = saveScreenshot(*p.form, out + QStringLiteral("/journal-mark.png"));

    journal->menuItem()->trigger();
    views::JournalWindow &w = journal->window();
    QApplication::processEvents();
    ok &= saveScreenshot(w, out + QStringLiteral("/journal-events.png"));
    w.Pages->setCurrentIndex(1);
    QApplication::processEvents();
    ok &= saveScreenshot(w, out + QStringLiteral("/journal-diagnostics.png"));
    w.Pages->setCurrentIndex(2);
    QApplication::processEvents();
    ok &= saveScreenshot(w, out + QStringLiteral("/journal-settings.png"));
    for (const QString &text : messages.texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return ok ? 0 : 1;
}
