#pragma once

// One walk over a registry branch for every tool that needs the whole branch (export, query, and later
// search, snapshot, comparison, statistics). Keys are visited through a pending list of paths kept in
// case-insensitive locale order, smallest first, so a key is normally followed by its own subtree
// before its next sibling; a key's values come in name order. The walk is a loop over that list, never
// a recursion, so the depth of the branch does not touch the stack. It steps the progress between keys,
// values and names and stops when the user cancels. Failures come back as a value.

#include "platform/RegistryBackend.h"
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class Progress;

// The key being visited; the handle is open (with the walk's access) only during its visit.
struct WalkKey {
    QString path;    // full key path: root-key name, and "\" and the subkey path below the root
    QString subPath; // the subkey path below the root, empty for the root key itself
    HKEY handle = 0;
    // The key's subkey names in no particular order, when the walk knows them to be current; else null
    // (list them through the handle).
    const QStringList* subKeys = nullptr;
};

// A value as the store hands it over (name empty for the default value, data as stored), so that the
// walk passes the values read without copying them.
using WalkValue = BackendValue;

enum class WalkStep {
    Continue,
    SkipSubtree, // the key's subkeys are not visited (from visitValue: nor its further values)
    Stop,        // the walk ends here, as a success
};

class BranchVisitor {
public:
    virtual ~BranchVisitor() = default;
    [[nodiscard]] virtual WalkStep visitKey(const WalkKey& key) = 0;
    [[nodiscard]] virtual WalkStep visitValue(const WalkKey& key, const WalkValue& value);
    // A key that cannot be opened (denied, deleted meanwhile) is left out with its subtree.
    virtual void keyNotOpened(const QString& path, LONG code);
};

struct WalkResult {
    enum class Status { Completed, Stopped, Cancelled, Failed };
    Status status = Status::Completed;
    QString text;    // Failed: the reason, in German, naming the key
    QString keyPath; // Failed: the key it concerns
    LONG code = ERROR_SUCCESS;

    [[nodiscard]] bool ok() const { return status == Status::Completed || status == Status::Stopped; }
    [[nodiscard]] static WalkResult ended(Status status);
    [[nodiscard]] static WalkResult failed(const QString& text, const QString& keyPath, LONG code);
};

class BranchWalker final {
public:
    struct Options {
        bool values = true; // enumerate and visit the values of every key
        REGSAM access = KEY_READ;
        bool subKeysOnly = false; // the branch key and its direct subkeys, nothing below them
        // Every key first, then every value, in the order the store keeps them: for visitors that order
        // what they collect themselves, and much faster on large branches. Not with subKeysOnly.
        bool storeOrder = false;
    };

    explicit BranchWalker(Progress& progress);
    BranchWalker(Progress& progress, Options options);

    // Walks the branch at keyPath (a root-key name, optionally "\" and a subkey path; a trailing
    // backslash is ignored) on the current machine. A branch whose root key is unknown or cannot be
    // connected fails; a branch key that does not open is reported to keyNotOpened and completes.
    [[nodiscard]] WalkResult walk(const QString& keyPath, BranchVisitor& visitor);

private:
    Progress& m_progress;
    Options m_options;
};

// A German text for a Windows code of the registry functions, for failure messages.
[[nodiscard]] QString RegCodeText(LONG code);
