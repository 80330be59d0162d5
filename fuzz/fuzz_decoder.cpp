// One libFuzzer target per decoder of outside bytes: the build names the
// check of decoderchecks.h this executable applies (NORVIK_FUZZ_CHECK). A
// check that reports a fault stops the run, which keeps the input.

#include "decoderchecks.h"

#include <QByteArray>
#include <QCoreApplication>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Some checks log, like the program; libFuzzer reports on stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    // The image readers are plugins, found through the application.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<QString> fault = DecoderChecks::NORVIK_FUZZ_CHECK(bytes)) {
        std::fprintf(stderr, "fault: %s\n", qUtf8Printable(*fault));
        __builtin_trap();
    }
    return 0;
}
