// Helpers shared by the tests.
#include "tests/support/TestSupport.h"

#include "ui/ProgramFolder.h"

#include <gtest/gtest.h>

namespace orvex::test {

TempProgramFolder::TempProgramFolder() {
    EXPECT_TRUE(m_dir.isValid());
    setProgramFolder(m_dir.path());
}

TempProgramFolder::~TempProgramFolder() {
    setProgramFolder(QString());
}

QString buildBinaryDir() {
    return QStringLiteral(ORVEX_BINARY_DIR);
}

} // namespace orvex::test
