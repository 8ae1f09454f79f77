// The text list files of the data folder: navigation and copy history, remote machines, search
// history, the analysis file list.

#include "FuzzSupport.h"

#include "mainwindow/MachineList.h"
#include "mainwindow/NavigationHistory.h"
#include "search/SearchHistory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Fuzz::MemoryFile file(Fuzz::copy(data, size));
    NavigationHistory history;
    (void)history.load(file.path());
    history.removeDuplicates();
    if (!history.entries().isEmpty())
        history.replaceBranch(history.entries().first(), QString());
    SearchHistory search;
    search.load(file.path());
    (void)MachineList::load(file.path());
    return 0;
}
