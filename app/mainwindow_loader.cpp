// The loader commands: send the keymap to the keyboard, or read it back.
#include "mainwindow.h"

#include "dialog_comport.h"
#include "filemessages.h"
#include "keymapimgclass.h"
#include "screenfit.h"

#include <QDebug>
#include <QLabel>
#include <QStatusBar>

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
    connect(comportwind, &Dialog_COMport::portAccessRefused, this, &MainWindow::showPortAccess);
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
    connect(comportwind, &Dialog_COMport::portAccessRefused, this, &MainWindow::showPortAccess);
}

void MainWindow::setUpPortAccessMark()
{
    portAccessLabel = new QLabel(this);
    portAccessLabel->setObjectName(QStringLiteral("portAccessMark"));
    // The advice is long: a narrow window cuts it, and its tooltip keeps it whole.
    portAccessLabel->setMinimumWidth(1);
    statusBar()->addPermanentWidget(portAccessLabel);
}

// The loader's log says only that the port did not open; what to do about it is said here.
void MainWindow::showPortAccess(bool refused)
{
    const QString text = refused ? QString::fromUtf16(PortAccessText) : QString();
    portAccessLabel->setText(text);
    portAccessLabel->setToolTip(text);
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
