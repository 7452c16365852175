#pragma once
#include "keyboardprotocol.h"
#include "transferresult.h"

#include <QObject>

#include <cstdint>
#include <memory>

class ByteLink;
class LoaderView;
class WaitClock;
class WaitTimer;

// The keyboard transfer protocol as one state machine. The loader dialog drives
// it by its buttons through procevent(); everything else calls upload() or
// readBack() and is told the typed result by finished(). It owns no port and no
// controls: it talks through a ByteLink and reports through a LoaderView.
class LoaderMachine : public QObject
{
    Q_OBJECT
public:
    enum State {
        UploadIdle = 0,
        UploadPortOpen = 1,
        UploadAwaitAnswer = 2,
        UploadAwaitReboot = 3,
        ReadIdle = 10,
        ReadAwaitData = 11,
        ReadPortOpen = 13,
    };
    enum Event {
        EvPortButton = 0,
        EvLoadButton = 1,
        EvPortArrived = 3,
        EvPortRemoved = 4,
        EvTimeout = 5,
        EvReadMode = 8,
        EvUploadMode = 9,
    };

    // `link`, `view` and `clock` are borrowed and must outlive the machine; the
    // clock defaults to the event loop's. The initial wait starts here.
    LoaderMachine(ByteLink* link, LoaderView* view, LoaderTimings timings = {}, QObject* parent = nullptr,
                  WaitClock* clock = nullptr);
    ~LoaderMachine() override;

    // The 881-byte image: read by an upload, overwritten by a good read-back.
    // Borrowed; without one the transfer button does nothing.
    void setImage(uint8_t* image) { m_image = image; }
    uint8_t* image() const { return m_image; }

    // Opens `port` and sends the image, or requests the keyboard's; false (and
    // nothing done) while a transfer is under way or without an image. Every
    // transfer begun ends with finished(), a port that would not open included.
    bool upload(const QString& port);
    bool readBack(const QString& port);
    // How the last transfer ended.
    const TransferResult& result() const { return m_result; }

    int state() const { return m_state; }
    const LoaderTimings& timings() const { return m_timings; }
    // Whether a wait is pending (its expiry will deliver EvTimeout).
    bool waiting() const;
    // The log line that ended the last transfer in failure, in the loader's
    // words ("Ответ не получен.", "Ошибка суммы", ...); empty after a success.
    QString failure() const { return loaderText(m_result.outcome); }

    void procevent(int event);

signals:
    // "KEYMAPREADOK" once a read-back image has been taken over.
    void sendmsg(const QString& msg);
    // A transfer ended: an upload after the reboot wait or a failed answer, a
    // read-back after its data was examined. `ok` only when it succeeded.
    void transferFinished(bool ok);
    // Every transfer's end, a port that would not open included.
    void finished(const TransferResult& result);
    // The machine moved to another state: for views that follow the stages.
    void stateChanged(int state);
    void stageChanged(TransferStage stage);

private:
    void setState(int state);
    void startWait(int ms);

    bool openPort(State openState, bool resetOnFailure, const QString& name);
    void closePort();
    void resetControls();

    void sendImage();
    void examineUploadAnswer();
    void failUpload(const TransferResult& result, const QString& buttonText, const QString& hint = {});
    void requestImage();
    void examineReadAnswer();
    void endReadBack(const TransferResult& result);
    void logHexLines(const QByteArray& bytes, int count);
    void end(const TransferResult& result);

    ByteLink* m_link;
    LoaderView* m_view;
    LoaderTimings m_timings;
    uint8_t* m_image = nullptr;
    int m_state = UploadIdle;
    TransferResult m_result;
    // One timer for every wait: starting a wait supersedes the one before, so
    // only the most recent wait can deliver EvTimeout. Owned by the machine, a
    // pending wait dies with it.
    std::unique_ptr<WaitTimer> m_wait;
};
