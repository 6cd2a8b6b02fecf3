// The application-wide hint hook: per-window and per-panel hint switches,
// rebuilding a resting hint every 100 ms, and stopping when the pointer
// leaves. The pointer is simulated; real tooltip windows are shown offscreen.
#include "mainwindow/HintHook.h"
#include "mainwindow/GridPanels.h"
#include "tests/support/Deadline.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace orvex::mainwindow;

namespace {

struct HintScene {
    QWidget window;
    TSensPanel *cell = new TSensPanel(&window);
    QWidget *plain = new QWidget(&window);
    QWidget *under = nullptr;
    THintHook hook;

    HintScene() {
        window.resize(300, 200);
        cell->setGeometry(10, 10, 80, 40);
        plain->setGeometry(100, 10, 80, 40);
        hook.install();
        hook.setPointerWidget([this] { return under; });
        window.show();
    }

    bool requestHint(QWidget *w) {
        under = w;
        QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w, &event);
        return hook.hintWidget() == w;
    }
};

} // namespace

TEST(HintHook, ShowsEscapedHintAndFollowsChangesWhileThePointerRests) {
    HintScene scene;
    scene.cell->setHint(QStringLiteral(" Канал № 1-1\r прогрев"));
    ASSERT_TRUE(scene.requestHint(scene.cell));
    EXPECT_TRUE(scene.hook.shownText().contains(QStringLiteral("прогрев")));
    EXPECT_TRUE(scene.hook.reshowing());

    // A decode rewrites the hint; the resting hint takes it within ~100 ms.
    scene.cell->setHint(QStringLiteral(" Канал № 1-1\r 0,30% объема"));
    EXPECT_TRUE(orvex::test::holdsWithin(
        [&] { return scene.hook.shownText().contains(QStringLiteral("0,30% объема")); }, 2000));

    // The pointer leaves: the hint goes and the re-show stops.
    scene.under = scene.plain;
    EXPECT_TRUE(orvex::test::holdsWithin([&] { return !scene.hook.reshowing(); }, 2000));
    EXPECT_EQ(scene.hook.hintWidget(), nullptr);
}

TEST(HintHook, PanelSwitchOverridesTheWindowSwitch) {
    HintScene scene;
    scene.cell->setHint(QStringLiteral("ячейка"));
    scene.plain->setToolTip(QStringLiteral("окно"));

    // Window hints off, panel hints on: the panel still shows its hint.
    setOwnHintSwitch(&scene.window, false);
    setOwnHintSwitch(scene.cell, true);
    EXPECT_TRUE(scene.requestHint(scene.cell));
    EXPECT_FALSE(scene.requestHint(scene.plain));

    // Window hints on, panel hints off: no grid hint.
    setOwnHintSwitch(&scene.window, true);
    setOwnHintSwitch(scene.cell, false);
    EXPECT_FALSE(scene.requestHint(scene.cell));
    EXPECT_TRUE(scene.requestHint(scene.plain));
}

TEST(GridPanels, CaptionIsTheAccessibleNameAndClickIsReported) {
    QWidget window;
    auto *panel = new TUnitPanel(&window);
    panel->setGeometry(0, 0, 198, 40);
    panel->setCaption(QStringLiteral("Пульт №1"));
    EXPECT_EQ(panel->accessibleName(), QStringLiteral("Пульт №1"));
    QSignalSpy clicks(panel, &TBevelPanel::clicked);
    window.show();
    QTest::mouseClick(panel, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(GridPanels, CellPaintsItsRecordsViewWithTheFontRuleForItsSize) {
    QWidget window;
    auto *cell = new TSensPanel(&window);
    cell->setGeometry(0, 0, 74, 50);
    cell->cell.text = QStringLiteral("ОТКАЗ");
    cell->cell.hint = QStringLiteral("!!!");
    cell->cell.background = orvex::polling::idleCellColor();
    cell->cell.font.bold = true;
    cell->cell.font.color = orvex::polling::faultFontColor();
    cell->cell.font.size = orvex::polling::FontSizeRule::HeightDiv4AtLeast10;
    cell->applyCellView();
    EXPECT_EQ(cell->caption(), QStringLiteral("ОТКАЗ"));
    EXPECT_EQ(cell->accessibleName(), QStringLiteral("ОТКАЗ"));
    EXPECT_EQ(cell->hint(), QStringLiteral("!!!"));
    EXPECT_EQ(cell->resolvedColor(), QColor(192, 220, 192));
    EXPECT_EQ(cell->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(cell->font().bold());
    EXPECT_EQ(cell->pointSize(), 12);

    // A cell of the grid is named by its unit and channel, then its caption.
    cell->spUnitNo = 2;
    cell->spChannelNo = 3;
    cell->applyCellView();
    EXPECT_EQ(cell->accessibleName(), QStringLiteral("Канал № 2-3 ОТКАЗ"));
    cell->cell.text = QStringLiteral("  12.5");
    cell->applyCellView();
    EXPECT_EQ(cell->accessibleName(), QStringLiteral("Канал № 2-3 12.5"));
    cell->cell.text.clear();
    cell->applyCellView();
    EXPECT_EQ(cell->accessibleName(), QStringLiteral("Канал № 2-3"));
}

TEST(HintHook, ShownTooltipIsAtMost400PixelsWide) {
    HintScene scene;
    scene.cell->setHint(QStringLiteral(" Канал № 1-1\r ") +
                        QStringLiteral("длинный комментарий ").repeated(30));
    ASSERT_TRUE(scene.requestHint(scene.cell));
    QWidget *tip = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("qtooltip_label") && w->isVisible())
            tip = w;
    ASSERT_NE(tip, nullptr);
    EXPECT_LE(tip->width(), 400 + 2 * 8); // the label's own margins
    EXPECT_GT(tip->height(), 3 * tip->fontMetrics().height());
}
