#pragma once

namespace AccessibleControls {

// Tells screen readers what Qt cannot tell by itself: a GradientStatusBar is
// a status bar, and a slider's value reads as the text in its
// "accessibleValueText" property ("175 wpm") when it has one. Call once a
// QApplication exists; calling again is harmless.
void install();

} // namespace AccessibleControls
