// The options dialog's stand-in main window for tests.
#include "tests/config/options/OptionsTestSupport.h"

#include "store/Installer.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace orvex::test {

OptionsTestHost::OptionsTestHost() {
    const QString database = folder.file(QStringLiteral("Database"));
    store::createDatabase(database);
    UnitsTable.setDatabaseName(database);
    UnitsTable.setTableName(QStringLiteral("Units.DB"));
    UnitsTable.setIndexFieldNames(QStringLiteral("Unit_IDX"));
    SensorTable.setDatabaseName(database);
    SensorTable.setTableName(QStringLiteral("Sensors.DB"));
    SensorTable.setIndexFieldNames(QStringLiteral("Unit_IDX;Sensor_No"));
    SensorTable.setMasterSource(&UnitsTable, QStringLiteral("Unit_IDX"),
                                QStringLiteral("Unit_IDX"));
    UnitsTable.open();
    SensorTable.open();
    BComPort1.SetPort(QStringLiteral("COM1"));
    BComPort1.SetBaudRate(serial::br2400);
}

OptionsTestHost::~OptionsTestHost() {
    SensorTable.close();
    UnitsTable.close();
}

QStringList OptionsTestHost::listSerialPorts() {
    if (listFailure)
        listFailure();
    return ports;
}

void OptionsTestHost::seedUnits(int count, const std::function<int(int)> &kod) {
    for (int n = 1; n <= count; ++n) {
        UnitsTable.appendRecord({n, QStringLiteral("Пульт №%1").arg(n), kod(n), QString()});
        for (int c = 1; c <= 8; ++c) {
            SensorTable.append();
            SensorTable.setValue(QStringLiteral("Unit_IDX"), n);
            SensorTable.setValue(QStringLiteral("Sensor_No"), c);
            SensorTable.setValue(QStringLiteral("Sensor_NAME"),
                                 QStringLiteral("Датчик %1-%2").arg(n).arg(c));
            SensorTable.post();
        }
    }
    UnitsTable.first();
}

bool waitActive(QWidget *widget) {
    // Became the focus window at some point: what happens in reaction to
    // that (a box coming up in front) may already have moved the focus on.
    bool reached = false;
    QWindow *window = widget->window()->windowHandle();
    const auto connection =
        QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged,
                         [&](QWindow *now) { reached |= now && now == window; });
    reached = window && QGuiApplication::focusWindow() == window;
    widget->activateWindow();
    window = widget->window()->windowHandle();
    QElapsedTimer clock;
    clock.start();
    while (!reached && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Let the steps queued by the focus change run.
    QCoreApplication::processEvents();
    QObject::disconnect(connection);
    return reached;
}

bool waitUntil(const std::function<bool()> &condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void passFocusThroughBox(QWidget *dialog) {
    QWidget box(dialog && dialog->isVisible() ? dialog : nullptr, Qt::Dialog);
    box.resize(120, 40);
    box.show();
    EXPECT_TRUE(waitActive(&box));
    box.hide();
    if (dialog && dialog->isVisible()) {
        EXPECT_TRUE(waitActive(dialog));
    }
}

void closeRealBox(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Внимание"), text, QMessageBox::Ok,
                    parent);
    QTimer operatorHand;
    operatorHand.setInterval(10);
    QObject::connect(&operatorHand, &QTimer::timeout, &box, [&] {
        if (QGuiApplication::focusWindow() == box.windowHandle())
            box.accept();
    });
    operatorHand.start();
    QTimer::singleShot(5000, &box, [&] {
        ADD_FAILURE() << "the message box never got the focus";
        box.accept();
    });
    box.exec();
}

void moveFocus(QWidget *to) {
    to->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

void touch(const QString &path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
}

void typeInto(QWidget *field, const QString &text) {
    moveFocus(field);
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(field)) {
        spin->selectAll();
    } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->selectAll();
    }
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        typeText(field, text);
}

void typeText(QWidget *field, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &release);
    }
}

} // namespace orvex::test
