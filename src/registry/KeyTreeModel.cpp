#include "registry/KeyTreeModel.h"

#include "platform/WinCase.h"
#include "registry/RegUtils.h"
#include "registry/UserCollator.h"

#include <algorithm>

struct KeyTreeModel::Node {
    QString text;
    int image = 1;
    int selectedImage = 2;
    bool hasChildrenMark = false;
    bool markOpen = false; // hasChildrenMark not settled yet
    bool loaded = false;
    bool expanded = false;
    Node* parent = nullptr;
    int row = 0; // own position among the parent's children, kept current for parent()
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

using NodeList = std::vector<std::unique_ptr<KeyTreeModel::Node>>;

} // namespace

KeyTreeModel::KeyTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>()), m_loader(&LoadKeyChildren),
      m_resolver(&NodeHasSubKeys)
{
    m_root->loaded = true;
    m_collator = UserCollator();
}

KeyTreeModel::~KeyTreeModel() = default;

KeyTreeModel::Node* KeyTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

QModelIndex KeyTreeModel::indexOf(const Node* node) const
{
    if (node == nullptr || node == m_root.get())
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

static void renumber(std::vector<std::unique_ptr<KeyTreeModel::Node>>& children, size_t from = 0)
{
    for (size_t i = from; i < children.size(); ++i)
        children[i]->row = int(i);
}

QModelIndex KeyTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (column != 0 || row < 0 || size_t(row) >= node->children.size())
        return {};
    return createIndex(row, 0, node->children[size_t(row)].get());
}

QModelIndex KeyTreeModel::parent(const QModelIndex& child) const
{
    return child.isValid() ? indexOf(nodeOf(child)->parent) : QModelIndex();
}

int KeyTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int KeyTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

void KeyTreeModel::settleMark(const Node* node) const
{
    if (!node->markOpen)
        return;
    Node* open = const_cast<Node*>(node);
    open->markOpen = false;
    open->hasChildrenMark = m_resolver ? m_resolver(*this, indexOf(node)) : true;
}

bool KeyTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (node->children.empty() && !node->loaded)
        settleMark(node);
    return !node->children.empty() || (!node->loaded && node->hasChildrenMark);
}

QVariant KeyTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->text;
    case ImageRole:
        return node->image;
    case SelectedImageRole:
        return node->selectedImage;
    case Qt::DecorationRole:
        return m_imageProvider ? m_imageProvider(node->image) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags KeyTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    // Keys below the root keys can be renamed; machine and root-key nodes cannot.
    if (index.parent().isValid() && index.parent().parent().isValid())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool KeyTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    emit renameRequested(index, value.toString());
    return false;
}

bool KeyTreeModel::canFetchMore(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (!parent.isValid() || node->loaded)
        return false;
    settleMark(node);
    return node->hasChildrenMark;
}

void KeyTreeModel::fetchMore(const QModelIndex& parent)
{
    loadChildren(parent);
}

void KeyTreeModel::setChildLoader(ChildLoader loader)
{
    m_loader = std::move(loader);
}

void KeyTreeModel::setMarkResolver(MarkResolver resolver)
{
    m_resolver = std::move(resolver);
}

void KeyTreeModel::setImageProvider(std::function<QVariant(int)> provider)
{
    m_imageProvider = std::move(provider);
}

void KeyTreeModel::setCollator(const QCollator& collator)
{
    m_collator = collator;
}

void KeyTreeModel::clear()
{
    beginResetModel();
    m_root->children.clear();
    endResetModel();
}

QModelIndex KeyTreeModel::addTopNode(const KeyNodeInfo& nodeInfo)
{
    const QModelIndex top = appendChild(QModelIndex(), nodeInfo);
    nodeOf(top)->loaded = true;
    return top;
}

void KeyTreeModel::setChildren(const QModelIndex& node, QList<KeyNodeInfo> nodeInfos)
{
    Node* parent = nodeOf(node);
    if (!parent->children.empty()) {
        beginRemoveRows(node, 0, int(parent->children.size()) - 1);
        parent->children.clear();
        endRemoveRows();
    }
    // Sorted once, through one sort key per name: tens of thousands of subkeys stay fast.
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(size_t(nodeInfos.size()));
    for (qsizetype i = 0; i < nodeInfos.size(); ++i)
        keys.emplace_back(m_collator.sortKey(nodeInfos.at(i).text), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    parent->loaded = true;
    const bool hadMark = parent->hasChildrenMark;
    parent->hasChildrenMark = !nodeInfos.isEmpty();
    parent->markOpen = false;
    if (!nodeInfos.isEmpty()) {
        beginInsertRows(node, 0, int(nodeInfos.size()) - 1);
        parent->children.reserve(keys.size());
        for (const auto& key : keys) {
            auto child = std::make_unique<Node>();
            const KeyNodeInfo& nodeInfo = nodeInfos.at(key.second);
            child->text = nodeInfo.text;
            child->image = nodeInfo.image;
            child->selectedImage = nodeInfo.selectedImage;
            child->hasChildrenMark = nodeInfo.hasChildren;
            child->markOpen = nodeInfo.checkLater;
            child->parent = parent;
            parent->children.push_back(std::move(child));
        }
        renumber(parent->children);
        endInsertRows();
    }
    if (hadMark != parent->hasChildrenMark && node.isValid())
        emit dataChanged(node, node);
}

int KeyTreeModel::sortedPosition(const Node* parent, const QString& text) const
{
    const auto it = std::upper_bound(
        parent->children.cbegin(), parent->children.cend(), text,
        [this](const QString& t, const std::unique_ptr<Node>& n) { return m_collator.compare(t, n->text) < 0; });
    return int(it - parent->children.cbegin());
}

static std::unique_ptr<KeyTreeModel::Node> makeNode(const KeyNodeInfo& nodeInfo, KeyTreeModel::Node* parent)
{
    auto node = std::make_unique<KeyTreeModel::Node>();
    node->text = nodeInfo.text;
    node->image = nodeInfo.image;
    node->selectedImage = nodeInfo.selectedImage;
    node->hasChildrenMark = nodeInfo.hasChildren;
    node->markOpen = nodeInfo.checkLater;
    node->parent = parent;
    return node;
}

int KeyTreeModel::insertChild(const QModelIndex& node, const KeyNodeInfo& nodeInfo)
{
    Node* parent = nodeOf(node);
    const int position = sortedPosition(parent, nodeInfo.text);
    beginInsertRows(node, position, position);
    parent->children.insert(parent->children.begin() + position, makeNode(nodeInfo, parent));
    renumber(parent->children, size_t(position));
    endInsertRows();
    setHasChildrenMark(node, true);
    return position;
}

QModelIndex KeyTreeModel::appendChild(const QModelIndex& node, const KeyNodeInfo& nodeInfo)
{
    Node* parent = nodeOf(node);
    const int position = int(parent->children.size());
    beginInsertRows(node, position, position);
    parent->children.push_back(makeNode(nodeInfo, parent));
    parent->children.back()->row = position;
    endInsertRows();
    if (node.isValid())
        setHasChildrenMark(node, true);
    return index(position, 0, node);
}

void KeyTreeModel::sortChildren(const QModelIndex& node)
{
    Node* parent = nodeOf(node);
    if (parent->children.size() < 2)
        return;
    emit layoutAboutToBeChanged({QPersistentModelIndex(node)}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::pair<QCollatorSortKey, Node*>> keys;
    keys.reserve(parent->children.size());
    for (const auto& child : parent->children)
        keys.emplace_back(m_collator.sortKey(child->text), child.get());
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    std::vector<int> newRow(parent->children.size());
    for (size_t i = 0; i < keys.size(); ++i)
        newRow[size_t(keys[i].second->row)] = int(i);
    NodeList sorted(parent->children.size());
    for (auto& child : parent->children) {
        const int row = newRow[size_t(child->row)];
        sorted[size_t(row)] = std::move(child);
    }
    parent->children = std::move(sorted);
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList from;
    QModelIndexList to;
    for (const QModelIndex& old : persistent) {
        if (old.internalPointer() != nullptr && nodeOf(old)->parent == parent) {
            from.append(old);
            to.append(createIndex(newRow[size_t(old.row())], 0, old.internalPointer()));
        }
    }
    renumber(parent->children);
    changePersistentIndexList(from, to);
    emit layoutChanged({QPersistentModelIndex(node)}, QAbstractItemModel::VerticalSortHint);
}

void KeyTreeModel::removeNode(const QModelIndex& node)
{
    if (!node.isValid())
        return;
    Node* parent = nodeOf(node)->parent;
    const int row = nodeOf(node)->row;
    beginRemoveRows(indexOf(parent), row, row);
    parent->children.erase(parent->children.begin() + row);
    renumber(parent->children, size_t(row));
    endRemoveRows();
}

void KeyTreeModel::loadChildren(const QModelIndex& node)
{
    Node* target = nodeOf(node);
    if (target->loaded)
        return;
    // Marked first: a loader that fails must not be asked again by every view repaint.
    target->loaded = true;
    if (m_loader)
        m_loader(*this, node);
}

QString KeyTreeModel::text(const QModelIndex& node) const
{
    return node.isValid() ? nodeOf(node)->text : QString();
}

QModelIndex KeyTreeModel::setText(const QModelIndex& node, const QString& text)
{
    if (!node.isValid())
        return node;
    Node* target = nodeOf(node);
    target->text = text;
    emit dataChanged(node, node);
    Node* parent = target->parent;
    const int row = target->row;
    // Place among the others: take it out for the search, then put it back before moving.
    auto owned = std::move(parent->children[size_t(row)]);
    parent->children.erase(parent->children.begin() + row);
    const int position = sortedPosition(parent, text);
    parent->children.insert(parent->children.begin() + row, std::move(owned));
    if (position == row)
        return node;
    const QModelIndex parentIndex = indexOf(parent);
    if (!beginMoveRows(parentIndex, row, row, parentIndex, position > row ? position + 1 : position))
        return node;
    auto moving = std::move(parent->children[size_t(row)]);
    parent->children.erase(parent->children.begin() + row);
    parent->children.insert(parent->children.begin() + position, std::move(moving));
    renumber(parent->children, size_t(std::min(row, position)));
    endMoveRows();
    return index(position, 0, parentIndex);
}

int KeyTreeModel::image(const QModelIndex& node) const
{
    return nodeOf(node)->image;
}

int KeyTreeModel::selectedImage(const QModelIndex& node) const
{
    return nodeOf(node)->selectedImage;
}

void KeyTreeModel::setImages(const QModelIndex& node, int image, int selectedImage)
{
    if (!node.isValid())
        return;
    nodeOf(node)->image = image;
    nodeOf(node)->selectedImage = selectedImage;
    emit dataChanged(node, node);
}

bool KeyTreeModel::hasChildrenMark(const QModelIndex& node) const
{
    settleMark(nodeOf(node));
    return nodeOf(node)->hasChildrenMark;
}

void KeyTreeModel::setHasChildrenMark(const QModelIndex& node, bool mark)
{
    Node* target = nodeOf(node);
    const bool wasOpen = target->markOpen;
    target->markOpen = false;
    if (target->hasChildrenMark == mark && !wasOpen)
        return;
    target->hasChildrenMark = mark;
    if (node.isValid())
        emit dataChanged(node, node);
}

bool KeyTreeModel::childrenLoaded(const QModelIndex& node) const
{
    return nodeOf(node)->loaded;
}

void KeyTreeModel::setChildrenLoaded(const QModelIndex& node, bool loaded)
{
    nodeOf(node)->loaded = loaded;
}

bool KeyTreeModel::isExpanded(const QModelIndex& node) const
{
    return node.isValid() && nodeOf(node)->expanded;
}

void KeyTreeModel::setExpanded(const QModelIndex& node, bool expanded)
{
    if (node.isValid())
        nodeOf(node)->expanded = expanded;
}

void KeyTreeModel::requestExpand(const QModelIndex& node)
{
    if (!node.isValid())
        return;
    loadChildren(node);
    nodeOf(node)->expanded = true;
    emit expandRequested(node);
}

QModelIndex KeyTreeModel::findChild(const QModelIndex& node, const QString& text) const
{
    const Node* parent = nodeOf(node);
    for (const auto& child : parent->children) {
        if (winEqualsNoCase(child->text, text))
            return indexOf(child.get());
    }
    return {};
}
