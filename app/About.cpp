// The About dialog.
#include "app/About.h"

#include "mainwindow/Texts.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace orvex::app {

namespace {

const QColor kFormColor(192, 220, 192);
const QColor kMaroon(128, 0, 0);

// The picture: the device family on a soft band, drawn rather than shipped.
QPixmap aboutPicture() {
    QPixmap pixmap(200, 89);
    QPainter p(&pixmap);
    QLinearGradient band(0, 0, 200, 89);
    band.setColorAt(0, QColor(215, 255, 196));
    band.setColorAt(1, kFormColor);
    p.fillRect(pixmap.rect(), band);
    p.setPen(QPen(kMaroon, 2));
    for (int x = 10; x < 190; x += 12)
        p.drawLine(x, 70 - (x * 7 % 23), x + 12, 70 - ((x + 12) * 7 % 23));
    QFont font(QStringLiteral("Bookman Old Style"));
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 6, 200, 40), Qt::AlignCenter, mainwindow::texts::kAboutFamily.trimmed());
    return pixmap;
}

void setMaroon(QLabel *label, bool tooltipBackground) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, kMaroon);
    if (tooltipBackground) {
        pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
        label->setAutoFillBackground(true);
    }
    label->setPalette(pal);
}

} // namespace

TAboutDlg::TAboutDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(mainwindow::texts::kAboutCaption);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kFormColor);
    setPalette(pal);

    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(8, 8, 239, 280);

    auto *picturePanel = new QFrame(this);
    picturePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picturePanel->setLineWidth(4);
    picturePanel->setGeometry(21, 40, 213, 103);
    picturePanel->setAutoFillBackground(true);
    QPalette tip = picturePanel->palette();
    tip.setColor(QPalette::Window, tip.color(QPalette::ToolTipBase));
    picturePanel->setPalette(tip);
    ProgramIcon = new QLabel(picturePanel);
    ProgramIcon->setPixmap(aboutPicture());
    ProgramIcon->setGeometry((213 - 200) / 2, (103 - 89) / 2, 200, 89);
    ProgramIcon->setAccessibleName(mainwindow::texts::kAboutFamily.trimmed());

    Comments = new QLabel(mainwindow::texts::kAboutDescription, this);
    Comments->setGeometry(19, 160, 217, 42);
    Comments->setAlignment(Qt::AlignCenter);
    Comments->setWordWrap(true);
    QFont description(QStringLiteral("MS Sans Serif"));
    description.setPixelSize(11);
    description.setBold(true);
    Comments->setFont(description);
    setMaroon(Comments, false);

    ProductName = new QLabel(mainwindow::texts::kAboutFamily, this);
    QFont family(QStringLiteral("Bookman Old Style"));
    family.setPixelSize(21);
    family.setBold(true);
    ProductName->setFont(family);
    ProductName->move(47, 205);
    ProductName->adjustSize();
    setMaroon(ProductName, true);

    Version = new QLabel(mainwindow::texts::kAboutVersion, this);
    Version->move(100, 234);
    Version->adjustSize();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(75, 298, 105, 27);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutDlg::showEvent(QShowEvent *event) {
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TAboutDlg::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orvex::app
