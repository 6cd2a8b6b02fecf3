// The journal and the CSV export attached to the program's windows.
#include "app/AppJournal.h"

#include "polling/JournalMainForm.h"
#include "views/CsvExport.h"
#include "views/DataView.h"

namespace orvex::app {

polling::JournalController *attachAdditions(mainwindow::TMainForm &main,
                                            polling::PollController &poll,
                                            views::TDataViewForm &data,
                                            views::TDataViewForm &archive) {
    views::addCsvExportMenu(data, QStringLiteral("current.csv"));
    views::addCsvExportMenu(archive, QStringLiteral("archive.csv"));
    return polling::attachJournal(main, poll);
}

} // namespace orvex::app
