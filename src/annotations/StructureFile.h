#pragma once

// Key structures: named trees of key names without values, saved as ".rst" files in the structure
// directory and applied to a key to create all their keys below it.
//
// A .rst file is text, lines ended by CR LF:
//   line 1      the selected node's position in display order, 8 upper-case hex digits
//   then        one line per node, depth-first, the root ("Root-Schlüssel", level 0) first:
//               image (2 hex digits), selected image (2), level (2), has children (00/01),
//               expanded (00/01, always 00 without children), then the name to the end of the line.

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

struct StructureNode {
    QString name;
    int image = 0;
    int selectedImage = 0;
    int level = 0;
    bool hasChildren = false;
    bool expanded = false;
    friend bool operator==(const StructureNode&, const StructureNode&) = default;
};

// The nodes in display order; selected is a position in that order.
struct Structure {
    int selected = 0;
    QList<StructureNode> nodes;
    friend bool operator==(const Structure&, const Structure&) = default;
};

namespace StructureFile {

inline const QString RootName = QStringLiteral("Root-Schlüssel");
inline const QString Extension = QStringLiteral(".rst");

// Lines too short or with fields that are not hex digits are skipped; the name is the rest of the line.
[[nodiscard]] Structure read(QIODevice& device);
[[nodiscard]] bool write(const Structure& structure, QIODevice& device);
// A missing file reads as no nodes; save() creates the folder and replaces the file through a
// temporary file and a rename.
[[nodiscard]] Structure load(const QString& fileName);
[[nodiscard]] bool save(const Structure& structure, const QString& fileName);

// The parent of every node by the levels, as the tree is rebuilt: a deeper node goes below the node
// before it, a node of the same level beside it, a shallower one beside that node's ancestor of its
// level. -1 for top nodes; the first node is always one.
[[nodiscard]] QList<int> parentIndices(const QList<StructureNode>& nodes);

// A structure name is a file name without extension: not empty, none of \ / : * ? " < > |.
[[nodiscard]] bool isValidName(const QString& name);
// The names of the ".rst" files of a folder, without extension, sorted.
[[nodiscard]] QStringList structureNames(const QString& directory);

// The subkey tree of a key as a structure: the root line, then every subkey depth-first in the
// registry's order, level 1 for direct subkeys. No nodes when the key cannot be opened.
[[nodiscard]] Structure readKeyStructure(const QString& keyPath);

// Creates every key of the structure below keyPath (existing keys stay as they are; keys that cannot be
// created are skipped) and answers the number of keys in the structure. Nothing for a missing file.
[[nodiscard]] int apply(const QString& fileName, const QString& keyPath);
[[nodiscard]] int apply(const Structure& structure, const QString& keyPath);

} // namespace StructureFile
