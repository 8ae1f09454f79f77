#include "registry/KeyPath.h"

#include "platform/WinCase.h"

namespace {

const QChar Backslash = QLatin1Char('\\');

} // namespace

KeyPath::KeyPath(const QString& text) : m_text(text)
{
    // "C:\" keeps its backslash, as ExcludeTrailingBackslash does.
    if (m_text.endsWith(Backslash) && !(m_text.size() >= 2 && m_text.at(m_text.size() - 2) == QLatin1Char(':')))
        m_text.chop(1);
}

KeyPath KeyPath::join(const QString& parent, const QString& name)
{
    const KeyPath base(parent);
    return KeyPath(base.isEmpty() ? name : base.m_text + Backslash + name);
}

QString KeyPath::rootName() const
{
    const qsizetype pos = m_text.indexOf(Backslash);
    return pos < 0 ? m_text : m_text.left(pos);
}

QString KeyPath::subKeyPath() const
{
    const qsizetype pos = m_text.indexOf(Backslash);
    return pos < 0 ? QString() : m_text.mid(pos + 1);
}

KeyPath KeyPath::parent() const
{
    const qsizetype pos = m_text.lastIndexOf(Backslash);
    return pos < 0 ? KeyPath() : KeyPath(m_text.left(pos));
}

QString KeyPath::name() const
{
    const qsizetype pos = m_text.lastIndexOf(Backslash);
    return pos < 0 ? QString() : m_text.mid(pos + 1);
}

int KeyPath::level() const
{
    return int(m_text.count(Backslash));
}

bool KeyPath::isSameOrBelow(const KeyPath& base) const
{
    const QString& b = base.m_text;
    if (winEqualsNoCase(m_text, b))
        return true;
    return m_text.size() > b.size() && m_text.at(b.size()) == Backslash
        && winEqualsNoCase(QStringView(m_text).left(b.size()), b);
}
