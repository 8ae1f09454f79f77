#pragma once

// One registry file of a Wine prefix (system.reg, user.reg, userdef.reg) in memory. Every key keeps the
// lines it was read from: an unchanged file is written back byte for byte, and a changed one re-renders
// only the keys that were touched, each as the wineserver writes it ("[path] seconds", "#time=",
// "#class=", "#link", the values in its order), in the server's place for it (depth first, subkeys
// in the server's order). Keys without values but with subkeys are not written, as the server does.

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <memory>

struct WineValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data; // the registry's own bytes: UTF-16LE for strings
};

struct WineKey {
    QString name;
    int parent = -1;
    QVector<int> children; // the server's order
    QVector<WineValue> values; // the server's order
    quint64 modified = 0; // FILETIME ticks
    bool hasClass = false;
    QString keyClass;
    bool link = false;
    QByteArrayList otherOptions; // "#..." lines this program does not know, kept
    QByteArray lines; // as read, with the blank lines before them; empty for a key not written
    bool touched = false;
    bool deleted = false;
};

class WineRegFile final {
public:
    // Parses a file; null with a German *error when it is not one of Wine's registry files.
    [[nodiscard]] static std::unique_ptr<WineRegFile> parse(const QByteArray& bytes, QString* error);
    // An empty file whose keys are relative to the given path ("REGISTRY\\User\\.Default").
    [[nodiscard]] static std::unique_ptr<WineRegFile> empty(const QString& relativeTo, const QByteArray& arch);

    // The file again: the bytes read when nothing changed.
    [[nodiscard]] QByteArray serialize() const;
    // Every key rendered as the server writes it, none from its lines: a file the server wrote comes
    // back as it was.
    [[nodiscard]] QByteArray rendered() const;
    [[nodiscard]] bool changed() const { return m_changed; }
    // "REGISTRY\User\S-1-5-21-..." of the header, unescaped.
    [[nodiscard]] QString relativeTo() const { return m_relativeTo; }
    // "win32", "win64" or empty.
    [[nodiscard]] QByteArray arch() const { return m_arch; }

    [[nodiscard]] static int root() { return 0; }
    [[nodiscard]] int keyCount() const { return int(m_keys.size()); }
    [[nodiscard]] const WineKey& key(int index) const { return m_keys.at(index); }
    [[nodiscard]] bool alive(int index) const { return index >= 0 && index < m_keys.size() && !m_keys[index].deleted; }
    // A subkey by the Windows case rules, or -1.
    [[nodiscard]] int child(int parent, QStringView name) const;
    // The key at names below root (no links followed), or -1.
    [[nodiscard]] int find(const QStringList& names) const;
    [[nodiscard]] int valueIndex(int key, QStringView name) const;

    // Changes stamp the keys they touch with now (FILETIME ticks), as the server does. setValue answers
    // false when the value had that type and data already (nothing is touched then).
    bool setValue(int key, const QString& name, DWORD type, const QByteArray& data, quint64 now);
    bool deleteValue(int key, QStringView name, quint64 now);
    int addChild(int parent, const QString& name, quint64 now);
    // The key must have no subkeys.
    void removeKey(int key, quint64 now);

private:
    WineRegFile() = default;
    bool parseLines(const QByteArray& bytes, QString* error);
    int childOrAdd(int parent, const QString& name);
    void stamp(int key, quint64 time, bool onlyUnset);
    [[nodiscard]] QByteArray render(int key) const;
    [[nodiscard]] QByteArray pathText(int key) const;
    void serializeKey(int key, bool renderAll, QByteArray* out) const;

    QByteArray m_original;
    QByteArray m_header;
    QString m_relativeTo;
    QByteArray m_arch;
    QVector<WineKey> m_keys;
    QHash<QString, int> m_index; // parent index, '\\', upper-cased name -> key
    bool m_changed = false;
};
