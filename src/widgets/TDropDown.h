#pragma once

// A button-like field that drops a popup holding any widget below itself (above when the screen has no
// room below). The mouse, F4, Alt+Down or Space open it; Esc, F4, Alt+Up or a click outside close it,
// and the focus returns to the field. The field shows an optional text beside its arrow.

#include <QWidget>

class QFrame;
class QStyleOptionComboBox;

class TDropDown : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDropDown)

public:
    explicit TDropDown(QWidget* parent = nullptr);

    void setText(const QString& text);
    [[nodiscard]] QString text() const { return m_text; }
    // The popup's content; the drop-down owns it from now on.
    void setPopupWidget(QWidget* content);
    [[nodiscard]] QWidget* popupWidget() const { return m_content; }

    void showPopup();
    void hidePopup();
    [[nodiscard]] bool isPopupVisible() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void popupShown();
    void popupHidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initStyleOption(QStyleOptionComboBox& option) const;

    QString m_text;
    QFrame* m_popup = nullptr;
    QWidget* m_content = nullptr;
};
