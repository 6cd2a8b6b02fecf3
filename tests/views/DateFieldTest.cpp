// The date fields of the data views take every digit of the date: an
// incomplete date cannot be left for another control nor applied, and Esc
// puts back the date the field had.
#include "views/DateField.h"
#include "tests/support/FocusSimulation.h"
#include "tests/views/ViewsFixture.h"
#include "views/DataArc.h"
#include "views/DateFormats.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::views;

namespace {

class DateFieldInput : public views::test::ViewsFixture {};

} // namespace

TEST_F(DateFieldInput, IncompleteDateCannotLeaveTheFieldNorBeAppliedAndEscRestoresIt) {
    bool autoRefresh = true;
    settings.UnitsAmount = 3;
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    orvex::test::activate(view);
    DateField *field = view.DateMaskEdit1;
    const QString today = fieldDateText(QDate::currentDate());
    field->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("1203"));
    ASSERT_FALSE(field->isComplete());

    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.count() == 1; }));
    EXPECT_EQ(messages.texts()[0], DateField::incompleteText());
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));

    // "ПРИМЕНИТЬ" with a unit chosen: the field is refused again, nothing
    // is applied.
    view.UnitComboBox->setCurrentIndex(2);
    QTest::mouseClick(view.ApplyBitBtn, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_EQ(messages.texts(),
              QStringList({DateField::incompleteText(), DateField::incompleteText()}));
    EXPECT_TRUE(view.CurrTable.filter().isEmpty());
    EXPECT_TRUE(field->hasFocus());

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), today);
    QTest::mouseClick(view.ApplyBitBtn, Qt::LeftButton);
    EXPECT_EQ(view.CurrTable.filter(), QStringLiteral("UnitNo=2"));
    EXPECT_EQ(messages.count(), 2);
}
