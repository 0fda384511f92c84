#pragma once

// The live controls of the loaded window, by form number. The Qt window
// binds its canvas and templates here; a test may bind a bare canvas.

#include "platform/canvas/sprite_canvas.h"
#include "platform/canvas/sprite_template.h"
#include "platform/toolkit/form.h"

namespace toolkit {

void bindCanvas(Control id, canvas::SpriteCanvas* canvas);          // null unbinds
void bindTemplate(Control id, const canvas::PreparedTemplate* spriteTemplate);
canvas::SpriteCanvas* findCanvas(Control id);
const canvas::PreparedTemplate* findTemplate(Control id);

// Connects a canvas's events to the form's handlers and its sounds to the
// sound output.
void connectEvents(canvas::SpriteCanvas& canvas, const CanvasEvents& handlers);

} // namespace toolkit
