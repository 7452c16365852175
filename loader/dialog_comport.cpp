#include "dialog_comport.h"

#include "serialportlink.h"
#include "ui_dialog_comport.h"

#include <QFileInfo>
#include <QIcon>

// The built-in icon lives in this static library; its resource must be
// registered by hand or the linker drops it.
static void initLoaderResources()
{
    Q_INIT_RESOURCE(loader_icons);
}

namespace {
QIcon loaderIcon()
{
    // A picture placed next to the program by the user wins over the built-in one; a pipe
    // or a device of that name is not waited on.
    const QString local = QStringLiteral("Drive Download.png");
    if (QFileInfo(local).isFile())
        return QIcon(local);
    initLoaderResources();
    return QIcon(QStringLiteral(":/loader/drive-download.png"));
}
}  // namespace

Dialog_COMport::Dialog_COMport(QWidget* parent, PortSource* source, LoaderTimings timings, ByteLink* link)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui(new Ui_Dialog_COMport)
{
    ui->setupUi(this);
    // The title bar carries the title only: leaving goes through the exit button.
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint & ~Qt::WindowCloseButtonHint);
    setWindowIcon(loaderIcon());

    ui->Load_pushButton->setEnabled(false);
    if (source) {
        fillPortList(*source);
    } else {
        const SystemPortSource system;
        fillPortList(system);
    }
    if (ui->portBox->count() == 0)
        appendLog(QString::fromUtf16(NoPortText));

    if (link) {
        m_link = link;
    } else {
        m_ownLink = std::make_unique<SerialPortLink>();
        m_link = m_ownLink.get();
    }
    m_machine = new LoaderMachine(m_link, this, timings, this);
    connect(m_machine, &LoaderMachine::sendmsg, this, &Dialog_COMport::sendmsg);
    connect(m_machine, &LoaderMachine::finished, this,
            [this](const TransferResult& r) { emit portAccessRefused(r.accessRefused); });
}

Dialog_COMport::~Dialog_COMport()
{
    // Stop the machine first: no wait may fire into a half-destroyed dialog.
    delete m_machine;
    m_machine = nullptr;
    if (m_link->isOpen()) {
        m_link->close();
        appendLog(QStringLiteral("Порт Закрыт."));
    }
    delete ui;
}

void Dialog_COMport::fillPortList(const PortSource& source)
{
    ui->portBox->setEnabled(true);
    ui->portBox->clear();
    for (const PortInfo& p : keyboardPorts(source))
        ui->portBox->addItem(p.portName);
    if (ui->portBox->count() > 0)
        ui->portBox->setCurrentIndex(0);
}

void Dialog_COMport::setImage(unsigned char* image)
{
    m_machine->setImage(image);
}

void Dialog_COMport::setmode(int mode)
{
    if (mode == 0)
        procevent(LoaderMachine::EvUploadMode);
    else if (mode == 1)
        procevent(LoaderMachine::EvReadMode);
}

void Dialog_COMport::procevent(int event)
{
    m_machine->procevent(event);
}

void Dialog_COMport::timeoutexp()
{
    procevent(LoaderMachine::EvTimeout);
}

void Dialog_COMport::onDeviceDiscovered(const PortInfo&)
{
    procevent(LoaderMachine::EvPortArrived);
}

void Dialog_COMport::onDeviceRemoved(const PortInfo&)
{
    procevent(LoaderMachine::EvPortRemoved);
}

void Dialog_COMport::on_pushButton_clicked()
{
    procevent(LoaderMachine::EvPortButton);
}

void Dialog_COMport::on_Load_pushButton_clicked()
{
    procevent(LoaderMachine::EvLoadButton);
}

void Dialog_COMport::on_pushButton_2_clicked()
{
    emit sendmsg(QStringLiteral("EXIT"));
    close();
}

void Dialog_COMport::on_portBox_activated(int)
{
    // The entry current when the port is opened is the one used; choosing alone changes nothing.
}

QString Dialog_COMport::currentPortName() const
{
    return ui->portBox->currentText();
}

void Dialog_COMport::clearLog()
{
    ui->textBrowser->clear();
}

void Dialog_COMport::appendLog(const QString& line)
{
    ui->textBrowser->append(line);
}

void Dialog_COMport::resetProgress()
{
    ui->progressBar->reset();
}

void Dialog_COMport::setProgress(int value)
{
    ui->progressBar->setValue(value);
}

void Dialog_COMport::setPortButtonText(const QString& text)
{
    ui->pushButton->setText(text);
}

void Dialog_COMport::setTransferButtonText(const QString& text)
{
    ui->Load_pushButton->setText(text);
}

void Dialog_COMport::setPortButtonEnabled(bool enabled)
{
    ui->pushButton->setEnabled(enabled);
}

void Dialog_COMport::setTransferButtonEnabled(bool enabled)
{
    ui->Load_pushButton->setEnabled(enabled);
}

void Dialog_COMport::setExitButtonEnabled(bool enabled)
{
    ui->pushButton_2->setEnabled(enabled);
}
