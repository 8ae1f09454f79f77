#pragma once

// The hypertext control: lays markup text out into lines (with or without word wrap), draws it with
// font changes, colours, inline images and indented blocks, reports clicks on links through link(),
// lets the user select text with the mouse and copy it, and prints its text page by page.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class MultiTextLayout;
class QPrinter;
class QRegion;
struct MarkupPoint;

class TMultiText : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMultiText)
public:
    // Font style bits as the link style and the line records keep them.
    enum StyleBit { StyleBold = 1, StyleItalic = 2, StyleUnderline = 4, StyleStrikeOut = 8 };
    // Answers the bitmap of an "IMAGE" name, or a null pixmap when there is none.
    using ImageLoader = std::function<QPixmap(const QString& name)>;

    explicit TMultiText(QWidget* parent = nullptr);
    ~TMultiText() override;

    [[nodiscard]] QString text() const;
    void setText(const QString& text);
    [[nodiscard]] bool autoSize() const;
    void setAutoSize(bool on);
    [[nodiscard]] bool bitmapReload() const;
    void setBitmapReload(bool on);
    [[nodiscard]] int frameWidth() const;
    void setFrameWidth(int pixels);
    [[nodiscard]] bool wordWrap() const;
    void setWordWrap(bool on);
    [[nodiscard]] QColor linkColor() const;
    void setLinkColor(const QColor& color);
    [[nodiscard]] int linkStyle() const; // StyleBit mask
    void setLinkStyle(int styles);
    void setImageLoader(ImageLoader loader);

    // The size of the laid-out text (without the frame) found by the last layout.
    [[nodiscard]] QSize contentSize() const;
    // The link number under a point of the control, or -1.
    [[nodiscard]] int linkAt(QPoint pos) const;

    // true: from the first character of the first line to the end of the last line; false: empty.
    void selectAll(bool all);
    [[nodiscard]] bool hasSelection() const;
    // The selected part as plain text (tags removed, "<<" reduced, "BR" as CR LF).
    [[nodiscard]] QString selectedText() const;
    // Puts selectedText() on the clipboard.
    void copySelection() const;
    // The source substrings of all laid-out lines joined in order, tags included.
    [[nodiscard]] QString sourceText() const;

    // Prints the text on the printer, every page headed by the title and "Seite N".
    void print(QPrinter& printer, const QString& title) const;

    // The line and link records of the current layout.
    [[nodiscard]] const MultiTextLayout& textLayout() const;
    // With AutoSize the size of the text and its frame (with word wrap the width stays).
    [[nodiscard]] QSize sizeHint() const override;

signals:
    void link(TMultiText* sender, int linkId);
    // Selecting started, moved or was cleared.
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void relayout(bool textChanged);
    [[nodiscard]] MarkupPoint pointAt(QPoint pos) const;
    [[nodiscard]] QRegion selectionRegion(MarkupPoint from, MarkupPoint to) const;
    void setSelection(MarkupPoint start, MarkupPoint end);
    void printDocument(QPrinter& printer, const QString& title) const;

    struct State;
    std::unique_ptr<State> d;
};

// The loader every window gives its markup controls: the name as the path of an existing file, else
// that name in the program's folder or its shared data folder, else the program's own image of that
// name (a Qt resource), else nothing. Files of an open store are never read.
[[nodiscard]] QPixmap LoadMarkupImage(const QString& name);

#include <QScrollArea>

// A scroll box holding one TMultiText that wraps to the box's width and grows with its text; while the
// user drags a selection beyond the visible part, each mouse movement scrolls the box by 50 pixels.
class TMultiTextScrollBox : public QScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMultiTextScrollBox)
public:
    explicit TMultiTextScrollBox(QWidget* parent = nullptr);
    [[nodiscard]] TMultiText* multiText() const { return m_text; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int scrollStep = 50;
    void fitText();

    TMultiText* m_text = nullptr;
};
