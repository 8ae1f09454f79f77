#include "registry/BranchWalker.h"

#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace {

// Names the locale finds equal but the registry keeps apart ("ß" and "ss") still get a fixed order,
// so that none is lost as a duplicate of another.
struct PendingKey {
    QCollatorSortKey sortKey;
    QString subPath;
};

struct PendingLess {
    bool operator()(const PendingKey& a, const PendingKey& b) const
    {
        if (const int c = a.sortKey.compare(b.sortKey))
            return c < 0;
        if (const int c = winCompareNoCase(a.subPath, b.subPath))
            return c < 0;
        return QString::compare(a.subPath, b.subPath) < 0;
    }
};

class OpenKey final {
public:
    OpenKey() = default;
    ~OpenKey() { reset(); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out()
    {
        reset();
        return &m_key;
    }
    [[nodiscard]] HKEY get() const { return m_key; }
    void reset()
    {
        if (m_key != 0)
            RegCloseKey(m_key);
        m_key = 0;
    }
    void swap(OpenKey& other) noexcept { std::swap(m_key, other.m_key); }

private:
    HKEY m_key = 0;
};

// The name of child below parent, or empty when child is no direct subkey of it.
QStringView childName(QStringView parent, QStringView child)
{
    if (parent.isEmpty())
        return child.contains(u'\\') ? QStringView() : child;
    if (child.size() <= parent.size() + 1 || !child.startsWith(parent) || child[parent.size()] != u'\\')
        return {};
    const QStringView name = child.sliced(parent.size() + 1);
    return name.contains(u'\\') ? QStringView() : name;
}

WalkResult failure(const QString& text, const QString& keyPath, LONG code)
{
    WalkResult result;
    result.status = WalkResult::Status::Failed;
    result.text = text;
    result.keyPath = keyPath;
    result.code = code;
    return result;
}

WalkResult withStatus(WalkResult::Status status)
{
    WalkResult result;
    result.status = status;
    return result;
}

// The state of one walk: the order, the pending paths and the visitor's answers.
class Walk final {
public:
    Walk(Progress& progress, const BranchWalker::Options& options, BranchVisitor& visitor)
        : m_progress(progress), m_options(options), m_visitor(visitor), m_collator(QLocale())
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    // The key visited last stays open until the next one is open: the next key is mostly its child, and
    // opening a child by its name keeps a deep branch from costing its depth at every key.
    WalkResult run(HKEY root, const QString& rootName, const QString& branchSubPath)
    {
        QString current = branchSubPath;
        QString previous;
        OpenKey previousKey;
        while (true) {
            if (!stepOn())
                return withStatus(WalkResult::Status::Cancelled);
            const QString path = current.isEmpty() ? rootName : rootName + QLatin1Char('\\') + current;
            const QStringView child = previousKey.get() != 0 ? childName(previous, current) : QStringView();
            OpenKey key;
            const LONG rc = child.isEmpty()
                ? RegOpenKeyEx(root, current, 0, m_options.access, key.out())
                : RegOpenKeyEx(previousKey.get(), child.toString(), 0, m_options.access, key.out());
            previousKey.reset();
            if (rc != ERROR_SUCCESS) {
                m_visitor.keyNotOpened(path, rc);
            } else if (std::optional<WalkResult> end = visit(WalkKey{path, current, key.get()})) {
                return *end;
            } else {
                previousKey.swap(key);
                previous = current;
            }
            if (m_next) {
                current = std::move(*m_next);
                m_next.reset();
                continue;
            }
            if (m_pending.empty())
                return withStatus(WalkResult::Status::Completed);
            current = std::move(m_pending.begin()->subPath);
            m_pending.erase(m_pending.begin());
        }
    }

private:
    [[nodiscard]] bool stepOn()
    {
        m_progress.step();
        return !m_progress.abortRequested();
    }

    // Visits one open key; a result when the walk ends here.
    std::optional<WalkResult> visit(const WalkKey& key)
    {
        WalkStep step = m_visitor.visitKey(key);
        if (step == WalkStep::Stop)
            return withStatus(WalkResult::Status::Stopped);
        bool descend = step != WalkStep::SkipSubtree;
        if (m_options.values) {
            std::vector<WalkValue> values;
            if (std::optional<WalkResult> end = readValues(key, &values))
                return end;
            for (const WalkValue& value : values) {
                if (!stepOn())
                    return withStatus(WalkResult::Status::Cancelled);
                step = m_visitor.visitValue(key, value);
                if (step == WalkStep::Stop)
                    return withStatus(WalkResult::Status::Stopped);
                if (step == WalkStep::SkipSubtree) {
                    descend = false;
                    break;
                }
            }
        }
        return descend ? addSubKeys(key) : std::nullopt;
    }

    std::optional<WalkResult> readValues(const WalkKey& key, std::vector<WalkValue>* values)
    {
        for (DWORD index = 0;; ++index) {
            if (!stepOn())
                return withStatus(WalkResult::Status::Cancelled);
            WalkValue v;
            const LONG rc = RegEnumValueBytes(key.handle, index, &v.name, MAX_VALUE_NAME + 1, &v.type, &v.data);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            if (rc != ERROR_SUCCESS)
                return failure(QStringLiteral("Die Werte von %1 konnten nicht gelesen werden: %2")
                                   .arg(key.path, RegCodeText(rc)),
                               key.path, rc);
            values->push_back(std::move(v));
        }
        std::sort(values->begin(), values->end(), [this](const WalkValue& a, const WalkValue& b) {
            if (const int c = m_collator.compare(a.name, b.name))
                return c < 0;
            if (const int c = winCompareNoCase(a.name, b.name))
                return c < 0;
            return QString::compare(a.name, b.name) < 0;
        });
        return std::nullopt;
    }

    std::optional<WalkResult> addSubKeys(const WalkKey& key)
    {
        QStringList names;
        QString name;
        for (DWORD index = 0;; ++index) {
            if (!stepOn())
                return withStatus(WalkResult::Status::Cancelled);
            const LONG rc = RegEnumKey(key.handle, index, &name, MAX_KEY_NAME + 1);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            if (rc != ERROR_SUCCESS)
                return failure(QStringLiteral("Die Unterschlüssel von %1 konnten nicht gelesen werden: %2")
                                   .arg(key.path, RegCodeText(rc)),
                               key.path, rc);
            names.append(key.subPath.isEmpty() ? name : key.subPath + QLatin1Char('\\') + name);
        }
        // An only child with nothing else pending comes next whatever its place in the order.
        if (names.size() == 1 && m_pending.empty()) {
            m_next = std::move(names.first());
            return std::nullopt;
        }
        for (QString& subPath : names) {
            QCollatorSortKey sortKey = m_collator.sortKey(subPath);
            m_pending.insert(PendingKey{std::move(sortKey), std::move(subPath)});
        }
        return std::nullopt;
    }

    Progress& m_progress;
    const BranchWalker::Options& m_options;
    BranchVisitor& m_visitor;
    QCollator m_collator;
    std::set<PendingKey, PendingLess> m_pending;
    std::optional<QString> m_next; // the next key when it need not be ordered among others
};

} // namespace

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
        return failure(QStringLiteral("Unbekannter Stammschlüssel: ") + branch, branch, ERROR_BAD_PATHNAME);
    RegistryAccessor reg(m_options.access);
    if (!ConnectRootKey(reg, root, true))
        return failure(QStringLiteral("Keine Verbindung zum Stammschlüssel von ") + branch, branch, ERROR_BAD_NETPATH);
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
