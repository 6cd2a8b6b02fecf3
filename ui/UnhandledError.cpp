// The handler of exceptions no caller can take.
#include "ui/UnhandledError.h"

#include <QtGlobal>
#include <atomic>

namespace orvex {
namespace {

std::atomic<UnhandledErrorHandler> g_handler{nullptr};

void logError(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        qWarning("%s", e.what());
    } catch (...) {
        qWarning("unknown error");
    }
}

} // namespace

UnhandledErrorHandler setUnhandledErrorHandler(UnhandledErrorHandler handler) {
    return g_handler.exchange(handler);
}

void reportUnhandledError(const std::exception_ptr &error) {
    if (!error)
        return;
    const UnhandledErrorHandler handler = g_handler.load();
    if (handler)
        handler(error);
    else
        logError(error);
}

} // namespace orvex
