#pragma once
#include <QString>

#include <functional>

class Dialog_COMport;
class QDateTime;
class QPrinter;
class QWidget;

// The modal toolkit dialogs the main window runs, and the loader dialog it makes.
// The program uses the toolkit's own; tests answer them directly.
struct MainWindowHooks {
    using FileDialog = std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                                             const QString& filter)>;
    FileDialog getOpenFileName;
    FileDialog getSaveFileName;
    // Shows the print dialog for `printer`; true when the user accepted it.
    std::function<bool(QPrinter& printer, QWidget* parent)> execPrintDialog;
    // A new loader dialog without parent.
    std::function<Dialog_COMport*()> createLoaderDialog;
    // "Сохранить изменения макета?" before unsaved changes would be lost.
    enum class SaveChanges { Save, Discard, Cancel };
    std::function<SaveChanges(QWidget* parent)> askSaveChanges;
    // "Восстановить несохранённый макет?" for a layout left in a recovery journal:
    // true restores it, false discards it.
    std::function<bool(QWidget* parent, const QString& file, const QDateTime& written)> askRestore;

    static MainWindowHooks defaults();
};
