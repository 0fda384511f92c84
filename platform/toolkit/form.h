#pragma once

#include "platform/canvas/sprite_template.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace toolkit {

using canvas::Colour;

// A control of a form, named by its form number.
struct Control {
    std::uint32_t formNumber = 0;
    friend bool operator==(Control, Control) = default;
};

enum class Border { none, normalFixed };
enum class StartPosition { formPosition, centreScreen };

// Event bindings of the window: plain functions, any may be null.
struct WindowEvents {
    void (*created)() = nullptr;
    void (*keyPressed)(std::int32_t keyCode, std::int32_t modifiers) = nullptr;
};

// Event bindings of a sprite canvas: plain functions, any may be null.
struct CanvasEvents {
    void (*objectLeftPressed)(std::int32_t objectId) = nullptr;
    void (*objectLeftReleased)(std::int32_t objectId, std::int32_t pressedObjectId) = nullptr;
    void (*canvasMouseMoved)(std::int32_t x, std::int32_t y, std::int32_t pressedObjectId) = nullptr;
    void (*collidedWithObject)(std::int32_t moverId, std::int32_t xBefore, std::int32_t yBefore,
                               std::int32_t collidedId) = nullptr;
    void (*watchedKeyPressed)(std::int32_t keyCode, std::int32_t modifierBits) = nullptr;
};

// Placement of a control on its window's client area, or of the window on the screen.
struct Geometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct WindowForm {
    Control id;
    Geometry geometry;                     // outer size, frame and title bar included
    bool visible = true;
    bool disabled = false;
    std::string_view title;
    Border border = Border::normalFixed;
    bool controlBox = true;                // system menu and close button
    bool maximizeButton = false;
    bool minimizeButton = true;
    StartPosition startPosition = StartPosition::centreScreen;
    bool movable = true;
    bool dragByClientArea = false;
    std::optional<Colour> backColour;      // none: the system's button-face colour
    canvas::Bytes backPicture;
    canvas::Bytes backMusic;
    std::int32_t backMusicPlayCount = 0;
    canvas::Bytes icon;                    // none: the program icon
    bool showInTaskbar = true;
    bool alwaysOnTop = false;
    bool keepTitleBarActive = false;
    bool enterMovesFocus = false;
    bool escClosesWindow = true;
    bool f1OpensHelp = false;
    std::string_view helpFile;
    std::int32_t helpContext = 0;
    std::string_view windowClassName;
    WindowEvents events;
};

struct CanvasForm {
    Control id;
    Geometry geometry;
    bool visible = true;
    bool disabled = false;
    bool tabStop = true;
    int tabOrder = 0;
    Border border = Border::none;
    Colour BackColor = canvas::white;
    canvas::Bytes pic;
    std::int32_t PicDrawMode = 0;
    std::int32_t PenStyle = 1;
    std::int32_t DrawRop2 = 12;
    std::int32_t PenWidth = 0;
    Colour PenColor = canvas::black;
    std::int32_t BrushStyle = 1;
    Colour BrushColor = canvas::white;
    Colour TextColor = canvas::black;
    std::optional<Colour> TextBackColor;
    std::optional<canvas::Font> font;
    CanvasEvents events;
};

struct TemplateForm {
    Control id;
    Geometry geometry;                     // design-time only: a sprite takes its size from the picture
    bool visible = false;                  // templates are never shown, whatever this says
    bool disabled = false;
    canvas::SpriteTemplate properties;
};

// The whole window form: the window, its one sprite canvas and its sprite templates.
struct Form {
    WindowForm window;
    CanvasForm canvas;
    std::array<TemplateForm, 3> templates;
};

} // namespace toolkit
