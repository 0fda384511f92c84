#pragma once

// The sprite canvas as a Qt widget: it paints the canvas's frame buffer,
// hands it the left button and pointer movements in canvas pixels, and runs
// its tick.

#include "platform/canvas/sprite_canvas.h"
#include "platform/toolkit/form.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace toolkit {

class CanvasWidget : public QWidget {
public:
    explicit CanvasWidget(const CanvasForm& form, QWidget* parent = nullptr);
    ~CanvasWidget() override;

    canvas::SpriteCanvas& canvas() { return *canvas_; }
    // How many ticks have run, for tests.
    std::uint64_t tickCount() const { return tickCount_; }

    // The tick timer waits while ticks would have nothing to do; a key
    // going down or a change the canvas made wakes it when it must.
    void tickSoonerIfNeeded();

    // Run once, from the event loop, after the canvas has first been painted.
    std::function<void()> afterFirstPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Calls into the canvas, then repaints what it changed.
    template<typename Call>
    void forwardToCanvas(Call call);
    bool isOnCanvas(int x, int y) const;
    void tick();
    std::optional<int> intervalUntilTickMatters(std::uint32_t now) const;
    void repaintChanged();

    // Shared so that a handler that closes the window mid-event cannot pull
    // the canvas out from under the call that raised it.
    std::shared_ptr<canvas::SpriteCanvas> canvas_;
    QTimer tickTimer_;
    std::uint64_t tickCount_ = 0;
    std::uint32_t nextTickAt_ = 0;   // when the running timer fires next, on the tick count
};

} // namespace toolkit
