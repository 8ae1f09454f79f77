#include "info/MultiTextLayout.h"

#include "info/MultiTextPaint.h"
#include "info/MultiTextUtils.h"
#include "registry/MessageSink.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

void ReportMarkupIndexError()
{
    (void)messageSink().message(MessageKind::Info, QStringLiteral("Information"),
                                QStringLiteral("Index außerhalb des zulässigen Bereichs."));
}

namespace {

// Indents and sizes beyond these are nonsense in any text and would only overflow the pixel sums.
constexpr int maxIndent = 100000;
constexpr int maxPointSize = 400;

// A text run or a tag with the part of the source it covers (0-based). Tags keep their value in the
// original case, since image and font names are looked up by it.
struct SourceToken {
    bool isTag = false;
    int from = 0;
    int length = 0;
    QString tag;   // trimmed, upper case
    QString value; // after the first "=", original case
};

QString trimmed(QStringView tag)
{
    qsizetype from = 0;
    qsizetype to = tag.size();
    while (from < to && tag[from].unicode() < 33)
        ++from;
    while (to > from && tag[to - 1].unicode() < 33)
        --to;
    return tag.mid(from, to - from).toString();
}

// The same recognition as ScanMarkup, keeping source positions; base is added to every position.
QList<SourceToken> scanSource(QStringView text, int base)
{
    QList<SourceToken> tokens;
    int runStart = 0;
    int p = 0;
    const int size = int(text.size());
    const auto addRun = [&](int end) {
        if (end > runStart)
            tokens.append({false, base + runStart, end - runStart, {}, {}});
    };
    while (p < size) {
        const int open = int(text.indexOf(u'<', p));
        if (open < 0)
            break;
        if (open + 1 < size && text[open + 1] == u'<') {
            p = open + 2;
            continue;
        }
        addRun(open);
        int close = int(text.indexOf(u'>', open + 1));
        const int end = close < 0 ? size : close + 1;
        if (close < 0)
            close = size;
        const QString raw = trimmed(text.mid(open + 1, close - open - 1));
        const qsizetype eq = raw.indexOf(u'=');
        tokens.append({true, base + open, end - open, raw.toUpper(), eq < 0 ? QString() : raw.mid(eq + 1)});
        p = runStart = end;
    }
    addRun(size);
    return tokens;
}

// Line breaks and tabs of the source do not break lines; each shows as one blank, so that words on
// separate source lines stay apart. A CR LF pair is one blank.
bool isBlank(QStringView run, int i)
{
    const QChar c = run[i];
    return c == u' ' || c == u'\t' || c == u'\n' || (c == u'\r' && (i + 1 == run.size() || run[i + 1] != u'\n'));
}

// Pieces of a run as (offset, length): the whole run, or with word wrap cut after every blank.
QList<QPair<int, int>> piecesOf(QStringView run, bool wrap)
{
    QList<QPair<int, int>> pieces;
    int start = 0;
    for (int i = 0; wrap && i < run.size(); ++i)
        if (isBlank(run, i)) {
            pieces.append({start, i + 1 - start});
            start = i + 1;
        }
    if (start < run.size())
        pieces.append({start, int(run.size()) - start});
    return pieces;
}

// The shown characters of a piece of a run (every sequence of "<" shown as one, blanks as " ") and, for
// each shown character and the end, its offset in the piece.
QString shownText(QStringView raw, QList<int>* offsets = nullptr)
{
    QString shown;
    for (int i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'<' && i > 0 && raw[i - 1] == u'<')
            continue;
        if (raw[i] == u'\r' && i + 1 < raw.size() && raw[i + 1] == u'\n')
            continue;
        shown += isBlank(raw, int(i)) ? QChar(u' ') : raw[i];
        if (offsets)
            offsets->append(i);
    }
    if (offsets)
        offsets->append(int(raw.size()));
    return shown;
}

MarkupFontState baseState(const MultiTextOptions& o)
{
    const QFont& f = o.font;
    const int style = (f.bold() ? MarkupStyle::Bold : 0) | (f.italic() ? MarkupStyle::Italic : 0)
        | (f.underline() ? MarkupStyle::Underline : 0) | (f.strikeOut() ? MarkupStyle::StrikeOut : 0);
    return {f.family(), f.pointSize(), style, o.color};
}

QFont makeFont(const MultiTextOptions& o, const MarkupFontState& s)
{
    QFont f = o.font;
    if (!s.name.isEmpty())
        f.setFamily(s.name);
    if (s.size > 0 && s.size != f.pointSize())
        f.setPointSize(s.size);
    f.setBold(s.style & MarkupStyle::Bold);
    f.setItalic(s.style & MarkupStyle::Italic);
    f.setUnderline(s.style & MarkupStyle::Underline);
    f.setStrikeOut(s.style & MarkupStyle::StrikeOut);
    return f;
}


enum class TagEffect { None, Font, Break, LinkStart, LinkEnd, Image };

// Applies a tag to the font state and the indent and says what else the caller has to do.
TagEffect applyTag(const SourceToken& t, const MultiTextOptions& o, MarkupFontState& s, int& indent)
{
    static const QHash<QString, int> styleTags{{QStringLiteral("B"), MarkupStyle::Bold},
                                               {QStringLiteral("I"), MarkupStyle::Italic},
                                               {QStringLiteral("U"), MarkupStyle::Underline}};
    const QString& tag = t.tag;
    if (styleTags.contains(tag)) {
        s.style |= styleTags.value(tag);
        return TagEffect::None;
    }
    if (tag.startsWith(u'/') && styleTags.contains(tag.mid(1))) {
        s.style &= ~styleTags.value(tag.mid(1));
        return TagEffect::None;
    }
    const MarkupFontState base = baseState(o);
    if (tag == QLatin1String("/COLOR"))
        s.color = base.color;
    else if (tag == QLatin1String("/FONT")) {
        s.name = base.name;
        return TagEffect::Font;
    } else if (tag == QLatin1String("/SIZE")) {
        s.size = base.size;
        return TagEffect::Font;
    } else if (tag == QLatin1String("/A")) {
        s.style &= ~o.linkStyle;
        s.color = base.color;
        return TagEffect::LinkEnd;
    } else if (tag == QLatin1String("/FRAME")) {
        indent = o.frameWidth;
        return TagEffect::Break;
    } else if (tag == QLatin1String("BR"))
        return TagEffect::Break;
    else if (tag.startsWith(QLatin1String("COLOR")))
        s.color = WindowsColor(MarkupColorValue(t.value));
    else if (tag.startsWith(QLatin1String("FONT"))) {
        s.name = t.value;
        return TagEffect::Font;
    } else if (tag.startsWith(QLatin1String("SIZE"))) {
        s.size = std::clamp(MarkupIntValue(t.value), 1, maxPointSize);
        return TagEffect::Font;
    } else if (tag.startsWith(QLatin1String("IMAGE")))
        return TagEffect::Image;
    else if (tag.startsWith(QLatin1String("FRAME"))) {
        indent = o.frameWidth + std::clamp(MarkupIntValue(t.value), -maxIndent, maxIndent);
        return TagEffect::Break;
    } else if (tag.startsWith(u'A')) {
        s.style |= o.linkStyle;
        s.color = o.linkColor;
        return TagEffect::LinkStart;
    }
    return TagEffect::None;
}

QSize scaled(const QPixmap& image, double scale)
{
    return QSize(int(std::lround(image.width() * scale)), int(std::lround(image.height() * scale)));
}

// The top-left pixel's colour is the image's background and is drawn transparent.
QPixmap withTransparentCorner(const QPixmap& image)
{
    QPixmap masked = image;
    masked.setMask(image.createMaskFromColor(image.toImage().pixelColor(0, 0)));
    return masked;
}

// The state of one layout pass while it walks the text.
struct LayoutPass {
    MultiTextLayout& layout;
    const MultiTextOptions& o;
    bool wrap;
    int rightLimit;
    MarkupFontState font;
    int indent;
    int x;
    int top = 0;
    int lineHeight = 0;
    int counter = 0;
    int sourceStart = 1;
    int widest;

    void startLine()
    {
        const QFontMetrics& fm = layout.fontOf(font).metrics;
        lineHeight = fm.height();
        x = indent;
        layout.lines().add({font, fm.height(), indent, top, 0, fm.ascent(), 0, 0});
    }
    void completeLine()
    {
        TLineRecord& line = layout.lines().last();
        line.height = lineHeight;
        line.sourceStart = sourceStart;
        line.sourceLength = counter;
    }
    void breakLine()
    {
        completeLine();
        top += lineHeight;
        sourceStart += counter;
        counter = 0;
        startLine();
    }
    // Makes room for a piece of the given width, breaking the line first when it would cross the limit.
    void advance(int width)
    {
        if (wrap && x > indent && x + width > rightLimit)
            breakLine();
        x += width;
        widest = std::max(widest, x);
    }
    void fontChanged()
    {
        const QFontMetrics& fm = layout.fontOf(font).metrics;
        lineHeight = std::max(lineHeight, fm.height());
        TLineRecord& line = layout.lines().last();
        line.textHeight = std::max(line.textHeight, fm.height());
        line.ascent = std::max(line.ascent, fm.ascent());
    }
    [[nodiscard]] MarkupPoint here() const { return {x, layout.lines().count() - 1}; }
};

} // namespace

int MultiTextLayout::Font::width(const QString& piece) const
{
    auto found = widths.constFind(piece);
    if (found == widths.constEnd())
        found = widths.insert(piece, metrics.horizontalAdvance(piece));
    return *found;
}

const MultiTextLayout::Font& MultiTextLayout::fontOf(const MarkupFontState& state) const
{
    const QString key = state.name + QLatin1Char('/') + QString::number(state.size) + QLatin1Char('/')
        + QString::number(state.style);
    auto found = m_fonts.find(key);
    if (found == m_fonts.end()) {
        const QFont font = makeFont(m_options, state);
        const QFontMetrics metrics = m_options.device ? QFontMetrics(font, m_options.device) : QFontMetrics(font);
        found = m_fonts.emplace(key, Font{font, metrics, {}}).first;
    }
    return found->second;
}

void MultiTextLayout::layout(const QString& text, const MultiTextOptions& options, bool reloadImages)
{
    m_text = text;
    m_options = options;
    m_fonts.clear();
    m_lines.clear();
    m_links.clear();
    if (reloadImages)
        m_images.clear();
    const int fw = options.frameWidth;
    LayoutPass pass{*this, m_options, options.wordWrap, options.width - fw, baseState(options), fw, fw,
                    0, 0, 0, 1, fw};
    pass.startLine();
    for (const SourceToken& token : scanSource(m_text, 0)) {
        if (!token.isTag) {
            const QStringView run = QStringView(m_text).mid(token.from, token.length);
            const Font& font = fontOf(pass.font);
            for (const auto& [offset, length] : piecesOf(run, pass.wrap)) {
                pass.advance(font.width(shownText(run.mid(offset, length))));
                pass.counter += length;
            }
            continue;
        }
        pass.counter += token.length;
        switch (applyTag(token, m_options, pass.font, pass.indent)) {
        case TagEffect::Font:
            pass.fontChanged();
            break;
        case TagEffect::Break:
            pass.breakLine();
            break;
        case TagEffect::LinkStart:
            m_links.add({pass.here(), pass.here(), MarkupIntValue(token.value)});
            break;
        case TagEffect::LinkEnd:
            if (m_links.count() > 0)
                m_links.last().end = pass.here();
            break;
        case TagEffect::Image: {
            if (reloadImages && m_options.loader && !m_images.contains(token.value)) {
                const QPixmap image = m_options.loader(token.value);
                if (!image.isNull())
                    m_images.insert(token.value, withTransparentCorner(image));
            }
            const auto found = m_images.constFind(token.value);
            if (found != m_images.constEnd()) {
                const QSize size = scaled(*found, m_options.imageScale);
                pass.advance(size.width());
                pass.lineHeight = std::max(pass.lineHeight, size.height());
            }
            break;
        }
        case TagEffect::None:
            break;
        }
    }
    pass.completeLine();
    m_content = QSize(pass.wrap ? pass.rightLimit - fw : pass.widest - fw, pass.top + pass.lineHeight);
}

QString MultiTextLayout::sourceText() const
{
    QString source;
    for (int i = 0; i < m_lines.count(); ++i)
        source += m_text.mid(m_lines.at(i).sourceStart - 1, m_lines.at(i).sourceLength);
    return source;
}

int MultiTextLayout::lineAt(int y) const
{
    for (int i = 0; i < m_lines.count(); ++i) {
        const TLineRecord& line = m_lines.at(i);
        if (y < line.top && i == 0)
            return 0;
        if (line.top <= y && y < line.top + line.height)
            return i;
    }
    return m_lines.count() - 1;
}

int MultiTextLayout::linkAt(MarkupPoint point) const
{
    for (int i = 0; i < m_links.count(); ++i) {
        const TLinkRecord& link = m_links.at(i);
        if (link.start < point && point < link.end)
            return link.id;
    }
    return -1;
}

QList<MarkupItem> MultiTextLayout::lineItems(int index) const
{
    QList<MarkupItem> items;
    if (index < 0 || index >= m_lines.count()) {
        ReportMarkupIndexError();
        return items;
    }
    const TLineRecord& line = m_lines.at(index);
    MarkupFontState font = line.font;
    int indent = line.left;
    int x = line.left;
    const int from = std::max(0, line.sourceStart - 1);
    for (const SourceToken& token : scanSource(QStringView(m_text).mid(from, line.sourceLength), from)) {
        if (!token.isTag) {
            const Font& f = fontOf(font);
            const QStringView run = QStringView(m_text).mid(token.from, token.length);
            for (const auto& [offset, length] : piecesOf(run, m_options.wordWrap)) {
                const QString shown = shownText(run.mid(offset, length));
                const int width = f.width(shown);
                items.append(
                    {MarkupItem::Kind::Text, x, width, token.from + offset, length, shown, f.font, font.color, {}});
                x += width;
            }
            continue;
        }
        MarkupItem item{MarkupItem::Kind::Tag, x, 0, token.from, token.length, token.tag, {}, {}, {}};
        if (applyTag(token, m_options, font, indent) == TagEffect::Image && m_images.contains(token.value)) {
            item.kind = MarkupItem::Kind::Image;
            item.image = m_images.value(token.value);
            item.width = scaled(item.image, m_options.imageScale).width();
            x += item.width;
        }
        items.append(item);
    }
    return items;
}

int MultiTextLayout::lineEnd(int line) const
{
    int end = line >= 0 && line < m_lines.count() ? m_lines.at(line).left : 0;
    for (const MarkupItem& item : lineItems(line))
        end = std::max(end, item.x + item.width);
    return end;
}

namespace {

// Calls visit(left, right, sourceOffset behind the character) for every character of a text piece.
template <typename Visit>
bool eachCharacter(const MarkupItem& item, const QPaintDevice* device, Visit visit)
{
    const QFontMetrics fm = device ? QFontMetrics(item.font, device) : QFontMetrics(item.font);
    const QString shown = item.text;
    int left = item.x;
    for (int k = 1; k <= shown.size(); ++k) {
        if (k < shown.size() && shown[k - 1].isHighSurrogate())
            continue;
        const int right = item.x + fm.horizontalAdvance(shown.left(k));
        if (visit(left, right, k))
            return true;
        left = right;
    }
    return false;
}

} // namespace

int MultiTextLayout::snap(int line, int x) const
{
    const QList<MarkupItem> items = lineItems(line);
    for (const MarkupItem& item : items) {
        if (item.kind == MarkupItem::Kind::Tag || item.width <= 0)
            continue;
        if (x < item.x)
            return item.x;
        if (x >= item.x + item.width)
            continue;
        if (item.kind == MarkupItem::Kind::Image)
            return 2 * x < 2 * item.x + item.width ? item.x : item.x + item.width;
        int snapped = item.x + item.width;
        eachCharacter(item, m_options.device, [&](int left, int right, int) {
            if (x >= right)
                return false;
            snapped = 2 * x < left + right ? left : right;
            return true;
        });
        return snapped;
    }
    return lineEnd(line);
}

int MultiTextLayout::sourceAt(MarkupPoint point) const
{
    if (point.line < 0 || point.line >= m_lines.count())
        return 0;
    int source = std::max(0, m_lines.at(point.line).sourceStart - 1);
    for (const MarkupItem& item : lineItems(point.line)) {
        if (item.kind == MarkupItem::Kind::Tag)
            continue;
        if (item.x + item.width <= point.x) {
            source = item.sourceFrom + item.sourceLength;
            continue;
        }
        if (item.kind == MarkupItem::Kind::Text && item.x < point.x) {
            QList<int> offsets;
            (void)shownText(QStringView(m_text).mid(item.sourceFrom, item.sourceLength), &offsets);
            eachCharacter(item, m_options.device, [&](int, int right, int k) {
                if (right > point.x)
                    return true;
                source = item.sourceFrom + offsets.value(k);
                return false;
            });
        }
        break;
    }
    return source;
}

QString MultiTextLayout::plainText(MarkupPoint from, MarkupPoint to) const
{
    if (to < from)
        std::swap(from, to);
    const int start = sourceAt(from);
    const int end = sourceAt(to);
    return end > start ? StripMarkup(QStringView(m_text).mid(start, end - start)) : QString();
}

void MultiTextLayout::paintLine(QPainter& painter, int index, int dx, int top, int clipWidth) const
{
    if (index < 0 || index >= m_lines.count()) {
        ReportMarkupIndexError();
        return;
    }
    const TLineRecord& line = m_lines.at(index);
    painter.save();
    painter.setClipRect(QRect(dx, top, clipWidth, line.height), Qt::IntersectClip);
    // A line made taller by an image carries its text in the middle.
    const int shift = line.height > line.textHeight ? (line.height - line.textHeight) / 2 : 0;
    const int baseline = top + line.ascent + shift;
    for (const MarkupItem& item : lineItems(index)) {
        if (item.kind == MarkupItem::Kind::Text) {
            painter.setFont(item.font);
            painter.setPen(item.color);
            painter.drawText(dx + item.x, baseline, item.text);
        } else if (item.kind == MarkupItem::Kind::Image) {
            const QSize size = scaled(item.image, m_options.imageScale);
            const int y = size.height() >= line.height ? top : top + (line.height - size.height()) / 2;
            painter.drawPixmap(QRect(QPoint(dx + item.x, y), size), item.image);
        }
    }
    painter.restore();
}
