#pragma once

// The analysis file (".rec"): a snapshot of registry keys, read back one key at a time.
//
//   offset 0   18 bytes  "KAVEN_COMPARE_FILE", no length, no terminator
//   offset 18  records, each a 32-bit tag and its fields:
//     0 key           string: full key path ("HKEY_CURRENT_USER\X"; a root key alone is its name)
//     1 subkey name   string: one direct subkey of the current key
//     2 value         string: name (empty for the default value), int: type code, data by type
//     3 end of key
//     4 end of file   nothing follows
//
// One key is: its key record, its subkey names, its values, its end-of-key record, with names in
// ascending case-insensitive order as the walk hands them over. See ChangeFileStream.h for the fields.

#include "changes/ChangeFileStream.h"
#include "registry/TRegValue.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class AnalysisRecordTag : qint32 { Key = 0, SubKeyName = 1, Value = 2, EndOfKey = 3, EndOfFile = 4 };

inline constexpr QByteArrayView AnalysisFileMagic("KAVEN_COMPARE_FILE");

struct StoredValue {
    QString name;
    TRegValue value;
};

// One key as the file stores it.
struct StoredKey {
    QString path; // without trailing backslash
    QStringList subKeyNames;
    std::vector<StoredValue> values;
};

// Streams keys into an analysis file. The identifier is written at construction; finish() ends the
// file. A walk that is cancelled simply calls finish(): a key still open gets its end-of-key record,
// so a partial file is a valid one.
class AnalysisFileWriter final {
public:
    explicit AnalysisFileWriter(QIODevice& device);
    AnalysisFileWriter(const AnalysisFileWriter&) = delete;
    AnalysisFileWriter& operator=(const AnalysisFileWriter&) = delete;

    void beginKey(const QString& path); // ends a key still open
    void writeSubKeyName(const QString& name);
    void writeValue(const QString& name, const TRegValue& value);
    void endKey();
    void writeKey(const StoredKey& key);
    // Ends an open key, writes the end-of-file record and flushes. False when any write failed.
    [[nodiscard]] bool finish();
    [[nodiscard]] bool ok() const { return m_out.ok(); }

private:
    void tag(AnalysisRecordTag tag);

    ChangeFieldWriter m_out;
    bool m_keyOpen = false;
};

// Reads an analysis file one key at a time; only that key is held in memory.
class AnalysisFileReader final {
public:
    explicit AnalysisFileReader(QIODevice& device);
    AnalysisFileReader(const AnalysisFileReader&) = delete;
    AnalysisFileReader& operator=(const AnalysisFileReader&) = delete;

    enum class Step { Key, End, Error };
    // The next key into key (Key); End after the end-of-file record; Error with error() set. After End
    // or Error every further call answers the same.
    [[nodiscard]] Step next(StoredKey& key);
    [[nodiscard]] const ChangeFileError& error() const { return m_in.error(); }

private:
    [[nodiscard]] bool readMagic();
    [[nodiscard]] bool readTag(qint32& tag);
    [[nodiscard]] bool readKeyBody(StoredKey& key);
    Step stop(Step step);

    ChangeFieldReader m_in;
    bool m_started = false;
    std::optional<Step> m_final;
};
