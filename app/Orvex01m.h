// Program start-up: the application object and its title, the eight windows
// of the program created once in a fixed order and kept until the end, and
// the message loop that ends when the main window closes.
//
// The order matters: the main window's creation (settings file, tables, grid)
// has finished before any other window exists, and the later windows rely on
// what it loaded (the options dialog hands the configured port and speed to
// the serial component, the plot window takes its stored position).
#pragma once

#include <QStringList>
#include <memory>

class QApplication;
class QWidget;

namespace orvex::mainwindow {
class TMainForm;
}
namespace orvex::config {
class TIniOptionsForm;
}
namespace orvex::views {
class TPlotForm;
class TDataArcForm;
class TDataArc2Form;
class TDateDlgForm;
} // namespace orvex::views
namespace orvex::polling {
class StationModel;
}

namespace orvex::app {

class TAboutDlg;
class TTreeDlgForm;
class MainOptionsHost;
class PollController;
class ApplicationPeers;
class ViewingMode;

// The application title, the application's name on the desktop.
QString applicationTitle();

// Sets the application's name (not appended to window captions) and
// installs Qt's Russian texts for the dialogs Qt makes itself.
void initialiseApplication(QApplication &application);

class TApplicationWindows {
public:
    // Creates the eight windows in order; each creation step runs as its
    // window is made. None is shown.
    TApplicationWindows();
    ~TApplicationWindows();
    TApplicationWindows(const TApplicationWindows &) = delete;
    TApplicationWindows &operator=(const TApplicationWindows &) = delete;

    mainwindow::TMainForm &MainForm() const { return *m_main; }
    config::TIniOptionsForm &IniOptionsForm() const { return *m_options; }
    views::TPlotForm &PlotForm() const { return *m_plot; }
    views::TDataArcForm &DataArcForm() const { return *m_data; }
    views::TDataArc2Form &DataArc2Form() const { return *m_archive; }
    views::TDateDlgForm &DateDlgForm() const { return *m_date; }
    TTreeDlgForm &TreeDlgForm() const { return *m_tree; }
    TAboutDlg &AboutDlg() const { return *m_about; }
    PollController &pollController() const { return *m_poll; }
    // The station's port, tables, register and settings, which every window
    // works on.
    polling::StationModel &station() const { return *m_station; }
    // The viewing workstation's wiring; null on a polling station.
    ViewingMode *viewing() const { return m_viewing.get(); }

    // The windows in the order they were created.
    QList<QWidget *> windows() const;
    // Class names in creation order ("TMainForm", "TIniOptionsForm", ...).
    const QStringList &creationOrder() const { return m_order; }

private:
    void attachPollCycle();
    void connectPeers();

    // Declared in creation order, so they are destroyed in reverse: the poll
    // cycle before the main window it drives, the main window after the
    // windows that read its settings, and the station last of all.
    std::unique_ptr<polling::StationModel> m_station;
    std::unique_ptr<mainwindow::TMainForm> m_main;
    std::unique_ptr<PollController> m_poll;
    std::unique_ptr<MainOptionsHost> m_host;
    std::unique_ptr<config::TIniOptionsForm> m_options;
    std::unique_ptr<views::TPlotForm> m_plot;
    std::unique_ptr<views::TDataArcForm> m_data;
    std::unique_ptr<views::TDataArc2Form> m_archive;
    std::unique_ptr<views::TDateDlgForm> m_date;
    std::unique_ptr<TTreeDlgForm> m_tree;
    std::unique_ptr<TAboutDlg> m_about;
    std::unique_ptr<ApplicationPeers> m_peers;
    // Refers to the views and the main window: goes before them.
    std::unique_ptr<ViewingMode> m_viewing;
    QStringList m_order;
};

// Runs the program; returns the exit code of the message loop.
int runApplication(int argc, char **argv);

} // namespace orvex::app
