#include "mainwindowhooks.h"

#include "dialog_comport.h"

#include <QDateTime>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
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
    h.askSaveChanges = [](QWidget* parent) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Редактор Раскладки"),
                        QStringLiteral("Сохранить изменения макета?"),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
        box.button(QMessageBox::Save)->setText(QStringLiteral("Сохранить"));
        box.button(QMessageBox::Discard)->setText(QStringLiteral("Не сохранять"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Save: return SaveChanges::Save;
        case QMessageBox::Discard: return SaveChanges::Discard;
        default: return SaveChanges::Cancel;
        }
    };
    h.askRestore = [](QWidget* parent, const QString& file, const QDateTime& written) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Редактор Раскладки"),
                        QStringLiteral("Восстановить несохранённый макет?"), QMessageBox::NoButton, parent);
        box.setInformativeText(QStringLiteral("Файл: %1\nИзменён: %2")
                                   .arg(file.isEmpty() ? QStringLiteral("(новый макет)") : file,
                                        written.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
        QPushButton* restore = box.addButton(QStringLiteral("Восстановить"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("Удалить"), QMessageBox::DestructiveRole);
        box.setDefaultButton(restore);
        box.exec();
        return box.clickedButton() == restore;
    };
    return h;
}
