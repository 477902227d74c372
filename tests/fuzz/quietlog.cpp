// Linked into the targets whose parsers trace every step: the fuzzer runs millions of inputs,
// so the trace is dropped.
#include <QtGlobal>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}
