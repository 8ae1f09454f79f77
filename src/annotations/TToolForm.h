#pragma once

// The tools dialog "Tools konfigurieren": the external tools in menu order, added, edited and removed
// through the tool editor. The caller takes tools() whichever way the dialog closed.

#include "annotations/ToolsFile.h"

#include <QDialog>

#include <functional>

class QListWidget;
class QPushButton;

class TToolForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TToolForm)

public:
    explicit TToolForm(const QList<ExternalTool>& tools, QWidget* parent = nullptr);

    // Runs the tool editor; true on "&Ok". Tests fill the editor here instead of showing it.
    std::function<bool(QDialog& editor)> runEditor;

    [[nodiscard]] QList<ExternalTool> tools() const { return m_tools; }
    [[nodiscard]] QListWidget* list() const { return m_list; }

public slots:
    void AddClick();
    void EditClick();
    void RemoveClick();

private:
    void showTools(int select);
    void updateButtons();

    QList<ExternalTool> m_tools;
    QListWidget* m_list = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
};
