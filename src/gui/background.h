#pragma once

// Runs a piece of core work on another thread while the window keeps
// repainting; returns when the work is done. The work must not touch widgets.

#include <functional>

namespace kdx::gui {

void RunWhileResponsive(const std::function<void()>& work);

} // namespace kdx::gui
