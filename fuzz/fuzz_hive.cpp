// Hive files: the base block, the bins and every key and value the hive library hands over.

#include "FuzzSupport.h"

#include "platform/hive/HiveFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Fuzz::MemoryFile file(Fuzz::copy(data, size));
    QString error;
    QStringList warnings;
    const std::unique_ptr<HiveFile> hive = HiveFile::open(file.path(), false, &error, &warnings);
    if (!hive)
        return 0;
    // Every key the table holds, with its values; the table is bounded by the file.
    QVector<HiveNodeId> pending{hive->root()};
    while (!pending.isEmpty()) {
        const HiveNodeId id = pending.takeLast();
        const HiveNode* node = hive->node(id);
        if (!node)
            continue;
        (void)hive->child(id, QStringLiteral("Kaven"));
        QVector<BackendValue> values;
        (void)hive->values(id, &values, &warnings);
        pending += node->children;
    }
    return 0;
}
