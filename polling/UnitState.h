// State records carried by the grid panels: the unit state of a row header and
// the channel state of a cell, plus the display a decode chooses for a cell
// (text, hint, background, font rule). The records hold no widgets; the main
// window's panels carry them and paint what they say.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

namespace orvex::polling {

// Text cut to at most N characters whenever it is stored, so a field can never
// hold more than its limit.
template <int N> class LimitedText {
public:
    static constexpr int kLimit = N;

    LimitedText() = default;
    LimitedText(const QString &text) : m_text(text.left(N)) {} // NOLINT: implicit on purpose
    LimitedText &operator=(const QString &text) {
        m_text = text.left(N);
        return *this;
    }

    const QString &text() const { return m_text; }
    operator const QString &() const { return m_text; } // NOLINT: implicit on purpose
    bool isEmpty() const { return m_text.isEmpty(); }

    friend bool operator==(const LimitedText &a, const LimitedText &b) {
        return a.m_text == b.m_text;
    }
    friend bool operator==(const LimitedText &a, const QString &b) { return a.m_text == b; }

private:
    QString m_text;
};

// A colour given either as an RGB triple or by a system role that the panel
// takes from its palette when painting.
class PanelColor {
public:
    enum class Role { Rgb, ButtonFace, WindowText };

    constexpr PanelColor() = default;
    static PanelColor rgb(int r, int g, int b) { return PanelColor(Role::Rgb, QColor(r, g, b)); }
    static PanelColor rgb(const QColor &color) { return PanelColor(Role::Rgb, color); }
    static PanelColor buttonFace() { return PanelColor(Role::ButtonFace, QColor()); }
    static PanelColor windowText() { return PanelColor(Role::WindowText, QColor()); }

    Role role() const { return m_role; }
    QColor color() const { return m_color; } // meaningful for Role::Rgb only
    QColor resolve(const QPalette &palette) const {
        switch (m_role) {
        case Role::ButtonFace:
            return palette.color(QPalette::Button);
        case Role::WindowText:
            return palette.color(QPalette::WindowText);
        case Role::Rgb:
            break;
        }
        return m_color;
    }

    friend bool operator==(const PanelColor &a, const PanelColor &b) {
        return a.m_role == b.m_role && (a.m_role != Role::Rgb || a.m_color == b.m_color);
    }

private:
    PanelColor(Role role, const QColor &color) : m_role(role), m_color(color) {}
    Role m_role = Role::Rgb;
    QColor m_color{192, 220, 192};
};

// Colours of the cells.
inline PanelColor idleCellColor() {
    return PanelColor::rgb(192, 220, 192);
} // new cell; codes 253..255
inline PanelColor belowWarningColor() {
    return PanelColor::rgb(0, 255, 0);
}
inline PanelColor warningColor() {
    return PanelColor::rgb(255, 255, 0);
}
inline PanelColor tripColor() {
    return PanelColor::rgb(255, 0, 0);
}
inline PanelColor notInUseColor() {
    return PanelColor::rgb(0, 128, 0);
} // also: no known scale kind
inline PanelColor faultFontColor() {
    return PanelColor::rgb(255, 0, 0);
}

// How a cell's font size follows the cell's size.
enum class FontSizeRule {
    WidthDiv8AtLeast9,   // no reading: cell width div 8 points, at least 9
    HeightDiv4AtLeast10, // a reading: cell height div 4 points, at least 10
};

inline int fontPointSize(FontSizeRule rule, int cellWidth, int cellHeight) {
    if (rule == FontSizeRule::HeightDiv4AtLeast10)
        return cellHeight / 4 < 10 ? 10 : cellHeight / 4;
    return cellWidth / 8 < 9 ? 9 : cellWidth / 8;
}

struct FontRule {
    bool bold = false;
    PanelColor color = PanelColor::windowText();
    FontSizeRule size = FontSizeRule::WidthDiv8AtLeast9;

    int pointSize(int cellWidth, int cellHeight) const {
        return fontPointSize(size, cellWidth, cellHeight);
    }
    friend bool operator==(const FontRule &, const FontRule &) = default;
};

// What a cell shows. Hints use a carriage return alone as line break.
struct CellView {
    QString text;
    QString hint;
    PanelColor background = idleCellColor();
    FontRule font;
};

// The marker in spGasName of a channel that is not in use (its presence-mask
// bit is 0). It is also the cell text of channel code 254.
inline const QString &notInUseMarker() {
    static const QString marker = QStringLiteral("нет датчика");
    return marker;
}

// Unit state of a row header (TUnitPanel).
struct UnitState {
    LimitedText<20> upGasName;   // gas of the unit's scale kind; empty until known
    LimitedText<20> upUnitLabel; // measurement unit label of the scale kind
    float upWarnThreshold = 0;   // warning threshold in measurement units
    float upTripThreshold = 0;   // trip threshold in measurement units
    LimitedText<40> upName;      // register name with a blank before and after
    QString upComment;           // register comment, unbounded
    LimitedText<80> upErrorText; // error of the last failed exchange; empty after a good reply
    int upDecimals = 0;          // decimal places of the unit's values
};

// Channel state of a cell (TSensPanel), with what the cell shows.
struct ChannelState {
    LimitedText<20> spGasName;            // unit's gas while in use; notInUseMarker() while not
    LimitedText<20> spUnitLabel;          // unit's label, copied only while in use
    float spValue = 0;                    // value in measurement units; 0 without a reading
    float spPercent = 0;                  // last reading as percent of the trip threshold
    bool spValid = false;                 // the cell shows a numeric reading
    PanelColor spColor = idleCellColor(); // background chosen by the last decode
    LimitedText<40> spSensorName;
    LimitedText<255> spComment;
    int spChannelNo = 0; // 1..8
    int spUnitNo = 0;    // 1..15

    CellView cell; // text, hint, background and font of the cell
};

} // namespace orvex::polling
