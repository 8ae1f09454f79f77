#pragma once

// The program's help string table: the help title (10000), the author line (10001), the topic titles
// and texts (10002 + 2·i and 10003 + 2·i) and the quick-help texts (1000 + help context). The texts
// are markup and live in compiled-in UTF-8 files, one section per string number.

#include <QMap>
#include <QString>
#include <QStringView>

namespace Help {

inline constexpr int TitleString = 10000;
inline constexpr int AuthorString = 10001;
inline constexpr int FirstTopicString = 10002;
inline constexpr int QuickHelpBase = 1000;
// The topics in their fixed order: chapters ("#") and their sections ("##").
inline constexpr int TopicCount = 15;

// The string of that number, or an empty string when the table has none.
[[nodiscard]] QString String(int number);
// Every number the table holds, in ascending order.
[[nodiscard]] QList<int> StringNumbers();

// String 10000 without "#TITLE#" and string 10001 without "#AUTHOR#".
[[nodiscard]] QString Title();
[[nodiscard]] QString Author();

// Topic i as stored ("#Einführung", "##Schlüssel bearbeiten"), without its marks, and its text.
[[nodiscard]] QString TopicTitle(int topic);
[[nodiscard]] QString PlainTopicTitle(int topic);
[[nodiscard]] bool IsSection(int topic);
[[nodiscard]] QString TopicText(int topic);

// The quick help of a control with that help context; empty for context 0 or a missing text.
[[nodiscard]] QString QuickHelpText(int context);

// Reads the section file format: a line "@@ N" starts the string N; the following lines, trimmed and
// joined by single blanks (none after a line ending in "<BR>", "<FRAME...>" or "</FRAME>"), are its
// text; empty lines and lines starting with "//" are left out.
[[nodiscard]] QMap<int, QString> ParseStringSections(QStringView text);

} // namespace Help
