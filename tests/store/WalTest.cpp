// The write-ahead log over a long run: a recording handle appends and trims
// while a read-only handle, as the data views hold one for their whole life,
// re-reads its first page and the row count after every record. The log must
// be checkpointed and reused, never growing with the number of records.
#include "tests/store/StoreTestSupport.h"

#include <QFileInfo>

using namespace orvex::store;
using orvex::store::test::StoreFixture;

namespace {

class WalTest : public StoreFixture {};

qint64 walSize(const QString &table) {
    return QFileInfo(table + QStringLiteral("-wal")).size();
}

TEST_F(WalTest, StaysBoundedWhileAViewKeepsAReadHandleOpen) {
    auto writer = open(QStringLiteral("Signals.DB"));
    auto view = open(QStringLiteral("Signals.DB"), QStringLiteral("Dat_IDX_D"), true);
    const QString file = databaseFolder() + QStringLiteral("/Signals.DB");
    const QDate day(2026, 12, 1);
    qint64 atHalf = 0, largest = 0;
    const int records = 1500;
    for (int i = 1; i <= records; ++i) {
        {
            Transaction tx(*writer);
            writer->append();
            writer->setValue(QStringLiteral("UnitNo"), 1 + i % 15);
            writer->setValue(QStringLiteral("Alarm"), i % 3);
            writer->setValue(QStringLiteral("Date"), day);
            writer->setValue(QStringLiteral("Time"), QTime(0, 0).addSecs(i));
            for (int ch = 1; ch <= 8; ++ch)
                writer->setValue(QStringLiteral("D%1").arg(ch), (i * ch) % 250);
            writer->post();
            writer->trimTo(500);
            tx.commit();
        }
        // What a view does with a new record: the count, back to the first row.
        EXPECT_EQ(view->recordCount(), std::min(i, 500));
        view->first();
        ASSERT_EQ(view->firstPage(50).size(), std::min(i, 50));
        largest = std::max(largest, walSize(file));
        if (i == records / 2)
            atHalf = walSize(file);
    }
    // The autocheckpoint runs at 1000 pages: a reused log of about 4 MiB.
    EXPECT_LE(largest, 5 * 1024 * 1024);
    // Reused from its start after each checkpoint, it only ever grows by a
    // commit that runs past its end; unbounded it would grow by megabytes.
    EXPECT_LT(walSize(file) - atHalf, 256 * 1024) << "the log grows with the records";
}

} // namespace
