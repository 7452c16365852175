#include "mainwindowform.h"

#include "keytypes.h"

#include <QLinearGradient>
#include <QPalette>

namespace {
QPalette keyOnePalette()
{
    QLinearGradient g(0, 0, 0, 1);
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    g.setColorAt(0, QColor(253, 150, 150, 255));
    g.setColorAt(0.471591, QColor(255, 72, 72, 255));
    g.setColorAt(0.505, QColor(243, 54, 54, 255));
    g.setColorAt(1, QColor(219, 17, 17, 230));
    const QBrush brush(g);
    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
            p.setBrush(group, role, brush);
    return p;
}
}  // namespace

QString Ui_MainWindow::keyButtonName(int col, int row)
{
    return QStringLiteral("pushButton_%1_%2").arg(col + 1).arg(row + 1);
}

void Ui_MainWindow::setupUi(QMainWindow* w)
{
    w->setObjectName("MainWindow");
    w->resize(1394, 692);
    w->setMinimumSize(100, 100);
    w->setMaximumSize(1394, 692);

    struct ActionDef { QAction** slot; const char* name; const char* text; };
    const ActionDef actions[] = {
        {&actionExit, "actionExit", "Выход"},
        {&OpenKeyMap, "OpenKeyMap", "Карту сканкодов"},
        {&OpenBtnMap, "OpenBtnMap", "Макет раскладки"},
        {&SaveKeyMap, "SaveKeyMap", "Карту сканкодов"},
        {&SaveBtnMap, "SaveBtnMap", "Макет раскладки"},
        {&Setfont, "Setfont", "Изменить шрифт макета"},
        {&Print, "Print", "Печать макета"},
        {&ShowBtnLabels, "ShowBtnLabels", "Показать макет"},
        {&ShowScancodes, "ShowScancodes", "Показать сканкоды"},
        {&ComPortOpen, "ComPortOpen", "Загрузить карту сканкодов"},
        {&AddKeyMapToBtv, "AddKeyMapToBtv", "Карту сканкодов к макету"},
        {&PrintKeyMap, "PrintKeyMap", "Печать карты"},
        {&About, "About", "О программе"},
        {&ReadKeyMap, "ReadKeyMap", "Выгрузить карту сканкодов"},
    };
    for (const ActionDef& a : actions) {
        *a.slot = new QAction(w);
        (*a.slot)->setObjectName(a.name);
        (*a.slot)->setText(QString::fromUtf8(a.text));
    }

    centralwidget = new QWidget(w);
    centralwidget->setObjectName("centralwidget");
    scrollArea = new QScrollArea(centralwidget);
    scrollArea->setObjectName("scrollArea");
    scrollArea->setGeometry(0, 0, 1394, 651);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scrollArea->setWidgetResizable(false);
    scrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollAreaWidgetContents = new QWidget();
    scrollAreaWidgetContents->setObjectName("scrollAreaWidgetContents");
    scrollAreaWidgetContents->setGeometry(0, 0, 1374, 632);
    scrollAreaWidgetContents->setEnabled(true);
    widget = new QWidget(scrollAreaWidgetContents);
    widget->setObjectName("widget");
    widget->setGeometry(0, 0, 1374, 631);
    widget->setMinimumSize(0, 0);
    QFont widgetFont;
    widgetFont.setFamily("Segoe UI");
    widget->setFont(widgetFont);
    widget->setMouseTracking(true);

    QFont keyFont;
    keyFont.setFamily("Segoe UI");
    keyFont.setPointSize(9);
    keyFont.setBold(true);
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row) {
            QPushButton* b = new QPushButton(widget);
            b->setObjectName(keyButtonName(col, row));
            b->setGeometry(20, 20, 71, 71);
            b->setCheckable(true);
            b->setAutoRepeat(false);
            b->setAutoDefault(false);
            b->setDefault(false);
            b->setCursor(Qt::PointingHandCursor);
            b->setFont(keyFont);
            keyButtons[keyIndex(col, row)] = b;
        }
    keyButtons[0]->setPalette(keyOnePalette());
    // The covered positions are flat; the form left the one under the wide key enabled.
    for (const ShapedKey& k : ShapedKeys) {
        if (k.shape != KeyShape::Covered)
            continue;
        keyButtons[keyIndex(k.col, k.row)]->setFlat(true);
        keyButtons[keyIndex(k.col, k.row)]->setEnabled(keyShape(k.col + 1, k.row) == KeyShape::Wide);
    }

    scrollArea->setWidget(scrollAreaWidgetContents);
    w->setCentralWidget(centralwidget);

    menubar = new QMenuBar(w);
    menubar->setObjectName("menubar");
    auto makeMenu = [](QWidget* parent, const char* name, const char* title) {
        QMenu* m = new QMenu(parent);
        m->setObjectName(name);
        m->setTitle(QString::fromUtf8(title));
        return m;
    };
    menuKey = makeMenu(menubar, "menuKey", "Раскладка");
    menu = makeMenu(menuKey, "menu", "Открыть");
    menu_2 = makeMenu(menuKey, "menu_2", "Сохранить");
    menu_6 = makeMenu(menuKey, "menu_6", "Добавить");
    menu_4 = makeMenu(menubar, "menu_4", "Вид");
    menu_3 = makeMenu(menubar, "menu_3", "Шрифт макета");
    menu_5 = makeMenu(menubar, "menu_5", "Загрузчик");
    menu_7 = makeMenu(menubar, "menu_7", "Справка");
    w->setMenuBar(menubar);
    statusbar = new QStatusBar(w);
    statusbar->setObjectName("statusbar");
    w->setStatusBar(statusbar);

    for (QMenu* m : {menuKey, menu_4, menu_3, menu_5, menu_7})
        menubar->addAction(m->menuAction());
    menuKey->addAction(menu->menuAction());
    menuKey->addAction(menu_2->menuAction());
    menuKey->addAction(menu_6->menuAction());
    menuKey->addSeparator();
    menuKey->addAction(Print);
    menuKey->addAction(PrintKeyMap);
    menuKey->addSeparator();
    menuKey->addAction(actionExit);
    menu->addAction(OpenKeyMap);
    menu->addAction(OpenBtnMap);
    menu_2->addAction(SaveKeyMap);
    menu_2->addAction(SaveBtnMap);
    menu_6->addAction(AddKeyMapToBtv);
    menu_4->addAction(ShowBtnLabels);
    menu_4->addAction(ShowScancodes);
    menu_3->addAction(Setfont);
    menu_5->addAction(ComPortOpen);
    menu_5->addAction(ReadKeyMap);
    menu_7->addAction(About);

    w->setWindowTitle(QString::fromUtf8("Редактор Раскладки "));
    QMetaObject::connectSlotsByName(w);
}
