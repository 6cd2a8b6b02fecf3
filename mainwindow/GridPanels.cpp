// Grid panels: bevel drawing, colours and the click.
#include "mainwindow/GridPanels.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

namespace orvex::mainwindow {

namespace {

void drawBevel(QPainter &p, QRect &r, TBevelPanel::Bevel bevel, int width, const QPalette &pal) {
    if (bevel == TBevelPanel::Bevel::None)
        return;
    const QColor light = pal.color(QPalette::Light);
    const QColor dark = pal.color(QPalette::Dark);
    const QColor &topLeft = bevel == TBevelPanel::Bevel::Raised ? light : dark;
    const QColor &bottomRight = bevel == TBevelPanel::Bevel::Raised ? dark : light;
    for (int i = 0; i < width && r.width() > 1 && r.height() > 1; ++i) {
        p.setPen(topLeft);
        p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
        p.setPen(bottomRight);
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        r.adjust(1, 1, -1, -1);
    }
}

} // namespace

TBevelPanel::TBevelPanel(QWidget *parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    applyColors();
}

void TBevelPanel::setBevels(Bevel inner, Bevel outer, int bevelWidth, int borderWidth) {
    m_inner = inner;
    m_outer = outer;
    m_bevelWidth = bevelWidth;
    m_borderWidth = borderWidth;
    const int edge = (inner != Bevel::None ? bevelWidth : 0) +
                     (outer != Bevel::None ? bevelWidth : 0) + borderWidth;
    setContentsMargins(edge, edge, edge, edge);
    update();
}

void TBevelPanel::setColor(const polling::PanelColor &color) {
    m_color = color;
    applyColors();
}

void TBevelPanel::setFontColor(const polling::PanelColor &color) {
    m_fontColor = color;
    applyColors();
}

void TBevelPanel::setCaption(const QString &caption) {
    setText(caption);
    setAccessibleName(accessibleNameFor(caption));
}

void TBevelPanel::applyColors() {
    QPalette pal = palette();
    const QPalette base = parentWidget() ? parentWidget()->palette() : QPalette();
    pal.setColor(QPalette::Window, m_color.resolve(base));
    pal.setColor(QPalette::WindowText, m_fontColor.resolve(base));
    setPalette(pal);
}

void TBevelPanel::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ParentChange)
        applyColors();
    QLabel::changeEvent(event);
}

void TBevelPanel::paintEvent(QPaintEvent *event) {
    {
        QPainter p(this);
        QRect r = rect();
        drawBevel(p, r, m_outer, m_bevelWidth, palette());
        r.adjust(m_borderWidth, m_borderWidth, -m_borderWidth, -m_borderWidth);
        drawBevel(p, r, m_inner, m_bevelWidth, palette());
    }
    QLabel::paintEvent(event);
}

void TBevelPanel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void TBevelPanel::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

void TSensPanel::applyCellView() {
    setCaption(cell.text);
    setHint(cell.hint);
    setColor(cell.background);
    setFontColor(cell.font.color);
    QFont f = font();
    f.setBold(cell.font.bold);
    f.setPointSize(cell.font.pointSize(width(), height()));
    setFont(f);
}

QString TSensPanel::accessibleNameFor(const QString &caption) const {
    if (spUnitNo < 1 || spChannelNo < 1)
        return caption;
    const QString cellName = QStringLiteral("Канал № ") + QString::number(spUnitNo) +
                             QLatin1Char('-') + QString::number(spChannelNo);
    const QString shown = caption.trimmed();
    return shown.isEmpty() ? cellName : cellName + QLatin1Char(' ') + shown;
}

void TSensPanel::setPointSize(int points) {
    QFont f = font();
    f.setPointSize(points);
    setFont(f);
}

} // namespace orvex::mainwindow
