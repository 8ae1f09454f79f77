#pragma once

// A sunken panel on the background of documents (the colour of lists and the information page),
// holding its children in a vertical layout: a place to preview how something will look there.

#include <QFrame>

class QVBoxLayout;

class TFramePanel final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFramePanel)

public:
    explicit TFramePanel(QWidget* parent = nullptr);

    [[nodiscard]] QVBoxLayout* contentLayout() const { return m_layout; }

private:
    QVBoxLayout* m_layout;
};
