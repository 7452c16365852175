#pragma once
// One socket of the bench: its number, the socket, where its keyboard is in
// the transfer, and the verdict, large enough to read from across the bench.
// The tile takes the size the window gives it: a small one drops the lines
// that only add detail (the device, then the stage) before the verdict, and a
// verdict too long for it wraps in smaller letters, whole in its tooltip.
#include "loadermachine.h"
#include "stationengine.h"

#include <QElapsedTimer>
#include <QFrame>

class ElidedLabel;
class QLabel;
class QProgressBar;

class SocketTile : public QFrame
{
    Q_OBJECT
public:
    SocketTile(int number, const QString& socket, const LoaderTimings& timings, bool verify,
               QWidget* parent = nullptr);

    int number() const { return m_number; }
    void setNumber(int number);
    QString socket() const { return m_socket; }
    // A new keyboard in the socket: the tile starts afresh.
    void startKeyboard(const QString& device, const LoaderTimings& timings, bool verify);
    void setStage(StationEngine::Stage stage);
    // Only noted: bytes come hundreds at a time, and the bar is redrawn on refreshProgress().
    void noteBytes(int byte) { m_bytes = byte; }
    void showResult(const UploadResult& r);
    // Moves the bar on through the waits; cheap when the tile is not in a transfer.
    void refreshProgress();
    // What the verdict says, on one line.
    QString verdictText() const { return m_verdictText; }
    // The keyboard now in the socket, or the last one in it, failed.
    bool failed() const { return m_failed; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void paint(const QColor& background, const QColor& text);
    int permille() const;
    void showPermille(int value);
    bool inTransfer() const;
    // Shows what the tile's size has room for, the verdict as large as it fits.
    void fit();
    bool fitVerdict();

    int m_number;
    QString m_socket;
    LoaderTimings m_timings;
    bool m_verify;
    StationEngine::Stage m_stage = StationEngine::Stage::Free;
    int m_bytes = 0;
    bool m_ok = false;
    bool m_failed = false;
    QElapsedTimer m_inStage;
    QString m_verdictText;
    QLabel* m_title;
    ElidedLabel* m_socketName;
    ElidedLabel* m_device;
    ElidedLabel* m_stageText;
    QProgressBar* m_bar;
    QLabel* m_verdict;
};
