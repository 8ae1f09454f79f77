#include "registry/StoreOrderWalk.h"

#include "platform/WinReg.h"
#include "registry/Progress.h"

#include <optional>
#include <vector>

namespace {

class StoreOrderWalk final {
public:
    StoreOrderWalk(Progress& progress, const BranchWalker::Options& options, BranchVisitor& visitor)
        : m_progress(progress), m_options(options), m_visitor(visitor)
    {
    }

    WalkResult run(HKEY root, const QString& rootName, const QString& branchSubPath)
    {
        m_rootName = rootName;
        m_branchSubPath = branchSubPath;
        {
            OpenKey key;
            if (std::optional<WalkResult> end = OpenAndReadBranch(m_progress, m_options, m_visitor, root,
                                                                  pathOf(branchSubPath), branchSubPath, false, key,
                                                                  m_branch))
                return *end;
        }
        m_state.assign(size_t(m_branch.keys().size()), State::LeftOut);
        if (std::optional<WalkResult> end = visitKeys())
            return *end;
        if (m_options.values) {
            const std::optional<WalkResult> end = RegBranchWantsValuePass(m_branch) ? valuesInOnePass() : valuesByKey();
            if (end)
                return *end;
        }
        return WalkResult::ended(WalkResult::Status::Completed);
    }

private:
    enum class State : char {
        LeftOut,     // not opened, or below a key left out or skipped
        Visited,     // its values and subkeys are visited
        NoSubKeys,   // visited, its subkeys skipped
        NoValues,    // visited, its further values skipped
        ReadLater,   // visited, written since the read before any value of it was visited: asked again
    };

    [[nodiscard]] bool stepOn()
    {
        m_progress.step();
        return !m_progress.abortRequested();
    }

    [[nodiscard]] QString pathOf(const QString& subPath) const
    {
        return subPath.isEmpty() ? m_rootName : m_rootName + QLatin1Char('\\') + subPath;
    }

    // The key's path from its parents' names: nothing is kept per key but its state, and the path of the
    // last parent asked for, as keys mostly follow their siblings.
    [[nodiscard]] WalkKey keyAt(qsizetype place)
    {
        if (place == 0)
            return WalkKey{pathOf(m_branchSubPath), m_branchSubPath, 0, nullptr};
        const QVector<BackendBranchKey>& keys = m_branch.keys();
        const qsizetype parent = keys[place].parent;
        if (parent != m_lastParent) {
            m_chain.clear();
            qsizetype length = m_branchSubPath.size();
            for (qsizetype at = parent; at > 0; at = keys[at].parent) {
                m_chain.push_back(at);
                length += keys[at].name.size() + 1;
            }
            m_lastParent = parent;
            m_parentSubPath.clear();
            m_parentSubPath.reserve(length);
            m_parentSubPath.append(m_branchSubPath);
            for (auto it = m_chain.crbegin(); it != m_chain.crend(); ++it) {
                if (!m_parentSubPath.isEmpty())
                    m_parentSubPath.append(QLatin1Char('\\'));
                m_parentSubPath.append(keys[*it].name);
            }
        }
        const QString& name = keys[place].name;
        QString subPath;
        subPath.reserve(m_parentSubPath.size() + 1 + name.size());
        if (!m_parentSubPath.isEmpty())
            subPath.append(m_parentSubPath).append(QLatin1Char('\\'));
        subPath.append(name);
        QString path;
        path.reserve(m_rootName.size() + 1 + subPath.size());
        path.append(m_rootName).append(QLatin1Char('\\')).append(subPath);
        return WalkKey{std::move(path), std::move(subPath), 0, nullptr};
    }

    std::optional<WalkResult> visitKeys()
    {
        const QVector<BackendBranchKey>& keys = m_branch.keys();
        for (qsizetype place = 0; place < keys.size(); ++place) {
            if (!stepOn())
                return WalkResult::ended(WalkResult::Status::Cancelled);
            if (place > 0) {
                const State parent = m_state[size_t(keys[place].parent)];
                if (parent == State::LeftOut || parent == State::NoSubKeys)
                    continue;
                if (const LONG rc = RegCheckBranchKey(m_branch, place); rc != ERROR_SUCCESS) {
                    m_visitor.keyNotOpened(keyAt(place).path, rc);
                    continue;
                }
            }
            const WalkStep step = m_visitor.visitKey(keyAt(place));
            if (step == WalkStep::Stop)
                return WalkResult::ended(WalkResult::Status::Stopped);
            m_state[size_t(place)] = step == WalkStep::SkipSubtree ? State::NoSubKeys : State::Visited;
        }
        return std::nullopt;
    }

    [[nodiscard]] bool takesValues(qsizetype place) const
    {
        const State state = m_state[size_t(place)];
        return state == State::Visited || state == State::NoSubKeys;
    }

    // One value; a result when the walk ends here.
    std::optional<WalkResult> visitValue(const WalkKey& key, qsizetype place, const WalkValue& value)
    {
        if (!stepOn())
            return WalkResult::ended(WalkResult::Status::Cancelled);
        const WalkStep step = m_visitor.visitValue(key, value);
        if (step == WalkStep::Stop)
            return WalkResult::ended(WalkResult::Status::Stopped);
        if (step == WalkStep::SkipSubtree)
            m_state[size_t(place)] = State::NoValues;
        return std::nullopt;
    }

    // The values of one key as they are now.
    std::optional<WalkResult> readAndVisit(qsizetype place)
    {
        const LONG rc = RegReadBranchKeyValues(m_branch, place, &m_values);
        if (rc == ERROR_FILE_NOT_FOUND)
            return std::nullopt; // deleted since its visit
        const WalkKey key = keyAt(place);
        if (rc != ERROR_SUCCESS)
            return ValuesFailure(key.path, rc);
        for (const WalkValue& value : std::as_const(m_values)) {
            if (!takesValues(place))
                break;
            if (std::optional<WalkResult> end = visitValue(key, place, value))
                return end;
        }
        return std::nullopt;
    }

    std::optional<WalkResult> valuesByKey()
    {
        for (qsizetype place = 0; place < m_branch.keys().size(); ++place) {
            if (!takesValues(place))
                continue;
            if (!stepOn())
                return WalkResult::ended(WalkResult::Status::Cancelled);
            if (std::optional<WalkResult> end = readAndVisit(place))
                return end;
        }
        return std::nullopt;
    }

    // Values come in runs of one key: its place, state and path are looked up once a run.
    std::optional<WalkResult> valuesInOnePass()
    {
        std::vector<bool> begun(m_state.size());
        QVector<BackendValueRow> rows;
        LONG rc;
        while ((rc = RegReadBranchValuePass(m_branch, &rows)) == ERROR_SUCCESS) {
            KeyId last = 0;
            qsizetype place = -1;
            WalkKey key;
            for (const BackendValueRow& row : std::as_const(rows)) {
                if (row.key != last) {
                    last = row.key;
                    place = m_branch.placeOf(row.key);
                    if (place < 0 || !takesValues(place))
                        continue;
                    // a key written since the read is asked again, unless some of its values were
                    // visited already
                    if (!begun[size_t(place)] && !RegBranchValuesCurrent(m_branch, place)) {
                        m_state[size_t(place)] = State::ReadLater;
                        continue;
                    }
                    begun[size_t(place)] = true;
                    key = keyAt(place);
                }
                if (place < 0 || !takesValues(place))
                    continue;
                if (std::optional<WalkResult> end = visitValue(key, place, row.value))
                    return end;
            }
            if (!stepOn())
                return WalkResult::ended(WalkResult::Status::Cancelled);
        }
        if (rc != ERROR_NO_MORE_ITEMS)
            return ValuesFailure(pathOf(m_branchSubPath), rc);
        for (qsizetype place = 0; place < qsizetype(m_state.size()); ++place) {
            if (m_state[size_t(place)] != State::ReadLater)
                continue;
            m_state[size_t(place)] = State::Visited;
            if (std::optional<WalkResult> end = readAndVisit(place))
                return end;
        }
        return std::nullopt;
    }

    Progress& m_progress;
    const BranchWalker::Options& m_options;
    BranchVisitor& m_visitor;
    QString m_rootName;
    QString m_branchSubPath;
    RegBranch m_branch;
    std::vector<State> m_state; // by place
    std::vector<qsizetype> m_chain;
    qsizetype m_lastParent = -1;
    QString m_parentSubPath;
    QVector<WalkValue> m_values;
};

} // namespace

std::optional<WalkResult> OpenAndReadBranch(Progress& progress, const BranchWalker::Options& options,
                                            BranchVisitor& visitor, HKEY root, const QString& branchPath,
                                            const QString& branchSubPath, bool counted, OpenKey& key,
                                            RegBranch& branch)
{
    const auto stepOn = [&progress] {
        progress.step();
        return !progress.abortRequested();
    };
    if (!stepOn())
        return WalkResult::ended(WalkResult::Status::Cancelled);
    LONG rc = RegOpenKeyEx(root, branchSubPath, 0, options.access, key.out());
    if (rc != ERROR_SUCCESS) {
        visitor.keyNotOpened(branchPath, rc);
        return WalkResult::ended(WalkResult::Status::Completed);
    }
    rc = counted ? RegReadBranch(key.get(), options.access, options.subKeysOnly, &branch)
                 : RegReadBranchUncounted(key.get(), options.access, &branch);
    while (rc == ERROR_SUCCESS && !branch.complete()) {
        if (!stepOn())
            return WalkResult::ended(WalkResult::Status::Cancelled);
        rc = RegReadBranchPart(branch);
    }
    if (rc != ERROR_SUCCESS)
        return SubKeysFailure(branchPath, rc);
    return std::nullopt;
}

WalkResult WalkInStoreOrder(Progress& progress, const BranchWalker::Options& options, BranchVisitor& visitor,
                            HKEY root, const QString& rootName, const QString& branchSubPath)
{
    StoreOrderWalk walk(progress, options, visitor);
    return walk.run(root, rootName, branchSubPath);
}
