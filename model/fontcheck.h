#pragma once
#include <QString>

// Whether a label font family can be drawn here: listed by the font database, or
// a well-known family (Arial, Courier New, Times New Roman) whose metric-compatible
// twin is installed and is what the font system resolves it to. Stored names are
// never rewritten; this only answers the question.
bool isFontFamilyInstalled(const QString& family);
