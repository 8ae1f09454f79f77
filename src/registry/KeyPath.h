#pragma once

// A key path ("HKEY_LOCAL_MACHINE\SOFTWARE\Classes") and its slices: the root-key name, the subkey
// path below it, the parent and the last name. One trailing backslash is dropped when the path is
// made, as every path function does; the root part is kept as written (GetRootKey resolves it).

#include <QString>

class KeyPath final {
public:
    KeyPath() = default;
    explicit KeyPath(const QString& text);
    // parent + "\" + name; the name alone when parent is empty.
    [[nodiscard]] static KeyPath join(const QString& parent, const QString& name);

    [[nodiscard]] const QString& text() const { return m_text; }
    [[nodiscard]] bool isEmpty() const { return m_text.isEmpty(); }
    // The part before the first backslash (the whole path for a root key).
    [[nodiscard]] QString rootName() const;
    // Everything after the first backslash; empty for a root key.
    [[nodiscard]] QString subKeyPath() const;
    // The path without its last name; empty for a root key.
    [[nodiscard]] KeyPath parent() const;
    // The last name; empty for a root key (a root key has no name of its own).
    [[nodiscard]] QString name() const;
    [[nodiscard]] KeyPath child(const QString& name) const { return join(m_text, name); }
    // Number of backslashes: 0 for a root key.
    [[nodiscard]] int level() const;
    // Whether this path is base or lies below it, names compared as the registry compares them.
    [[nodiscard]] bool isSameOrBelow(const KeyPath& base) const;

    friend bool operator==(const KeyPath&, const KeyPath&) = default;

private:
    QString m_text;
};
