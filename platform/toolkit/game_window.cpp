#include "platform/toolkit/game_window.h"

#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/controls.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QScreen>

#include <algorithm>

namespace toolkit {

Qt::WindowFlags windowFlagsOf(const WindowForm& form)
{
    // CustomizeWindowHint: only the buttons asked for, so no maximize button.
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (form.border != Border::none)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (form.controlBox)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (form.minimizeButton)
        flags |= Qt::WindowMinimizeButtonHint;
    if (form.maximizeButton)
        flags |= Qt::WindowMaximizeButtonHint;
    if (form.alwaysOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

GameWindow::GameWindow(const Form& form)
    : QWidget(nullptr, windowFlagsOf(form.window))
    , form_(form.window)
    , canvasId_(form.canvas.id)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(form_.title.data(), static_cast<qsizetype>(form_.title.size())));
    if (!form_.icon.empty()) {
        const QImage icon = imageOf(form_.icon);
        if (!icon.isNull())
            setWindowIcon(QPixmap::fromImage(icon));
    }

    QPalette background = palette();
    const QColor fill = form_.backColour ? QColor::fromRgb(static_cast<QRgb>(*form_.backColour))
                                         : background.color(QPalette::Button);
    background.setColor(QPalette::Window, fill);
    setPalette(background);
    setAutoFillBackground(true);

    canvasWidget_ = new CanvasWidget(form.canvas, this);

    // The client area is exactly what the canvas covers, and it never changes:
    // the frame around it is the window manager's.
    const Geometry& at = form.canvas.geometry;
    setFixedSize(std::max(at.left + canvasWidget_->width(), 1), std::max(at.top + canvasWidget_->height(), 1));

    const Geometry& outer = form_.geometry;
    if (form_.startPosition == StartPosition::centreScreen) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize screenSize = screen ? screen->geometry().size() : QSize();
        move(centredTopLeft(screenSize.width(), screenSize.height(), outer.width, outer.height));
    } else {
        move(outer.left, outer.top);
    }
    setEnabled(!form_.disabled);

    for (const TemplateForm& t : form.templates) {
        templates_.push_back({t.id, std::make_unique<canvas::PreparedTemplate>(t.properties)});
        bindTemplate(t.id, templates_.back().prepared.get());
    }
    bindCanvas(canvasId_, &canvasWidget_->canvas());
    canvasWidget_->setFocus();
}

GameWindow::~GameWindow()
{
    // Unbind only what is still this window's own.
    if (findCanvas(canvasId_) == &canvasWidget_->canvas())
        bindCanvas(canvasId_, nullptr);
    for (const Template& t : templates_)
        if (findTemplate(t.id) == t.prepared.get())
            bindTemplate(t.id, nullptr);
}

} // namespace toolkit
