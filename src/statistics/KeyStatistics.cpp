#include "statistics/KeyStatistics.h"

#include "platform/WinReg.h"
#include "registry/Progress.h"
#include "registry/RegValueUtils.h"

#include <algorithm>
#include <limits>

namespace {

class StatisticsVisitor final : public BranchVisitor {
public:
    explicit StatisticsVisitor(KeyStatistics& s) : m_s(s) {}

    WalkStep visitKey(const WalkKey& key) override
    {
        if (m_s.keys++ == 0) {
            FILETIME time{};
            if (RegQueryInfoKey(key.handle, nullptr, nullptr, nullptr, nullptr, nullptr, &time) == ERROR_SUCCESS)
                m_s.lastWrite = FileTimeToDateTime(time);
        }
        return WalkStep::Continue;
    }

    WalkStep visitValue(const WalkKey& key, const WalkValue& value) override
    {
        ++m_s.values;
        switch (value.type) {
        case REG_SZ: {
            ++m_s.strings;
            const qint64 length = textLength(value.data);
            m_s.stringSize += length;
            offer(m_s.largestString, length, key, value);
            break;
        }
        case REG_EXPAND_SZ:
        case REG_MULTI_SZ:
            ++m_s.strings;
            m_s.stringSize += value.data.size();
            break;
        case REG_DWORD:
            // data no DWORD value holds is counted as a value only
            if (value.data.isEmpty() || value.data.size() == 4)
                ++m_s.dwords;
            break;
        default:
            ++m_s.binaries;
            m_s.binarySize += value.data.size();
            offer(m_s.largestBinary, value.data.size(), key, value);
        }
        return WalkStep::Continue;
    }

private:
    // The first one met wins ties.
    static void offer(LargestValue& largest, qint64 size, const WalkKey& key, const WalkValue& value)
    {
        if (size <= largest.size)
            return;
        largest.size = size;
        largest.valueName = value.name;
        largest.keyPath = key.path;
    }

    // The characters of a REG_SZ's text up to its first zero, as the value's string holds them: most
    // registry text is ASCII, one character a byte, and needs no conversion to be counted.
    static qint64 textLength(const QByteArray& data)
    {
        const qsizetype zero = data.indexOf('\0');
        const QByteArrayView text = QByteArrayView(data).first(zero < 0 ? data.size() : zero);
        if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
            return text.size();
        return QString::fromUtf8(text).size();
    }

    KeyStatistics& m_s;
};

QString countAndSize(qint64 count, qint64 size)
{
    return QString::number(count) + QStringLiteral(" (") + StatisticsSize(size) + QLatin1Char(')');
}

} // namespace

StatisticsOutcome CollectStatistics(const QString& keyPath, Progress& progress)
{
    StatisticsOutcome outcome;
    progress.clearAbort();
    StatisticsVisitor visitor(outcome.statistics);
    BranchWalker walker(progress, BranchWalker::Options{true, KEY_READ});
    outcome.walk = walker.walk(keyPath, visitor);
    return outcome;
}

QList<StatisticsLine> StatisticsLines(const KeyStatistics& s)
{
    QList<StatisticsLine> lines{
        {QStringLiteral("Unterschlüssel:"), QString::number(qMax<qint64>(s.keys - 1, 0))},
        {QStringLiteral("Werte:"), QString::number(s.values)},
        {QStringLiteral("Zeichenfolgen:"), countAndSize(s.strings, s.stringSize)},
        {QStringLiteral("DWord-Werte:"), countAndSize(s.dwords, s.dwordSize())},
        {QStringLiteral("Binärwerte:"), countAndSize(s.binaries, s.binarySize)},
        // No count before the size here: the label alone stands before the parenthesis.
        {QStringLiteral("Datengröße gesamt:"), QLatin1Char('(') + StatisticsSize(s.totalSize()) + QLatin1Char(')')},
    };
    if (s.lastWrite.isValid())
        lines.append({QStringLiteral("Letzter Schreibzugriff:"), KeyTimeText(s.lastWrite)});
    return lines;
}

QString LargestStringCaption(const KeyStatistics& s)
{
    return s.largestString.size > 0
        ? QStringLiteral("Größte Zeichenfolge  (") + StatisticsSize(s.largestString.size) + QLatin1Char(')')
        : QString();
}

QString LargestBinaryCaption(const KeyStatistics& s)
{
    return s.largestBinary.size > 0
        ? QStringLiteral("Größter Binärwert  (") + StatisticsSize(s.largestBinary.size) + QLatin1Char(')')
        : QString();
}

QString StatisticsSize(qint64 size)
{
    return FormatSize(quint32(qBound<qint64>(0, size, std::numeric_limits<quint32>::max())));
}

QString KeyTimeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}
