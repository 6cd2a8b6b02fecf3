// The general error handler. Every event handler of the program runs its body
// through guarded(): an exception that escapes is shown in an error box with
// its text and never unwinds through Qt's event loop.
#pragma once

#include "ui/Messages.h"
#include "ui/SystemError.h"

#include <exception>
#include <utility>

namespace orvex::ui {

// The text an exception carries, as the operator should read it.
inline QString exceptionText(const std::exception &e) {
    if (auto *own = dynamic_cast<const SystemError *>(&e))
        return own->text();
    return QString::fromUtf8(e.what());
}

// Runs `body`; returns true when it completed, false when an exception was
// caught and shown.
template <typename F> bool guarded(F &&body, QWidget *parent = nullptr) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (const std::exception &e) {
        showError(exceptionText(e), parent);
    } catch (...) {
        showError(QStringLiteral("Неизвестная ошибка"), parent);
    }
    return false;
}

} // namespace orvex::ui
