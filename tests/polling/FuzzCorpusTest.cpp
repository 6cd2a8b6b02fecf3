// Replays the seed inputs of the protocol fuzz target through the same entry
// function, so the normal suite keeps the invariants the fuzzer checks.
#include "fuzz/ProtocolFuzzEntry.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(ProtocolFuzzCorpus, EverySeedRunsCleanly) {
    const QDir dir(QStringLiteral(ORVEX_PROTOCOL_CORPUS));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 5) << "seed corpus missing in " << dir.path().toStdString();
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        orvex::fuzz::runProtocolInput(reinterpret_cast<const std::uint8_t *>(input.constData()),
                                      static_cast<std::size_t>(input.size()));
    }
}
