// The additions around the specified windows: the event journal on the main
// window and its poll cycle, and the CSV export of the two data views.
#pragma once

namespace orvex::mainwindow {
class TMainForm;
}
namespace orvex::views {
class TDataViewForm;
}

namespace orvex::app {

class PollController;
class JournalController;

JournalController *attachAdditions(mainwindow::TMainForm &main, PollController &poll,
                                   views::TDataViewForm &data, views::TDataViewForm &archive);

} // namespace orvex::app
