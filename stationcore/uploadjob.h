#pragma once
// One keyboard programmed on a shared event loop: its port opened, the image
// sent by the loader's own state machine and, when asked, read back and
// compared. Many run side by side without threads: the link never holds up
// the event loop, so a silent, wrong or vanishing keyboard delays no other.
//
// The job stops after the restart wait (restartEnded()) and goes on only when
// told to (proceed()): a keyboard may re-enumerate while it restarts, and only
// its owner, who watches the sockets, knows when it is back.
#include "loadermachine.h"
#include "loaderview.h"
#include "serialportlink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

enum class Verification { NotAsked, Matched, Differed, Failed };

// Where a keyboard's transfer is: what a station shows for it.
enum class TransferStage { Sending, AwaitingAnswer, Restarting, Verifying };

struct UploadResult {
    QString port;       // the socket the keyboard sat in
    QString device;     // the device behind it, where naming it helps
    bool ok = false;    // uploaded and, when asked, the same image read back
    QString outcome;    // the loader's words: "Готово!", "Ответ не получен.", ...
    QString reason;     // what the system said about a port it could not open or write
    double seconds = 0;
    uint8_t checksum = 0;  // byte 880 of the image sent
    Verification verification = Verification::NotAsked;
};

class UploadJob : public QObject, private LoaderView
{
    Q_OBJECT
public:
    // `image` is the 881 bytes to send to `port`.
    UploadJob(const QString& port, const QByteArray& image, LoaderTimings timings, bool verify,
              QObject* parent = nullptr);

    // Begins; finished() follows from the event loop, never from inside start().
    void start();
    // After restartEnded(): ends as programmed or, when asked to verify, reads
    // the image back. `afterLeaving`: the keyboard went away during the
    // restart and came back, so a differing image may be another keyboard's.
    void proceed(bool afterLeaving = false);
    // Ends at once with `outcome`, whatever the transfer was doing.
    void abandon(const QString& outcome);

    TransferStage stage() const { return m_stage; }
    bool done() const { return m_done; }
    // Whether the port was opened at some point: a failure before that is the port's own.
    bool portWasOpen() const { return m_opened; }
    const UploadResult& result() const { return m_result; }
    void setDevice(const QString& device) { m_result.device = device; }

signals:
    void stageChanged(TransferStage stage);
    // 0..880: the image byte just handed to the port.
    void progress(int byte);
    void restartEnded();
    void finished(const UploadResult& result);

private:
    void onTransferFinished(bool ok);
    void onMachineState(int state);
    void readBack();
    void setStage(TransferStage stage);
    void finish(bool ok, const QString& outcome, Verification verification);
    QString systemReason() const;
    Verification unverified() const;

    // LoaderView: nothing is shown; the result says what matters.
    QString currentPortName() const override { return m_result.port; }
    void clearLog() override {}
    void appendLog(const QString&) override {}
    void resetProgress() override {}
    void setProgress(int value) override { emit progress(value); }

    QByteArray m_sent;
    QByteArray m_readBack;
    bool m_verify;
    bool m_reading = false;
    bool m_restarted = false;
    bool m_proceeding = false;
    bool m_opened = false;
    bool m_afterLeaving = false;
    bool m_done = false;
    TransferStage m_stage = TransferStage::Sending;
    UploadResult m_result;
    QElapsedTimer m_clock;
    SerialPortLink m_link;  // before the machine: it must outlive it
    LoaderMachine m_machine;
};
