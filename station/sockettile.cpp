#include "sockettile.h"

#include "keyimage.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
// 881 bytes at the keyboard's 9600 baud take about a second: the share of the
// bar the image itself gets beside the waits.
constexpr int SendingMs = 1000;
// Reading the image back takes about as long again after its wait.
constexpr int ReadingMs = 1000;

QString stageText(StationEngine::Stage stage)
{
    switch (stage) {
    case StationEngine::Stage::Sending: return QStringLiteral("Передача");
    case StationEngine::Stage::AwaitingAnswer: return QStringLiteral("Ожидание ответа");
    case StationEngine::Stage::Restarting: return QStringLiteral("Перезапуск");
    case StationEngine::Stage::Verifying: return QStringLiteral("Сверка");
    case StationEngine::Stage::Done: return {};
    case StationEngine::Stage::Free: return QStringLiteral("Гнездо свободно");
    case StationEngine::Stage::Waiting: return QStringLiteral("не программируется: станция остановлена");
    }
    return {};
}

void setBoldFont(QWidget* widget, int points)
{
    QFont f = widget->font();
    f.setPointSize(points);
    f.setBold(true);
    widget->setFont(f);
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 1) + QStringLiteral(" с");
}
}  // namespace

SocketTile::SocketTile(int number, const QString& socket, const LoaderTimings& timings, bool verify,
                       QWidget* parent)
    : QFrame(parent), m_number(number), m_timings(timings), m_verify(verify),
      m_device(new QLabel), m_stageText(new QLabel), m_bar(new QProgressBar), m_verdict(new QLabel)
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFixedSize(260, 170);
    auto* title = new QLabel(QString::number(number));
    setBoldFont(title, 16);
    // The socket's path is long, and its end is what tells sockets apart.
    auto* socketName = new QLabel;
    socketName->setText(socketName->fontMetrics().elidedText(socket, Qt::ElideLeft, 200));
    socketName->setToolTip(socket);
    socketName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    socketName->setMinimumWidth(1);
    auto* head = new QHBoxLayout;
    head->addWidget(title);
    head->addWidget(socketName, 1);
    m_device->setMinimumWidth(1);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->setMaximumHeight(12);
    m_verdict->setAlignment(Qt::AlignCenter);
    m_verdict->setWordWrap(true);
    setBoldFont(m_verdict, 14);

    auto* box = new QVBoxLayout(this);
    box->addLayout(head);
    box->addWidget(m_device);
    box->addWidget(m_stageText);
    box->addWidget(m_bar);
    box->addWidget(m_verdict, 1);
}

void SocketTile::startKeyboard(const QString& device, const LoaderTimings& timings, bool verify)
{
    m_timings = timings;
    m_verify = verify;
    m_bytes = 0;
    m_verdictText.clear();
    m_device->setText(device);
    m_verdict->clear();
    showPermille(0);
    m_bar->show();
    setPalette(QPalette());
    setStage(StationEngine::Stage::Sending);
}

void SocketTile::setStage(StationEngine::Stage stage)
{
    m_stage = stage;
    m_inStage.start();
    // The verdict is the Done stage's text; an emptied socket keeps it until the next keyboard.
    if (stage != StationEngine::Stage::Done)
        m_stageText->setText(stageText(stage));
    m_bar->setVisible(stage != StationEngine::Stage::Waiting && stage != StationEngine::Stage::Done &&
                      stage != StationEngine::Stage::Free);
    refreshProgress();
}

void SocketTile::showResult(const UploadResult& r)
{
    m_bar->hide();
    m_stageText->clear();
    // "Готово" alone: the check is the tile's green.
    const QString words = r.ok ? QStringLiteral("Готово") : outcomeWithReason(r);
    m_verdictText = words + QStringLiteral(", ") + secondsText(r.seconds);
    m_verdict->setText(words + '\n' + secondsText(r.seconds));
    // "Готово" is read from across the bench; the loader's words need the room.
    setBoldFont(m_verdict, r.ok ? 22 : 13);
    if (r.ok)
        paint(QColor(0x2e, 0x7d, 0x32), Qt::white);
    else
        paint(QColor(0xc6, 0x28, 0x28), Qt::white);
}

void SocketTile::paint(const QColor& background, const QColor& text)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    setPalette(p);
}

void SocketTile::refreshProgress()
{
    if (m_stage == StationEngine::Stage::Free || m_stage == StationEngine::Stage::Done ||
        m_stage == StationEngine::Stage::Waiting)
        return;
    showPermille(permille());
}

// QProgressBar repaints at once on each change, and a repaint flushes the window:
// with a tile per socket on every tick that would hold up the transfers' event loop.
void SocketTile::showPermille(int value)
{
    if (m_bar->value() == value)
        return;
    m_bar->setUpdatesEnabled(false);
    m_bar->setValue(value);
    m_bar->setUpdatesEnabled(true);  // an ordinary update, painted with the rest
}

// The whole transfer on one bar, each part as wide as the time it usually takes.
int SocketTile::permille() const
{
    const qint64 spent = m_inStage.isValid() ? m_inStage.elapsed() : 0;
    const auto part = [spent](int ms) { return ms > 0 ? std::min(0.99, double(spent) / ms) : 0.99; };
    const double verifyMs = m_verify ? m_timings.readMs + ReadingMs : 0;
    const double total = SendingMs + m_timings.answerMs + m_timings.rebootMs + verifyMs;
    double done = 0;
    switch (m_stage) {
    case StationEngine::Stage::Sending:
        done = SendingMs * double(m_bytes) / (ImageSize - 1);
        break;
    case StationEngine::Stage::AwaitingAnswer:
        done = SendingMs + m_timings.answerMs * part(m_timings.answerMs);
        break;
    case StationEngine::Stage::Restarting:
        done = SendingMs + m_timings.answerMs + m_timings.rebootMs * part(m_timings.rebootMs);
        break;
    case StationEngine::Stage::Verifying:
        done = SendingMs + m_timings.answerMs + m_timings.rebootMs + verifyMs * part(int(verifyMs));
        break;
    case StationEngine::Stage::Free:
    case StationEngine::Stage::Done:
    case StationEngine::Stage::Waiting:
        return 0;
    }
    return int(1000 * done / total);
}
