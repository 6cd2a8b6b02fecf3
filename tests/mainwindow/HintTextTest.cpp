// Captions and hints of the unit panels and cells, the switch hints, the
// status texts and the conversion of a hint to tooltip rich text.
#include "mainwindow/HintText.h"
#include "mainwindow/Texts.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace orvex::mainwindow;
using orvex::polling::UnitState;

namespace {

UnitState methaneUnit() {
    UnitState s;
    s.upGasName = QStringLiteral("метан");
    s.upUnitLabel = QStringLiteral("% объема");
    s.upWarnThreshold = 0.25f;
    s.upTripThreshold = 0.5f;
    s.upName = QStringLiteral(" Котельная ");
    s.upDecimals = 2;
    return s;
}

const QString kTildes28 = QString(28, QLatin1Char('~'));

} // namespace

TEST(UnitCaption, ShowsGasAndUnitOrPercentModeOnlyWithData) {
    const UnitState s = methaneUnit();
    EXPECT_EQ(unitCaption(3, false, s, false), QStringLiteral("Пульт №3"));
    EXPECT_EQ(unitCaption(3, true, s, false), QStringLiteral("Пульт №3: метан, % объема"));
    EXPECT_EQ(unitCaption(3, true, s, true), QStringLiteral("Пульт №3: метан, % ПС"));
}

TEST(UnitHint, WithDataListsGasThresholdsWithTheUnitsDecimals) {
    orvex::test::ScopedLocale ru(orvex::test::russianLocale());
    const UnitState s = methaneUnit();
    EXPECT_EQ(unitHint(true, s, false, false),
              QStringLiteral(" Котельная \r метан, % объема\r") + kTildes28 +
                  QStringLiteral("\r  Порог срабатывания = 0,50% объема \r  Порог "
                                 "предупреждения = 0,25% объема "));
}

TEST(UnitHint, ExplosiveGasLineAndThresholdsWithoutDecimals) {
    orvex::test::ScopedLocale ru(orvex::test::russianLocale());
    UnitState s;
    s.upName = QStringLiteral(" П1 ");
    s.upGasName = QStringLiteral("ВОГ");
    s.upUnitLabel = QStringLiteral("% НКПР");
    s.upWarnThreshold = 10;
    s.upTripThreshold = 20;
    s.upDecimals = 0;
    EXPECT_EQ(unitHint(true, s, false, false),
              QStringLiteral(" П1 \r взр.оп.газ (ВОГ), % НКПР\r") + kTildes28 +
                  QStringLiteral("\r  Порог срабатывания = 20% НКПР \r  Порог предупреждения = "
                                 "10% НКПР "));
}

TEST(UnitHint, PercentModeChangesTheGasLineButNotTheThresholdLines) {
    orvex::test::ScopedLocale ru(orvex::test::russianLocale());
    UnitState s = methaneUnit();
    s.upGasName = QStringLiteral("СО газ");
    s.upUnitLabel = QStringLiteral(" мг/куб.м");
    s.upTripThreshold = 1500;
    s.upWarnThreshold = 20;
    s.upDecimals = 0;
    const QString hint = unitHint(true, s, true, false);
    EXPECT_TRUE(
        hint.startsWith(QStringLiteral(" Котельная \r СО газ, % от порога срабатывания (ПС)\r")))
        << hint.toStdString();
    // Number() groups thousands with the locale's separator.
    EXPECT_TRUE(hint.contains(QStringLiteral("Порог срабатывания = 1") + QChar(0x00A0) +
                              QStringLiteral("500 мг/куб.м ")))
        << hint.toStdString();
    EXPECT_TRUE(hint.endsWith(QStringLiteral("Порог предупреждения = 20 мг/куб.м ")));
}

TEST(UnitHint, DotSeparatorLocaleWritesThresholdsWithADot) {
    orvex::test::ScopedLocale en(orvex::test::englishLocale());
    EXPECT_TRUE(unitHint(true, methaneUnit(), false, false)
                    .contains(QStringLiteral("Порог срабатывания = 0.50% объема ")));
}

TEST(UnitHint, WithoutDataShowsNameAndErrorAndCommentWhenSwitchedOn) {
    UnitState s = methaneUnit();
    s.upErrorText = QStringLiteral("  Нет ответа от пульта");
    s.upComment = QStringLiteral("у входа <b>");
    EXPECT_EQ(unitHint(false, s, false, false),
              QStringLiteral(" Котельная \r  Нет ответа от пульта"));
    EXPECT_EQ(unitHint(false, s, false, true),
              QStringLiteral(" Котельная \r  Нет ответа от пульта\r") + kTildes28 +
                  QStringLiteral("\r у входа <b> "));
    s.upErrorText = QString();
    EXPECT_EQ(unitHint(false, s, false, false), QStringLiteral(" Котельная "));
    EXPECT_EQ(unitCaption(7, false, s, true), QStringLiteral("Пульт №7"));
}

TEST(CellBuildHint, NamesChannelAndSensorAndAddsCommentOnlyWhenSwitchedOn) {
    EXPECT_EQ(cellBuildHint(2, 5, QStringLiteral("Датчик 2-5"), QStringLiteral("окно"), false),
              QStringLiteral(" Канал № 2-5\r Датчик 2-5 "));
    EXPECT_EQ(cellBuildHint(2, 5, QStringLiteral("Датчик 2-5"), QStringLiteral("окно"), true),
              QStringLiteral(" Канал № 2-5\r Датчик 2-5 \r") + QString(19, QLatin1Char('~')) +
                  QStringLiteral("\r окно "));
    EXPECT_EQ(cellBuildHint(1, 1, QStringLiteral("Д"), QString(), true),
              QStringLiteral(" Канал № 1-1\r Д "));
}

TEST(SwitchHints, PercentAndSoundHintsFollowTheNewState) {
    EXPECT_EQ(l2ProcHint(true), QStringLiteral("Выключить вывод в % от порога срабатывания (ПС)"));
    EXPECT_EQ(l2ProcHint(false), QStringLiteral("Включить вывод в % от порога срабатывания (ПС)"));
    EXPECT_EQ(soundHint(true), QStringLiteral("Выключить звуковую сигнализацию"));
    EXPECT_EQ(soundHint(false), QStringLiteral("Включить звуковую сигнализацию"));
}

TEST(StatusTexts, LookAlikeLettersAreKeptByteForByte) {
    // "Пopт" has Latin o and p; "ЗAКPЫT" Latin A, P, T; "0TКPЫT" starts with a digit zero.
    EXPECT_EQ(portStateText(QStringLiteral("COM3"), QStringLiteral(" 9600 (002)"), false).toUtf8(),
              QByteArray("\xd0\x9f"
                         "op\xd1\x82: COM3  9600 (002) - \xd0\x97"
                         "A\xd0\x9a"
                         "P"
                         "\xd0\xab"
                         "T"));
    EXPECT_EQ(portStateText(QStringLiteral("COM1"), QStringLiteral("19200 (003)"), true).toUtf8(),
              QByteArray("\xd0\x9f"
                         "op\xd1\x82: COM1 19200 (003) - 0T\xd0\x9a"
                         "P\xd0\xab"
                         "T"));
    EXPECT_EQ(startupPortText(2, QStringLiteral(" 2400 (000)")),
              portStateText(QStringLiteral("COM2"), QStringLiteral(" 2400 (000)"), false));
    EXPECT_EQ(periodText(10000).toUtf8(), QByteArray("\xd0\x9f"
                                                     "ep\xd0\xb8"
                                                     "o\xd0\xb4"
                                                     " o\xd0\xbf"
                                                     "poca: 10 c"));
    EXPECT_EQ(periodText(900999),
              texts::kPeriodPrefix + QStringLiteral("900") + texts::kPeriodTail);
    EXPECT_EQ(signalsCountText(648000), QStringLiteral("Текущих записей: 648000"));
    EXPECT_EQ(arcCountText(10000000), QStringLiteral("Записей в архиве: 10000000"));
    EXPECT_EQ(dataViewCaption(24).toUtf8(), QByteArray("Te\xd0\xba\xd1\x83\xd1\x89\xd0\xb8"
                                                       "e \xd0\xb4"
                                                       "a\xd0\xbd\xd0\xbd"
                                                       "\xd1\x8b"
                                                       "e (\xd0\xb7"
                                                       "a 24 \xd1\x87)"));
    EXPECT_EQ(texts::kPortNotAssigned.toUtf8(),
              QByteArray("\xd0\x9f"
                         "op\xd1\x82: \xd0\xbd\xd0\xb5 \xd0\xbd\xd0\xb0\xd0\xb7\xd0\xbd"
                         "\xd0\xb0\xd1\x87\xd0\xb5\xd0\xbd"));
    EXPECT_EQ(unitNotFoundText(4), QStringLiteral("(UL4) UnitsTable: Запись не найдена"));
}

TEST(DecodedGas, OnlyTheFourGasNamesOpenThePlot) {
    for (const char *gas : {"аммиак", "ВОГ", "СО газ", "метан"})
        EXPECT_TRUE(isDecodedGas(QString::fromUtf8(gas))) << gas;
    for (const char *gas : {"", "нет датчика", "CO газ" /* Latin C and O */, "Метан"})
        EXPECT_FALSE(isDecodedGas(QString::fromUtf8(gas))) << gas;
}

TEST(HintRichText, LineBreaksBlanksAndMarkupAreShownAsTyped) {
    const QFontMetrics fm(QApplication::font());
    const QString rich =
        hintToRichText(QStringLiteral(" Канал № 1-2\r  <b>a & b</b>\r\nx"), fm, 400);
    QTextDocument doc;
    doc.setHtml(rich);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral(" Канал № 1-2\n  <b>a & b</b>\nx"));
    EXPECT_FALSE(rich.contains(QStringLiteral("<b>a")));
}

TEST(HintRichText, LongHintsWrapAt400PixelsShortOnesKeepTheirWidth) {
    // A tooltip label lays its text out at a width of its own choosing (about
    // 80 average characters); the hint must still not be wider than 400 px.
    const QFontMetrics fm(QApplication::font());
    const qreal labelWidth = fm.averageCharWidth() * 80;
    QTextDocument shortDoc;
    shortDoc.setHtml(hintToRichText(QStringLiteral(" Канал № 1-2\r Датчик "), fm, 400));
    shortDoc.setTextWidth(labelWidth);
    EXPECT_LT(shortDoc.idealWidth(), 200);

    const QString longLine = QStringLiteral("слово ").repeated(60);
    QTextDocument longDoc;
    longDoc.setHtml(hintToRichText(longLine, fm, 400));
    longDoc.setTextWidth(labelWidth);
    EXPECT_LE(longDoc.idealWidth(), 410);
    EXPECT_GT(longDoc.size().height(), 3 * fm.height());
}
