// The fixed texts of the main window and the application shell, exactly as the
// operator sees them. Several status texts mix Latin look-alike letters into
// Cyrillic words ("Пopт", "ЗAКPЫT", "0TКPЫT" with a digit zero); they are kept
// byte for byte, because operators and their screenshots know them that way.
#pragma once

#include <QString>

namespace orvex::mainwindow::texts {

inline const QString kMainCaption = QStringLiteral("СБОР ДАННЫХ С ГАЗОАНАЛИЗАТОРОВ \"ОРВЕКС_01м\"");
inline const QString kApplicationTitle =
    QStringLiteral("Сбор данных с газоанализаторов \"ОРВЕКС-01м\"");
inline const QString kChannelHeader = QStringLiteral("Канал ");
inline const QString kUnitCaption = QStringLiteral("Пульт №");
inline const QString kCellHintHead = QStringLiteral(" Канал № ");
inline const QString kCellCommentRule = QStringLiteral("~~~~~~~~~~~~~~~~~~~");
inline const QString kUnitCommentRule = QStringLiteral("~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
inline const QString kFirstRunNotice =
    QStringLiteral("ПРИ ПЕРВОМ ЗАПУСКЕ НУЖНО ВВЕСТИ ДАННЫЕ, НЕОБХОДИМЫЕ ДЛЯ РАБОТЫ *** ДЛЯ ЭТОГО "
                   "ИСПОЛЬЗУЙТЕ ПУНКТ \"НАСТРОЙКА\" В ГЛАВНОМ МЕНЮ ***");
inline const QString kStart = QStringLiteral("СТАРТ");
inline const QString kStartHint = QStringLiteral("Начать опрос пультов");
inline const QString kL2ProcCaption = QStringLiteral("% ПС");
inline const QString kSoundCaption = QStringLiteral("звук");
inline const QString kL2ProcHintTail =
    QStringLiteral("ключить вывод в % от порога срабатывания (ПС)");
inline const QString kSoundHintOn = QStringLiteral("Выключить звуковую сигнализацию");
inline const QString kSoundHintOff = QStringLiteral("Включить звуковую сигнализацию");
inline const QString kStatusBarHint = QStringLiteral("Строка состояния");
inline const QString kPanel0Created = QStringLiteral("СОМ-порт: ЗАКРЫТ");
inline const QString kPanel1Created = QStringLiteral("Период опроса:");
inline const QString kPanel2Created = QStringLiteral("Текущих записей:");
inline const QString kPanel3Created = QStringLiteral("Записей в архиве:");
inline const QString kPortPrefix = QStringLiteral("Пopт: ");
inline const QString kPortClosedTail = QStringLiteral(" - ЗAКPЫT");
inline const QString kPortOpenTail = QStringLiteral(" - 0TКPЫT");
inline const QString kPortNotAssigned = QStringLiteral("Пopт: не назначен");
inline const QString kPeriodPrefix = QStringLiteral("Пepиoд oпpoca: ");
inline const QString kPeriodTail = QStringLiteral(" c");
inline const QString kSignalsCountPrefix = QStringLiteral("Текущих записей: ");
inline const QString kArcCountPrefix = QStringLiteral("Записей в архиве: ");
inline const QString kMenuFile = QStringLiteral("ФАЙЛ");
inline const QString kMenuFileOpen = QStringLiteral("Открыть");
inline const QString kMenuFileSave = QStringLiteral("Сохранить");
inline const QString kMenuOptions = QStringLiteral("НАСТРОЙКА");
inline const QString kMenuData = QStringLiteral("ДАННЫЕ");
inline const QString kMenuArchiv = QStringLiteral("АРХИВ");
inline const QString kMenuHelp = QStringLiteral("ПОМОЩЬ");
inline const QString kMenuAbout = QStringLiteral("О программе");
inline const QString kMenuExit = QStringLiteral("ВЫХОД");
inline const QString kMenuHint1 = QStringLiteral("(1) Подсказки к элементам окна");
inline const QString kMenuHint2 = QStringLiteral("(2) Подсказки к главной таблице");
inline const QString kMenuHint3 = QStringLiteral("(3) Вывод комментариев в подсказках");
inline const QString kDataCaptionPrefix = QStringLiteral("Teкущиe дaнныe (зa ");
inline const QString kDataCaptionTail = QStringLiteral(" ч)");
inline const QString kTreeCaption = QStringLiteral("Укажите папку для копирования");
inline const QString kPercentMode = QStringLiteral(", % ПС");
inline const QString kUnitNotFoundHead = QStringLiteral("(UL");
inline const QString kUnitNotFoundTail = QStringLiteral(") UnitsTable: Запись не найдена");
inline const QString kExplosiveGasLine = QStringLiteral(" взр.оп.газ (ВОГ)");
inline const QString kPercentHintTail = QStringLiteral(", % от порога срабатывания (ПС)");
inline const QString kTripLine = QStringLiteral("  Порог срабатывания = ");
inline const QString kWarnLine = QStringLiteral("  Порог предупреждения = ");
inline const QString kGasExplosive = QStringLiteral("ВОГ");
inline const QString kGasMethane = QStringLiteral("метан");
inline const QString kGasCO = QStringLiteral("СО газ");
inline const QString kGasAmmonia = QStringLiteral("аммиак");
inline const QString kAboutCaption = QStringLiteral("О программе");
inline const QString kAboutDescription = QStringLiteral(
    "    Программное обеспечение     для сбора и представления данных   в сети газоанализаторов");
inline const QString kAboutFamily = QStringLiteral("  ОРВЕКС-01м  ");
inline const QString kAboutVersion = QStringLiteral("Версия 1.1");
inline const QString kOptionsCaption = QStringLiteral("Настройка параметров программы");
inline const QString kPlotCaption = QStringLiteral("  50 последних измерений");
inline const QString kDataCaption = QStringLiteral("Текущие данные");
inline const QString kArcCaption = QStringLiteral("Архив данных, превысивших порог ");
inline const QString kDateCaption = QStringLiteral("Календарь");

} // namespace orvex::mainwindow::texts
