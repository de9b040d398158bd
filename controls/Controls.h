#pragma once

namespace Controls {

// Lets window descriptions create "VLButton" and "GradientStatusBar" through
// UiLoader. Call once before loading such a description; calling again is
// harmless.
void registerWidgetClasses();

} // namespace Controls
