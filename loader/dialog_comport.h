#pragma once
#include "loadermachine.h"
#include "loaderview.h"
#include "portsource.h"

#include <QDialog>
#include <memory>

class ByteLink;
class Ui_Dialog_COMport;

// The loader window: sends the model's keyboard image to the keyboard, or reads
// the keyboard's image back into it. The protocol itself is LoaderMachine; this
// class owns the controls, the port and the list of keyboard ports.
//
// The main window creates one per command, sets the image, optionally calls
// setmode(1), shows it, and connects sendmsg() and reject(). reject() is a
// signal here: the exit button and Escape emit it instead of hiding the
// dialog, and the main window deletes the dialog in answer (deleteLater).
class Dialog_COMport : public QDialog, private LoaderView
{
    Q_OBJECT
public:
    // `source` and `link` are borrowed when given; by default the dialog lists
    // the system's ports (SystemPortSource) and opens a real serial port.
    explicit Dialog_COMport(QWidget* parent = nullptr, PortSource* source = nullptr, LoaderTimings timings = {},
                            ByteLink* link = nullptr);
    ~Dialog_COMport() override;

    // The model's 881-byte image (KeyMapImgClass::image()), used in place.
    void setImage(unsigned char* image);
    // 1 switches to reading back from the keyboard; 0 and anything else do nothing.
    void setmode(int mode);
    void procevent(int event);
    int state() const { return m_machine->state(); }

signals:
    // "KEYMAPREADOK" after a read-back replaced the image, "EXIT" from the exit button.
    void sendmsg(QString msg);
    // Takes the place of QDialog::reject(): whatever would reject the dialog emits this.
    void reject() override;
    // After every transfer, a port that would not open included: whether the system
    // refused this user the port's device. The log keeps its own words for it.
    void portAccessRefused(bool refused);

public slots:
    void timeoutexp();
    // The serial library here has no arrival or removal notifications; these
    // stay for callers that learn of changes some other way. Both are ignored.
    void onDeviceDiscovered(const PortInfo& info);
    void onDeviceRemoved(const PortInfo& info);

private slots:
    void on_pushButton_clicked();
    void on_Load_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_portBox_activated(int index);

private:
    void fillPortList(const PortSource& source);

    // LoaderView
    QString currentPortName() const override;
    void clearLog() override;
    void appendLog(const QString& line) override;
    void resetProgress() override;
    void setProgress(int value) override;
    void setPortButtonText(const QString& text) override;
    void setTransferButtonText(const QString& text) override;
    void setPortButtonEnabled(bool enabled) override;
    void setTransferButtonEnabled(bool enabled) override;
    void setExitButtonEnabled(bool enabled) override;

    Ui_Dialog_COMport* ui;
    std::unique_ptr<ByteLink> m_ownLink;
    ByteLink* m_link;
    LoaderMachine* m_machine = nullptr;
};
