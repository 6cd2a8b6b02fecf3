// The panels of the main window: a bordered rectangle with one centred
// caption, a colour, a font, a hint and a click. TUnitPanel carries the unit
// state of a row header and TSensPanel the channel state of a cell; both keep
// their caption as the accessible name, so screen readers and tests read what
// the operator sees.
#pragma once

#include "polling/UnitState.h"
#include "ui/Hints.h"

#include <QColor>
#include <QLabel>

namespace orvex::mainwindow {

// A panel with the classic double bevel: an outer and an inner bevel, each
// raised, lowered or absent, of `bevelWidth` pixels, separated by a border of
// `borderWidth` pixels.
class TBevelPanel : public QLabel {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit TBevelPanel(QWidget *parent = nullptr);

    void setBevels(Bevel inner, Bevel outer, int bevelWidth, int borderWidth);
    Bevel bevelInner() const { return m_inner; }
    Bevel bevelOuter() const { return m_outer; }

    // The background colour, by system role or RGB.
    void setColor(const polling::PanelColor &color);
    const polling::PanelColor &color() const { return m_color; }
    QColor resolvedColor() const { return m_color.resolve(palette()); }

    // The font colour, by system role or RGB.
    void setFontColor(const polling::PanelColor &color);

    QString caption() const { return text(); }
    void setCaption(const QString &caption);

    // The hint as the system writes it (carriage returns as line breaks).
    QString hint() const { return toolTip(); }
    void setHint(const QString &hint) { setToolTip(hint); }

signals:
    void clicked();

protected:
    // What a screen reader calls the panel for a caption: the caption itself.
    virtual QString accessibleNameFor(const QString &caption) const { return caption; }
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColors();
    Bevel m_inner = Bevel::None;
    Bevel m_outer = Bevel::Raised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    polling::PanelColor m_color = polling::PanelColor::buttonFace();
    polling::PanelColor m_fontColor = polling::PanelColor::windowText();
    bool m_pressed = false;
};

// Row header of one unit.
class TUnitPanel : public TBevelPanel, public polling::UnitState {
    Q_OBJECT
public:
    explicit TUnitPanel(QWidget *parent = nullptr) : TBevelPanel(parent) {}
};

// Cell of one channel of one unit.
class TSensPanel : public TBevelPanel, public polling::ChannelState {
    Q_OBJECT
public:
    explicit TSensPanel(QWidget *parent = nullptr) : TBevelPanel(parent) {}

    // Paints what the record's cell view says: text, hint, background and a
    // font whose size follows the current cell size by the view's rule.
    void applyCellView();
    // Font size in points (the cell's own font, family kept).
    void setPointSize(int points);
    int pointSize() const { return font().pointSize(); }

protected:
    // A cell is named by its unit and channel, then what it shows: an empty
    // caption (before the first reading, after an exception reply) still
    // tells which cell it is.
    QString accessibleNameFor(const QString &caption) const override;
};

// The hint switches of the window and of the grid panels.
using ui::hintSwitch;
using ui::setOwnHintSwitch;

} // namespace orvex::mainwindow
