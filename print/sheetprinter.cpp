#include "sheetprinter.h"

#include "keymapsheet.h"
#include "labelsheet.h"

#include <QGraphicsScene>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

void setupPrinter(QPrinter& printer)
{
    printer.setPageOrientation(QPageLayout::Landscape);
}

void setupPdfPrinter(QPrinter& printer, const QString& fileName)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    setupPrinter(printer);
}

void buildSheetScene(QGraphicsScene& scene, PrintSheet sheet, const KeyMapImgClass& model)
{
    if (sheet == PrintSheet::Labels)
        buildLabelSheetScene(scene, model);
    else
        buildKeymapSheetScene(scene, model);
}

void renderSheet(QPainter& painter, QGraphicsScene& scene, PrintSheet sheet, int resolution)
{
    scene.render(&painter, QRectF(sheetTargetRect(resolution)), sheetSourceRect(sheet), Qt::KeepAspectRatio);
}

bool paintSheet(QPaintDevice& device, int resolution, PrintSheet sheet, const KeyMapImgClass& model)
{
    QGraphicsScene scene;
    buildSheetScene(scene, sheet, model);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    renderSheet(painter, scene, sheet, resolution);
    return painter.end();
}

bool printLabelSheet(QPrinter& printer, const KeyMapImgClass& model)
{
    return paintSheet(printer, printer.resolution(), PrintSheet::Labels, model);
}

bool printKeymapSheet(QPrinter& printer, const KeyMapImgClass& model)
{
    return paintSheet(printer, printer.resolution(), PrintSheet::Codes, model);
}

QString labelFontMissingMessage(const QString& family)
{
    return QStringLiteral("Шрифт макета ") + family + QStringLiteral(" отсутствует в системе.");
}

QString labelFontMissingTitle() { return QStringLiteral("Ошибка отображения!"); }
