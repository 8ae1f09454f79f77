#pragma once

// External tools: programs the user starts from the end of the Extras menu, kept in tools.dat in the
// data directory in menu order. One line per tool, CR LF: two upper-case hex digits with the name's byte
// length in the file, the name, the program path, "/", the parameters to the end of the line. The path
// ends at the first "/" after the name, so only the parameters may hold one: the file writes the
// program path with "\" between its folders, as Windows paths have them, and the reader gives this
// system's "/" back. A file's bytes read and written again stay the same.

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

struct ExternalTool {
    QString name;
    QString path;
    QString parameters;
    friend bool operator==(const ExternalTool&, const ExternalTool&) = default;
};

namespace ToolsFile {

inline const QString FileName = QStringLiteral("tools.dat");
constexpr int MaxNameLength = 255;

// The line of a tool without its line end, and back; a line with a bad length prefix or without "/"
// after the name gives false.
[[nodiscard]] QByteArray encodeLine(const ExternalTool& tool);
[[nodiscard]] bool decodeLine(QByteArrayView line, ExternalTool& tool);

[[nodiscard]] QList<ExternalTool> read(QIODevice& device);
[[nodiscard]] bool write(const QList<ExternalTool>& tools, QIODevice& device);
[[nodiscard]] QList<ExternalTool> load(const QString& fileName);
[[nodiscard]] bool save(const QList<ExternalTool>& tools, const QString& fileName);

// The parameters as separate arguments, split as a POSIX shell splits words: blanks separate, '…'
// keeps everything literally, "…" keeps everything but \" \\ \$ \` (which drop the backslash), a
// backslash outside quotes takes the next character literally. Nothing is expanded.
[[nodiscard]] QStringList splitParameters(const QString& parameters);
// Starts the program with its arguments directly, never through a shell; false when it did not start.
bool run(const ExternalTool& tool);

// "Tool" + index: the menu item name of the tool at that index; index of a name, or -1.
[[nodiscard]] QString menuItemName(int index);
[[nodiscard]] int indexOfMenuItem(const QString& name);

} // namespace ToolsFile
