// The journal and the CSV export attached to the program's windows.
#include "app/AppJournal.h"

#include "app/JournalMainForm.h"
#include "views/CsvExport.h"
#include "views/DataView.h"

namespace orvex::app {

JournalController *attachAdditions(mainwindow::TMainForm &main, PollController &poll,
                                   views::TDataViewForm &data, views::TDataViewForm &archive) {
    views::addCsvExportMenu(data, QStringLiteral("current.csv"));
    views::addCsvExportMenu(archive, QStringLiteral("archive.csv"));
    return attachJournal(main, poll);
}

} // namespace orvex::app
