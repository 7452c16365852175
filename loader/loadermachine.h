#pragma once
#include <QObject>
#include <QTimer>

#include <cstdint>

class ByteLink;
class LoaderView;

// Logged when the port refuses a write: the keyboard cannot have the image (or
// the request), so the transfer ends at once instead of waiting for an answer.
inline constexpr char16_t WriteFailedText[] = u"Ошибка записи в порт";

// How long the protocol waits. The defaults are the keyboard's timing; only
// tests and slow or fast hardware have reason to pass others.
struct LoaderTimings {
    int initialMs = 1000;  // started at construction; expires harmlessly
    int answerMs = 5000;   // after the last image byte, before the answer is read
    int rebootMs = 5000;   // while the keyboard restarts after a good upload
    int readMs = 3500;     // after the read request, before the image is read
};

// The keyboard transfer protocol as one state machine: procevent() takes a
// button press, a mode change or the end of a wait, and moves between the
// states below. It owns no port and no controls: it talks through a ByteLink
// and reports through a LoaderView, so the dialog and the command-line tool
// drive the same machine.
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

    // `link` and `view` are borrowed and must outlive the machine. The initial
    // wait starts here.
    LoaderMachine(ByteLink* link, LoaderView* view, LoaderTimings timings = {}, QObject* parent = nullptr);

    // The 881-byte image: read by an upload, overwritten by a good read-back.
    // Borrowed; without one the transfer button does nothing.
    void setImage(uint8_t* image) { m_image = image; }
    uint8_t* image() const { return m_image; }

    int state() const { return m_state; }
    const LoaderTimings& timings() const { return m_timings; }
    // Whether a wait is pending (its expiry will deliver EvTimeout).
    bool waiting() const { return m_wait.isActive(); }
    // The log line that ended the last transfer in failure, in the loader's
    // words ("Ответ не получен.", "Ошибка суммы", ...); empty after a success.
    QString failure() const { return m_failure; }

    void procevent(int event);

signals:
    // "KEYMAPREADOK" once a read-back image has been taken over.
    void sendmsg(const QString& msg);
    // A transfer ended: an upload after the reboot wait or a failed answer, a
    // read-back after its data was examined. `ok` only when it succeeded.
    void transferFinished(bool ok);
    // The machine moved to another state: for views that follow the stages.
    void stateChanged(int state);

private:
    void setState(int state);
    void startWait(int ms);
    void onWaitExpired();

    void openPort(State openState, bool resetOnFailure);
    void closePort();
    void resetControls();

    void sendImage();
    void examineUploadAnswer();
    void failUpload(const QString& reason, const QString& buttonText, const QString& hint = {});
    void requestImage();
    void examineReadAnswer();
    void endReadBack(bool ok);
    void logHexLines(const QByteArray& bytes, int count);

    ByteLink* m_link;
    LoaderView* m_view;
    LoaderTimings m_timings;
    uint8_t* m_image = nullptr;
    int m_state = UploadIdle;
    QString m_failure;
    // One timer for every wait: starting a wait supersedes the one before, so
    // only the most recent wait can deliver EvTimeout. Owned by the machine, a
    // pending wait dies with it.
    QTimer m_wait;
};
