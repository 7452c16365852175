#include "stationwindow.h"

#include "elidedlabel.h"
#include "filemessages.h"
#include "keyimage.h"
#include "keytestwindow.h"
#include "layoutsource.h"
#include "sockettile.h"
#include "tilefit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {
const QString WindowTitle = QStringLiteral("Программирование клавиатур");
constexpr int TickMs = 100;
constexpr int TileSpacing = 8;

template <typename Label = QLabel>
Label* boldLabel(const QString& text = {})
{
    auto* label = new Label;
    label->setText(text);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}
}  // namespace

StationWindow::StationWindow(const Options& options, QWidget* parent)
    : QMainWindow(parent), m_options(options), m_session(nullptr, options.environment),
      m_layoutText(boldLabel<ElidedLabel>()), m_chooseLayout(new QPushButton(QStringLiteral("Выбрать раскладку…"))),
      m_logText(new ElidedLabel),
      m_chooseLog(new QPushButton(QStringLiteral("Выбрать журнал…"))), m_logProblem(new QLabel),
      m_openKeyTest(new QPushButton(QStringLiteral("Проверка клавиш…"))),
      m_verify(new QCheckBox(QStringLiteral("Сверять после записи"))),
      m_beep(new QCheckBox(QStringLiteral("Звук при ошибке"))), m_start(new QPushButton(QStringLiteral("Пуск"))),
      m_stop(new QPushButton(QStringLiteral("Стоп"))),
      m_remember(new QPushButton(QStringLiteral("Запомнить гнёзда…"))), m_counters(boldLabel()),
      m_failures(boldLabel()),
      m_hint(new QLabel(QStringLiteral("Выберите раскладку и нажмите «Пуск»: каждая подключённая клавиатура "
                                       "получит своё поле с номером гнезда."))),
      m_stoppedBanner(new QLabel(QStringLiteral("Станция остановлена: новые клавиатуры не программируются. "
                                                "Нажмите «Пуск», чтобы продолжить."))),
      m_scroll(new QScrollArea), m_tileArea(new QWidget), m_grid(new QGridLayout(m_tileArea))
{
    setWindowTitle(WindowTitle);
    m_layoutText->setFullText(QStringLiteral("не выбрана"));
    m_verify->setChecked(options.verify);
    m_session.options().timings = options.timings;
    m_session.options().tileNumber = [this](const QString& socket) { return tileNumber(socket); };
    m_logText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_logProblem->setWordWrap(true);
    m_logProblem->setStyleSheet(QStringLiteral("color: #c62828; font-weight: bold"));
    m_logProblem->hide();
    m_hint->setWordWrap(true);
    m_failures->setWordWrap(true);
    m_failures->setStyleSheet(QStringLiteral("color: #c62828"));
    QFont failuresFont = m_failures->font();
    failuresFont.setPointSize(failuresFont.pointSize() + 2);
    m_failures->setFont(failuresFont);
    m_failures->hide();
    m_remember->setToolTip(QStringLiteral("Записать гнёзда по порядку их номеров в файл: станция, запущенная "
                                          "с ним (--sockets), нумерует поля так же"));
    m_stoppedBanner->setWordWrap(true);
    m_stoppedBanner->setStyleSheet(QStringLiteral("background: #ef6c00; color: white; font-weight: bold; padding: 6px"));
    m_stoppedBanner->hide();
    QFont counterFont = m_counters->font();
    counterFont.setPointSize(counterFont.pointSize() + 4);
    m_counters->setFont(counterFont);

    auto* layoutRow = new QHBoxLayout;
    layoutRow->addWidget(new QLabel(QStringLiteral("Раскладка:")));
    layoutRow->addWidget(m_layoutText, 1);
    layoutRow->addWidget(m_chooseLayout);
    layoutRow->addWidget(m_openKeyTest);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(new QLabel(QStringLiteral("Журнал:")));
    logRow->addWidget(m_logText, 1);
    logRow->addWidget(m_chooseLog);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_verify);
    runRow->addWidget(m_beep);
    runRow->addStretch(1);
    runRow->addWidget(m_remember);
    runRow->addWidget(m_start);
    runRow->addWidget(m_stop);

    m_grid->setSpacing(TileSpacing);
    m_grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_tileArea);
    // The tiles are sized to the room they have, whatever else the window shows.
    m_scroll->viewport()->installEventFilter(this);

    auto* central = new QWidget;
    auto* box = new QVBoxLayout(central);
    box->addLayout(layoutRow);
    box->addLayout(logRow);
    box->addWidget(m_logProblem);
    box->addLayout(runRow);
    box->addWidget(m_counters);
    box->addWidget(m_hint);
    box->addWidget(m_stoppedBanner);
    box->addWidget(m_failures);
    box->addWidget(m_scroll, 1);
    setCentralWidget(central);
    // No wider than the screen, so that no button is out of it.
    resize(QSize(1120, 720).boundedTo(screen()->availableSize()));

    connect(m_chooseLayout, &QPushButton::clicked, this, &StationWindow::chooseLayout);
    connect(m_chooseLog, &QPushButton::clicked, this, &StationWindow::chooseLog);
    connect(m_openKeyTest, &QPushButton::clicked, this, &StationWindow::openKeyTest);
    // From the keyboard too, at a bench where the mouse is out of reach.
    m_start->setShortcut(Qt::Key_F5);
    m_start->setToolTip(QStringLiteral("Пуск (F5)"));
    m_stop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    m_stop->setToolTip(QStringLiteral("Стоп (Shift+F5)"));
    connect(m_start, &QPushButton::clicked, this, &StationWindow::start);
    connect(m_stop, &QPushButton::clicked, this, &StationWindow::stop);
    connect(m_remember, &QPushButton::clicked, this, &StationWindow::chooseSocketsFile);
    m_ticker.setInterval(TickMs);
    connect(&m_ticker, &QTimer::timeout, this, &StationWindow::refreshTiles);
    connect(&m_session, &StationSession::keyboardFound, this, &StationWindow::showKeyboard);
    connect(&m_session, &StationSession::keyboardWaiting, this, &StationWindow::showWaiting);
    connect(&m_session, &StationSession::stageChanged, this, &StationWindow::showStage);
    connect(&m_session, &StationSession::progress, this, &StationWindow::noteProgress);
    connect(&m_session, &StationSession::keyboardDone, this, &StationWindow::recordResult);
    connect(&m_session, &StationSession::logChanged, this, &StationWindow::showLogState);
    connect(&m_session, &StationSession::idle, this, &StationWindow::endRun);
    if (!options.logPath.isEmpty()) {
        m_logChosen = true;
        setLogPath(options.logPath);
    }
    showLogState();
    showCounters();
    setControlsForRun();
}

StationWindow::~StationWindow()
{
    // Rows of keyboards cut short by the window going away are still written.
    m_session.interrupt();
    delete m_keyTest;
}

bool StationWindow::openLayout(const QString& path)
{
    // The keyboards in flight were given the image already chosen.
    if (running())
        return false;
    LayoutFile file = loadLayoutFile(path);
    QString error;
    const QByteArray image = file.valid() ? layoutImage(file, path, &error) : QByteArray();
    if (image.isEmpty()) {
        const QString why = file.problems.isEmpty() ? error : file.problems.join('\n');
        QMessageBox::warning(this, TitleFileError, path + QStringLiteral(": ") + why);
        return false;
    }
    m_layoutPath = path;
    m_image = image;
    m_session.options().layoutName = QFileInfo(path).fileName();
    m_layout = std::move(file.model);
    const QString name = QFileInfo(path).fileName();
    m_layoutText->setFullText(name + QString::asprintf(", контрольная сумма 0x%02X", uint8_t(image.at(ImageChecksumOffset))));
    m_layoutText->setToolTip(path);
    setWindowTitle(WindowTitle + QStringLiteral(" — ") + name);
    if (!m_logChosen)
        setLogPath(defaultLogPath());
    setControlsForRun();
    return true;
}

KeyTestWindow* StationWindow::openKeyTest()
{
    if (!m_layout)
        return nullptr;
    // One test at a time, of the layout chosen when it opened.
    if (m_keyTest)
        m_keyTest->close();
    m_keyTest = new KeyTestWindow(*m_layout, m_image, QFileInfo(m_layoutPath).fileName(), m_options.burstMs);
    m_keyTest->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_keyTest, &KeyTestWindow::resultShown, this, &StationWindow::keyTestResult);
    m_keyTest->show();
    m_keyTest->activateWindow();
    return m_keyTest;
}

QString StationWindow::defaultLogPath() const
{
    const QFileInfo layout(m_layoutPath);
    // A layout kept as a sheet is a .csv itself: its log must not be written into it.
    const QString tail = layout.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
                             ? QStringLiteral(".журнал.csv")
                             : QStringLiteral(".csv");
    return layout.dir().filePath(layout.completeBaseName() + tail);
}

void StationWindow::chooseLayout()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Раскладка для программирования"), QFileInfo(m_layoutPath).path(),
        QStringLiteral("Раскладки (*.kmp *.btv *.json);;Все файлы (*)"));
    if (!path.isEmpty())
        openLayout(path);
}

void StationWindow::chooseLog()
{
    // Rows are appended, so an existing file is no cause for a warning.
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Журнал программирования"),
                                                      m_session.logPath(), QStringLiteral("Таблицы CSV (*.csv)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    m_logChosen = true;
    setLogPath(path);
}

QString StationWindow::defaultSocketsPath() const
{
    const QString name = QStringLiteral("гнёзда.txt");
    return m_layoutPath.isEmpty() ? QDir::home().filePath(name) : QFileInfo(m_layoutPath).dir().filePath(name);
}

bool StationWindow::loadSockets(const QString& path, QString* error)
{
    if (!m_numbers.load(path, error))
        return false;
    m_socketsPath = path;
    renumberTiles();
    setControlsForRun();
    return true;
}

void StationWindow::chooseSocketsFile()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Запомнить гнёзда"), m_socketsPath.isEmpty() ? defaultSocketsPath() : m_socketsPath,
        QStringLiteral("Списки гнёзд (*.txt);;Все файлы (*)"));
    if (!path.isEmpty())
        rememberSockets(path);
}

bool StationWindow::rememberSockets(const QString& path)
{
    QString error;
    if (!m_numbers.save(path, &error)) {
        QMessageBox::warning(this, TitleFileError, path + QStringLiteral(": ") + error);
        return false;
    }
    // The file just written numbers the sockets as they are now: one plugged
    // later comes after them, and moves none.
    const QStringList sockets = m_numbers.remembered();
    m_numbers.setListed(sockets);
    m_socketsPath = path;
    statusBar()->showMessage(QStringLiteral("Гнёзда запомнены (%1): %2").arg(sockets.size()).arg(path));
    return true;
}

void StationWindow::setLogPath(const QString& path)
{
    m_logText->setFullText(path);
    m_session.setLogPath(path);
}

void StationWindow::showLogState()
{
    const qsizetype rows = m_session.unwrittenRows();
    const bool failing = !m_session.logError().isEmpty() || (rows > 0 && m_session.logPath().isEmpty());
    if (failing)
        m_logProblem->setText(QStringLiteral("Журнал не записывается: %1: %2. Строк ждут записи: %3; они будут "
                                             "записаны, как только файл можно будет записать, или в другой журнал.")
                                  .arg(m_session.logPath(), m_session.logError())
                                  .arg(rows));
    m_logProblem->setVisible(failing);
}

void StationWindow::start()
{
    if (running() || m_image.isEmpty())
        return;
    m_options.verify = m_verify->isChecked();
    m_session.options().verify = m_options.verify;
    m_sinceStart.start();
    m_ticker.start();
    m_session.start(m_image);
    showLogState();
    showCounters();
    setControlsForRun();
}

void StationWindow::stop()
{
    if (!running() || m_session.stopping())
        return;
    m_session.stop();
    setControlsForRun();
}

void StationWindow::endRun()
{
    m_lastRunMs = m_sinceStart.elapsed();
    m_ticker.stop();
    showCounters();
    setControlsForRun();
    emit stopped();
}

void StationWindow::setControlsForRun()
{
    const bool busy = running();
    m_chooseLayout->setEnabled(!busy);
    m_verify->setEnabled(!busy);
    m_start->setEnabled(!busy && !m_image.isEmpty());
    m_openKeyTest->setEnabled(!m_image.isEmpty());
    m_stop->setEnabled(busy && !m_session.stopping());
    m_remember->setEnabled(!m_numbers.remembered().isEmpty());
    m_hint->setVisible(m_order.isEmpty());
    // Stopped after a run: keyboards plugged in now wait for "Пуск".
    m_stoppedBanner->setVisible(!busy && m_sinceStart.isValid());
    if (busy && m_session.stopping())
        statusBar()->showMessage(QStringLiteral("Остановка: загрузки, что идут, будут закончены."));
    else
        statusBar()->clearMessage();
}

SocketTile* StationWindow::tileFor(const QString& socket) const
{
    const auto it = m_tiles.find(socket);
    return it == m_tiles.end() ? nullptr : it->second;
}

void StationWindow::showKeyboard(const QString& socket, const QString& device)
{
    SocketTile* tile = tileFor(socket);
    if (!tile) {
        m_numbers.see(socket);
        tile = new SocketTile(m_numbers.number(socket), socket, m_options.timings, m_options.verify, m_tileArea);
        m_tiles[socket] = tile;
        m_order.append(tile);
        renumberTiles();
        m_hint->hide();
        m_remember->setEnabled(true);
    }
    tile->startKeyboard(device, m_options.timings, m_options.verify);
    showFailures();
}

// A socket that sorts before those seen so far moves them up by one, the
// tiles' order following their numbers.
void StationWindow::renumberTiles()
{
    for (SocketTile* tile : std::as_const(m_order))
        tile->setNumber(m_numbers.number(tile->socket()));
    std::stable_sort(m_order.begin(), m_order.end(),
                     [](const SocketTile* a, const SocketTile* b) { return a->number() < b->number(); });
    placeTilesSoon();
    showFailures();
}

// Keyboards found together add their tiles one after another within a single
// turn of the event loop: they are sized and placed once, after it.
void StationWindow::placeTilesSoon()
{
    if (std::exchange(m_placing, true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        m_placing = false;
        placeTiles();
    }, Qt::QueuedConnection);
}

void StationWindow::showFailures()
{
    QStringList numbers;
    for (const SocketTile* tile : std::as_const(m_order))
        if (tile->failed())
            numbers << QString::number(tile->number());
    m_failures->setText(QStringLiteral("Ошибки: ") + numbers.join(QStringLiteral(", ")));
    m_failures->setVisible(!numbers.isEmpty());
}

void StationWindow::showWaiting(const QString& socket, const QString& device)
{
    showKeyboard(socket, device);
    tileFor(socket)->setStage(StationEngine::Stage::Waiting);
}

void StationWindow::showStage(const QString& socket, StationEngine::Stage stage)
{
    if (SocketTile* tile = tileFor(socket))
        tile->setStage(stage);
}

void StationWindow::noteProgress(const QString& socket, int byte)
{
    if (SocketTile* tile = tileFor(socket))
        tile->noteBytes(byte);
}

void StationWindow::recordResult(const UploadResult& r)
{
    showCounters();
    if (!r.ok && m_beep->isChecked())
        QApplication::beep();
    if (SocketTile* tile = tileFor(r.port)) {
        tile->showResult(r);
        showFailures();
        emit verdictShown(tile->number(), r.port, r.ok, tile->verdictText());
    }
}

void StationWindow::refreshTiles()
{
    for (SocketTile* tile : std::as_const(m_order))
        tile->refreshProgress();
    showCounters();
}

void StationWindow::showCounters()
{
    const qint64 ms = running() ? m_sinceStart.elapsed() : m_lastRunMs;
    m_counters->setText(QStringLiteral("Запрограммированы: %1    Не удалось: %2    Всего: %3    С «Пуск»: %4")
                            .arg(programmed())
                            .arg(failed())
                            .arg(programmed() + failed())
                            .arg(QTime(0, 0).addMSecs(ms).toString(QStringLiteral("HH:mm:ss"))));
}

// Only the tiles not yet where they belong move.
void StationWindow::placeTiles()
{
    if (m_order.isEmpty())
        return;
    const QSize room = m_scroll->viewport()->size().shrunkBy(m_grid->contentsMargins());
    const TileFit fit = fitTiles(int(m_order.size()), room, TileSpacing);
    for (qsizetype i = 0; i < m_order.size(); ++i) {
        SocketTile* tile = m_order[i];
        if (tile->size() != fit.tile)
            tile->setFixedSize(fit.tile);
        const int row = int(i) / fit.columns, column = int(i) % fit.columns;
        int atRow = -1, atColumn = -1, rowSpan, columnSpan;
        const int at = m_grid->indexOf(tile);
        if (at >= 0)
            m_grid->getItemPosition(at, &atRow, &atColumn, &rowSpan, &columnSpan);
        if (atRow != row || atColumn != column)
            m_grid->addWidget(tile, row, column);
    }
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize)
        placeTiles();
    return QMainWindow::eventFilter(watched, event);
}

void StationWindow::closeEvent(QCloseEvent* event)
{
    if (m_session.inFlight() > 0) {
        const auto answer = QMessageBox::question(
            this, WindowTitle,
            QStringLiteral("Клавиатуры ещё программируются (%1). Прервать их и закрыть окно?")
                .arg(m_session.inFlight()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_session.interrupt();
    }
    m_session.writeLog();
    if (m_session.unwrittenRows() > 0) {
        const auto answer = QMessageBox::question(
            this, WindowTitle,
            QStringLiteral("Строк журнала не записано: %1 (%2: %3). Закрыть окно? Они будут сохранены "
                           "в отдельный файл рядом с журналом.")
                .arg(m_session.unwrittenRows())
                .arg(m_session.logPath(), m_session.logError()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        putRowsAside();
    }
    event->accept();
}

void StationWindow::shutDown()
{
    m_session.interrupt();
    m_session.writeLog();
    putRowsAside();
    if (m_keyTest)
        m_keyTest->close();
    hide();
}

void StationWindow::putRowsAside()
{
    const int count = int(m_session.unwrittenRows());
    if (count == 0)
        return;
    QByteArray rows;
    const QString path = m_session.saveUnwritten(&rows);
    emit rowsPutAside(count, path, rows);
}
