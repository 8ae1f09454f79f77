#include "info/InfoPage.h"

#include "info/TInfoClass.h"
#include "mainwindow/TUndoList.h"
#include "platform/TextCodec.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/BranchWalker.h"
#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"
#include "regfile/RegValueLineParser.h"
#include "settings/KavenVariables405.h"

#include <QStringList>

namespace InfoPage {

namespace {

// A parsed value line as the registry stores it, the way the registry file reader writes it.
struct LinkValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data;
};

// The three lines of the in-memory registry file, checked as the reader checks a file: header, one key
// line, one complete value line.
bool parseLinkFile(const QStringList& lines, LinkValue& value)
{
    if (lines.size() != 3 || RegValueLineParser::trimLine(lines[0]) != QLatin1StringView("REGEDIT4"))
        return false;
    const QStringView keyLine = RegValueLineParser::trimLine(lines[1]);
    if (!keyLine.startsWith(u'[') || !keyLine.endsWith(u']'))
        return false;
    TRegValueLine parsed;
    if (!RegValueLineParser::parseValueLine(RegValueLineParser::trimLine(lines[2]), &parsed).ok || parsed.Continued)
        return false;
    value.name = parsed.Name;
    switch (parsed.Kind) {
    case RegValueKind::String:
        value.type = REG_SZ;
        value.data = parsed.StringData.toUtf8() + QByteArray(1, '\0');
        break;
    case RegValueKind::DWord: {
        const DWORD v = parsed.DWordData;
        const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        value.type = REG_DWORD;
        value.data = QByteArray(bytes, 4);
        break;
    }
    case RegValueKind::Bytes:
        value.type = RegValueLineParser::mappedType(parsed.TypeCode);
        // Expandable and multi-strings are text in the file's encoding, stored as UTF-8.
        value.data = value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ
                         ? TextCodec::decodeToUtf8Data(parsed.BinaryData)
                         : parsed.BinaryData;
        break;
    case RegValueKind::Delete: // a deletion creates nothing
        return false;
    }
    return true;
}

void showFailure(MessageSink& sink, const QString& reason)
{
    ShowError(sink, QStringLiteral("Konnte Eintrag nicht vornehmen.\r\n(") + reason + QLatin1Char(')'));
}

} // namespace

QString headedText(const QString& heading, const QString& body)
{
    QString plain = body;
    plain.remove(QStringLiteral("\r\n"));
    return QStringLiteral("<B>") + heading + QStringLiteral("</B><BR><BR>") + plain;
}

QString entryText(const InfoEntry& entry)
{
    return headedText(entry.keyPath, entry.text);
}

QString pageText(const QString& infoFile, const QString& keyPath, const QString& firstNodeText)
{
    if (keyPath.isEmpty())
        return headedText(firstNodeText, RootKeysText);
    if (const std::optional<InfoEntry> entry = TInfoClass::LookUp(infoFile, keyPath))
        return entryText(*entry);
    return headedText(keyPath, NoInformationText);
}

QString linkText(const QString& pageText, int linkId)
{
    // Per-character upper-casing keeps every position of the page text.
    const QString upper = winUpper(pageText);
    const QString startTag = QStringLiteral("<A=%1>").arg(linkId);
    const qsizetype start = upper.indexOf(startTag);
    if (start < 0)
        return {};
    const qsizetype from = start + startTag.size();
    const qsizetype end = upper.indexOf(QStringLiteral("</A>"), from);
    if (end < 0)
        return {};
    return pageText.mid(from, end - from);
}

LinkOutcome applyValueLink(const QString& pageText, int linkId, const QString& keyPath, TUndoList& undo,
                           MessageSink& sink)
{
    const QString text = linkText(pageText, linkId);
    if (text.isEmpty() || keyPath.isEmpty())
        return LinkOutcome::NoLink;
    const QString question = QStringLiteral("Den Wert ") + text + QStringLiteral(" wirklich im Schlüssel\r\n")
                             + keyPath + QStringLiteral("\r\nerstellen?");
    if (sink.message(MessageKind::YesNo, KavenVariables405::ProgramTitle, question) != MessageAnswer::Yes)
        return LinkOutcome::Declined;
    LinkValue value;
    if (!parseLinkFile({QStringLiteral("REGEDIT4"), QLatin1Char('[') + keyPath + QLatin1Char(']'), text}, value))
        return LinkOutcome::NotAValue;

    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, true);
    if (opened == RegResult::NotConnected)
        return LinkOutcome::Failed; // the connection message was shown
    if (opened != RegResult::Success) {
        showFailure(sink, QStringLiteral("Kann Schlüssel nicht öffnen: ") + keyPath);
        return LinkOutcome::Failed;
    }
    TRegValue old;
    const bool existed = ReadValue(reg.currentKey(), value.name, old);
    if (const LONG rc = RegSetValueBytes(reg.currentKey(), value.name, value.type, value.data); rc != ERROR_SUCCESS) {
        showFailure(sink, RegCodeText(rc));
        return LinkOutcome::Failed;
    }
    undo.Add(MakeUndoItem(existed ? UndoKind::ValueChanged : UndoKind::ValueAdded, keyPath, old, value.name));
    return LinkOutcome::Written;
}

} // namespace InfoPage
