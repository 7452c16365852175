#pragma once
#include "sheetgeometry.h"

#include <QString>

class KeyMapImgClass;
class QGraphicsScene;
class QPaintDevice;
class QPainter;
class QPrinter;

// Sets up a printer for either sheet: landscape. Construct it as
// QPrinter(QPrinter::HighResolution), a choice Qt allows only then. The print
// dialog, if any, comes after and may change the page and the printer.
void setupPrinter(QPrinter& printer);
// setupPrinter writing `fileName` as a PDF on A4 instead of a real printer.
void setupPdfPrinter(QPrinter& printer, const QString& fileName);

// Builds the scene of either sheet.
void buildSheetScene(QGraphicsScene& scene, PrintSheet sheet, const KeyMapImgClass& model);

// Renders a built sheet on an active painter: the sheet's source rectangle into
// sheetTargetRect(resolution), aspect kept.
void renderSheet(QPainter& painter, QGraphicsScene& scene, PrintSheet sheet, int resolution);

// One page of a sheet on any paint device whose resolution (dpi) is `resolution`.
// False when no painter could be opened on it, e.g. a PDF file that cannot be
// written.
bool paintSheet(QPaintDevice& device, int resolution, PrintSheet sheet, const KeyMapImgClass& model);

// The two print commands after the dialog was accepted: one page at the printer's
// resolution. Neither checks the label font nor writes the resolution to the debug
// output; both are the caller's.
bool printLabelSheet(QPrinter& printer, const KeyMapImgClass& model);
bool printKeymapSheet(QPrinter& printer, const KeyMapImgClass& model);

// What the editor says, titled labelFontMissingTitle(), instead of printing a
// label sheet whose font is not installed.
QString labelFontMissingMessage(const QString& family);
QString labelFontMissingTitle();
