#include "mainwindowhooks.h"

#include "dialog_comport.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

MainWindowHooks MainWindowHooks::defaults()
{
    MainWindowHooks h;
    h.getOpenFileName = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    };
    h.getSaveFileName = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, dir, filter);
    };
    h.execPrintDialog = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QObject::tr("Print Document"));
        return dialog.exec() == QDialog::Accepted;
    };
    h.createLoaderDialog = [] { return new Dialog_COMport(nullptr); };
    return h;
}
