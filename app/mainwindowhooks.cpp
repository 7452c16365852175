#include "mainwindowhooks.h"

#include "dialog_comport.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

MainWindowHooks MainWindowHooks::defaults()
{
    MainWindowHooks h;
    h.getOpenFileName = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    };
    h.getSaveFileName = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
        QFileDialog dialog(parent, caption, dir, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The dialog itself gives a bare name the ending of the first filter, so it is the
        // completed name whose replacement it asks the user to confirm.
        static const QRegularExpression firstEnding(QStringLiteral("\\*\\.(\\w+)"));
        dialog.setDefaultSuffix(firstEnding.match(filter).captured(1));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    h.execPrintDialog = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QObject::tr("Print Document"));
        return dialog.exec() == QDialog::Accepted;
    };
    h.createLoaderDialog = [] { return new Dialog_COMport(nullptr); };
    return h;
}
