#include "statistics/StatisticsTool.h"

#include "app/KavenRegTool.h"
#include "app/ToolIo.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "statistics/KeyStatistics.h"

namespace {

QString largestLine(const QString& caption, const LargestValue& largest)
{
    const QString name = largest.valueName.isEmpty() ? DefaultValueCaption : largest.valueName;
    return caption + QStringLiteral(": ") + name + QLatin1Char('\t') + largest.keyPath + QLatin1Char('\n');
}

} // namespace

int StatisticsToolCommand(ToolIo& io, const QStringList& args)
{
    if (args.size() != 1)
        return io.fail(QStringLiteral("Falsche Anzahl von Argumenten.\nAufruf: kaven-reg stats SCHLÜSSEL"));
    const QString path = KavenRegTool::normalizeKeyPath(args.first());
    if (path.isEmpty())
        return io.fail(QStringLiteral("Ungültiger Schlüsselname."));
    if (!KeyExists(path))
        return io.fail(QStringLiteral("Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden."));
    NullProgress progress;
    const StatisticsOutcome outcome = CollectStatistics(path, progress);
    if (!outcome.walk.ok())
        return io.fail(outcome.walk.text);
    const KeyStatistics& s = outcome.statistics;
    QString text = QStringLiteral("Schlüssel: ") + path + QLatin1Char('\n');
    for (const StatisticsLine& line : StatisticsLines(s))
        text += line.name + QLatin1Char(' ') + line.value + QLatin1Char('\n');
    if (s.largestString.size > 0)
        text += largestLine(LargestStringCaption(s), s.largestString);
    if (s.largestBinary.size > 0)
        text += largestLine(LargestBinaryCaption(s), s.largestBinary);
    io.print(text);
    return 0;
}
