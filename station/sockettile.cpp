#include "sockettile.h"

#include "elidedlabel.h"
#include "keyimage.h"
#include "tilefit.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

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

// The verdict's letters get no smaller than this; a longer verdict is whole in its tooltip.
constexpr int SmallestVerdictPx = 8;
constexpr int VerdictFlags = Qt::AlignCenter | Qt::TextWordWrap;
// Tiles lower than this get narrower margins.
constexpr int LowTile = 120;

void setBoldPixels(QWidget* widget, int pixels)
{
    QFont f = widget->font();
    f.setPixelSize(pixels);
    f.setBold(true);
    if (f != widget->font())
        widget->setFont(f);
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 1) + QStringLiteral(" с");
}
}  // namespace

SocketTile::SocketTile(int number, const QString& socket, const LoaderTimings& timings, bool verify,
                       QWidget* parent)
    : QFrame(parent), m_number(number), m_socket(socket), m_timings(timings), m_verify(verify),
      m_title(new QLabel(QString::number(number))), m_socketName(new ElidedLabel(Qt::ElideLeft)),
      m_device(new ElidedLabel(Qt::ElideLeft)), m_stageText(new ElidedLabel(Qt::ElideRight)), m_bar(new QProgressBar),
      m_verdict(new QLabel)
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFixedSize(TileSize::Usual);
    // The socket's path is long, and its end is what tells sockets apart.
    m_socketName->setFullText(socket);
    m_socketName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* head = new QHBoxLayout;
    head->addWidget(m_title);
    head->addWidget(m_socketName, 1);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_verdict->setAlignment(Qt::AlignCenter);
    m_verdict->setWordWrap(true);
    // The verdict has the room the other lines leave, and its letters are sized to it.
    m_verdict->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_verdict->setMinimumWidth(1);

    auto* box = new QVBoxLayout(this);
    box->addLayout(head);
    box->addWidget(m_device);
    box->addWidget(m_stageText);
    box->addWidget(m_bar);
    box->addWidget(m_verdict, 1);
    fit();
}

void SocketTile::setNumber(int number)
{
    if (number == m_number)
        return;
    m_number = number;
    m_title->setText(QString::number(number));
}

void SocketTile::startKeyboard(const QString& device, const LoaderTimings& timings, bool verify)
{
    m_timings = timings;
    m_verify = verify;
    m_bytes = 0;
    m_ok = m_failed = false;
    m_verdictText.clear();
    m_device->setFullText(device);
    m_verdict->clear();
    m_verdict->setToolTip({});
    showPermille(0);
    setPalette(QPalette());
    setStage(StationEngine::Stage::Sending);
}

void SocketTile::setStage(StationEngine::Stage stage)
{
    m_stage = stage;
    m_inStage.start();
    // The verdict is the Done stage's text; an emptied socket keeps it until the next keyboard.
    if (stage != StationEngine::Stage::Done)
        m_stageText->setFullText(stageText(stage));
    refreshProgress();
    fit();
}

void SocketTile::showResult(const UploadResult& r)
{
    m_stageText->setFullText({});
    // "Готово" alone: the check is the tile's green.
    const QString words = r.ok ? QStringLiteral("Готово") : outcomeWithReason(r);
    m_ok = r.ok;
    m_failed = !r.ok;
    m_verdictText = words + QStringLiteral(", ") + secondsText(r.seconds);
    m_verdict->setText(words + '\n' + secondsText(r.seconds));
    m_verdict->setToolTip(m_verdictText);
    if (r.ok)
        paint(QColor(0x2e, 0x7d, 0x32), Qt::white);
    else
        paint(QColor(0xc6, 0x28, 0x28), Qt::white);
    fit();
}

bool SocketTile::inTransfer() const
{
    return m_verdictText.isEmpty() && m_stage != StationEngine::Stage::Free && m_stage != StationEngine::Stage::Done &&
           m_stage != StationEngine::Stage::Waiting;
}

void SocketTile::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    fit();
}

void SocketTile::fit()
{
    auto* box = static_cast<QBoxLayout*>(layout());
    const bool low = height() < LowTile;
    const int spacing = low ? 2 : 4;
    box->setSpacing(spacing);
    box->setContentsMargins(QMargins(1, 1, 1, 1) * (low ? 4 : 8));
    const QRect inner = contentsRect().marginsRemoved(box->contentsMargins());
    setBoldPixels(m_title, std::clamp(inner.height() / 5, 14, 28));
    m_bar->setFixedHeight(std::clamp(inner.height() / 14, 6, 12));
    m_bar->setVisible(inTransfer());

    // The lines besides the verdict, while the verdict keeps two lines at its smallest.
    QFont smallest = m_verdict->font();
    smallest.setPixelSize(SmallestVerdictPx);
    smallest.setBold(true);
    const int line = m_stageText->sizeHint().height() + spacing;
    int room = inner.height() - std::max(m_title->sizeHint().height(), m_socketName->sizeHint().height()) -
               2 * QFontMetrics(smallest).height() - (m_bar->isHidden() ? 0 : m_bar->height() + spacing);
    const bool stage = !m_stageText->fullText().isEmpty() && room >= line;
    if (stage)
        room -= line;
    const bool device = !m_device->fullText().isEmpty() && room >= line;
    // A verdict too long for its room takes that of the device, then of the stage.
    for (int dropped = 0;; ++dropped) {
        m_device->setVisible(device && dropped < 1);
        m_stageText->setVisible(stage && dropped < 2);
        box->invalidate();
        box->activate();
        if (fitVerdict() || dropped >= 2)
            break;
    }
}

// The verdict in the largest letters its room holds whole.
bool SocketTile::fitVerdict()
{
    const QString text = m_verdict->text();
    const QRect room = m_verdict->contentsRect();
    // "Готово" is read from across the bench; the loader's words need the room.
    const int largest = m_ok ? std::clamp(room.height() / 2 - 2, 12, 34) : std::clamp(room.height() / 3, 10, 18);
    QFont f = m_verdict->font();
    f.setBold(true);
    bool fits = false;
    for (int px = largest; px >= SmallestVerdictPx && !fits; --px) {
        f.setPixelSize(px);
        fits = text.isEmpty() || room.contains(QFontMetrics(f).boundingRect(room, VerdictFlags, text));
    }
    if (f != m_verdict->font())
        m_verdict->setFont(f);
    return fits;
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
