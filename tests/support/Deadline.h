// Waiting for a condition inside GoogleTest: events are processed until the
// condition holds or the deadline passes, and the caller then checks it with
// EXPECT or ASSERT, which can fail (Qt's QTRY macros cannot, there).
#pragma once

#include <QDeadlineTimer>
#include <QTest>
#include <functional>

namespace orvex::test {

// Returns whether `condition` held before `ms` milliseconds passed.
inline bool holdsWithin(const std::function<bool()> &condition, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QTest::qWait(10);
    }
    return true;
}

} // namespace orvex::test
