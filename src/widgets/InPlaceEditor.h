#pragma once

// The in-place edit of a tree node's or list row's text. Only the program starts it (a click on a
// selected item never does); Enter or leaving the field ends it, Esc cancels it.

#include <QLineEdit>
#include <QModelIndex>
#include <QPersistentModelIndex>

class QAbstractItemView;

class InPlaceEditor final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InPlaceEditor)

public:
    explicit InPlaceEditor(QAbstractItemView* view);

    // Opens the field over index with the item's text, all of it selected.
    void start(const QModelIndex& index);
    [[nodiscard]] bool isEditing() const { return m_index.isValid() && isVisible(); }
    [[nodiscard]] QModelIndex editedIndex() const { return m_index; }
    // Ends the edit as Enter does.
    void commit();
    void cancel();

signals:
    // The edit ended with Enter or focus loss; the item and the text typed.
    void editFinished(const QModelIndex& index, const QString& oldText, const QString& newText);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void finish(bool accepted);

    QAbstractItemView* m_view;
    QPersistentModelIndex m_index;
    QString m_oldText;
};
