#pragma once

// The forms name "Segoe UI", which Linux lacks; without a substitute the font system
// picks a much wider face and captions are cut off. Label fonts are not touched.
void installUiFontSubstitutes();
