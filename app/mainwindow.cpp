#include "mainwindow.h"
#include "hexcodes.h"

#include "btnpropdialog.h"
#include "dialog_comport.h"
#include "dialog_td.h"
#include "fontcheck.h"
#include "keyface.h"
#include "keygeometry.h"
#include "keymapimgclass.h"
#include "keyselection.h"
#include "msgwindow.h"
#include "pixelratiowatch.h"
#include "recoveryjournal.h"
#include "screenfit.h"
#include "sheetprinter.h"
#include "mainwindowform.h"

#include <QFileInfo>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QUndoStack>

// The built-in window icon sits in this static library; without a reference the
// linker drops it. The macro works only outside a namespace.
static void initAppResources()
{
    Q_INIT_RESOURCE(app_icons);
}

namespace {
const QString ViewTexts[2] = {QStringLiteral("  Макет  "), QStringLiteral("  Сканкоды  ")};

const QString KeyStyleSheet =
    QStringLiteral(" QPushButton::pressed, QPushButton::checked {border: 2px dashed rgb(0, 0, 0);border-radius: %1px;};\n"
                   "border: 1px solid rgb(205, 205, 205);border-radius: %1px;\n")
        .arg(KeyCornerRadius);

// Geometry of a key button from the designed position of the first key, whose
// 71-pixel face the 100-pixel button surrounds.
QRect keyRect(const QRect& base, int col, int row)
{
    return keyGridRect(col, row).translated(base.topLeft() - QPoint(15, 15));
}
}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    ui = new Ui_MainWindow;
    ui->setupUi(this);
    move(0, 0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        resize(avail.width() - 16, avail.height() - 16);  // bounded by the form's limits
    }
    std::copy(std::begin(ui->keyButtons), std::end(ui->keyButtons), keyButtons);
    keyMapImg = new KeyMapImgClass;

    const QRect base = keyButtons[0]->geometry();
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row) {
            QPushButton* b = keyButtons[keyIndex(col, row)];
            if (isCoveredKey(col, row))
                b->hide();
            else
                b->setGeometry(keyRect(base, col, row));
            b->setIconSize(keyMapImg->getBtnSize(col, row));
            b->setStyleSheet(KeyStyleSheet);
        }
    viewMode = ScanCodeView;
    refreshAllBtns();
    watchPixelRatio(this, [this] { refreshAllBtns(); });

    btnPropDialog = new BtnPropDialog(nullptr);
    msgWnd = new msgwindow(nullptr);
    statusLabel = new QLabel(this);
    statusBar()->addWidget(statusLabel, 0);
    statusLabel->setText(ViewTexts[viewMode]);
    connect(btnPropDialog, &BtnPropDialog::SaveBtnMapFromDialog, this, &MainWindow::setBtnMapFromDialog);
    connect(btnPropDialog, &BtnPropDialog::UncheckBtn, this, &MainWindow::UncheckBtn);
    connect(this, &MainWindow::showmsg, msgWnd, &msgwindow::showmsg);
    fontDialog = new Dialog_TD(this);
    connect(fontDialog, &Dialog_TD::storefontfam, this, &MainWindow::changeFont);
    initAppResources();
    setWindowIcon(windowIconFor(QStringLiteral("Laptop.png"), QStringLiteral(":/icons/laptop.png")));
    setUpOpenProblem();
    setUpPortAccessMark();
    setUpEditing();
}

MainWindow::~MainWindow()
{
    // Nothing may reach this window while its parts go: the focus moves as the keys are
    // destroyed, and the history announces its own clearing.
    disconnect(qApp, nullptr, this, nullptr);
    delete undoStack;
    // A loader still open when the window goes would otherwise outlive the model it borrows.
    delete comportwind.data();
    delete msgWnd;
    delete btnPropDialog;
    delete keyMapImg;
    delete ui;
}

QIcon MainWindow::windowIconFor(const QString& fileName, const QString& fallbackResource)
{
    // A regular file only: a pipe of that name would hold the window when the icon is drawn.
    return QIcon(QFileInfo(fileName).isFile() ? fileName : fallbackResource);
}

QPixmap MainWindow::scanCodeFace(const TKeyMap& map, QSize size, qreal ratio)
{
    QString texts[5];
    TColor colours[5];
    TBtnNamePosition positions[5];
    uint8_t sizes[5];
    TFontStyle styles[5];
    bool vertical[5] = {};
    const int n = std::min<int>(map.count, MaxKeyCodes);
    for (int i = 0; i < 5; ++i) {
        if (i < n)
            texts[i] = hexCode0x(map.pairs[i].code);
        positions[i] = {0, codeLineOffsetY(i, n)};
        sizes[i] = 12;
        styles[i] = fsBold;
    }
    return renderKeyFace(texts, colours, positions, sizes, TColor{255, 255, 255}, styles, vertical, size.width(),
                         size.height(), QStringLiteral("Courier New"), ratio);
}

void MainWindow::refreshBtn(int col, int row)
{
    QPushButton* b = keyButtons[keyIndex(col, row)];
    // Drawn for the screen's pixels: an icon stretches a face of fewer pixels.
    const qreal ratio = b->devicePixelRatioF();
    if (viewMode != ScanCodeView)
        b->setIcon(QIcon(keyMapImg->keyFace(col, row, ratio)));
    else
        b->setIcon(QIcon(scanCodeFace(keyMapImg->getKeyMap(col, row), keyMapImg->getBtnSize(col, row), ratio)));
}

void MainWindow::refreshAllBtns()
{
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row) {
            keyButtons[keyIndex(col, row)]->setMouseTracking(true);
            refreshBtn(col, row);
        }
}

void MainWindow::setViewMode(int mode)
{
    viewMode = mode;
    if (statusLabel)
        statusLabel->setText(ViewTexts[mode]);
}

void MainWindow::openKeyProperties(int col, int row)
{
    // A plain click ends working on chosen keys.
    if (selection)
        selection->clear();
    btnPropDialog->loadKey(col, row, keyMapImg);
    btnPropDialog->show();
    keepOnScreen(btnPropDialog);
}

void MainWindow::setBtnMapFromDialog(int col, int row, TKeyMap keymap, QString* pname, bool link,
                                     TColor* pbtnnamecolor, TBtnNamePosition* pbtnnamepos,
                                     unsigned char* pbtnnamesize, TColor btncolor, TFontStyle* pfontstyle,
                                     bool* vertname)
{
    KeyData key;
    key.keymap = keymap;
    for (int i = 0; i < LabelLines; ++i)
        key.lines[i] = {pname[i], pbtnnamecolor[i], pbtnnamepos[i], pbtnnamesize[i], pfontstyle[i], vertname[i]};
    key.link = link;
    key.background = btncolor;
    const KeyChange change{QPoint(col, row), readKey(*keyMapImg, col, row), {}};
    writeKey(*keyMapImg, col, row, key);
    refreshBtn(col, row);
    KeyData stored = readKey(*keyMapImg, col, row);
    // An OK that changed nothing is no step and leaves the layout unmodified.
    if (!(stored == change.before))
        undoStack->push(new KeysStep(*this, QStringLiteral("свойства клавиши %1").arg(keyNumber(change.key)),
                                     {{change.key, change.before, std::move(stored)}}, true));
}

void MainWindow::UncheckBtn(int col, int row)
{
    keyButtons[keyIndex(col, row)]->setChecked(false);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ui->scrollArea->setGeometry(0, 0, ui->centralwidget->width(), ui->centralwidget->height());
}

bool MainWindow::labelFontUsable(const QString& family)
{
    if (isFontFamilyInstalled(family))
        return true;
    emit showmsg(labelFontMissingMessage(family), labelFontMissingTitle());
    setViewMode(ScanCodeView);
    return false;
}

void MainWindow::on_actionExit_triggered()
{
    if (!maybeSaveChanges())
        return;
    // Quitting closes every window, this one too: its close must not ask the same again.
    exitAnswered = true;
    emit quit();
    exitAnswered = false;
}

void MainWindow::on_ShowScancodes_triggered()
{
    setViewMode(ScanCodeView);
    refreshAllBtns();
}

void MainWindow::on_ShowBtnLabels_triggered()
{
    setViewMode(LayoutView);
    if (labelFontUsable(keyMapImg->getFontFamily()))
        refreshAllBtns();
}

void MainWindow::on_Setfont_triggered()
{
    fontDialog->showdlg(keyMapImg->getFontFamily(), QStringLiteral("Выбор шрифта"));
}

void MainWindow::changeFont(QString family)
{
    const QString before = keyMapImg->getFontFamily();
    keyMapImg->setFontFamily(family);
    refreshAllBtns();
    const QString after = keyMapImg->getFontFamily();
    if (after != before)
        undoStack->push(new FontStep(*this, before, after, true));
}

void MainWindow::on_About_triggered()
{
    emit showmsg(buildText(), QStringLiteral("О программе"));
}
