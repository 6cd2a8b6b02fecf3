// The options dialog's life: its creation from the settings, activation
// and deactivation (with the steps each runs), and closing, which hands the
// dialog's choices back to the settings and the serial component.
#include "config/IniOptions.h"

#include "polling/Protocol.h"
#include "serial/BCPort.h"
#include "serial/PortMap.h"
#include "ui/Activation.h"
#include "ui/ErrorHandler.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace orvex::config {

// --- creation ------------------------------------------------------------

void TIniOptionsForm::fillPortList(const QStringList &ports) {
    ComNoRadioGroup->setItems(ports, 2);
    // Each port shows the device behind its name.
    for (int i = 0; i < ports.size(); ++i) {
        QString device;
        ui::guarded([&] { device = m_host.portDevicePath(ports[i]); }, this);
        const QString hint = QStringLiteral("Выберите свободный порт") + QStringLiteral("\r") +
                             ports[i] + QStringLiteral(" = ") +
                             (device.isEmpty() ? QStringLiteral("?") : device);
        QAbstractButton *button = ComNoRadioGroup->button(i);
        setHint(button, hint, true);
        button->setAccessibleDescription(device);
    }
}

void TIniOptionsForm::handOverPort(const QString &name) {
    serial::TBComPort &port = m_host.comPort();
    port.SetPort(name);
    port.SetBaudRate(serial::TBaudRate(polling::SpeedToBaudRate(Settings.Speed)));
}

void TIniOptionsForm::FormCreate() {
    ui::guarded(
        [&] {
            L2procRadioGroup->setItemIndex(Settings.L2ProcOn ? 0 : 1);
            COMSpeedRadioGroup->setItemIndex(speedItemIndex(Settings.Speed));

            const QStringList ports = m_host.listSerialPorts();
            fillPortList(ports);
            ComNoRadioGroup->setItemIndex(-1);
            // Walk the names in list order; the last one whose number equals
            // the configured port becomes the chosen one.
            int chosen = -1;
            for (int i = 0; i < ports.size(); ++i) {
                if (Settings.ComPortNo > 0 && serial::portNumber(ports[i]) == Settings.ComPortNo)
                    chosen = i;
            }
            ComNoRadioGroup->setItemIndex(chosen);
            // A configured port that is not in the list is still handed over
            // by its name, so that opening it reports the missing port rather
            // than polling whatever port the component held before.
            if (Settings.ComPortNo > 0)
                handOverPort(chosen >= 0 ? ports[chosen]
                                         : QStringLiteral("COM%1").arg(Settings.ComPortNo));
            if (ports.isEmpty()) {
                applyHints();
                ui::showError(noPortsText(), this);
                return;
            }

            PeriodSpinEdit->setValue(int((qint64(Settings.PeriodMs) + 500) / 1000));
            UnitsAmntSpinEdit->setValue(Settings.UnitsAmount);
            SensorSpinEdit->setValue(Settings.ChannalsMaxAmount);
            CurrKeepSpinEdit->setValue(Settings.CurrKeepTime);
            ArcKeepSpinEdit->setValue(Settings.ArcLevel);
            SoundCheckBox->setChecked(Settings.Sound_ON);
            SoundAmountSpinEdit->setValue(Settings.Amount);
            SndFileLabeledEdit->setText(Settings.SoundFile);
            ScanCheckBox->setChecked(Settings.ScanShow);
            m_loaded = true;

            BuildKeepEstimate();
            BuildPeriodEstimate();
            PageControl1->setCurrentIndex(ConfigTab);
        },
        this);
    applyHints();
}

// --- activation, deactivation, closing -----------------------------------

int TIniOptionsForm::ShowModalOptions() {
    return exec();
}

void TIniOptionsForm::showEvent(QShowEvent *event) {
    if (!m_shownOnce) {
        // Centred on the screen the first time; afterwards where the
        // operator left it.
        m_shownOnce = true;
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

// Activation: shown, or the focus back from another window of the program,
// a message box of the dialog's own included. The steps run after the
// window system's event is done with: they may show a modal box, which must
// not nest inside the focus change itself.
void TIniOptionsForm::watchActivation() {
    m_activation = new ui::ActivationWatch(this, ui::ActivationWatch::OwnBoxes::Activate);
    connect(m_activation, &ui::ActivationWatch::activated, this, [this] {
        if (m_closing)
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    FormActivate();
            },
            Qt::QueuedConnection);
    });
    // Another window of the program (a message box, a chooser) in front of
    // the dialog deactivates it; another application does not.
    connect(m_activation, &ui::ActivationWatch::deactivated, this, [this](QWindow *front) {
        if (m_closing)
            return;
        watchFrontWindow(front);
        // The error box of a failed activation step is no new deactivation,
        // and its going away no new activation: the same step would fail
        // again, and its box would come back for ever.
        if (m_inActivation) {
            m_activation->forgetAbsence();
            return;
        }
        // A dialog closed meanwhile has been deactivated by its closing.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    FormDeactivate();
            },
            Qt::QueuedConnection);
    });
}

void TIniOptionsForm::watchFrontWindow(QWindow *front) {
    // Without a window manager nobody gives the focus back when a box in
    // front of the dialog goes away: the dialog would stay inactive until the
    // operator clicks into it, and the activation (which moves the Units.DB
    // cursor to CurUnit) would then come between that click and what the
    // operator does with it. The dialog takes the focus back itself as soon
    // as the window in front is gone.
    disconnect(m_frontHidden);
    disconnect(m_frontDestroyed);
    const auto gone = [this] {
        QMetaObject::invokeMethod(this, &TIniOptionsForm::takeFocusBack, Qt::QueuedConnection);
    };
    m_frontHidden = connect(front, &QWindow::visibleChanged, this, [gone](bool visible) {
        if (!visible)
            gone();
    });
    m_frontDestroyed = connect(front, &QObject::destroyed, this, gone);
}

void TIniOptionsForm::takeFocusBack() {
    if (m_closing || m_activation->isActive() || !isVisible())
        return;
    // Another window of the program still in front keeps the focus.
    const QWindow *focus = QGuiApplication::focusWindow();
    if (focus && focus->isVisible() && focus != windowHandle())
        return;
    const QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != this)
        return;
    activateWindow();
}

void TIniOptionsForm::FormActivate() {
    m_inActivation = true;
    const struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_inActivation};
    ui::guarded(
        [&] {
            L2procRadioGroup->setItemIndex(Settings.L2ProcOn ? 0 : 1);
            SoundCheckBox->setChecked(Settings.Sound_ON);
            store::Table &units = m_host.unitsTable();
            if (units.isOpen()) {
                units.first();
                const qint64 limit = std::min<qint64>(units.recordCount(), Settings.UnitsAmount);
                if (Settings.CurUnit >= 1 && Settings.CurUnit <= limit)
                    units.moveBy(Settings.CurUnit - 1);
                else
                    Settings.CurUnit = 1;
            }
        },
        this);
    applyHints();
}

void TIniOptionsForm::FormDeactivate() {
    ui::guarded(
        [&] {
            if (!portChosen()) {
                ui::showError(noPortChosenText(), isVisible() ? this : parentWidget());
                PageControl1->setCurrentIndex(ConnectionTab);
            } else {
                Settings.ComPortNo = chosenPortNumber();
            }
        },
        this);
}

void TIniOptionsForm::FormClose() {
    store::Table &units = m_host.unitsTable();
    ui::guarded(
        [&] {
            postPendingEdit(units);
            postPendingEdit(m_host.sensorTable());
        },
        this);
    ui::guarded(
        [&] {
            const qint64 row = units.isOpen() ? units.recNo() : 1;
            Settings.CurUnit = row > Settings.UnitsAmount || row < 1 ? 1 : int(row);
        },
        this);
    // After an early-ended creation the count and period fields hold design
    // values, not the configuration: they must not overwrite it.
    if (m_loaded) {
        Settings.UnitsAmount = UnitsAmntSpinEdit->value();
        Settings.ChannalsMaxAmount = SensorSpinEdit->value();
    }
    Settings.ComPortNo = chosenPortNumber();
    takeChosenSpeed();
    if (m_loaded)
        Settings.PeriodMs = periodSeconds() * 1000;
    // The chosen port and speed reach the serial component even when the
    // dialog is closed without leaving their groups (Esc, close box), so the
    // status bar and START use what the settings say.
    if (portChosen())
        ui::guarded([&] { handOverPort(chosenPortName()); }, this);
}

void TIniOptionsForm::done(int result) {
    if (m_closing) {
        QDialog::done(result);
        return;
    }
    m_closing = true;
    const bool wasActive = m_activation->isActive();
    FormClose();
    QDialog::done(result);
    // Closing deactivates the dialog too: the missing-port error still
    // comes, and the dialog still closes.
    if (wasActive)
        FormDeactivate();
    m_closing = false;
}

void TIniOptionsForm::CloseBitBtnClick() {
    accept();
}

} // namespace orvex::config
