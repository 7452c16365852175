// The loader commands: send the keymap to the keyboard, or read it back.
#include "mainwindow.h"

#include "dialog_comport.h"
#include "filemessages.h"
#include "keymapimgclass.h"
#include "screenfit.h"

#include <QDebug>

Dialog_COMport* MainWindow::loaderDialog() const
{
    return comportwind.data();
}

void MainWindow::on_ComPortOpen_triggered()
{
    comportwind = hooks.createLoaderDialog();
    keyMapImg->makeImage();
    comportwind->setImage(keyMapImg->image());
    comportwind->show();
    keepOnScreen(comportwind);
    connect(comportwind, &Dialog_COMport::sendmsg, this, &MainWindow::rxmsg);
    connect(comportwind, &Dialog_COMport::reject, this, &MainWindow::close_dialog_comport);
}

void MainWindow::on_ReadKeyMap_triggered()
{
    comportwind = hooks.createLoaderDialog();
    comportwind->setImage(keyMapImg->image());
    comportwind->setmode(1);
    comportwind->show();
    keepOnScreen(comportwind);
    connect(comportwind, &Dialog_COMport::reject, this, &MainWindow::close_dialog_comport);
    connect(comportwind, &Dialog_COMport::sendmsg, this, &MainWindow::rxmsg);
}

void MainWindow::close_dialog_comport()
{
    qDebug() << "delete comportwind";
    // The dialog is still inside its own close or key handling: delete it afterwards.
    if (comportwind)
        comportwind->deleteLater();
    comportwind = nullptr;
}

void MainWindow::rxmsg(QString msg)
{
    if (!msg.contains(QStringLiteral("KEYMAPREADOK")))
        return;
    setViewMode(ScanCodeView);
    const LayoutKeys before = readAllKeys(*keyMapImg);
    const DecodeResult result = keyMapImg->decodeImageReplacing(keyMapImg->image());
    if (!result.complete())
        qDebug().noquote() << MsgBadCodeCount;
    refreshAllBtns();
    recordChanges(QStringLiteral("чтение раскладки с клавиатуры"), before);
}
