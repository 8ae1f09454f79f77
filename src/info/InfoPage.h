#pragma once

// The texts of the main window's information page and the value links in them: a link whose text is
// one value line of a registry file writes that value into the selected key, after asking, and the
// edit undo list records it like any value edit of the window.

#include <QString>

class MessageSink;
class TUndoList;
struct InfoEntry;

namespace InfoPage {

inline const QString NoInformationText = QStringLiteral("Zu diesem Schlüssel liegen keine Informationen vor.");
inline const QString RootKeysText = QStringLiteral("Die Hauptschlüssel der Registrierung");

// "<B>" + heading + "</B><BR><BR>" + body with every CR LF pair removed.
[[nodiscard]] QString headedText(const QString& heading, const QString& body);
[[nodiscard]] QString entryText(const InfoEntry& entry);
// The page for a key path of the tree; an empty path is the machine node, shown with the tree's first
// node's text. A key without entry, also one whose root the file does not know, says so.
[[nodiscard]] QString pageText(const QString& infoFile, const QString& keyPath, const QString& firstNodeText);

// The text of link number linkId as written in the page: between "<A=" + linkId + ">" (any case) and
// the next "</A>"; empty when either is missing.
[[nodiscard]] QString linkText(const QString& pageText, int linkId);

enum class LinkOutcome { NoLink, Declined, NotAValue, Failed, Written };

// Link number linkId was clicked while keyPath was selected: asks whether to create the value; on Yes
// parses "REGEDIT4", the key line and the link text as a registry file, writes the value, and records
// its old contents (or that it is new) in undo. Question and failures go to sink.
[[nodiscard]] LinkOutcome applyValueLink(const QString& pageText, int linkId, const QString& keyPath, TUndoList& undo,
                                         MessageSink& sink);

} // namespace InfoPage
