#pragma once

// The progress dialog of long operations: it names the operation, shows one line of detail and a
// looping animation, and offers "&Abbruch" (also Esc), which only reports the wish to stop through
// OnAbort. It measures nothing; the caller frees it when the operation has returned.

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

// The looping picture of the dialog: eight frames per round for "CREATE", "SAVE", "SEARCH" and "WAIT".
class TProcessAnimation final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TProcessAnimation)

public:
    explicit TProcessAnimation(QWidget* parent = nullptr);

    void setAnimationName(const QString& name) { m_name = name.toUpper(); }
    [[nodiscard]] QString animationName() const { return m_name; }
    // Plays frames 1 to 8 and starts again from frame 1 for as long as it runs.
    void play();
    void stop();
    [[nodiscard]] bool isPlaying() const;
    [[nodiscard]] int frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void nextFrame();

    QString m_name;
    QTimer* m_timer;
    int m_frame = 1;
};

class TProcessDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TProcessDialog)

public:
    explicit TProcessDialog(QWidget* owner = nullptr);
    ~TProcessDialog() override;

    // The parameter record, filled before the dialog is shown.
    QString Caption;
    QString Text;
    QString AnimationName;
    std::function<void(bool)> OnAbort;

    [[nodiscard]] QPushButton* abortButton() const { return m_abortButton; }
    [[nodiscard]] TProcessAnimation* animation() const { return m_animation; }
    [[nodiscard]] QLabel* textLabel() const { return m_textLabel; }

public slots:
    // Esc presses the cancel button; the dialog stays open.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void abortClick();

    TProcessAnimation* m_animation;
    QLabel* m_textLabel;
    QPushButton* m_abortButton;
};
