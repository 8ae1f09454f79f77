#pragma once

// Line layout of markup text, shared by the hypertext control and its printing: lays a text out into
// line records (each with the font state it starts with and the part of the source it covers) and link
// records, replays single lines for drawing, hit testing and selection, and draws a line. Needs QtGui
// only; text is measured on the paint device it is given (the screen or a printer).

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <unordered_map>

class QPaintDevice;
class QPainter;

// Shows "Index außerhalb des zulässigen Bereichs." (caption "Information") through the message sink.
void ReportMarkupIndexError();

// A growable array of records whose access by a bad index is reported and otherwise does nothing.
template <typename Record>
class MarkupRecordList {
public:
    [[nodiscard]] int count() const { return int(m_items.size()); }
    // The record at index, or a default record after reporting a bad index.
    [[nodiscard]] Record item(int index) const
    {
        if (!valid(index))
            return {};
        return m_items.at(index);
    }
    void setItem(int index, const Record& record)
    {
        if (valid(index))
            m_items[index] = record;
    }
    void add(const Record& record) { m_items.append(record); }
    void clear() { m_items.clear(); }
    // Unchecked access for the layout's own loops, which stay inside 0..count-1.
    [[nodiscard]] const Record& at(int index) const { return m_items.at(index); }
    [[nodiscard]] Record& last() { return m_items.last(); }

private:
    [[nodiscard]] bool valid(int index) const
    {
        if (index >= 0 && index < count())
            return true;
        ReportMarkupIndexError();
        return false;
    }
    QList<Record> m_items;
};

// Font style bits as line records and the link style keep them.
namespace MarkupStyle {
constexpr int Bold = 1;
constexpr int Italic = 2;
constexpr int Underline = 4;
constexpr int StrikeOut = 8;
} // namespace MarkupStyle

// The font state markup tags change: family, size in points, StyleBit mask and colour.
struct MarkupFontState {
    QString name;
    int size = 0;
    int style = 0;
    QColor color;
    friend bool operator==(const MarkupFontState&, const MarkupFontState&) = default;
};

// One laid-out line. Tops and left edges are pixels of the layout, sources 1-based positions in the
// text (0 until the line is completed).
struct TLineRecord {
    MarkupFontState font; // in force at the start of the line
    int textHeight = 0;   // largest text height of the fonts used on the line
    int left = 0;         // the indent of the line
    int top = 0;
    int height = 0;
    int ascent = 0;       // largest ascent of the fonts used on the line
    int sourceStart = 0;
    int sourceLength = 0;
    friend bool operator==(const TLineRecord&, const TLineRecord&) = default;
};

// A point of the text: pixel x on a line. Points compare in reading order.
struct MarkupPoint {
    int x = 0;
    int line = 0;
    friend bool operator==(const MarkupPoint&, const MarkupPoint&) = default;
    friend bool operator<(const MarkupPoint& a, const MarkupPoint& b)
    {
        return a.line != b.line ? a.line < b.line : a.x < b.x;
    }
};

struct TLinkRecord {
    MarkupPoint start;
    MarkupPoint end;
    int id = 0;
    friend bool operator==(const TLinkRecord&, const TLinkRecord&) = default;
};

using TLineList = MarkupRecordList<TLineRecord>;
using TLinkList = MarkupRecordList<TLinkRecord>;

// What the layout depends on besides the text.
struct MultiTextOptions {
    QFont font;              // the control's own font
    QColor color;            // the control's own font colour
    QColor linkColor = Qt::blue;
    int linkStyle = 4;       // StyleBit mask added to link text
    int frameWidth = 0;      // margin on every side
    int width = 65;          // client width; the right limit is width - frameWidth
    bool wordWrap = true;
    const QPaintDevice* device = nullptr; // measures on it; the screen when null
    double imageScale = 1.0; // printing enlarges images with the text
    std::function<QPixmap(const QString&)> loader;
};

// A piece of one replayed line: a text run, an image, or a tag (which takes no room).
struct MarkupItem {
    enum class Kind { Text, Image, Tag };
    Kind kind = Kind::Text;
    int x = 0;
    int width = 0;
    int sourceFrom = 0; // 0-based position in the text
    int sourceLength = 0;
    QString text;       // the shown characters, or the tag
    QFont font;
    QColor color;
    QPixmap image;
};

class MultiTextLayout final {
public:
    // Lays text out. reloadImages (the text changed and the owner asks for it) empties the image table
    // and lets the loader fill it again; otherwise only the images already in the table are shown.
    void layout(const QString& text, const MultiTextOptions& options, bool reloadImages);

    [[nodiscard]] const TLineList& lines() const { return m_lines; }
    [[nodiscard]] const TLinkList& links() const { return m_links; }
    [[nodiscard]] TLineList& lines() { return m_lines; }
    [[nodiscard]] TLinkList& links() { return m_links; }
    [[nodiscard]] QSize contentSize() const { return m_content; }
    [[nodiscard]] const QHash<QString, QPixmap>& images() const { return m_images; }
    void setImages(const QHash<QString, QPixmap>& images) { m_images = images; }

    // The source substrings of all lines joined, tags included.
    [[nodiscard]] QString sourceText() const;
    // The line whose box holds y (layout pixels, frame not counted); the first or last line beyond them.
    [[nodiscard]] int lineAt(int y) const;
    // The number of the first link strictly around the point, or -1.
    [[nodiscard]] int linkAt(MarkupPoint point) const;

    // The pieces of one line as drawing places them.
    [[nodiscard]] QList<MarkupItem> lineItems(int line) const;
    // Where a line's last piece ends.
    [[nodiscard]] int lineEnd(int line) const;
    // x snapped to the nearest character boundary of the line (before a character when x lies in its
    // left half); beyond the last piece the line's end.
    [[nodiscard]] int snap(int line, int x) const;
    // The plain text between two points (tags removed, "<<" reduced, "BR" as CR LF).
    [[nodiscard]] QString plainText(MarkupPoint from, MarkupPoint to) const;

    // Draws a line with its top at top and its x positions moved by dx; clipWidth bounds the line's box.
    void paintLine(QPainter& painter, int line, int dx, int top, int clipWidth) const;

    // The font of a font state and its metrics on the layout's device, made once per layout.
    struct Font {
        QFont font;
        QFontMetrics metrics;
        // Shaping a piece costs far more than looking it up, and words repeat.
        mutable QHash<QString, int> widths;
        [[nodiscard]] int width(const QString& piece) const;
    };
    [[nodiscard]] const Font& fontOf(const MarkupFontState& state) const;

private:
    // Source position just behind the last character of the line that ends at or before x.
    [[nodiscard]] int sourceAt(MarkupPoint point) const;

    QString m_text;
    MultiTextOptions m_options;
    TLineList m_lines;
    TLinkList m_links;
    QHash<QString, QPixmap> m_images;
    QSize m_content;
    mutable std::unordered_map<QString, Font> m_fonts;
};
