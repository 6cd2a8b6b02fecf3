// libFuzzer target for the reply check, the decoder and the number texts.
#include "fuzz/ProtocolFuzzEntry.h"

#include <QLocale>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The operator's locale of the program: decimal comma, grouped digits.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    orvex::fuzz::runProtocolInput(data, size);
    return 0;
}
