// How the program's top-level windows appear to assistive technology: every
// window that is neither a dialog nor a main-window class of Qt's own is a
// window (a frame on the accessibility bus) rather than an anonymous filler,
// and every top-level window is named by its title.
#pragma once

namespace orvex::ui {

// Installs the rule for the windows created from now on; call it once after
// the application object exists and before the windows are created.
void installWindowAccessibility();

} // namespace orvex::ui
