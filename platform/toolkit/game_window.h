#pragma once

// The game's top-level window, built from its form: a fixed frame around
// the sprite canvas, and the sprite templates, which are data, not widgets.

#include "platform/canvas/sprite_template.h"
#include "platform/toolkit/form.h"

#include <QPoint>
#include <QWidget>

#include <memory>
#include <vector>

namespace toolkit {

class CanvasWidget;

// Where a window of the given outer size goes to stand centred on the
// screen: each half truncated toward zero, and never pulled onto the screen.
constexpr QPoint centredTopLeft(int screenWidth, int screenHeight, int outerWidth, int outerHeight)
{
    return {(screenWidth - outerWidth) / 2, (screenHeight - outerHeight) / 2};
}

Qt::WindowFlags windowFlagsOf(const WindowForm& form);

class GameWindow : public QWidget {
public:
    // Built hidden; the canvas and the templates are bound in the control
    // registry for as long as the window lives.
    explicit GameWindow(const Form& form);
    ~GameWindow() override;

    const WindowForm& form() const { return form_; }
    CanvasWidget& canvasWidget() { return *canvasWidget_; }

private:
    WindowForm form_;
    Control canvasId_;
    CanvasWidget* canvasWidget_ = nullptr;   // a child: Qt deletes it
    struct Template {
        Control id;
        std::unique_ptr<canvas::PreparedTemplate> prepared;
    };
    std::vector<Template> templates_;
};

} // namespace toolkit
