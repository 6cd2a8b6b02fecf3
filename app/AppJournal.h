// The additions around the specified windows: the event journal on the main
// window and its poll cycle, and the CSV export of the two data views.
#pragma once

namespace orvex::mainwindow {
class TMainForm;
}
namespace orvex::polling {
class PollController;
class JournalController;
} // namespace orvex::polling
namespace orvex::views {
class TDataViewForm;
}

namespace orvex::app {

polling::JournalController *attachAdditions(mainwindow::TMainForm &main,
                                            polling::PollController &poll,
                                            views::TDataViewForm &data,
                                            views::TDataViewForm &archive);

} // namespace orvex::app
