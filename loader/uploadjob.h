#pragma once
// One keyboard programmed on a shared event loop: its port opened, the image
// sent by the loader's own state machine and, when asked, read back and
// compared. Many run side by side without threads: the link never holds up
// the event loop, so a silent, wrong or vanishing keyboard delays no other.
#include "loadermachine.h"
#include "loaderview.h"
#include "serialportlink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

enum class Verification { NotAsked, Matched, Differed, Failed };

struct UploadResult {
    QString port;
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
    // `image` is the 881 bytes to send.
    UploadJob(const QString& port, const QByteArray& image, LoaderTimings timings, bool verify,
              QObject* parent = nullptr);

    // Begins; finished() follows from the event loop, never from inside start().
    void start();
    const UploadResult& result() const { return m_result; }

signals:
    void finished(const UploadResult& result);

private:
    void onTransferFinished(bool ok);
    void readBack();
    void finish(bool ok, const QString& outcome, Verification verification);
    QString systemReason() const;
    Verification unverified() const;

    // LoaderView: nothing is shown; the result says what matters.
    QString currentPortName() const override { return m_result.port; }
    void clearLog() override {}
    void appendLog(const QString&) override {}
    void resetProgress() override {}
    void setProgress(int) override {}

    QByteArray m_sent;
    QByteArray m_readBack;
    bool m_verify;
    bool m_reading = false;
    bool m_done = false;
    UploadResult m_result;
    QElapsedTimer m_clock;
    SerialPortLink m_link;  // before the machine: it must outlive it
    LoaderMachine m_machine;
};
