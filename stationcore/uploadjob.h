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
#include "stationoutcome.h"

#include <QByteArray>
#include <QObject>

#include <memory>

class ByteLink;
class WaitClock;

class UploadJob : public QObject, private LoaderView
{
    Q_OBJECT
public:
    // `image` is the 881 bytes to send to `port` through `link`, which the job
    // owns; `clock` is borrowed.
    UploadJob(const QString& port, const QByteArray& image, LoaderTimings timings, bool verify,
              std::unique_ptr<ByteLink> link, WaitClock& clock, QObject* parent = nullptr);
    ~UploadJob() override;

    // Begins; finished() follows from the event loop, never from inside start().
    void start();
    // After restartEnded(): ends as programmed or, when asked to verify, reads
    // the image back. `afterLeaving`: the keyboard went away during the
    // restart and came back, so a differing image may be another keyboard's.
    void proceed(bool afterLeaving = false);
    // Ends at once with `kind`, whatever the transfer was doing.
    void abandon(StationOutcome kind);

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
    void onTransferFinished(const TransferResult& r);
    void readBack();
    void setStage(TransferStage stage);
    void finish(StationOutcome kind, const TransferResult& transfer = {}, int slot = -1);
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
    bool m_done = false;
    TransferStage m_stage = TransferStage::Sending;
    UploadResult m_result;
    WaitClock& m_clock;
    qint64 m_startedMs = 0;
    std::unique_ptr<WaitTimer> m_next;  // the read-back, once the machine has finished its step
    std::unique_ptr<ByteLink> m_link;   // before the machine: it must outlive it
    LoaderMachine m_machine;
};
