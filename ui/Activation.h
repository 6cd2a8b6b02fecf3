// When a window of the program is activated and deactivated.
//
// A window is activated when the focus comes to it from another window of
// the program, and the first time it takes the focus after being shown. Its
// return from another application (Alt+Tab, a click on another program) is
// no activation: the focus left the program and came back to where it was.
// A box or dialog that the window opened itself and that closes over it is
// no activation either, unless the window asks for it (OwnBoxes::Activate).
//
// A window is deactivated when another window of the program comes in front
// of it; going to another application deactivates nothing.
//
// The rule looks at where the focus went while the window did not have it,
// not at a flag kept from the moment it left: a box of another window that
// closes meanwhile leaves nothing behind that could swallow the next real
// activation.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace orvex::ui {

class ActivationWatch : public QObject {
    Q_OBJECT
public:
    // Whether the window's own boxes closing over it activate it again.
    enum class OwnBoxes { NoActivation, Activate };

    explicit ActivationWatch(QWidget *window, OwnBoxes ownBoxes = OwnBoxes::NoActivation);
    ~ActivationWatch() override;

    // The window has the focus of the program.
    bool isActive() const { return m_active; }

    // Marks a modal window that the watched window opens itself (such as a
    // picker shared with other windows, which is not its child): the first
    // window that takes the focus while a mark lives is the window's own box.
    class OwnModal {
    public:
        explicit OwnModal(ActivationWatch &watch) : m_watch(&watch) { ++m_watch->m_ownModals; }
        ~OwnModal() {
            if (m_watch)
                --m_watch->m_ownModals;
        }
        OwnModal(const OwnModal &) = delete;
        OwnModal &operator=(const OwnModal &) = delete;

    private:
        QPointer<ActivationWatch> m_watch;
    };

    // The window's present absence is to be forgotten: its return is no
    // activation (used for the box of a failed activation step, which would
    // fail again and bring its box back for ever).
    void forgetAbsence();

signals:
    void activated();
    // `front` is the window of the program that took the focus.
    void deactivated(QWindow *front);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Away { Nowhere, OwnBox, OtherWindow };

    void focusWindowChanged(QWindow *now);
    bool isOwnBox(QWindow *candidate) const;
    void reset();

    QWidget *m_window;
    const OwnBoxes m_ownBoxes;
    bool m_active = false;
    bool m_shownPending = false; // shown; its first focus is an activation
    Away m_away = Away::Nowhere;
    QPointer<QWindow> m_ownBox;
    int m_ownModals = 0;
};

// True when `window`, or a window it stands over (its transient parents),
// is `owner`.
bool standsOver(const QWindow *window, const QWindow *owner);

} // namespace orvex::ui
