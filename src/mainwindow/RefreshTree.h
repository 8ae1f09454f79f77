#pragma once

// Brings the loaded part of the key tree in line with the registry: nodes of keys that are gone are
// removed, loaded children gain and lose nodes as subkeys came and went, and unloaded nodes get their
// has-children mark anew. The root-key level itself is left alone (the standard view rebuilds it).

#include <QModelIndex>

#include <functional>

class KeyTreeModel;
class Progress;

// Walks the tree from the first root-key node in tree order, asking progress before every node (a
// stop leaves the nodes visited so far updated). Returns the node to select: selected, or the nearest
// ancestor that survived when selected's key is gone.
//
// deferMark, when given, takes the has-children mark of an unloaded node whose parent's subkeys were
// just read (so the node surely exists): the caller settles it later instead of one open per node.
[[nodiscard]] QModelIndex RefreshTree(KeyTreeModel& tree, const QModelIndex& selected, Progress& progress,
                                      const std::function<void(const QModelIndex&)>& deferMark = {});

// Expands every node of node's subtree in tree order, loading children on the way; expand is called
// for each node that has children. Stops when progress asks to.
void ExpandSubtree(KeyTreeModel& tree, const QModelIndex& node, Progress& progress,
                   const std::function<void(const QModelIndex&)>& expand);
