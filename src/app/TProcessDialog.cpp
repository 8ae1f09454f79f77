#include "app/TProcessDialog.h"

#include "settings/KavenVariables405.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr int AnimationSize = 57;
constexpr int FrameCount = 8;
constexpr int FrameMillis = 110;
} // namespace

TProcessAnimation::TProcessAnimation(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    setFixedSize(AnimationSize, AnimationSize);
    m_timer->setInterval(FrameMillis);
    connect(m_timer, &QTimer::timeout, this, &TProcessAnimation::nextFrame);
}

void TProcessAnimation::play()
{
    m_frame = 1;
    m_timer->start();
    update();
}

void TProcessAnimation::stop()
{
    m_timer->stop();
}

bool TProcessAnimation::isPlaying() const
{
    return m_timer->isActive();
}

void TProcessAnimation::nextFrame()
{
    m_frame = m_frame >= FrameCount ? 1 : m_frame + 1;
    update();
}

void TProcessAnimation::hideEvent(QHideEvent* event)
{
    stop();
    QWidget::hideEvent(event);
}

// Simple pictures in the palette's colours: pages filling a folder (CREATE), a page going into a
// box (SAVE), a magnifier circling (SEARCH), a turning hand (WAIT).
void TProcessAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::WindowText);
    const QColor accent = palette().color(QPalette::Highlight);
    const double phase = double(m_frame - 1) / FrameCount;
    p.setPen(QPen(ink, 1.5));
    if (m_name == QLatin1String("SEARCH")) {
        const double a = phase * 2 * M_PI;
        const QPointF c(28 + 10 * std::cos(a), 26 + 10 * std::sin(a));
        p.setBrush(accent.lighter(170));
        p.drawEllipse(c, 11, 11);
        p.setPen(QPen(ink, 4));
        p.drawLine(c + QPointF(8, 8), c + QPointF(16, 16));
    } else if (m_name == QLatin1String("SAVE")) {
        p.setBrush(Qt::NoBrush);
        p.drawRect(10, 30, 37, 22);
        p.setBrush(accent.lighter(150));
        const int y = 4 + int(phase * 28);
        p.drawRect(18, y, 21, 24);
    } else if (m_name == QLatin1String("WAIT")) {
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(28.5, 28.5), 24, 24);
        const double a = phase * 2 * M_PI - M_PI / 2;
        p.setPen(QPen(accent, 3));
        p.drawLine(QPointF(28.5, 28.5), QPointF(28.5 + 18 * std::cos(a), 28.5 + 18 * std::sin(a)));
    } else { // CREATE and any other name
        p.setBrush(accent.lighter(170));
        p.drawRect(6, 20, 45, 31);
        p.setBrush(palette().color(QPalette::Base));
        for (int i = 0; i < m_frame; ++i)
            p.drawRect(10 + i * 4, 8 + (i % 2) * 2, 12, 16);
    }
}

TProcessDialog::TProcessDialog(QWidget* owner)
    : QDialog(owner), m_animation(new TProcessAnimation), m_textLabel(new QLabel),
      m_abortButton(new QPushButton(QStringLiteral("&Abbruch")))
{
    if (!KavenVariables405::FontName.isEmpty())
        setFont(QFont(KavenVariables405::FontName, font().pointSize()));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* group = new QGroupBox(QStringLiteral("Prozeßstatus"));
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(m_animation);
    m_textLabel->setWordWrap(true);
    m_textLabel->setMinimumWidth(220);
    m_textLabel->setFixedHeight(2 * m_textLabel->fontMetrics().lineSpacing() + 4);
    groupLayout->addWidget(m_textLabel, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_abortButton);
    m_abortButton->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_abortButton, &QPushButton::clicked, this, &TProcessDialog::abortClick);
}

TProcessDialog::~TProcessDialog() = default;

void TProcessDialog::abortClick()
{
    if (OnAbort)
        OnAbort(true);
}

void TProcessDialog::reject()
{
    m_abortButton->click();
}

void TProcessDialog::closeEvent(QCloseEvent* event)
{
    // Closing the window asks to stop, like the button; the caller frees the dialog.
    event->ignore();
    abortClick();
}

void TProcessDialog::showEvent(QShowEvent* event)
{
    setWindowTitle(Caption);
    m_textLabel->setText(Text);
    m_animation->setAnimationName(AnimationName);
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_animation->play();
}
