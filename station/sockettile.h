#pragma once
// One socket of the bench: its number, the socket, where its keyboard is in
// the transfer, and the verdict, large enough to read from across the bench.
#include "loadermachine.h"
#include "stationengine.h"

#include <QElapsedTimer>
#include <QFrame>

class QLabel;
class QProgressBar;

class SocketTile : public QFrame
{
    Q_OBJECT
public:
    SocketTile(int number, const QString& socket, const LoaderTimings& timings, bool verify,
               QWidget* parent = nullptr);

    int number() const { return m_number; }
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

private:
    void paint(const QColor& background, const QColor& text);
    int permille() const;
    void showPermille(int value);

    int m_number;
    LoaderTimings m_timings;
    bool m_verify;
    StationEngine::Stage m_stage = StationEngine::Stage::Free;
    int m_bytes = 0;
    QElapsedTimer m_inStage;
    QString m_verdictText;
    QLabel* m_device;
    QLabel* m_stageText;
    QProgressBar* m_bar;
    QLabel* m_verdict;
};
