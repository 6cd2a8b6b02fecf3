// The activation rule of the program's windows: the focus coming from another
// window of the program activates, a return from another application does
// not, a box the window opened itself does not (unless the window asks for
// it), and a box of another window leaves nothing behind that swallows the
// next activation.
#include "ui/Activation.h"
#include "tests/support/FocusSimulation.h"
#include "ui/Messages.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::ui;
using orvex::test::activate;
using orvex::test::comeBackFromAnotherApplication;
using orvex::test::leaveForAnotherApplication;

namespace {

class ActivationRule : public ::testing::Test {
protected:
    using OwnBoxes = ActivationWatch::OwnBoxes;

    void watch(OwnBoxes ownBoxes = OwnBoxes::NoActivation) {
        m_watch = new ActivationWatch(&window, ownBoxes);
        QObject::connect(m_watch, &ActivationWatch::activated, [this] { ++activations; });
        QObject::connect(m_watch, &ActivationWatch::deactivated,
                         [this](QWindow *) { ++deactivations; });
    }

    MessageRecorder messages;
    QWidget main;
    QWidget window;
    QWidget box;
    ActivationWatch *m_watch = nullptr;
    int activations = 0;
    int deactivations = 0;
};

} // namespace

TEST_F(ActivationRule, ShowingAndComingFromAnotherWindowActivateReturningFromAnotherProgramNot) {
    watch();
    activate(main);
    activate(window);
    EXPECT_EQ(activations, 1);
    activate(main);
    EXPECT_EQ(deactivations, 1);
    activate(window);
    EXPECT_EQ(activations, 2);

    leaveForAnotherApplication(window);
    comeBackFromAnotherApplication(window);
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(deactivations, 1);

    // Away to another program, then to the main window, then back: the
    // focus came from another window of the program.
    leaveForAnotherApplication(window);
    activate(main);
    activate(window);
    EXPECT_EQ(activations, 3);
}

TEST_F(ActivationRule, OwnBoxClosingIsNoActivationUnlessTheWindowAsksForIt) {
    for (OwnBoxes kind : {OwnBoxes::NoActivation, OwnBoxes::Activate}) {
        SCOPED_TRACE(int(kind));
        delete m_watch;
        activations = deactivations = 0;
        watch(kind);
        activate(main);
        window.hide();
        activate(window);
        ASSERT_EQ(activations, 1);
        // The box takes the focus and gives it back, as a real one does.
        messages.setOnShow([&](const RecordedMessage &) {
            activate(box);
            box.hide();
            activate(window);
        });
        showError(QStringLiteral("ошибка"), &window);
        EXPECT_EQ(deactivations, 1);
        EXPECT_EQ(activations, kind == OwnBoxes::Activate ? 2 : 1);
    }
}

TEST_F(ActivationRule, OwnModalWindowOpenedByTheWindowIsNoActivation) {
    watch();
    activate(window);
    QWidget nested(&box, Qt::Dialog);
    {
        const ActivationWatch::OwnModal own(*m_watch);
        activate(box);
        // A box standing over the window's own one is the window's too.
        activate(nested);
        nested.hide();
        activate(box);
        box.hide();
    }
    activate(window);
    EXPECT_EQ(activations, 1);
}

// A box of the main window comes and goes while the window is active: the
// next time the operator comes back from the main window is an activation.
TEST_F(ActivationRule, BoxOfAnotherWindowLeavesNoFlagBehind) {
    watch();
    activate(main);
    activate(window);
    ASSERT_EQ(activations, 1);
    messages.setOnShow([&](const RecordedMessage &) {
        activate(box);
        box.hide();
    });
    showError(QStringLiteral("Ошибка порта"), &main);
    activate(main);
    activate(window);
    EXPECT_EQ(activations, 2);

    // And the focus going straight back from that box to the window is a
    // return from another window of the program.
    messages.setOnShow([&](const RecordedMessage &) {
        activate(box);
        box.hide();
        activate(window);
    });
    showError(QStringLiteral("Ошибка порта"), &main);
    EXPECT_EQ(activations, 3);
}
