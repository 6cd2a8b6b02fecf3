// The main window's controls as the tests reach them: by their object names,
// under the names the window gives them, and a stand-in for the other
// windows that records what the main window asks of them.
#pragma once

#include "mainwindow/MainOrvex01.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <optional>

namespace orvex::test {

template <typename T> T *mainChild(const mainwindow::TMainForm &form, const QString &name) {
    return form.findChild<T *>(name, Qt::FindChildrenRecursively);
}

#define ORVEX_MAIN_CONTROL(Type, Name)                                                             \
    inline Type *Name(const mainwindow::TMainForm &form) {                                         \
        return mainChild<Type>(form, QStringLiteral(#Name));                                       \
    }
ORVEX_MAIN_CONTROL(QMenuBar, MainMenu1)
ORVEX_MAIN_CONTROL(QMenu, miFile)
ORVEX_MAIN_CONTROL(QAction, miFileOpen)
ORVEX_MAIN_CONTROL(QAction, miFileSave)
ORVEX_MAIN_CONTROL(QAction, miOptions)
ORVEX_MAIN_CONTROL(QAction, miData)
ORVEX_MAIN_CONTROL(QAction, miArchiv)
ORVEX_MAIN_CONTROL(QMenu, miHelp)
ORVEX_MAIN_CONTROL(QAction, miHint1)
ORVEX_MAIN_CONTROL(QAction, miHint2)
ORVEX_MAIN_CONTROL(QAction, miHint3)
ORVEX_MAIN_CONTROL(QAction, N13)
ORVEX_MAIN_CONTROL(QAction, miExit)
ORVEX_MAIN_CONTROL(QFrame, ToolPanel)
ORVEX_MAIN_CONTROL(QPushButton, ScanBitBtn)
ORVEX_MAIN_CONTROL(QCheckBox, L2ProcCheckBox1)
ORVEX_MAIN_CONTROL(QCheckBox, SoundCheckBox1)
ORVEX_MAIN_CONTROL(QProgressBar, ProgressBar1)
ORVEX_MAIN_CONTROL(mainwindow::TStatusBar, StatusBar1)
ORVEX_MAIN_CONTROL(QLabel, FirstRunNotice)
ORVEX_MAIN_CONTROL(QTimer, Timer1)
#undef ORVEX_MAIN_CONTROL

// The grid, indexed from 1; null where the grid has no such panel.
inline mainwindow::TBevelPanel *ChannelHeaders(const mainwindow::TMainForm &form, int n) {
    return mainChild<mainwindow::TBevelPanel>(form, QStringLiteral("ChannelHeader%1").arg(n));
}
inline mainwindow::TUnitPanel *UnitPanels(const mainwindow::TMainForm &form, int u) {
    return form.unitPanel(u);
}
inline mainwindow::TSensPanel *SensPanels(const mainwindow::TMainForm &form, int n, int u) {
    return mainChild<mainwindow::TSensPanel>(form, QStringLiteral("SensPanel%1_%2").arg(n).arg(u));
}

// The other windows as the main window sees them: each call goes to the
// function of the same name in `on`, where a test has set one.
struct PeerCalls : mainwindow::MainFormPeers {
    struct {
        std::function<void()> showOptionsDialog;
        std::function<bool()> optionsPortChosen;
        std::function<void()> closeDataView;
        std::function<void()> closeArchiveView;
        std::function<void()> closePlotWindow;
        std::function<void(const QString &caption)> showDataView;
        std::function<void()> showArchiveView;
        std::function<void(int unitNo, int channelNo, const QString &gasName,
                           const QString &unitLabel, float tripThreshold)>
            handOverPlot;
        std::function<void()> showPlot;
        std::function<void()> closeArchiveTable;
        std::function<void()> closeCurrentTable;
        std::function<void(bool on)> setWindowHints;
        std::function<std::optional<QPoint>()> dataViewCorner;
        std::function<std::optional<QPoint>()> archiveViewCorner;
        std::function<std::optional<QPoint>()> plotWindowCorner;
        std::function<void()> showAbout;
        std::function<void()> chooseFolder;
    } on;

    void showOptionsDialog() override { call(on.showOptionsDialog); }
    bool optionsPortChosen() override { return on.optionsPortChosen && on.optionsPortChosen(); }
    void closeDataView() override { call(on.closeDataView); }
    void closeArchiveView() override { call(on.closeArchiveView); }
    void closePlotWindow() override { call(on.closePlotWindow); }
    void showDataView(const QString &caption) override {
        if (on.showDataView)
            on.showDataView(caption);
    }
    void showArchiveView() override { call(on.showArchiveView); }
    void handOverPlot(int unitNo, int channelNo, const QString &gasName, const QString &unitLabel,
                      float tripThreshold) override {
        if (on.handOverPlot)
            on.handOverPlot(unitNo, channelNo, gasName, unitLabel, tripThreshold);
    }
    void showPlot() override { call(on.showPlot); }
    void closeArchiveTable() override { call(on.closeArchiveTable); }
    void closeCurrentTable() override { call(on.closeCurrentTable); }
    void setWindowHints(bool v) override {
        if (on.setWindowHints)
            on.setWindowHints(v);
    }
    std::optional<QPoint> dataViewCorner() const override { return corner(on.dataViewCorner); }
    std::optional<QPoint> archiveViewCorner() const override {
        return corner(on.archiveViewCorner);
    }
    std::optional<QPoint> plotWindowCorner() const override { return corner(on.plotWindowCorner); }
    void showAbout() override { call(on.showAbout); }
    void chooseFolder() override { call(on.chooseFolder); }

private:
    static void call(const std::function<void()> &f) {
        if (f)
            f();
    }
    static std::optional<QPoint> corner(const std::function<std::optional<QPoint>()> &f) {
        return f ? f() : std::nullopt;
    }
};

} // namespace orvex::test
