#pragma once

// What one entry of the change list knows about its change: enough to undo it.

#include "registry/TRegValue.h"

#include <QString>

// The kinds of change, saved as these numbers in change list files.
namespace ChangeKinds {
inline constexpr qint32 KeyRemoved = 1;
inline constexpr qint32 KeyCreated = 2;
inline constexpr qint32 ValueRemoved = 4;
inline constexpr qint32 ValueCreated = 8;
inline constexpr qint32 DataChanged = 16;
inline constexpr qint32 TypeChanged = 32;
} // namespace ChangeKinds

struct ChangeRecord {
    qint32 ChangeKind = ChangeKinds::KeyRemoved;
    QString KeyPath;    // the changed key, or the key holding the changed value; no trailing backslash
    QString ValueName;  // empty for key entries and for the default value
    TRegValue OldValue; // the stored value where undo needs it, else empty (REG_NONE, no data)

    friend bool operator==(const ChangeRecord&, const ChangeRecord&) = default;
};

// The comparison options: the sum of the bits of the find-changes dialog's check boxes.
namespace CompFlags {
inline constexpr int Keys = 1;          // report created keys
inline constexpr int Values = 2;        // report created and removed values of existing keys
inline constexpr int Data = 4;          // report changed data
inline constexpr int Type = 8;          // report changed types
inline constexpr int FullNewKeys = 16;  // list a created key with its whole subtree
inline constexpr int Exclude = 32;      // apply the exclusion list
inline constexpr int Default = Keys | Values | Data | Type;
} // namespace CompFlags

// Comment column texts.
inline const QString KeyRemovedText = QStringLiteral("Schlüssel wurde entfernt");
inline const QString KeyCreatedText = QStringLiteral("Schlüssel wurde erstellt");
inline const QString ValueRemovedText = QStringLiteral("Wert wurde entfernt");
inline const QString ValueCreatedText = QStringLiteral("Wert wurde erstellt");
inline const QString DataChangedText = QStringLiteral("Daten wurden geändert");
inline const QString TypeChangedText = QStringLiteral("Typ wurde geändert");
