#pragma once

// The outcome of reading, parsing or writing a registry file, as a value: whether it went through,
// whether the user cancelled it, the reason of a failure and the line of the file it concerns.

#include <QString>

struct RegFileResult {
    bool ok = false;
    bool cancelled = false;
    QString text; // the reason of a failure; empty on success and after a cancel
    qint64 line = 0; // 1-based line of the file that failed; 0 when no line is to blame

    [[nodiscard]] static RegFileResult success() { return {true, false, {}, 0}; }
    [[nodiscard]] static RegFileResult failure(const QString& text, qint64 line = 0)
    {
        return {false, false, text, line};
    }
    [[nodiscard]] static RegFileResult cancel() { return {false, true, {}, 0}; }

    // The reason with its line, for messages: "Zeile 3: Ungültige Zeile".
    [[nodiscard]] QString describe() const
    {
        if (cancelled)
            return QStringLiteral("Abgebrochen");
        return line > 0 ? QStringLiteral("Zeile %1: %2").arg(line).arg(text) : text;
    }
};
