#include "search/SearchToolArgs.h"

namespace {

[[nodiscard]] bool typeFlags(const QString& list, DWORD* flags)
{
    *flags = 0;
    for (const QString& name : list.split(u',')) {
        const QString t = name.trimmed().toUpper();
        if (t == QLatin1String("SZ"))
            *flags |= SearchFlags::StringTypes;
        else if (t == QLatin1String("DWORD"))
            *flags |= SearchFlags::DWordType;
        else if (t == QLatin1String("BINARY"))
            *flags |= SearchFlags::OtherTypes;
        else
            return false;
    }
    return true;
}

// The options after the positional arguments; false with the error set.
[[nodiscard]] bool parseSwitches(const QStringList& args, qsizetype from, const QStringList& ownSwitches,
                                 SearchToolArgs& r)
{
    DWORD content = 0;
    DWORD types = SearchFlags::AnyType;
    DWORD compare = CompareFlags::Substring;
    for (qsizetype i = from; i < args.size(); ++i) {
        const QString s = args.at(i).toLower();
        const bool takesValue = s == QLatin1String("/t") || s == QLatin1String("/f") || s == QLatin1String("/o");
        if (takesValue && i + 1 >= args.size()) {
            r.error = QStringLiteral("Zu %1 fehlt der Wert.").arg(args.at(i));
            return false;
        }
        if (s == QLatin1String("/k"))
            content |= SearchFlags::KeyNames;
        else if (s == QLatin1String("/v"))
            content |= SearchFlags::ValueNames;
        else if (s == QLatin1String("/d"))
            content |= SearchFlags::ValueData;
        else if (s == QLatin1String("/c"))
            compare |= CompareFlags::CaseSensitive;
        else if (s == QLatin1String("/e"))
            compare &= ~CompareFlags::Substring;
        else if (s == QLatin1String("/l"))
            compare |= CompareFlags::Logical;
        else if (s == QLatin1String("/t") && !typeFlags(args.at(i + 1), &types)) {
            r.error = QStringLiteral("Unbekannter Typ: %1 (erlaubt: SZ, DWORD, BINARY).").arg(args.at(i + 1));
            return false;
        } else if (s == QLatin1String("/f"))
            r.fromKey = args.at(i + 1);
        else if (s == QLatin1String("/o"))
            r.outFile = args.at(i + 1);
        else if (ownSwitches.contains(s))
            r.switches.append(s);
        else if (!takesValue) {
            r.error = QStringLiteral("Unbekannte Option: %1").arg(args.at(i));
            return false;
        }
        if (takesValue)
            ++i;
    }
    if (content == 0)
        content = SearchFlags::AnyContent;
    r.criteria.contentFlags = content | types | SearchFlags::ListResults;
    r.criteria.compareFlags = compare;
    return true;
}

} // namespace

SearchToolArgs ParseSearchToolArgs(const QStringList& args, int positionalCount, const QStringList& ownSwitches)
{
    SearchToolArgs r;
    qsizetype i = 0;
    if (i < args.size() && args.at(i) == QLatin1String("--"))
        ++i;
    const qsizetype needed = 1 + positionalCount;
    if (args.size() - i < needed) {
        r.error = QStringLiteral("Falsche Anzahl von Argumenten.");
        return r;
    }
    r.criteria.text = args.at(i);
    r.positional = args.mid(i + 1, positionalCount);
    if (r.criteria.text.isEmpty()) {
        r.error = QStringLiteral("Der Suchtext ist leer.");
        return r;
    }
    if (!parseSwitches(args, i + needed, ownSwitches, r))
        return r;
    return r;
}
