#pragma once
// A main window whose toolkit dialogs are answered by the test.
#include "mainwindow.h"
#include "mainwindowform.h"

#include <QSignalSpy>
#include <QStringList>

struct FileDialogCall {
    QString caption, dir, filter;
};

class ScriptedMainWindow
{
public:
    ScriptedMainWindow()
        : msgs(&w, &MainWindow::showmsg)
    {
        MainWindowHooks h = MainWindowHooks::defaults();
        h.getOpenFileName = [this](QWidget*, const QString& c, const QString& d, const QString& f) {
            opens.append({c, d, f});
            return answer;
        };
        h.getSaveFileName = [this](QWidget*, const QString& c, const QString& d, const QString& f) {
            saves.append({c, d, f});
            return answer;
        };
        h.execPrintDialog = [this](QPrinter& printer, QWidget*) {
            ++printDialogs;
            if (onPrintDialog)
                onPrintDialog(printer);
            return acceptPrint;
        };
        h.askSaveChanges = [this](QWidget*) {
            ++questions;
            return saveAnswer;
        };
        h.askRestore = [this](QWidget*, const QString&, const QDateTime&) {
            ++restoreQuestions;
            return restoreAnswer;
        };
        w.setHooks(h);
    }

    // What the next file dialog answers: a path, or empty for Cancel.
    QString answer;
    QList<FileDialogCall> opens, saves;
    int printDialogs = 0;
    bool acceptPrint = true;
    std::function<void(QPrinter&)> onPrintDialog;
    // How "Сохранить изменения макета?" is answered, and how often it was asked.
    MainWindowHooks::SaveChanges saveAnswer = MainWindowHooks::SaveChanges::Cancel;
    int questions = 0;
    // How "Восстановить несохранённый макет?" is answered, and how often it was asked.
    bool restoreAnswer = true;
    int restoreQuestions = 0;

    MainWindow w;
    QSignalSpy msgs;

    QStringList lastMessage() const
    {
        if (msgs.isEmpty())
            return {};
        return {msgs.last().at(0).toString(), msgs.last().at(1).toString()};
    }
};
