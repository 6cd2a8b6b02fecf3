// The options dialog "Настройка параметров программы": where the operator
// sets the numbers of units and channels, the register of units and sensors,
// storage times, the serial port, speed and poll period, and the alarm sound.
//
// Created once at start-up right after the main window; its creation lists
// the serial ports and hands the configured port and speed to the serial
// component. The main window's options run shows it modally (ShowModalOptions)
// for as long as CheckDuplicateAddresses reports equal addresses and then,
// when portChosen(), rebuilds the grid and saves the settings. Most controls
// write their setting into the settings record the moment they are left or
// changed; the counts, the port, the speed and the period are also taken when
// the dialog closes. Nothing here writes the settings file.
//
// "Activation" and "deactivation" are the dialog becoming, or ceasing to be,
// the focus window among the program's own windows (a message box coming up
// in front of it deactivates it, its going away re-activates it); the
// operator switching to another program is neither.
#pragma once

#include "config/OptionsDataEditors.h"
#include "config/OptionsHost.h"
#include "config/OptionsRules.h"
#include "config/OptionsWidgets.h"
#include "config/UnitRegister.h"

#include <QCheckBox>
#include <QDialog>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QWindow>

#include <functional>

class QMenu;

namespace orvex::ui {
class ActivationWatch;
}

namespace orvex::config {

class TIniOptionsForm : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog and runs its creation step (port list, hand-over of
    // port and speed, controls loaded from the settings, estimates).
    explicit TIniOptionsForm(OptionsHost &host, QWidget *parent = nullptr);
    ~TIniOptionsForm() override;

    // Shows the dialog modally; returns when it is closed by any route.
    int ShowModalOptions();

    // Whether a port is chosen in ComNoRadioGroup; the options run does
    // nothing more after the dialog when none is.
    bool portChosen() const { return ComNoRadioGroup->itemIndex() >= 0; }
    // The chosen port name ("COM3"), empty when none is chosen.
    QString chosenPortName() const { return ComNoRadioGroup->chosenText(); }

    // The file the alarm plays: the text of SndFileLabeledEdit, including a
    // name typed by hand that is not stored in the settings.
    QString soundFileText() const { return SndFileLabeledEdit->text(); }

    // False when the creation ended early (no serial port, or listing the
    // ports failed); the controls then hold their design values.
    bool controlsLoaded() const { return m_loaded; }

    // Replaces the file chooser (tests): returns the chosen files, or an
    // empty list when cancelled.
    void setSoundFileChooser(std::function<QStringList(QWidget *)> chooser);

    // --- the dialog's steps and handlers --------------------------------
    void FormCreate();
    void FormActivate();
    void FormDeactivate();
    void FormClose();

    void UnitsAmntSpinEditExit();
    void ScanCheckBoxClick();
    void L2procRadioGroupExit();
    void IniUnitCodDBEditExit();
    void DBNavigatorClick(DbNavigator::Button button);
    void CurrKeepSpinEditChange();
    void CurrKeepSpinEditExit();
    void StorageTabSheetEnter();
    void ArcKeepSpinEditExit();
    void ComNoRadioGroupExit();
    void COMSpeedRadioGroupExit();
    void PeriodSpinEditChange();
    void ConnectionTabSheetEnter();
    void SoundCheckBoxExit();
    void SoundAmountSpinEditChange();
    void SndFileLabeledEditDblClick();
    void SelectSoundButtonClick();
    void PlayOnceMenuItemClick();
    void PlaySoundButtonClick();
    void CloseBitBtnClick();

    // The two table-size estimates (hints of the groups "Хранение текущих
    // данных" and "Период опроса пультов").
    void BuildKeepEstimate();
    void BuildPeriodEstimate();

    // The hint a control shows (empty when hints are off for it).
    QString hintOf(const QWidget *control) const;
    // The hint text a control carries, whether shown or not.
    QString hintTextOf(const QWidget *control) const { return m_hints.text(control); }

    // --- controls ---------------------------------------------------------
    QTabWidget *PageControl1;
    QWidget *ConfigTabSheet;
    QWidget *UnitsTabSheet;
    QWidget *Sensors1TabSheet;
    QWidget *Sensors2TabSheet;
    QWidget *StorageTabSheet;
    QWidget *ConnectionTabSheet;
    QWidget *SoundTabSheet;

    SpinEdit *UnitsAmntSpinEdit;
    SpinEdit *SensorSpinEdit;
    QCheckBox *ScanCheckBox;
    RadioGroup *L2procRadioGroup;

    DbText *UnitIdxDBText;
    DbEdit *IniUnitNameDBEdit;
    DbEdit *IniUnitCodDBEdit;
    DbNavigator *UnitsDBNavigator;
    DbText *UnitIdxDBText2;
    DbMemo *IniUnitDescrDBMemo;

    DbText *Sensors1UnitIdxDBText;
    DbNavigator *Sensors1DBNavigator;
    SensorPanelGrid *SensorDBCtrlGrid;

    DbText *Sensors2UnitIdxDBText;
    DbNavigator *Sensors2DBNavigator;
    SensorDescriptionTable *SensorDBGrid;

    QGroupBox *CurrKeepGroupBox;
    SpinEdit *CurrKeepSpinEdit;
    QGroupBox *ArcKeepGroupBox;
    SpinEdit *ArcKeepSpinEdit;

    RadioGroup *ComNoRadioGroup;
    RadioGroup *COMSpeedRadioGroup;
    QGroupBox *PeriodGroupBox;
    SpinEdit *PeriodSpinEdit;

    QCheckBox *SoundCheckBox;
    SpinEdit *SoundAmountSpinEdit;
    QLineEdit *SndFileLabeledEdit;
    QPushButton *SelectSoundButton;
    QPushButton *PlaySoundButton;
    QMenu *SndFilePopupMenu;

    QPushButton *CloseBitBtn;

    // Tab indexes.
    enum Tab { ConfigTab, UnitsTab, Sensors1Tab, Sensors2Tab, StorageTab, ConnectionTab, SoundTab };

    // Every route of closing (button, Esc, close box) ends here.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLook();
    QWidget *buildConfigTab();
    QWidget *buildUnitsTab();
    QWidget *buildSensors1Tab();
    QWidget *buildSensors2Tab();
    QWidget *buildStorageTab();
    QWidget *buildConnectionTab();
    QWidget *buildSoundTab();
    QWidget *newTab(const QString &header, QWidget *&body);
    void wireHandlers();

    void setHint(QWidget *control, const QString &text, bool always = false);
    void applyHints();
    void watchActivation();
    void watchFrontWindow(QWindow *front);
    void takeFocusBack();
    void takeChosenSpeed();
    void fillPortList(const QStringList &ports);
    int chosenPortNumber() const;
    int periodSeconds() const;
    void takeSoundFile(const QString &fileName);
    void handOverPort(const QString &name);
    LeaveVerdict ruleFieldLeft(SpinEdit *field, LeaveRuleResult (*rule)(const QString &),
                               const QString &refusal, int resetValue, int32_t &setting);
    void setEstimate(QGroupBox *group, const QString &hint);

    OptionsHost &m_host;
    TSettings &Settings;
    UnitRegister m_register;
    FocusWatcher *m_focus;
    std::function<QStringList(QWidget *)> m_chooseSoundFile;

    ui::HintRegistry m_hints;

    bool m_loaded = false;    // the creation step ran to its end
    bool m_shownOnce = false; // centred on the screen the first time only
    ui::ActivationWatch *m_activation = nullptr;
    bool m_closing = false;
    bool m_speedChosen = false;               // the operator chose a speed item
    bool m_inActivation = false;              // the activation step runs (or its error box)
    QMetaObject::Connection m_frontHidden;    // the own window in front of the
    QMetaObject::Connection m_frontDestroyed; // dialog going away
};

} // namespace orvex::config
