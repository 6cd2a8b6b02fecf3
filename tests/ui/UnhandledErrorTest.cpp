// Exceptions that no caller can take (one escaping from a serial handler the
// event thread no longer waits for): the message module shows them like any
// other handler's exception, and without a handler they go to the log.
#include "ui/UnhandledError.h"
#include "ui/Messages.h"
#include "ui/SystemError.h"

#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::ui;

namespace {

std::exception_ptr thrown(auto exception) {
    try {
        throw exception;
    } catch (...) {
        return std::current_exception();
    }
}

int g_taken = 0;
void take(const std::exception_ptr &) {
    ++g_taken;
}

} // namespace

TEST(UnhandledError, MessageModuleShowsItsTextOrTheUnknownErrorText) {
    MessageRecorder recorder;
    reportUnhandledError(thrown(SystemError(QStringLiteral("сбой обработчика"))));
    reportUnhandledError(thrown(42));
    ASSERT_EQ(recorder.count(), 2);
    EXPECT_EQ(recorder.messages()[0].kind, MessageKind::Error);
    EXPECT_EQ(recorder.texts(), QStringList({QStringLiteral("сбой обработчика"),
                                             QStringLiteral("Неизвестная ошибка")}));
}

TEST(UnhandledError, AnotherHandlerTakesOverAndNoneMeansTheLog) {
    MessageRecorder recorder;
    const UnhandledErrorHandler boxes = setUnhandledErrorHandler(&take);
    ASSERT_NE(boxes, nullptr);
    reportUnhandledError(thrown(SystemError(QStringLiteral("x"))));
    EXPECT_EQ(g_taken, 1);
    setUnhandledErrorHandler(nullptr);
    reportUnhandledError(thrown(SystemError(QStringLiteral("в журнал"))));
    reportUnhandledError(std::exception_ptr());
    EXPECT_EQ(g_taken, 1);
    EXPECT_EQ(recorder.count(), 0);
    EXPECT_EQ(setUnhandledErrorHandler(boxes), nullptr);
}
