#pragma once

// The markup language's shared pieces: splitting a text into text runs and tags, reading colour and
// number values of tags, and the tag stripper. A tag is the text between "<" and the next ">" (or the
// end of the text), trimmed and upper-cased; "<<" stands for a literal "<".

#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

struct MarkupToken {
    bool isTag = false;
    QString text; // a text run with "<<" reduced, or the trimmed upper-case tag text
    friend bool operator==(const MarkupToken&, const MarkupToken&) = default;
};

[[nodiscard]] QList<MarkupToken> ScanMarkup(QStringView text);

// A colour value in the Windows layout 0x00BBGGRR: one of the sixteen names, "$" and hexadecimal, or
// the decimal digits of the value (negated when it begins with "-"); empty or unreadable gives 0.
[[nodiscard]] quint32 MarkupColorValue(const QString& value);
// Integer values of tags: the decimal digits, negated when the value begins with "-".
[[nodiscard]] int MarkupIntValue(const QString& value);
// The value of a prefix tag: everything after the first "=" (empty without one).
[[nodiscard]] QString MarkupTagValue(const QString& tag);

// Plain text: runs stay, "BR" becomes CR LF, every other tag goes.
[[nodiscard]] QString StripMarkup(QStringView text);
// A literal text made safe for markup ("<" doubled).
[[nodiscard]] QString EscapeMarkup(const QString& text);
