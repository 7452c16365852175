#pragma once
// The programming station as a window: the layout to program, a tile per
// socket, the tallies and the CSV log. The keyboards are programmed by the
// station engine on this window's event loop; nothing here waits on a port.
#include "socketnumbers.h"
#include "stationsession.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>

class ElidedLabel;
class KeyMapImgClass;
class KeyTestWindow;
class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class SocketTile;

class StationWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct Options {
        LoaderTimings timings;
        bool verify = true;
        QString logPath;  // empty: beside the layout
        int burstMs = 50;  // the key test: the longest pause within one key's output
        StationEnvironment environment;  // the system's ports by default
    };

    explicit StationWindow(const Options& options, QWidget* parent = nullptr);
    ~StationWindow() override;

    // Takes the layout in `path` as the one to program; false after showing
    // why the editor would refuse it.
    bool openLayout(const QString& path);
    bool running() const { return m_session.running(); }
    int programmed() const { return m_session.tally().good; }
    int failed() const { return m_session.tally().bad; }

    // Numbers the tiles as the sockets listed in `path`, one path a line; false
    // with why when it cannot be read.
    bool loadSockets(const QString& path, QString* error);
    // Writes the sockets, in the order of their numbers, to `path`, whose list
    // numbers the tiles from then on; false after showing why it could not.
    bool rememberSockets(const QString& path);
    // The number on the socket's tile; 0 while it has none.
    int tileNumber(const QString& socket) const { return tileFor(socket) ? m_numbers.number(socket) : 0; }

public slots:
    void start();
    void stop();
    // "Проверка клавиш" with the chosen layout, in a window of its own; null without one.
    KeyTestWindow* openKeyTest();
    // Ends as the close button does, without asking: for a signal to end the
    // program. Keyboards in flight get the row "прервано", and rows the log
    // cannot take are written beside it (see rowsPutAside()).
    void shutDown();

signals:
    // A tile showed its verdict, as it reads on the tile.
    void verdictShown(int number, const QString& socket, bool ok, const QString& verdict);
    // The engine is idle after Стоп: every keyboard in flight has its row.
    void stopped();
    // A line the key test showed.
    void keyTestResult(const QString& line);
    // `count` rows the log could not take went to `path` instead; with `path` empty
    // they could not be written there either, and `rows` holds them.
    void rowsPutAside(int count, const QString& path, const QByteArray& rows);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void chooseLayout();
    void chooseLog();
    void chooseSocketsFile();
    void showKeyboard(const QString& socket, const QString& device);
    void showWaiting(const QString& socket, const QString& device);
    void showStage(const QString& socket, StationEngine::Stage stage);
    void noteProgress(const QString& socket, int byte);
    void recordResult(const UploadResult& r);
    void endRun();
    void refreshTiles();
    void showLogState();

private:
    SocketTile* tileFor(const QString& socket) const;
    void renumberTiles();
    void placeTiles();
    void placeTilesSoon();
    void showFailures();
    void setLogPath(const QString& path);
    void showCounters();
    void setControlsForRun();
    QString defaultLogPath() const;
    QString defaultSocketsPath() const;
    void putRowsAside();

    Options m_options;
    QString m_layoutPath;
    QByteArray m_image;
    std::unique_ptr<KeyMapImgClass> m_layout;  // its faces, for the key test
    QPointer<KeyTestWindow> m_keyTest;
    StationSession m_session;
    bool m_logChosen = false;
    QElapsedTimer m_sinceStart;
    qint64 m_lastRunMs = 0;
    QTimer m_ticker;      // the bars through their waits, and the clock
    std::map<QString, SocketTile*> m_tiles;
    QList<SocketTile*> m_order;  // by number
    SocketNumbers m_numbers;
    QString m_socketsPath;
    bool m_placing = false;

    ElidedLabel* m_layoutText;
    QPushButton* m_chooseLayout;
    ElidedLabel* m_logText;
    QPushButton* m_chooseLog;
    QLabel* m_logProblem;
    QPushButton* m_openKeyTest;
    QCheckBox* m_verify;
    QCheckBox* m_beep;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_remember;
    QLabel* m_counters;
    QLabel* m_failures;
    QLabel* m_hint;
    QLabel* m_stoppedBanner;
    QScrollArea* m_scroll;
    QWidget* m_tileArea;
    QGridLayout* m_grid;
};
