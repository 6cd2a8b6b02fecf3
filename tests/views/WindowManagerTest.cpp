// The views, the date picker and the plot under a real window manager
// (openbox on a private virtual X server), with a second program to switch
// to: coming back from it keeps the chosen unit and the date being picked,
// and a real error box of the main window, closed while the plot or a view
// was active, does not swallow their next activation; every box shows the
// same button icon.
#include "store/Installer.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Session.h"
#include "ui/Messages.h"
#include "views/Calndr2.h"
#include "views/DataArc.h"
#include "views/DateFormats.h"
#include "views/PlotWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace orvex;
using namespace orvex::views;

namespace {

constexpr int kWaitMs = 10000;

test::X11Session *g_session = nullptr;
unsigned long g_otherWindow = 0;

class UnderWindowManager : public ::testing::Test {
protected:
    UnderWindowManager() {
        store::createDatabase(m_folder.file(QStringLiteral("Database")));
        settings.UnitsAmount = 5;
        mainWindow.setWindowTitle(QStringLiteral("Главное окно"));
        mainWindow.resize(400, 300);
        mainWindow.move(20, 20);
    }

    QString databaseFolder() const { return m_folder.file(QStringLiteral("Database")); }

    // What a click on a window does: the window manager makes it active.
    static bool bringToFront(QWidget &window) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window, kWaitMs))
            return false;
        g_session->activate(window.winId());
        return QTest::qWaitForWindowActive(&window, kWaitMs);
    }

    // A window the program activated itself (a cell click, "ДАННЫЕ") comes
    // to the front; a window manager that keeps the focus where it is (its
    // focus-stealing rule, with no real input event behind the request) is
    // asked the way a click on the window would.
    static bool cameToFront(QWidget &window) {
        return QTest::qWaitForWindowActive(&window, 2000) || bringToFront(window);
    }

    // The operator switches to the other program: no window of this one
    // keeps the focus.
    static bool switchToOtherProgram() {
        g_session->activate(g_otherWindow);
        return QTest::qWaitFor([] { return QGuiApplication::focusWindow() == nullptr; }, kWaitMs);
    }

    // Closes the next message box with Enter once it has the focus (its own
    // event loop runs the check); gives up after the deadline. `closed` tells
    // whether it was closed that way.
    static void closeBoxWhenFocused(QObject *context, bool &closed) {
        auto *closer = new QTimer(context);
        auto *since = new QElapsedTimer;
        since->start();
        closer->setInterval(10);
        QObject::connect(closer, &QTimer::timeout, context, [closer, since, &closed] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && QGuiApplication::focusWindow() == box->windowHandle()) {
                QTest::keyClick(box, Qt::Key_Return);
                closed = true;
            } else if (since->elapsed() < kWaitMs) {
                return;
            } else if (box) {
                box->reject();
            }
            closer->stop();
            closer->deleteLater();
            delete since;
        });
        closer->start();
    }

    // A poll error box of the main window, shown while another window of
    // the program is active, and closed with Enter.
    static bool pollErrorBoxComesAndGoes(QWidget &owner) {
        bool closed = false;
        closeBoxWhenFocused(&owner, closed);
        ui::showError(QStringLiteral("Ошибка порта"), &owner);
        return closed &&
               QTest::qWaitFor([] { return QGuiApplication::focusWindow() != nullptr; }, kWaitMs);
    }

    test::ScopedLocale m_locale{test::russianLocale()};
    test::TempProgramFolder m_folder;
    config::TSettings settings;
    bool autoRefresh = true;
    QWidget mainWindow;
};

} // namespace

TEST_F(UnderWindowManager, ReturnFromAnotherProgramKeepsTheUnitAndTheDateBeingPicked) {
    TDateDlgForm picker;
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    view.setDatePicker(&picker);
    ASSERT_TRUE(bringToFront(mainWindow));
    view.showView();
    ASSERT_TRUE(cameToFront(view));
    view.UnitComboBox->setCurrentIndex(2);
    const QString caption = view.windowTitle();

    ASSERT_TRUE(switchToOtherProgram());
    ASSERT_TRUE(bringToFront(view));
    QTest::qWait(50); // any activation step would run from the event loop
    EXPECT_EQ(view.UnitComboBox->currentIndex(), 2);
    EXPECT_EQ(view.windowTitle(), caption);

    // The picker on the first date field: a month up, away to the other
    // program and back, then OK.
    const QDate picked = QDate::currentDate().addMonths(1);
    bool returned = false;
    QDate shownAfterReturn;
    QTimer::singleShot(0, &picker, [&] {
        if (!QTest::qWaitForWindowActive(&picker, kWaitMs))
            return picker.reject();
        picker.MonthSpButtonUpClick();
        returned = switchToOtherProgram() && bringToFront(picker);
        QTest::qWait(50);
        shownAfterReturn = picker.calendarDate();
        picker.OkBitBtn->click();
    });
    QTest::mouseDClick(view.DateMaskEdit1, Qt::LeftButton);
    ASSERT_TRUE(returned);
    EXPECT_EQ(shownAfterReturn, picked);
    EXPECT_EQ(view.DateMaskEdit1->text(), fieldDateText(picked));
    // Where the focus goes when the picker closes is the window manager's
    // choice; the operator then clicks the view.
    ASSERT_TRUE(bringToFront(view));
    QTest::qWait(50);
    EXPECT_EQ(view.UnitComboBox->currentIndex(), 2);
}

TEST_F(UnderWindowManager, MainWindowsErrorBoxDoesNotSwallowThePlotsNextCellClick) {
    TPlotForm plot(settings, databaseFolder());
    ASSERT_TRUE(bringToFront(mainWindow));
    plot.showPlot(1, 1, QStringLiteral("метан"), QStringLiteral("шахта"), 1.0);
    ASSERT_TRUE(cameToFront(plot));
    ASSERT_TRUE(QTest::qWaitFor([&] { return plot.axisMaximum() == 2.5; }, kWaitMs));

    ASSERT_TRUE(pollErrorBoxComesAndGoes(mainWindow));
    // The next cell click: the main window, then the plot of another cell.
    ASSERT_TRUE(bringToFront(mainWindow));
    plot.showPlot(2, 3, QStringLiteral("аммиак"), QStringLiteral("склад"), 250);
    ASSERT_TRUE(cameToFront(plot));
    EXPECT_TRUE(QTest::qWaitFor([&] { return plot.axisMaximum() == 500; }, kWaitMs));
    EXPECT_EQ(plot.titleLine1(), QStringLiteral("пульт № 2 -  канал № 3"));
    EXPECT_DOUBLE_EQ(plot.thresholdPercent(), 50);
}

TEST_F(UnderWindowManager, MainWindowsErrorBoxDoesNotSwallowTheViewsNextActivation) {
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    ASSERT_TRUE(bringToFront(mainWindow));
    view.showView();
    ASSERT_TRUE(cameToFront(view));
    view.UnitComboBox->setCurrentIndex(2);
    view.setWindowTitle(QStringLiteral("Текущие данные (за 24 ч)"));

    ASSERT_TRUE(pollErrorBoxComesAndGoes(mainWindow));
    settings.UnitsAmount = 3;
    ASSERT_TRUE(bringToFront(mainWindow));
    view.showView();
    ASSERT_TRUE(cameToFront(view));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.UnitComboBox->count() == 4; }, kWaitMs));
    EXPECT_EQ(view.UnitComboBox->currentIndex(), -1);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Текущие данные (за 24 ч. работы программы)"));
}

// The view's own range error box closing over it is no activation.
TEST_F(UnderWindowManager, ViewsOwnErrorBoxClosingKeepsTheUnit) {
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    ASSERT_TRUE(bringToFront(mainWindow));
    view.showView();
    ASSERT_TRUE(cameToFront(view));
    view.UnitComboBox->setCurrentIndex(2);
    view.DateMaskEdit1->setText(fieldDateText(QDate(2026, 12, 10)));
    view.DateMaskEdit2->setText(fieldDateText(QDate(2026, 12, 1)));
    bool closed = false;
    closeBoxWhenFocused(&view, closed);
    view.ApplyBitBtn->click();
    ASSERT_TRUE(closed);
    ASSERT_TRUE(cameToFront(view));
    QTest::qWait(50);
    EXPECT_EQ(view.UnitComboBox->currentIndex(), 2);
    EXPECT_EQ(view.DateMaskEdit1->text(), fieldDateText(QDate(2026, 12, 1)));
}

// On a desktop the style puts an icon on the boxes' OK button. Every box
// shows the same one: a new icon per box would leave its picture in the
// application's pixmap cache, box after box, for as long as a fault lasts.
TEST_F(UnderWindowManager, ErrorBoxesShareTheirButtonIconSoNoneStaysBehind) {
    ASSERT_TRUE(bringToFront(mainWindow));
    QList<qint64> icons;
    for (int i = 0; i < 3; ++i) {
        QTimer::singleShot(0, &mainWindow, [&icons] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            const QIcon icon = box->button(QMessageBox::Ok)->icon();
            icons << (icon.isNull() ? 0 : icon.cacheKey());
            box->accept();
        });
        (i == 1 ? ui::showWarning : ui::showError)(QStringLiteral("Ошибка порта"), &mainWindow);
    }
    ASSERT_EQ(icons.size(), 3);
    EXPECT_NE(icons[0], 0) << "no icon on the button: the check proves nothing here";
    EXPECT_EQ(icons[1], icons[0]);
    EXPECT_EQ(icons[2], icons[0]);
}

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--other-application") == 0)
            return test::runOtherApplication(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    test::X11Session session;
    const QString failure = session.start();
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "X11 session: %s\n", qPrintable(failure));
        return 1;
    }
    g_session = &session;
    g_otherWindow = session.startOtherApplication(QString::fromLocal8Bit(argv[0]),
                                                  QStringLiteral("--other-application"));
    if (!g_otherWindow) {
        std::fprintf(stderr, "X11 session: the other program did not show its window\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
