#pragma once

// The tree-state file of one machine and view, kept while the user switches machines: the selected
// node's position and every loaded node in tree order with its images, level and marks.
//
//   line 1:       position of the selected node in tree order, 8 upper-case hex digits
//   other lines:  image, selected image, level, has-children mark, expanded mark (2 hex digits each),
//                 then the node text to the end of the line
//
// Lines end in CR LF; text goes through the program's 8-bit codec.

#include <QModelIndex>
#include <QString>

class KeyTreeModel;
class QIODevice;

namespace TreeStateFile {

[[nodiscard]] bool write(const KeyTreeModel& tree, const QModelIndex& selected, QIODevice& device);
// Rebuilds the tree from the lines; returns the node to select (the first node when the stored position
// is out of range, invalid when the file holds no node). Nodes whose stored expanded mark is set are
// asked to expand (KeyTreeModel::requestExpand) once their children are in place.
[[nodiscard]] QModelIndex read(KeyTreeModel& tree, QIODevice& device);

// The same on a file: written only where a list file may be written, read only when it exists.
[[nodiscard]] bool save(const KeyTreeModel& tree, const QModelIndex& selected, const QString& fileName);
[[nodiscard]] QModelIndex load(KeyTreeModel& tree, const QString& fileName, bool* found = nullptr);

// File name of a machine's state in the data directory: machine without backslashes, "Lokaler PC" for
// the local machine, + ".tmp"; the parallel view's file has "copy" in front.
[[nodiscard]] QString fileNameFor(const QString& machine, bool parallelView = false);

// Nodes in tree order (depth first, parents before children), from the first top-level node.
[[nodiscard]] QModelIndex nextInTreeOrder(const KeyTreeModel& tree, const QModelIndex& node);
// The next node after node's whole subtree.
[[nodiscard]] QModelIndex nextAfterSubtree(const KeyTreeModel& tree, const QModelIndex& node);

} // namespace TreeStateFile
