// Where an exception goes that no caller can take: one escaping from an event
// handler that the serial component runs on the GUI thread after it has let
// its event thread go on. The component reports it here and knows nothing of
// windows; the message module (ui/Messages.cpp), linked into every program
// that shows boxes, routes it to an error box, as the general error handler
// does for every other event handler. Without the message module the text is
// written to the log.
#pragma once

#include <exception>

namespace orvex {

using UnhandledErrorHandler = void (*)(const std::exception_ptr &error);

// Replaces the handler (nullptr: the log) and returns the one it replaced.
UnhandledErrorHandler setUnhandledErrorHandler(UnhandledErrorHandler handler);

// Hands `error` to the handler, on the thread that caught it; a null
// `error` is ignored.
void reportUnhandledError(const std::exception_ptr &error);

} // namespace orvex
