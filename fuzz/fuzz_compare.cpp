// Analysis files compared with a live store: every stored path, name and value meets the registry
// and the change list.

#include "FuzzSupport.h"

#include "changes/ChangeList.h"
#include "changes/ChangeRecord.h"
#include "changes/CompareWithAnalysisFile.h"
#include "registry/Progress.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    Fuzz::openFreshStore();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Fuzz::MemoryFile file(Fuzz::copy(data, size));
    ChangeList list;
    NullProgress progress;
    // Every kind of difference, created keys with their subtrees; no exclusion list.
    const int flags = CompFlags::Default | CompFlags::FullNewKeys;
    (void)CompareWithAnalysisFile(file.path(), list, ComparisonOptions(flags, QString()), progress);
    return 0;
}
