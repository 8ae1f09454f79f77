#pragma once

// The walk of a branch in the order the store keeps its keys and values, for visitors that order what
// they collect themselves (a listing search): every key of the branch in the list's order, each after
// its parent, then every value, taken from one pass over the registry's values where the branch holds a
// large share of them. The handle of a WalkKey is 0 and its subkeys are not given.

#include "platform/RegBranch.h"
#include "registry/BranchWalker.h"
#include "registry/OpenKey.h"

#include <optional>

[[nodiscard]] WalkResult WalkInStoreOrder(Progress& progress, const BranchWalker::Options& options,
                                          BranchVisitor& visitor, HKEY root, const QString& rootName,
                                          const QString& branchSubPath);

// What both walks do first: open the branch key (a key that does not open is reported and the walk
// completes) and read the branch in parts, so that the user can stop the walk of a large branch at once.
// A result when the walk ends there; else the key stays open.
[[nodiscard]] std::optional<WalkResult> OpenAndReadBranch(Progress& progress, const BranchWalker::Options& options,
                                                          BranchVisitor& visitor, HKEY root,
                                                          const QString& branchPath, const QString& branchSubPath,
                                                          bool counted, OpenKey& key, RegBranch& branch);

// The failures both walks report, in German, naming the key.
[[nodiscard]] WalkResult SubKeysFailure(const QString& path, LONG code);
[[nodiscard]] WalkResult ValuesFailure(const QString& path, LONG code);
