#include "changes/CompareKey.h"

#include "changes/ExclusionList.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"

#include <QHash>
#include <QMultiHash>

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

// A REG_SZ whose text (up to its first zero) is ASCII equals the stored text without being converted;
// false also when the text is not ASCII, which the full comparison then decides.
bool sameAsciiText(const QByteArray& data, const TRegValue& stored)
{
    const qsizetype zero = data.indexOf('\0');
    const QByteArrayView text = QByteArrayView(data).first(zero < 0 ? data.size() : zero);
    return text.size() == stored.StringData.size()
        && std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })
        && QLatin1StringView(text) == stored.StringData;
}

// The index of a stored name among names: the same spelling first (the common case, no upper-casing),
// then the same name in another case. Each stored name is matched once.
class NameMatcher final {
public:
    explicit NameMatcher(const QStringList& names) : m_names(names), m_used(size_t(names.size()), false)
    {
        m_exact.reserve(names.size());
        for (qsizetype i = names.size(); i-- > 0;)
            m_exact.insert(names[i], int(i));
    }

    // -1 when no unmatched stored name equals name ignoring case.
    int take(const QString& name)
    {
        const auto exact = m_exact.constFind(name);
        if (exact != m_exact.cend() && !m_used[size_t(exact.value())])
            return use(exact.value());
        if (m_upper.isEmpty() && !m_names.isEmpty()) {
            for (qsizetype i = m_names.size(); i-- > 0;)
                m_upper.insert(winUpper(m_names[i]), int(i));
        }
        for (auto it = m_upper.constFind(winUpper(name)); it != m_upper.cend() && it.key() == winUpper(name); ++it) {
            if (!m_used[size_t(it.value())])
                return use(it.value());
        }
        return -1;
    }
    [[nodiscard]] bool used(qsizetype i) const { return m_used[size_t(i)]; }

private:
    int use(int i)
    {
        m_used[size_t(i)] = true;
        return i;
    }

    const QStringList& m_names;
    std::vector<bool> m_used;
    QHash<QString, int> m_exact;
    QMultiHash<QString, int> m_upper; // built only when a name is not found as spelled
};

// Stored subkeys are matched by name ignoring case; what is left of the live names was created, and is
// reported in name order.
void compareSubKeys(const QStringList& liveNames, const QString& keyPath, const StoredKey& stored,
                    ChangeList& list, const CompareOptions& options)
{
    if (!(options.flags & CompFlags::Keys))
        return;
    NameMatcher storedNames(stored.subKeyNames);
    QStringList created;
    for (const QString& name : liveNames) {
        if (storedNames.take(name) < 0)
            created.append(name);
    }
    if (created.isEmpty())
        return;
    const QString parent = IncludeTrailingBackslash(keyPath);
    for (const QString& name : sortedNoCase(created)) {
        const QString path = parent + name;
        if ((options.flags & CompFlags::FullNewKeys) && options.listNewKeyFully)
            options.listNewKeyFully(path);
        else if (options.admits(path))
            addKeyEntry(list, ChangeKinds::KeyCreated, KeyCreatedText, path);
    }
}

void compareValue(const QString& keyPath, const BackendValue& liveValue, const TRegValue& stored, ChangeList& list,
                  const CompareOptions& options)
{
    if (liveValue.type == stored.DataType) {
        if (!(options.flags & CompFlags::Data) || (liveValue.type == REG_SZ && sameAsciiText(liveValue.data, stored)))
            return;
        TRegValue live;
        if (!ValueFromBytes(liveValue.type, liveValue.data, live))
            return; // unreadable now: nothing to say about it
        if (!sameData(live, stored) && options.admits(keyPath))
            addValueEntry(list, ChangeKinds::DataChanged, DataChangedText, keyPath, liveValue.name, stored,
                          ValueImageIndex(live.DataType));
    } else if ((options.flags & CompFlags::Type) && options.admits(keyPath)) {
        addValueEntry(list, ChangeKinds::TypeChanged, TypeChangedText, keyPath, liveValue.name, stored,
                      ValueImageIndex(liveValue.type));
    }
}

void compareValues(const QVector<BackendValue>& liveValues, const QString& keyPath, const StoredKey& stored,
                   ChangeList& list, const CompareOptions& options)
{
    QStringList names;
    names.reserve(qsizetype(stored.values.size()));
    for (const StoredValue& value : stored.values)
        names.append(value.name);
    NameMatcher storedNames(names);
    const bool reportValues = options.flags & CompFlags::Values;
    for (const BackendValue& value : liveValues) {
        const int found = storedNames.take(value.name);
        if (found >= 0)
            compareValue(keyPath, value, stored.values[size_t(found)].value, list, options);
        else if (reportValues && options.admits(keyPath))
            addValueEntry(list, ChangeKinds::ValueCreated, ValueCreatedText, keyPath, value.name, TRegValue(),
                          ValueImageIndex(value.type));
    }
    if (!reportValues || !options.admits(keyPath))
        return;
    for (std::size_t i = 0; i < stored.values.size(); ++i) {
        if (!storedNames.used(qsizetype(i)))
            addValueEntry(list, ChangeKinds::ValueRemoved, ValueRemovedText, keyPath, stored.values[i].name,
                          stored.values[i].value, ValueImageIndex(stored.values[i].value.DataType));
    }
}

} // namespace

bool CompareOptions::admits(const QString& keyPath) const
{
    return IsKeyIncluded(keyPath, exclusions, flags & CompFlags::Exclude);
}

void ReadLiveKey(HKEY key, LiveKeyContents* contents)
{
    contents->subKeyNames.clear();
    contents->values.clear();
    QString name;
    for (DWORD index = 0; RegEnumKey(key, index, &name, MAX_KEY_NAME + 1) == ERROR_SUCCESS; ++index)
        contents->subKeyNames.append(name);
    for (DWORD index = 0;; ++index) {
        BackendValue v;
        if (RegEnumValueBytes(key, index, &v.name, MAX_VALUE_NAME + 1, &v.type, &v.data) != ERROR_SUCCESS)
            break;
        contents->values.append(std::move(v));
    }
}

void CompareKey(const LiveKeyContents& live, const QString& keyPath, const StoredKey& stored, ChangeList& list,
                const CompareOptions& options)
{
    compareSubKeys(live.subKeyNames, keyPath, stored, list, options);
    compareValues(live.values, keyPath, stored, list, options);
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
