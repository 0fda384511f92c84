#include "platform/toolkit/canvas_widget.h"

#include "platform/toolkit/application.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace toolkit {

namespace {

constexpr int tickIntervalMs = 5;

// The system's millisecond tick count, wrapping at 32 bits as the canvas expects.
std::uint32_t tickCountNow()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

struct CanvasPoint {
    int x = 0;
    int y = 0;
};

// Canvas pixels are whole logical pixels; a fractional position (a scaled
// screen) belongs to the pixel it lies in. A position beyond the 32-bit
// range is held at its end, which is off the canvas as well.
CanvasPoint canvasPointOf(const QMouseEvent& event)
{
    const QPointF position = event.position();
    return {canvas::integerPart(std::floor(position.x())), canvas::integerPart(std::floor(position.y()))};
}

} // namespace

CanvasWidget::CanvasWidget(const CanvasForm& form, QWidget* parent)
    : QWidget(parent)
    , canvas_(std::make_shared<canvas::SpriteCanvas>(std::max(form.geometry.width, 0),
                                                     std::max(form.geometry.height, 0), form.BackColor))
{
    setGeometry(form.geometry.left, form.geometry.top, canvas_->width(), canvas_->height());
    setAttribute(Qt::WA_OpaquePaintEvent);   // the frame buffer covers every pixel
    setMouseTracking(true);
    setFocusPolicy(form.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    setEnabled(!form.disabled);
    if (!form.visible)
        hide();

    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { tick(); });
    canvas_->events.tickWorkAdded = [this] { tickSoonerIfNeeded(); };
    tickTimer_.start(tickIntervalMs);
    nextTickAt_ = tickCountNow() + tickIntervalMs;
}

CanvasWidget::~CanvasWidget() { tickTimer_.stop(); }

void CanvasWidget::paintEvent(QPaintEvent* event)
{
    const std::span<const canvas::Pixel> pixels = canvas_->frameBuffer();
    if (pixels.empty())
        return;
    // Shown in place: the canvas's pixel layout is the one QImage uses.
    const QImage frame(reinterpret_cast<const uchar*>(pixels.data()), canvas_->width(), canvas_->height(),
                       qsizetype{canvas_->width()} * qsizetype{sizeof(canvas::Pixel)}, QImage::Format_RGB32);
    QPainter painter(this);
    // Scaled up on a high-density screen, canvas pixels stay hard-edged blocks.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const QRect& area : event->region())
        painter.drawImage(area.topLeft(), frame, area);
    if (afterFirstPaint)
        QTimer::singleShot(0, this, std::exchange(afterFirstPaint, nullptr));
}

void CanvasWidget::showEvent(QShowEvent* event)
{
    // The scene is built while the window is hidden; the first paint shows it whole.
    if (!event->spontaneous())
        canvas_->composeAll();
    QWidget::showEvent(event);
}

template<typename Call>
void CanvasWidget::forwardToCanvas(Call call)
{
    const std::shared_ptr<canvas::SpriteCanvas> keepAlive = canvas_;
    const QPointer<CanvasWidget> self = this;
    call(*keepAlive);
    if (self) {
        repaintChanged();
        tickSoonerIfNeeded();
    }
}

void CanvasWidget::mousePressEvent(QMouseEvent* event)
{
    const CanvasPoint at = canvasPointOf(*event);
    if (event->button() == Qt::LeftButton && isOnCanvas(at.x, at.y))
        forwardToCanvas([at](canvas::SpriteCanvas& c) { c.leftButtonPressed(at.x, at.y); });
}

// Qt sends this in place of the second press of a double-click; the default
// would turn it into an ordinary press.
void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const CanvasPoint at = canvasPointOf(*event);
    if (event->button() == Qt::LeftButton && isOnCanvas(at.x, at.y))
        forwardToCanvas([at](canvas::SpriteCanvas& c) { c.leftButtonDoubleClicked(at.x, at.y); });
}

// Qt keeps sending moves and the release to the widget the button went down
// on, wherever the pointer is. The canvas does not capture the mouse, so
// what happens off the canvas is dropped.
void CanvasWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const CanvasPoint at = canvasPointOf(*event);
    if (event->button() == Qt::LeftButton && isOnCanvas(at.x, at.y))
        forwardToCanvas([at](canvas::SpriteCanvas& c) { c.leftButtonReleased(at.x, at.y); });
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event)
{
    const CanvasPoint at = canvasPointOf(*event);
    const bool leftButtonDown = event->buttons().testFlag(Qt::LeftButton);
    if (isOnCanvas(at.x, at.y))
        forwardToCanvas([at, leftButtonDown](canvas::SpriteCanvas& c) { c.pointerMoved(at.x, at.y, leftButtonDown); });
}

bool CanvasWidget::isOnCanvas(int x, int y) const
{
    return x >= 0 && y >= 0 && x < canvas_->width() && y < canvas_->height();
}

void CanvasWidget::tick()
{
    ++tickCount_;
    const std::uint32_t now = tickCountNow();
    const std::shared_ptr<canvas::SpriteCanvas> keepAlive = canvas_;
    const QPointer<CanvasWidget> self = this;
    keepAlive->tick(now, keyboardState());
    if (!self)
        return;
    repaintChanged();
    // Ticks that would find nothing to do are skipped, so that the game
    // costs next to nothing while it waits: the timer sleeps, in whole tick
    // periods, until the flag's next frame, or until a key goes down.
    const std::optional<int> interval = intervalUntilTickMatters(now);
    if (!interval) {
        tickTimer_.stop();
        return;
    }
    if (tickTimer_.interval() != *interval || !tickTimer_.isActive())
        tickTimer_.start(*interval);
    nextTickAt_ = now + static_cast<std::uint32_t>(*interval);
}

std::optional<int> CanvasWidget::intervalUntilTickMatters(std::uint32_t now) const
{
    const std::optional<std::uint32_t> wait = canvas_->msUntilTickMatters(now, keyboardState());
    if (!wait)
        return std::nullopt;
    constexpr std::uint32_t longest = 1000;
    const std::uint32_t periods = (std::min(*wait, longest) + tickIntervalMs - 1) / tickIntervalMs;
    return static_cast<int>(std::max<std::uint32_t>(periods, 1) * tickIntervalMs);
}

void CanvasWidget::tickSoonerIfNeeded()
{
    const std::uint32_t now = tickCountNow();
    const std::optional<int> interval = intervalUntilTickMatters(now);
    if (!interval)
        return;   // a running timer looks again at its next tick
    const bool soonEnough = tickTimer_.isActive() && static_cast<std::int32_t>(nextTickAt_ - now) <= *interval;
    if (soonEnough)
        return;
    tickTimer_.start(*interval);
    nextTickAt_ = now + static_cast<std::uint32_t>(*interval);
}

void CanvasWidget::repaintChanged()
{
    for (const canvas::Rect& area : canvas_->composeDirty())
        update(area.x, area.y, area.width, area.height);
}

} // namespace toolkit
