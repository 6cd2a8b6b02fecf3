// Program start-up: the composition of the windows, the poll cycle and the
// options dialog around the main window.
#include "app/Orvex01m.h"

#include "app/About.h"
#include "app/AppJournal.h"
#include "app/TreeDialog.h"
#include "app/Viewing.h"
#include "config/IniOptions.h"
#include "config/OptionsHost.h"
#include "mainwindow/GridPanels.h"
#include "mainwindow/HintText.h"
#include "mainwindow/MainOrvex01.h"
#include "mainwindow/Texts.h"
#include "polling/PollMainForm.h"
#include "ui/ShellOpen.h"
#include "ui/WindowAccessibility.h"
#include "views/Calndr2.h"
#include "views/CsvExport.h"
#include "views/DataArc.h"
#include "views/DataArc2.h"
#include "views/PlotWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orvex::app {

// What the options dialog reaches in the main window.
class MainOptionsHost : public config::OptionsHost {
public:
    explicit MainOptionsHost(mainwindow::TMainForm &form) : m_form(form) {}

    config::TSettings &settings() override { return m_form.Settings; }
    serial::TBComPort &comPort() override { return m_form.BComPort1; }
    store::Table &unitsTable() override { return m_form.UnitsTable; }
    store::Table &sensorTable() override { return m_form.SensorTable; }
    int builtUnits() const override { return m_form.BuiltUnits; }
    bool hintsOn() const override { return mainwindow::hintSwitch(&m_form); }
    void setL2ProcCheckBox(bool checked) override {
        m_form.L2ProcCheckBox1->setChecked(checked);
        m_form.L2ProcCheckBox1->setToolTip(mainwindow::l2ProcHint(checked));
    }
    void setSoundCheckBox(bool checked) override {
        m_form.SoundCheckBox1->setChecked(checked);
        m_form.SoundCheckBox1->setToolTip(mainwindow::soundHint(checked));
    }
    void setCurrentDataCaption(const QString &caption) override {
        if (dataView)
            dataView->setWindowTitle(caption);
    }

    QWidget *dataView = nullptr;

private:
    mainwindow::TMainForm &m_form;
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

TApplicationWindows::TApplicationWindows() {
    // The windows are made in the program's fixed order, the main window
    // first; its creation runs to its end first.
    m_main = std::make_unique<mainwindow::TMainForm>();
    if (viewOnlyConfigured())
        m_main->enterViewingMode();
    m_main->FormCreate();
    m_order << QStringLiteral("TMainForm");
    // The poll cycle runs on the main window; what it does to the other
    // windows with a new record reaches them once they exist.
    polling::PollViewHooks hooks;
    hooks.currentRecordAdded = [this](qint64 rows) {
        if (m_data)
            m_data->recordAppended(rows);
    };
    hooks.archiveRecordAdded = [this](qint64 rows) {
        if (m_archive)
            m_archive->recordAppended(rows);
    };
    hooks.plotRecordAdded = [this](int unit) {
        if (m_plot)
            m_plot->recordAppended(unit);
    };
    hooks.soundFileText = [this] {
        return m_options ? m_options->soundFileText() : m_main->Settings.SoundFile;
    };
    hooks.shellOpen = [](const QString &file) { ui::shellOpen(file); };
    m_poll = polling::attachPollCycle(*m_main, std::move(hooks));

    // The options dialog: lists the ports and hands the configured port
    // and speed to the serial component.
    m_host = std::make_unique<MainOptionsHost>(*m_main);
    m_options = std::make_unique<config::TIniOptionsForm>(*m_host);
    m_order << QStringLiteral("TIniOptionsForm");

    // The plot window and the two views take the database of the
    // main window's Units.DB handle and their stored positions.
    const QString database = m_main->UnitsTable.databaseName();
    m_plot = std::make_unique<views::TPlotForm>(m_main->Settings, database);
    m_order << QStringLiteral("TPlotForm");
    m_data =
        std::make_unique<views::TDataArcForm>(m_main->Settings, m_main->AutoRefreshViews, database);
    m_order << QStringLiteral("TDataArcForm");
    m_archive = std::make_unique<views::TDataArc2Form>(m_main->Settings, m_main->AutoRefreshViews,
                                                       database);
    m_order << QStringLiteral("TDataArc2Form");

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
    // The recorder's hooks point at the views; they go before the views do.
    if (m_main)
        m_main->peers = {};
}

QList<QWidget *> TApplicationWindows::windows() const {
    return {m_main.get(),    m_options.get(), m_plot.get(), m_data.get(),
            m_archive.get(), m_date.get(),    m_tree.get(), m_about.get()};
}

void TApplicationWindows::connectPeers() {
    mainwindow::TMainForm &main = *m_main;
    mainwindow::MainFormPeers &p = main.peers;
    config::TIniOptionsForm *options = m_options.get();
    views::TPlotForm *plot = m_plot.get();
    views::TDataArcForm *data = m_data.get();
    views::TDataArc2Form *archive = m_archive.get();

    p.showOptionsDialog = [options] { options->ShowModalOptions(); };
    p.optionsPortChosen = [options] { return options->portChosen(); };
    p.closeDataView = [data] { data->close(); };
    p.closeArchiveView = [archive] { archive->close(); };
    p.closePlotWindow = [plot] { plot->close(); };
    p.showDataView = [data](const QString &caption) {
        data->setWindowTitle(caption);
        data->showView();
    };
    p.showArchiveView = [archive] { archive->showView(); };
    p.handOverPlot = [plot](int unit, int channel, const QString &gas, const QString &label,
                            float trip) { plot->handOver(unit, channel, gas, label, trip); };
    p.showPlot = [plot] { plot->showChannel(); };
    plot->setTripThresholdSource([&main](int unit) {
        const auto *panel =
            unit >= 1 && unit <= mainwindow::kMaxUnits ? main.UnitPanels[unit] : nullptr;
        return panel ? double(panel->upTripThreshold) : 0.0;
    });
    p.closeArchiveTable = [archive] { archive->Arc2Table.close(); };
    p.closeCurrentTable = [data] { data->CurrTable.close(); };
    p.setWindowHints = [plot, data, archive](bool on) {
        // The options dialog follows the main window's switch each time it is
        // activated (some of its controls always show their hints); the views
        // and the plot window take it now.
        mainwindow::setOwnHintSwitch(plot, on);
        data->setHintsEnabled(on);
        archive->setHintsEnabled(on);
    };
    p.dataViewCorner = [data] { return std::optional<QPoint>(data->pos()); };
    p.archiveViewCorner = [archive] { return std::optional<QPoint>(archive->pos()); };
    p.plotWindowCorner = [plot] { return std::optional<QPoint>(plot->pos()); };
    TAboutDlg *about = m_about.get();
    TTreeDlgForm *tree = m_tree.get();
    p.showAbout = [about] { about->exec(); };
    // The chosen folder is not used.
    p.chooseFolder = [tree] { tree->exec(); };
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
