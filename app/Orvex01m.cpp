// Program start-up.
#include "app/Orvex01m.h"

#include <QApplication>
#include <QMainWindow>

namespace orvex::app {

int runApplication(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(
        QStringLiteral("Сбор данных с газоанализаторов \"ОРВЕКС-01м\""));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("СБОР ДАННЫХ С ГАЗОАНАЛИЗАТОРОВ \"ОРВЕКС_01м\""));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}

} // namespace orvex::app
