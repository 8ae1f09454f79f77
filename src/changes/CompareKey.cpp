#include "changes/CompareKey.h"

#include "changes/ExclusionList.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QHash>

#include <algorithm>

namespace {

QStringList sortedNoCase(QStringList names)
{
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return winCompareNoCase(a, b) < 0; });
    return names;
}

void addKeyEntry(ChangeList& list, qint32 kind, const QString& comment, const QString& path)
{
    list.AddChangeEntry(comment, QString(), ChangeRecord{kind, path, QString(), TRegValue()}, ImageKey, path);
}

void addValueEntry(ChangeList& list, qint32 kind, const QString& comment, const QString& path, const QString& name,
                   const TRegValue& oldValue, int image)
{
    list.AddChangeEntry(comment, name, ChangeRecord{kind, path, name, oldValue}, image, path);
}

bool sameData(const TRegValue& a, const TRegValue& b)
{
    switch (a.DataType) {
    case REG_SZ:
        return a.StringData == b.StringData;
    case REG_DWORD:
        return a.DWordData == b.DWordData;
    default:
        return a.BinaryData == b.BinaryData;
    }
}

// Stored subkeys are matched by name ignoring case; what is left of the live names was created.
void compareSubKeys(RegistryAccessor& reg, const QString& keyPath, const StoredKey& stored, ChangeList& list,
                    const CompareOptions& options)
{
    QHash<QString, int> storedNames;
    for (const QString& name : stored.subKeyNames)
        ++storedNames[winUpper(name)];
    const QString parent = IncludeTrailingBackslash(keyPath);
    for (const QString& name : sortedNoCase(reg.subKeyNames())) {
        const auto found = storedNames.find(winUpper(name));
        if (found != storedNames.end() && found.value() > 0) {
            --found.value();
            continue;
        }
        if (!(options.flags & CompFlags::Keys))
            continue;
        const QString path = parent + name;
        if ((options.flags & CompFlags::FullNewKeys) && options.listNewKeyFully)
            options.listNewKeyFully(path);
        else if (options.admits(path))
            addKeyEntry(list, ChangeKinds::KeyCreated, KeyCreatedText, path);
    }
}

void compareValue(HKEY key, const QString& keyPath, const QString& name, const TRegValue& stored, ChangeList& list,
                  const CompareOptions& options)
{
    TRegValue live;
    if (!ReadValue(key, name, live))
        return; // unreadable now: nothing to say about it
    if (live.DataType == stored.DataType) {
        if ((options.flags & CompFlags::Data) && !sameData(live, stored) && options.admits(keyPath))
            addValueEntry(list, ChangeKinds::DataChanged, DataChangedText, keyPath, name, stored,
                          ValueImageIndex(live.DataType));
    } else if ((options.flags & CompFlags::Type) && options.admits(keyPath)) {
        addValueEntry(list, ChangeKinds::TypeChanged, TypeChangedText, keyPath, name, stored,
                      ValueImageIndex(live.DataType));
    }
}

void compareValues(RegistryAccessor& reg, const QString& keyPath, const StoredKey& stored, ChangeList& list,
                   const CompareOptions& options)
{
    QHash<QString, std::size_t> storedIndex; // first stored value of each name
    for (std::size_t i = stored.values.size(); i-- > 0;)
        storedIndex.insert(winUpper(stored.values[i].name), i);
    std::vector<bool> matched(stored.values.size(), false);
    const bool reportValues = options.flags & CompFlags::Values;
    for (const QString& name : sortedNoCase(reg.valueNames())) {
        const auto found = storedIndex.find(winUpper(name));
        if (found != storedIndex.end() && !matched[found.value()]) {
            matched[found.value()] = true;
            compareValue(reg.currentKey(), keyPath, name, stored.values[found.value()].value, list, options);
        } else if (reportValues && options.admits(keyPath)) {
            DWORD type = REG_NONE;
            (void)RegQueryValueEx(reg.currentKey(), name, &type, nullptr, nullptr);
            addValueEntry(list, ChangeKinds::ValueCreated, ValueCreatedText, keyPath, name, TRegValue(),
                          ValueImageIndex(type));
        }
    }
    if (!reportValues || !options.admits(keyPath))
        return;
    for (std::size_t i = 0; i < stored.values.size(); ++i) {
        if (!matched[i])
            addValueEntry(list, ChangeKinds::ValueRemoved, ValueRemovedText, keyPath, stored.values[i].name,
                          stored.values[i].value, ValueImageIndex(stored.values[i].value.DataType));
    }
}

} // namespace

bool CompareOptions::admits(const QString& keyPath) const
{
    return IsKeyIncluded(keyPath, exclusions, flags & CompFlags::Exclude);
}

void CompareKey(RegistryAccessor& reg, const QString& keyPath, const StoredKey& stored, ChangeList& list,
                const CompareOptions& options)
{
    compareSubKeys(reg, keyPath, stored, list, options);
    compareValues(reg, keyPath, stored, list, options);
}

void ListRemovedKey(const StoredKey& stored, ChangeList& list, const CompareOptions& options)
{
    if (!options.admits(stored.path))
        return;
    addKeyEntry(list, ChangeKinds::KeyRemoved, KeyRemovedText, stored.path);
    for (const StoredValue& value : stored.values)
        addValueEntry(list, ChangeKinds::ValueRemoved, ValueRemovedText, stored.path, value.name, value.value,
                      ValueImageIndex(value.value.DataType));
}

StoredKeyResult CompareStoredKey(RegistryAccessor& reg, const StoredKey& stored, ChangeList& list,
                                 const CompareOptions& options)
{
    const RegResult opened = reg.openPath(stored.path, false, true);
    if (opened == RegResult::NotConnected)
        return StoredKeyResult::NotConnected;
    if (opened != RegResult::Success) {
        ListRemovedKey(stored, list, options);
        return StoredKeyResult::Removed;
    }
    CompareKey(reg, stored.path, stored, list, options);
    reg.closeKey();
    return StoredKeyResult::Compared;
}
