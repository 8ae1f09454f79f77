// The key information file (info.rgf): the whole-file read of the overview and the look-up of one
// key, which jumps by the sizes and offsets the file claims.

#include "FuzzSupport.h"

#include "info/TInfoClass.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Fuzz::MemoryFile file(Fuzz::copy(data, size));
    TInfoClass info;
    (void)info.Load(file.path());
    for (const InfoEntry& entry : info.Entries) {
        (void)info.categoryIndex(entry);
        (void)TInfoClass::LookUp(file.path(), entry.keyPath);
        break;
    }
    (void)info.operatingSystemName();
    (void)TInfoClass::LookUp(file.path(), QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE"));
    (void)TInfoClass::LookUp(file.path(), QStringLiteral("HKEY_USERS"));
    return 0;
}
