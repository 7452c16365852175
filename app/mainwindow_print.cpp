// The print commands: the label sheet and the keymap listing, one page each.
#include "mainwindow.h"

#include "keymapimgclass.h"
#include "sheetprinter.h"

#include <QDebug>
#include <QPrinter>

namespace {
const QString PrintFailed = QStringLiteral("Не удалось начать печать.");
const QString PrintFailedTitle = QStringLiteral("Ошибка!");
}  // namespace

void MainWindow::on_Print_triggered()
{
    if (!labelFontUsable(keyMapImg->getFontFamily()))
        return;
    QPrinter printer(QPrinter::HighResolution);
    setupPrinter(printer);
    if (!hooks.execPrintDialog(printer, this))
        return;
    if (!printLabelSheet(printer, *keyMapImg))
        emit showmsg(PrintFailed, PrintFailedTitle);
    qDebug() << printer.resolution();
}

void MainWindow::on_PrintKeyMap_triggered()
{
    QPrinter printer(QPrinter::HighResolution);
    setupPrinter(printer);
    if (!hooks.execPrintDialog(printer, this))
        return;
    if (!printKeymapSheet(printer, *keyMapImg))
        emit showmsg(PrintFailed, PrintFailedTitle);
    qDebug() << printer.resolution();
}
