#pragma once
#include "keytypes.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QWidget>

// The main window's form, built in code: every control under its object name.
class Ui_MainWindow
{
public:
    // Actions in the order they are created.
    QAction* actionExit;
    QAction* OpenKeyMap;
    QAction* OpenBtnMap;
    QAction* SaveKeyMap;
    QAction* SaveBtnMap;
    QAction* Setfont;
    QAction* Print;
    QAction* ShowBtnLabels;
    QAction* ShowScancodes;
    QAction* ComPortOpen;
    QAction* AddKeyMapToBtv;
    QAction* PrintKeyMap;
    QAction* About;
    QAction* ReadKeyMap;

    QWidget* centralwidget;
    QScrollArea* scrollArea;
    QWidget* scrollAreaWidgetContents;
    QWidget* widget;
    // pushButton_<col+1>_<row+1>, column-major: index col * 6 + row.
    QPushButton* keyButtons[KeyCount];

    QMenuBar* menubar;
    QMenu* menuKey;
    QMenu* menu;
    QMenu* menu_2;
    QMenu* menu_6;
    QMenu* menu_4;
    QMenu* menu_3;
    QMenu* menu_5;
    QMenu* menu_7;
    QStatusBar* statusbar;

    // Builds the form on `window`, then binds on_<object>_<signal> slots by name.
    void setupUi(QMainWindow* window);

    static QString keyButtonName(int col, int row);
};
