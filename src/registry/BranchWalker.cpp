#include "registry/BranchWalker.h"

#include "platform/RegBranch.h"
#include "registry/AsciiCollation.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/OpenKey.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"
#include "registry/StoreOrderWalk.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

// Names the locale finds equal but the registry keeps apart ("ß" and "ss") still get a fixed order,
// so that none is lost as a duplicate of another.
struct PendingKey {
    QString subPath;
    qsizetype place = 0;     // in the branch's key list
    bool plain = false;      // its order among other plain paths is known without the collator
    bool wellFormed = true;  // no lone surrogate: its code points are its UTF-8 bytes' order
};

// A locale's collator compares as its sort keys do, and skips the common beginning of two paths that
// sort keys would encode in full. The "C" locale's sort keys are the UTF-8 bytes, which its case-blind
// comparison does not follow: that order is kept, as the order of code points, without making the keys.
// From this many values on, a key's unsorted values are sorted by their collation keys.
constexpr qsizetype ManyValues = 64;

// The order of the UTF-8 bytes of two well-formed texts: their code points', where a surrogate pair stands
// for a code point above every single unit.
int compareCodePoints(QStringView a, QStringView b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y) {
            const auto rank = [](char16_t c) { return QChar::isSurrogate(c) ? int(c) + 0x10000 : int(c); };
            return rank(x) < rank(y) ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct PendingLess {
    const QCollator* collator = nullptr;
    const AsciiCollation* ascii = nullptr;
    bool byCodePoints = false; // the "C" locale

    [[nodiscard]] int collate(const PendingKey& a, const PendingKey& b) const
    {
        if (byCodePoints)
            return a.wellFormed && b.wellFormed ? compareCodePoints(a.subPath, b.subPath)
                                                : a.subPath.toUtf8().compare(b.subPath.toUtf8());
        if (a.plain && b.plain)
            return ascii->compareCovered(a.subPath, b.subPath);
        return collator->compare(a.subPath, b.subPath);
    }

    bool operator()(const PendingKey& a, const PendingKey& b) const
    {
        if (const int c = collate(a, b))
            return c < 0;
        if (const int c = winCompareNoCase(a.subPath, b.subPath))
            return c < 0;
        return QString::compare(a.subPath, b.subPath) < 0;
    }
};

// The state of one walk: the branch's keys read at once, the order, the pending keys and the visitor's
// answers. The keys are visited in the order of a pending list that a visited key adds its subkeys to;
// as every subkey orders after its parent, that is the order of all the branch's paths.
class Walk final {
public:
    Walk(Progress& progress, const BranchWalker::Options& options, BranchVisitor& visitor)
        : m_progress(progress)
        , m_options(options)
        , m_visitor(visitor)
        , m_collator(QLocale())
        , m_keysOrder(m_collator.locale().language() == QLocale::C)
        , m_ascii(caseBlind(m_collator))
        , m_pending(PendingLess{&m_collator, &m_ascii, m_keysOrder})
    {
    }

    WalkResult run(HKEY root, const QString& rootName, const QString& branchSubPath)
    {
        m_rootName = rootName;
        OpenKey key;
        const QString branchPath = pathOf(branchSubPath);
        if (std::optional<WalkResult> end = OpenAndReadBranch(m_progress, m_options, m_visitor, root, branchPath,
                                                              branchSubPath, true, key, m_branch))
            return *end;
        LONG rc = ERROR_SUCCESS;
        indexChildren();
        m_subPaths[0] = branchSubPath;
        qsizetype current = 0; // the branch key, open already
        while (true) {
            if (current != 0) {
                if (!stepOn())
                    return WalkResult::ended(WalkResult::Status::Cancelled);
                rc = RegOpenBranchKey(m_branch, current, key.out());
            }
            if (rc != ERROR_SUCCESS) {
                m_visitor.keyNotOpened(pathOf(m_subPaths.value(current)), rc);
            } else if (std::optional<WalkResult> end = visit(current, key.get())) {
                return *end;
            }
            key.reset();
            m_subPaths.remove(current); // its subkeys have their own: memory stays that of the pending keys
            if (m_next >= 0) {
                current = std::exchange(m_next, -1);
                continue;
            }
            if (m_pending.empty())
                return WalkResult::ended(WalkResult::Status::Completed);
            current = m_pending.begin()->place;
            m_pending.erase(m_pending.begin());
        }
    }

private:
    [[nodiscard]] static QCollator& caseBlind(QCollator& collator)
    {
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return collator;
    }

    [[nodiscard]] bool stepOn()
    {
        m_progress.step();
        return !m_progress.abortRequested();
    }

    [[nodiscard]] QString pathOf(const QString& subPath) const
    {
        return subPath.isEmpty() ? m_rootName : m_rootName + QLatin1Char('\\') + subPath;
    }

    // The subkeys of every key as places in the branch's list, grouped by parent.
    void indexChildren()
    {
        const QVector<BackendBranchKey>& keys = m_branch.keys();
        m_subPaths.clear();
        m_firstChild.assign(size_t(keys.size()) + 1, 0);
        for (const BackendBranchKey& key : keys)
            if (key.parent >= 0)
                ++m_firstChild[size_t(key.parent) + 1];
        for (size_t i = 1; i < m_firstChild.size(); ++i)
            m_firstChild[i] += m_firstChild[i - 1];
        m_children.assign(size_t(keys.size()), 0);
        std::vector<qsizetype> filled(m_firstChild.begin(), m_firstChild.end() - 1);
        for (qsizetype i = 0; i < keys.size(); ++i)
            if (keys[i].parent >= 0)
                m_children[size_t(filled[size_t(keys[i].parent)]++)] = i;
    }

    // Visits one open key; a result when the walk ends here.
    std::optional<WalkResult> visit(qsizetype place, HKEY handle)
    {
        // the branch's list already holds the subkeys: a visitor that needs them does not list them again
        QStringList subKeys;
        const bool known = RegBranchSubKeysCurrent(m_branch, place);
        if (known) {
            const qsizetype end = m_firstChild[size_t(place) + 1];
            subKeys.reserve(end - m_firstChild[size_t(place)]);
            for (qsizetype i = m_firstChild[size_t(place)]; i < end; ++i)
                subKeys.append(m_branch.keys()[m_children[size_t(i)]].name);
        }
        const QString subPath = m_subPaths.value(place);
        const WalkKey key{pathOf(subPath), subPath, handle, known ? &subKeys : nullptr};
        WalkStep step = m_visitor.visitKey(key);
        if (step == WalkStep::Stop)
            return WalkResult::ended(WalkResult::Status::Stopped);
        bool descend = step != WalkStep::SkipSubtree;
        if (m_options.values) {
            if (std::optional<WalkResult> end = readValues(key, place))
                return end;
            for (const WalkValue& value : std::as_const(m_values)) {
                if (!stepOn())
                    return WalkResult::ended(WalkResult::Status::Cancelled);
                step = m_visitor.visitValue(key, value);
                if (step == WalkStep::Stop)
                    return WalkResult::ended(WalkResult::Status::Stopped);
                if (step == WalkStep::SkipSubtree) {
                    descend = false;
                    break;
                }
            }
        }
        return descend ? addSubKeys(key, place) : std::nullopt;
    }

    // The key's values into m_values, in name order.
    std::optional<WalkResult> readValues(const WalkKey& key, qsizetype place)
    {
        if (!stepOn())
            return WalkResult::ended(WalkResult::Status::Cancelled);
        const LONG rc = RegReadBranchValues(m_branch, place, key.handle, &m_values);
        if (rc != ERROR_SUCCESS)
            return ValuesFailure(key.path, rc);
        for (qsizetype i = 0; i < m_values.size(); ++i) {
            if (!stepOn())
                return WalkResult::ended(WalkResult::Status::Cancelled);
        }
        if (m_values.size() > 1)
            sortValues();
        return std::nullopt;
    }

    // Values written in name order (as an import writes them) need one comparison each.
    void sortValues()
    {
        const auto covered = [this](const WalkValue& value) { return m_ascii.covers(value.name); };
        const bool plain = std::all_of(m_values.cbegin(), m_values.cend(), covered);
        // two plain names need no collator, even among others
        const auto less = [this, plain](const WalkValue& a, const WalkValue& b) {
            const bool covered = plain || (m_ascii.covers(a.name) && m_ascii.covers(b.name));
            if (const int c = covered ? m_ascii.compareCovered(a.name, b.name) : m_collator.compare(a.name, b.name))
                return c < 0;
            return namesLess(a.name, b.name);
        };
        if (std::is_sorted(m_values.begin(), m_values.end(), less))
            return;
        if (m_keysOrder || m_values.size() < ManyValues || plain) {
            std::sort(m_values.begin(), m_values.end(), less);
            return;
        }
        // Many values (a list of file paths, say): a locale's collator orders as its collation keys do, so
        // each name's key once, then byte comparisons, instead of the collator comparing each name many
        // times over.
        std::vector<std::pair<QCollatorSortKey, qsizetype>> order;
        order.reserve(size_t(m_values.size()));
        for (qsizetype i = 0; i < m_values.size(); ++i)
            order.emplace_back(m_collator.sortKey(m_values[i].name), i);
        std::sort(order.begin(), order.end(), [this](const auto& a, const auto& b) {
            if (const int c = a.first.compare(b.first))
                return c < 0;
            return namesLess(m_values[a.second].name, m_values[b.second].name);
        });
        QVector<WalkValue> sorted;
        sorted.reserve(m_values.size());
        for (const auto& entry : order)
            sorted.append(std::move(m_values[entry.second]));
        m_values = std::move(sorted);
    }

    // Names the locale finds equal.
    [[nodiscard]] static bool namesLess(const QString& a, const QString& b)
    {
        if (const int c = winCompareNoCase(a, b))
            return c < 0;
        return QString::compare(a, b) < 0;
    }

    std::optional<WalkResult> addSubKeys(const WalkKey& key, qsizetype place)
    {
        if (!stepOn())
            return WalkResult::ended(WalkResult::Status::Cancelled);
        // the list was read before the visit, which may have deleted the key
        if (const LONG rc = RegCheckKey(key.handle); rc != ERROR_SUCCESS)
            return SubKeysFailure(key.path, rc);
        const qsizetype first = m_firstChild[size_t(place)];
        const qsizetype end = m_firstChild[size_t(place) + 1];
        for (qsizetype i = first; i < end; ++i) {
            if (!stepOn())
                return WalkResult::ended(WalkResult::Status::Cancelled);
            const qsizetype child = m_children[size_t(i)];
            const QString& name = m_branch.keys()[child].name;
            m_subPaths[child] = key.subPath.isEmpty() ? name : key.subPath + QLatin1Char('\\') + name;
        }
        // An only child with nothing else pending comes next whatever its place in the order.
        if (end - first == 1 && m_pending.empty()) {
            m_next = m_children[size_t(first)];
            return std::nullopt;
        }
        // the list holds siblings in an order close to the walk's: each is tried right after the one before
        auto at = m_pending.end();
        for (qsizetype i = first; i < end; ++i) {
            const qsizetype child = m_children[size_t(i)];
            const QString subPath = m_subPaths.value(child);
            PendingKey pending{subPath, child, m_ascii.covers(subPath),
                               !m_keysOrder || QStringView(subPath).isValidUtf16()};
            at = i == first ? m_pending.insert(std::move(pending)).first
                            : m_pending.insert(std::next(at), std::move(pending));
        }
        return std::nullopt;
    }

    Progress& m_progress;
    const BranchWalker::Options& m_options;
    BranchVisitor& m_visitor;
    QCollator m_collator;
    const bool m_keysOrder; // pending keys are ordered as their collation keys would be
    const AsciiCollation m_ascii; // the collator's order of plain names, without asking it
    QString m_rootName;
    RegBranch m_branch;
    QHash<qsizetype, QString> m_subPaths;  // by place: the keys pending, filled when their parent is visited
    std::vector<qsizetype> m_firstChild;   // by place: where its subkeys start in m_children (size + 1)
    std::vector<qsizetype> m_children;
    std::set<PendingKey, PendingLess> m_pending;
    QVector<WalkValue> m_values; // of the key being visited
    qsizetype m_next = -1; // the next key when it need not be ordered among others
};

} // namespace

WalkResult WalkResult::ended(Status status)
{
    WalkResult result;
    result.status = status;
    return result;
}

WalkResult WalkResult::failed(const QString& text, const QString& keyPath, LONG code)
{
    WalkResult result = ended(Status::Failed);
    result.text = text;
    result.keyPath = keyPath;
    result.code = code;
    return result;
}

WalkResult SubKeysFailure(const QString& path, LONG code)
{
    return WalkResult::failed(
        QStringLiteral("Die Unterschlüssel von %1 konnten nicht gelesen werden: %2").arg(path, RegCodeText(code)),
        path, code);
}

WalkResult ValuesFailure(const QString& path, LONG code)
{
    return WalkResult::failed(
        QStringLiteral("Die Werte von %1 konnten nicht gelesen werden: %2").arg(path, RegCodeText(code)), path, code);
}

WalkStep BranchVisitor::visitValue(const WalkKey&, const WalkValue&)
{
    return WalkStep::Continue;
}

void BranchVisitor::keyNotOpened(const QString&, LONG) {}

BranchWalker::BranchWalker(Progress& progress) : BranchWalker(progress, Options{}) {}

BranchWalker::BranchWalker(Progress& progress, Options options) : m_progress(progress), m_options(options) {}

WalkResult BranchWalker::walk(const QString& keyPath, BranchVisitor& visitor)
{
    const QString branch = ExcludeTrailingBackslash(keyPath);
    const HKEY root = GetRootKey(branch);
    if (root == 0)
        return WalkResult::failed(QStringLiteral("Unbekannter Stammschlüssel: ") + branch, branch, ERROR_BAD_PATHNAME);
    RegistryAccessor reg(m_options.access);
    if (!ConnectRootKey(reg, root, true))
        return WalkResult::failed(QStringLiteral("Keine Verbindung zum Stammschlüssel von ") + branch, branch,
                                  ERROR_BAD_NETPATH);
    if (m_options.storeOrder && !m_options.subKeysOnly)
        return WalkInStoreOrder(m_progress, m_options, visitor, reg.rootKey(), GetRootKeyName(branch),
                                GetSubKeyPath(branch));
    Walk walk(m_progress, m_options, visitor);
    return walk.run(reg.rootKey(), GetRootKeyName(branch), GetSubKeyPath(branch));
}

QString RegCodeText(LONG code)
{
    QString text;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        text = QStringLiteral("nicht gefunden");
        break;
    case ERROR_ACCESS_DENIED:
        text = QStringLiteral("Zugriff verweigert");
        break;
    case ERROR_OUTOFMEMORY:
        text = QStringLiteral("nicht genügend Arbeitsspeicher");
        break;
    case 112:
        text = QStringLiteral("nicht genügend Speicherplatz auf dem Datenträger");
        break;
    case ERROR_REGISTRY_IO_FAILED:
        text = QStringLiteral("Ein-/Ausgabefehler der Registrierungsdatenbank");
        break;
    case ERROR_KEY_DELETED:
        text = QStringLiteral("der Schlüssel wurde gelöscht");
        break;
    case 1460:
        text = QStringLiteral("Zeitüberschreitung, die Registrierungsdatenbank ist von einem anderen Prozess gesperrt");
        break;
    default:
        text = QStringLiteral("Fehler");
    }
    return text + QStringLiteral(" (Code %1)").arg(code);
}
