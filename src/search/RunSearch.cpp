#include "search/RunSearch.h"

#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"

#include <optional>

namespace {

enum class Flow { Go, Found, Cancelled };

// Reports one match; a find-next search keeps the first and ends.
class Reporter final {
public:
    Reporter(bool listing, const std::function<void(const SearchResult&)>& onMatch, SearchOutcome& outcome)
        : m_listing(listing), m_onMatch(onMatch), m_outcome(outcome)
    {
    }

    // True when the search goes on.
    // A listing's rows are ordered by the result list: the walk may take the store's order.
    [[nodiscard]] bool listing() const { return m_listing; }

    [[nodiscard]] bool report(FoundKind kind, const QString& keyPath, const QString& valueName, DWORD type)
    {
        SearchResult result{true, kind, keyPath, valueName, type};
        if (m_listing) {
            if (m_onMatch)
                m_onMatch(result);
            return true;
        }
        m_outcome.match = std::move(result);
        return false;
    }

private:
    bool m_listing;
    const std::function<void(const SearchResult&)>& m_onMatch;
    SearchOutcome& m_outcome;
};

// The values of the start key before the start position have been seen already; without a position
// every value takes part, the default value included.
struct StartPosition {
    QString valueName;
    bool atDefaultValue = false;

    [[nodiscard]] bool given() const { return atDefaultValue || !valueName.isEmpty(); }
};

// One subtree: the names of every key below the start key and the values of each key, in the walk's
// order.
class SubtreeVisitor final : public BranchVisitor {
public:
    SubtreeVisitor(SearchMatcher& matcher, Reporter& reporter, const StartPosition& position)
        : m_matcher(matcher), m_reporter(reporter), m_position(position)
    {
    }

    WalkStep visitKey(const WalkKey& key) override
    {
        if (m_startKey.isNull()) {
            m_startKey = key.path;
            return WalkStep::Continue;
        }
        const QStringView name = QStringView(key.path).sliced(key.path.lastIndexOf(QLatin1Char('\\')) + 1);
        if (m_matcher.matchKeyName(name) && !m_reporter.report(FoundKind::KeyName, key.path, QString(), REG_NONE))
            return WalkStep::Stop;
        return WalkStep::Continue;
    }

    WalkStep visitValue(const WalkKey& key, const WalkValue& value) override
    {
        if (m_position.given() && key.path == m_startKey
            && !IsPastStartValue(value.name, m_position.valueName, m_position.atDefaultValue))
            return WalkStep::Continue;
        if (m_matcher.matchValueName(value.name, value.type)
            && !m_reporter.report(FoundKind::ValueName, key.path, value.name, value.type))
            return WalkStep::Stop;
        if (m_matcher.matchValueData(value.type, value.data)
            && !m_reporter.report(FoundKind::ValueData, key.path, value.name, value.type))
            return WalkStep::Stop;
        return WalkStep::Continue;
    }

private:
    SearchMatcher& m_matcher;
    Reporter& m_reporter;
    const StartPosition& m_position;
    QString m_startKey; // the first key visited: the walk's branch key
};

// Collects the names of a key's direct subkeys in the walk's order.
class ChildLister final : public BranchVisitor {
public:
    QStringList names;

    WalkStep visitKey(const WalkKey& key) override
    {
        if (m_first) {
            m_first = false;
            return WalkStep::Continue;
        }
        names.append(key.path.section(QLatin1Char('\\'), -1));
        return WalkStep::SkipSubtree;
    }

private:
    bool m_first = true;
};

Flow flowOf(const WalkResult& result)
{
    switch (result.status) {
    case WalkResult::Status::Stopped:
        return Flow::Found;
    case WalkResult::Status::Cancelled:
        return Flow::Cancelled;
    default:
        return Flow::Go; // a failed or missing key is passed over
    }
}

class Search final {
public:
    Search(const SearchCriteria& criteria, Progress& progress, Reporter& reporter)
        : m_matcher(criteria), m_progress(progress), m_reporter(reporter)
    {
    }

    Flow subtree(const QString& keyPath, const StartPosition& position)
    {
        BranchWalker walker(m_progress,
                            BranchWalker::Options{m_matcher.looksAtValues(), KEY_READ, false, m_reporter.listing()});
        SubtreeVisitor visitor(m_matcher, m_reporter, position);
        return flowOf(walker.walk(keyPath, visitor));
    }

    // From the start key forward: its own subtree, its later siblings with theirs, then the later
    // siblings of each key above it, up to the root key. A root key as start searches its subtree,
    // its own name only when matchRootName says so.
    Flow fromPosition(const QString& startKey, const StartPosition& position, bool matchRootName)
    {
        QString current = ExcludeTrailingBackslash(startKey);
        if (GetSubKeyPath(current).isEmpty()) {
            if (matchRootName && m_matcher.matchKeyName(current)
                && !m_reporter.report(FoundKind::KeyName, current, QString(), REG_NONE))
                return Flow::Found;
            return subtree(current, position);
        }
        bool startLevel = true;
        while (!GetSubKeyPath(current).isEmpty()) {
            const QString parent = ExcludeTrailingBackslash(GetParentPath(current));
            const QString own = GetKeyName(current);
            ChildLister lister;
            BranchWalker walker(m_progress, BranchWalker::Options{false, KEY_READ, true});
            if (const WalkResult listed = walker.walk(parent, lister);
                listed.status == WalkResult::Status::Cancelled)
                return Flow::Cancelled;
            const qsizetype at = lister.names.indexOf(own, 0);
            qsizetype index = at >= 0 ? at : lister.names.size();
            if (at < 0) // deleted meanwhile: go on with the names after it
                for (qsizetype i = 0; i < lister.names.size(); ++i)
                    if (QString::compare(lister.names[i], own, Qt::CaseInsensitive) > 0) {
                        index = i;
                        break;
                    }
            if (startLevel && at >= 0) {
                const Flow flow = subtree(current, position);
                if (flow != Flow::Go)
                    return flow;
            }
            for (qsizetype i = at >= 0 ? index + 1 : index; i < lister.names.size(); ++i) {
                const QString sibling = parent + QLatin1Char('\\') + lister.names[i];
                if (m_matcher.matchKeyName(lister.names[i])
                    && !m_reporter.report(FoundKind::KeyName, sibling, QString(), REG_NONE))
                    return Flow::Found;
                const Flow flow = subtree(sibling, {});
                if (flow != Flow::Go)
                    return flow;
            }
            startLevel = false;
            current = parent;
        }
        return Flow::Go;
    }

    // The start key's slot and every later available slot, never the earlier ones.
    Flow allRoots(const QString& startKey, const StartPosition& position, bool singleRoot)
    {
        const RootKeySlots& table = RootKeyTable();
        const bool fromTop = startKey.isEmpty();
        const int first = fromTop ? 0 : IndexOfRootKey(GetRootKey(startKey));
        if (first < 0)
            return Flow::Go;
        for (int slot = first; slot < int(table.size()); ++slot) {
            if (!table[size_t(slot)].available || table[size_t(slot)].name.isEmpty())
                continue;
            const bool startSlot = slot == first && !fromTop;
            const Flow flow = startSlot
                ? fromPosition(startKey, position, (m_matcher.contentFlags() & SearchFlags::StartKeyName) != 0)
                : fromPosition(table[size_t(slot)].name, {}, true);
            if (flow != Flow::Go || singleRoot)
                return flow;
        }
        return Flow::Go;
    }

private:
    SearchMatcher m_matcher;
    Progress& m_progress;
    Reporter& m_reporter;
};

} // namespace

SearchOutcome RunSearch(const SearchCriteria& criteria, const SearchStart& start, Progress& progress,
                        const std::function<void(const SearchResult&)>& onMatch)
{
    SearchOutcome outcome;
    progress.clearAbort();
    Reporter reporter((criteria.contentFlags & SearchFlags::ListResults) != 0, onMatch, outcome);
    Search search(criteria, progress, reporter);
    const StartPosition position{start.valueName, start.atDefaultValue};
    Flow flow = Flow::Go;
    if ((criteria.contentFlags & SearchFlags::OnlyCurrentKey) != 0) {
        if (!start.keyPath.isEmpty())
            flow = search.subtree(start.keyPath, position);
    } else {
        flow = search.allRoots(start.keyPath, position, (criteria.contentFlags & SearchFlags::SingleRoot) != 0);
    }
    outcome.cancelled = flow == Flow::Cancelled;
    return outcome;
}
