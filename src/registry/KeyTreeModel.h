#pragma once

// The key tree: a machine node on top, root keys below it, subkeys below those. Each node has a text
// (the key name), an image and a selected image (0 machine, 1 closed key, 2 open key), a mark that it
// has children before they are loaded, and an expanded mark kept for the tree-state files. Children
// are loaded on first demand (fetchMore, loadChildren) by the child loader, which by default reads
// the registry (LoadKeyChildren), and are always kept sorted by text.
//
// A node's has-children mark may be left open when it is added (checkLater) and is then settled by
// the mark resolver the first time anyone asks for it, so that loading a key with tens of thousands
// of subkeys does not open every one of them; only the rows a view shows are asked.

#include <QAbstractItemModel>
#include <QCollator>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

struct KeyNodeInfo {
    QString text;
    int image = 1;
    int selectedImage = 2;
    bool hasChildren = false;
    bool checkLater = false; // the mark is settled by the resolver when first asked
};

class KeyTreeModel final : public QAbstractItemModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyTreeModel)

public:
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int SelectedImageRole = Qt::UserRole + 2;

    explicit KeyTreeModel(QObject* parent = nullptr);
    ~KeyTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An in-place edit only asks: renameRequested is emitted and the owner renames the key, then
    // calls setText.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    using ChildLoader = std::function<void(KeyTreeModel& tree, const QModelIndex& node)>;
    void setChildLoader(ChildLoader loader);
    // Answers whether a node has children, for marks left open; by default NodeHasSubKeys.
    using MarkResolver = std::function<bool(const KeyTreeModel& tree, const QModelIndex& node)>;
    void setMarkResolver(MarkResolver resolver);
    // Decoration for an image number (e.g. a QIcon of the GUI's image list); none by default.
    void setImageProvider(std::function<QVariant(int image)> provider);
    void setCollator(const QCollator& collator);

    void clear();
    // A top-level node (the machine node), added after the existing ones; its children count as loaded.
    QModelIndex addTopNode(const KeyNodeInfo& nodeInfo);
    // Replaces the node's children by nodes for nodeInfos (sorted once) and marks them loaded; the node's
    // has-children mark follows whether there are any.
    void setChildren(const QModelIndex& node, QList<KeyNodeInfo> nodeInfos);
    // Adds one child at its sorted place and returns its row. Does not load the other children.
    int insertChild(const QModelIndex& node, const KeyNodeInfo& nodeInfo);
    // Adds one child at the end, unsorted (rebuilding a tree from a state file); see sortChildren.
    QModelIndex appendChild(const QModelIndex& node, const KeyNodeInfo& nodeInfo);
    void sortChildren(const QModelIndex& node);
    void removeNode(const QModelIndex& node);
    // Runs the child loader once for a node whose children are not loaded yet.
    void loadChildren(const QModelIndex& node);

    [[nodiscard]] QString text(const QModelIndex& node) const;
    // Changes a node's text and moves it to its sorted place; returns its index afterwards.
    QModelIndex setText(const QModelIndex& node, const QString& text);
    [[nodiscard]] int image(const QModelIndex& node) const;
    [[nodiscard]] int selectedImage(const QModelIndex& node) const;
    void setImages(const QModelIndex& node, int image, int selectedImage);
    [[nodiscard]] bool hasChildrenMark(const QModelIndex& node) const;
    void setHasChildrenMark(const QModelIndex& node, bool mark);
    [[nodiscard]] bool childrenLoaded(const QModelIndex& node) const;
    void setChildrenLoaded(const QModelIndex& node, bool loaded);
    [[nodiscard]] bool isExpanded(const QModelIndex& node) const;
    // Kept by the view (expanded/collapsed signals); the model only stores it.
    void setExpanded(const QModelIndex& node, bool expanded);
    // Asks the views to expand a node (they connect expandRequested to their expand slot).
    void requestExpand(const QModelIndex& node);
    // Child with this text, compared the way the registry compares key names; invalid when none.
    [[nodiscard]] QModelIndex findChild(const QModelIndex& node, const QString& text) const;

    struct Node;

signals:
    void expandRequested(const QModelIndex& node);
    void renameRequested(const QModelIndex& node, const QString& newText);

private:
    [[nodiscard]] Node* nodeOf(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex indexOf(const Node* node) const;
    [[nodiscard]] std::vector<std::unique_ptr<Node>>& childrenOf(const QModelIndex& index);
    [[nodiscard]] int sortedPosition(const Node* parent, const QString& text) const;

    std::unique_ptr<Node> m_root; // invisible; its children are the top-level nodes
    void settleMark(const Node* node) const;

    ChildLoader m_loader;
    MarkResolver m_resolver;
    std::function<QVariant(int)> m_imageProvider;
    QCollator m_collator;
};
