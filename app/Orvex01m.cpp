// Program start-up: the composition of the windows, the poll cycle and the
// options dialog around the main window.
#include "app/Orvex01m.h"

#include "app/About.h"
#include "app/AppJournal.h"
#include "app/PollMainForm.h"
#include "app/TreeDialog.h"
#include "app/Viewing.h"
#include "config/IniOptions.h"
#include "config/OptionsHost.h"
#include "mainwindow/GridPanels.h"
#include "mainwindow/HintText.h"
#include "mainwindow/MainOrvex01.h"
#include "mainwindow/Texts.h"
#include "polling/StationModel.h"
#include "ui/WindowAccessibility.h"
#include "views/Calndr2.h"
#include "views/CsvExport.h"
#include "views/DataArc.h"
#include "views/DataArc2.h"
#include "views/PlotWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orvex::app {

// What the options dialog reaches of the station and the main window.
class MainOptionsHost : public config::OptionsHost {
public:
    MainOptionsHost(mainwindow::TMainForm &form, polling::StationModel &station)
        : m_form(form), m_station(station) {}

    config::TSettings &settings() override { return m_station.settings(); }
    serial::TBComPort &comPort() override { return m_station.port(); }
    store::Table &unitsTable() override { return m_station.unitsTable(); }
    store::Table &sensorTable() override { return m_station.sensorTable(); }
    int builtUnits() const override { return m_form.builtUnits(); }
    bool hintsOn() const override { return mainwindow::hintSwitch(&m_form); }
    void setL2ProcCheckBox(bool checked) override { m_form.setPercentMode(checked); }
    void setSoundCheckBox(bool checked) override { m_form.setSoundOn(checked); }
    void setCurrentDataCaption(const QString &caption) override {
        if (dataView)
            dataView->setWindowTitle(caption);
    }

    QWidget *dataView = nullptr;

private:
    mainwindow::TMainForm &m_form;
    polling::StationModel &m_station;
};

// What the main window asks of the other windows.
class ApplicationPeers : public mainwindow::MainFormPeers {
public:
    ApplicationPeers(config::TIniOptionsForm &options, views::TPlotForm &plot,
                     views::TDataArcForm &data, views::TDataArc2Form &archive, TAboutDlg &about,
                     TTreeDlgForm &tree)
        : m_options(options), m_plot(plot), m_data(data), m_archive(archive), m_about(about),
          m_tree(tree) {}

    void showOptionsDialog() override { m_options.ShowModalOptions(); }
    bool optionsPortChosen() override { return m_options.portChosen(); }
    void closeDataView() override { m_data.close(); }
    void closeArchiveView() override { m_archive.close(); }
    void closePlotWindow() override { m_plot.close(); }
    void showDataView(const QString &caption) override {
        m_data.setWindowTitle(caption);
        m_data.showView();
    }
    void showArchiveView() override { m_archive.showView(); }
    void handOverPlot(int unitNo, int channelNo, const QString &gasName, const QString &unitLabel,
                      float tripThreshold) override {
        m_plot.handOver(unitNo, channelNo, gasName, unitLabel, tripThreshold);
    }
    void showPlot() override { m_plot.showChannel(); }
    void closeArchiveTable() override { m_archive.Arc2Table.close(); }
    void closeCurrentTable() override { m_data.CurrTable.close(); }
    void setWindowHints(bool on) override {
        // The options dialog follows the main window's switch each time it is
        // activated (some of its controls always show their hints); the views
        // and the plot window take it now.
        mainwindow::setOwnHintSwitch(&m_plot, on);
        m_data.setHintsEnabled(on);
        m_archive.setHintsEnabled(on);
    }
    std::optional<QPoint> dataViewCorner() const override { return m_data.pos(); }
    std::optional<QPoint> archiveViewCorner() const override { return m_archive.pos(); }
    std::optional<QPoint> plotWindowCorner() const override { return m_plot.pos(); }
    void showAbout() override { m_about.exec(); }
    // The chosen folder is not used.
    void chooseFolder() override { m_tree.exec(); }

private:
    config::TIniOptionsForm &m_options;
    views::TPlotForm &m_plot;
    views::TDataArcForm &m_data;
    views::TDataArc2Form &m_archive;
    TAboutDlg &m_about;
    TTreeDlgForm &m_tree;
};

QString applicationTitle() {
    return mainwindow::texts::kApplicationTitle;
}

void initialiseApplication(QApplication &application) {
    // The title names the application on the desktop (task bar); it is not
    // appended to the captions of the windows.
    application.setApplicationName(applicationTitle());
    application.setDesktopFileName(QString::fromLatin1(kExecutableName));
    application.setApplicationVersion(QStringLiteral("1.1.0.74"));
    ui::installWindowAccessibility();
    // The program speaks Russian whatever the desktop's language: the
    // standard dialogs and menus Qt makes itself (file chooser, the context
    // menu of edit fields) take Qt's own Russian texts when installed.
    auto *translator = new QTranslator(&application);
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(translator);
    else
        delete translator;
}

TApplicationWindows::TApplicationWindows() : m_station(std::make_unique<polling::StationModel>()) {
    polling::StationModel &station = *m_station;
    // The windows are made in the program's fixed order, the main window
    // first; its creation runs to its end first.
    m_main = std::make_unique<mainwindow::TMainForm>(station);
    if (viewOnlyConfigured())
        m_main->enterViewingMode();
    m_main->FormCreate();
    m_order << QStringLiteral("TMainForm");
    attachPollCycle();

    // The options dialog: lists the ports and hands the configured port
    // and speed to the serial component.
    m_host = std::make_unique<MainOptionsHost>(*m_main, station);
    m_options = std::make_unique<config::TIniOptionsForm>(*m_host);
    m_order << QStringLiteral("TIniOptionsForm");
    m_poll->setOptionsDialog(m_options.get());

    // The plot window and the two views take the database of the
    // station's Units.DB handle and their stored positions.
    const QString database = station.unitsTable().databaseName();
    m_plot = std::make_unique<views::TPlotForm>(station.settings(), database);
    m_order << QStringLiteral("TPlotForm");
    QObject::connect(m_poll.get(), &PollController::plotRecordAdded, m_plot.get(),
                     &views::TPlotForm::recordAppended);
    m_data = std::make_unique<views::TDataArcForm>(station.settings(), station.autoRefreshViews(),
                                                   database);
    m_order << QStringLiteral("TDataArcForm");
    QObject::connect(m_poll.get(), &PollController::currentRecordAdded, m_data.get(),
                     [data = m_data.get()](qint64 rows) { data->recordAppended(rows); });
    m_archive = std::make_unique<views::TDataArc2Form>(station.settings(),
                                                       station.autoRefreshViews(), database);
    m_order << QStringLiteral("TDataArc2Form");
    QObject::connect(m_poll.get(), &PollController::archiveRecordAdded, m_archive.get(),
                     [archive = m_archive.get()](qint64 rows) { archive->recordAppended(rows); });

    // The date picker, shared by both views, the folder chooser and the
    // About box.
    m_date = std::make_unique<views::TDateDlgForm>();
    m_order << QStringLiteral("TDateDlgForm");
    m_data->setDatePicker(m_date.get());
    m_archive->setDatePicker(m_date.get());
    m_tree = std::make_unique<TTreeDlgForm>();
    m_order << QStringLiteral("TTreeDlgForm");
    m_about = std::make_unique<TAboutDlg>();
    m_order << QStringLiteral("TAboutDlg");

    m_host->dataView = m_data.get();
    connectPeers();
    // The event journal and the CSV export of the views; a viewing
    // workstation reads the journal and follows the viewed station instead.
    if (m_main->viewingMode()) {
        views::addCsvExportMenu(*m_data, QStringLiteral("current.csv"));
        views::addCsvExportMenu(*m_archive, QStringLiteral("archive.csv"));
        m_viewing = std::make_unique<ViewingMode>(*m_main, *m_data, *m_archive, *m_plot);
    } else {
        attachAdditions(*m_main, *m_poll, *m_data, *m_archive);
    }
}

TApplicationWindows::~TApplicationWindows() {
    // The peers point at the other windows; the main window asks nothing of
    // them once they start to go.
    if (m_main)
        m_main->setPeers(nullptr);
}

// The poll cycle runs on the main window and the station; what it does to
// the other windows with a new record reaches them once they exist.
void TApplicationWindows::attachPollCycle() {
    m_poll = std::make_unique<PollController>(*m_main, *m_station);
}

QList<QWidget *> TApplicationWindows::windows() const {
    return {m_main.get(),    m_options.get(), m_plot.get(), m_data.get(),
            m_archive.get(), m_date.get(),    m_tree.get(), m_about.get()};
}

void TApplicationWindows::connectPeers() {
    m_peers = std::make_unique<ApplicationPeers>(*m_options, *m_plot, *m_data, *m_archive, *m_about,
                                                 *m_tree);
    m_main->setPeers(m_peers.get());
    mainwindow::TMainForm &main = *m_main;
    m_plot->setTripThresholdSource([&main](int unit) {
        const mainwindow::TUnitPanel *panel = main.unitPanel(unit);
        return panel ? double(panel->upTripThreshold) : 0.0;
    });
}

int runApplication(int argc, char **argv) {
    QApplication application(argc, argv);
    initialiseApplication(application);
    TApplicationWindows windows;
    QObject::connect(&windows.MainForm(), &mainwindow::TMainForm::closed, &application,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    windows.MainForm().show();
    return QApplication::exec();
}

} // namespace orvex::app
