// The message module's recording mode and the general error handler: what a
// handler's escaping exception turns into, and that nothing blocks under test.
#include "ui/Messages.h"
#include "ui/ErrorHandler.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace orvex;
using namespace orvex::ui;

TEST(ErrorHandler, ExceptionTextIsShownAsErrorAndHandlerReportsFailure) {
    MessageRecorder recorder;
    const bool completed =
        guarded([] { throw SystemError(QStringLiteral("Ошибка записи в порт")); });
    EXPECT_FALSE(completed);
    ASSERT_EQ(recorder.count(), 1);
    EXPECT_EQ(recorder.messages()[0].kind, MessageKind::Error);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Ошибка записи в порт"));
}

TEST(ErrorHandler, ForeignExceptionsShowTheirUtf8Text) {
    MessageRecorder recorder;
    guarded([] { throw std::runtime_error("Таблица не найдена"); });
    EXPECT_EQ(recorder.texts(), QStringList{QStringLiteral("Таблица не найдена")});
}

TEST(ErrorHandler, CompletedBodyShowsNothing) {
    MessageRecorder recorder;
    int runs = 0;
    EXPECT_TRUE(guarded([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(recorder.count(), 0);
}

TEST(Messages, InnermostRecorderReceivesAndHookSeesAnOpenBox) {
    MessageRecorder outer;
    bool openDuringHook = false;
    {
        MessageRecorder inner;
        inner.setOnShow([&](const RecordedMessage &m) {
            openDuringHook = messageBoxOpen();
            EXPECT_EQ(m.kind, MessageKind::Warning);
        });
        showWarning(QStringLiteral("Число пультов увеличено!"));
        EXPECT_EQ(inner.count(), 1);
    }
    EXPECT_TRUE(openDuringHook);
    EXPECT_FALSE(messageBoxOpen());
    EXPECT_EQ(outer.count(), 0);
    showInformation(QStringLiteral("x"));
    EXPECT_EQ(outer.count(), 1);
}

TEST(Messages, CarriageReturnsBecomeSingleLineBreaks) {
    EXPECT_EQ(displayText(QStringLiteral("Недопустимое значение!\r Введите 1-72.")),
              QStringLiteral("Недопустимое значение!\n Введите 1-72."));
    EXPECT_EQ(displayText(QStringLiteral("a.\n\r\n\rb")), QStringLiteral("a.\n\n\nb"));
    EXPECT_EQ(displayText(QStringLiteral("a\r\nb")), QStringLiteral("a\nb"));
}
