#include "keytestwindow.h"

#include "keynames.h"
#include "keymapimgclass.h"
#include "keytestgrid.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {
const QString PressHint = QStringLiteral("Нажимайте клавиши по одной: каждая нажатая клавиша раскладки "
                                         "отмечается зелёным.");
const QString InactiveHint = QStringLiteral("Окно проверки не активно: нажатия до него не доходят. "
                                            "Щёлкните по нему мышью.");

// The key as its cap reads: its place, then every label line; a line that ends in a
// hyphen goes on into the next, as "Штрих-" and "код" do.
QString keyCaption(const KeyMapImgClass& layout, int col, int row)
{
    QString caption = keyPlaceText(col, row);
    bool hyphen = false;
    for (int line = 0; line < LabelLines; ++line) {
        const QString text = layout.getBtnName(col, row, line).trimmed();
        if (text.isEmpty())
            continue;
        caption += (hyphen ? QString() : QStringLiteral(" ")) + text;
        hyphen = text.endsWith(QLatin1Char('-'));
    }
    return caption;
}

QString keysText(const QList<QPoint>& keys)
{
    QStringList places;
    for (const QPoint& k : keys)
        places << keyPlaceText(k.x(), k.y());
    return places.join(QStringLiteral(", "));
}

QPushButton* mouseButton(const QString& text)
{
    // Keys belong to the test: a button with the focus would take Space and Enter.
    auto* b = new QPushButton(text);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
}  // namespace

KeyTestWindow::KeyTestWindow(const KeyMapImgClass& layout, const QByteArray& image, const QString& name,
                             int burstMs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(scanCodeSourceFor(QGuiApplication::platformName())), m_session(image),
      m_burstMs(burstMs), m_grid(new KeyTestGrid(layout)), m_counters(new QLabel), m_result(new QLabel),
      m_untested(new QListWidget)
{
    setWindowTitle(QStringLiteral("Проверка клавиш — ") + name);
    for (int i = 0; i < KeyCount; ++i)
        m_captions << keyCaption(layout, i / KeyRows, i % KeyRows);
    QFont big = m_counters->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    m_counters->setFont(big);
    m_hintFont = m_result->font();
    m_verdictFont = big;
    m_verdictFont.setPointSize(m_hintFont.pointSize() * 2);
    m_result->setWordWrap(true);
    m_result->setMinimumHeight(QFontMetrics(m_verdictFont).lineSpacing() * 2);
    m_untested->setFocusPolicy(Qt::NoFocus);
    m_untested->setSelectionMode(QAbstractItemView::NoSelection);

    auto* resetButton = mouseButton(QStringLiteral("Сбросить"));
    auto* closeButton = mouseButton(QStringLiteral("Закрыть"));
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Не нажаты:")));
    side->addWidget(m_untested, 1);
    side->addWidget(resetButton);
    side->addWidget(closeButton);
    auto* body = new QHBoxLayout;
    body->addWidget(m_grid, 1);
    body->addLayout(side);
    auto* box = new QVBoxLayout(this);
    box->addWidget(m_counters);
    box->addWidget(m_result);
    box->addLayout(body, 1);
    resize(1180, 560);

    connect(resetButton, &QPushButton::clicked, this, &KeyTestWindow::reset);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    m_burstEnd.setSingleShot(true);
    m_burstEnd.setInterval(m_burstMs);
    connect(&m_burstEnd, &QTimer::timeout, this, &KeyTestWindow::endBurst);
    qApp->installEventFilter(this);

    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row)
            if (!m_session.sendsAnything(col, row))
                m_grid->setMark(col, row, KeyTestGrid::Mark::Silent);
    if (available())
        showHint(PressHint);
    else
        showHint(QStringLiteral("Проверка клавиш недоступна на этой платформе (%1): программа не "
                                         "получает от неё коды клавиш. В сеансе Wayland её можно запустить "
                                         "через X11: QT_QPA_PLATFORM=xcb raskladka-station.")
                              .arg(QGuiApplication::platformName()));
    showProgress();
}

KeyTestWindow::~KeyTestWindow() { qApp->removeEventFilter(this); }

void KeyTestWindow::reset()
{
    m_session.reset();
    showMarks();
    m_grid->setLit({});
    if (available())
        showHint(PressHint);
    showProgress();
}

bool KeyTestWindow::ours(QObject* watched) const
{
    if (watched == windowHandle())
        return true;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget && widget->window() == this;
}

bool KeyTestWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!ours(watched))
        return false;
    // Accepting the override keeps every shortcut from the key; the press itself is
    // taken where it first arrives, the window, before any widget sees it.
    if (type == QEvent::ShortcutOverride)
        event->accept();
    else if (watched == windowHandle())
        takeKey(*static_cast<QKeyEvent*>(event));
    return true;
}

void KeyTestWindow::changeEvent(QEvent* event)
{
    // Presses reach only the active window: say so rather than seem to miss keys.
    if (event->type() == QEvent::ActivationChange && available()) {
        if (!isActiveWindow()) {
            // Releases now go elsewhere: a modifier held as the window lost the keys would stay held.
            endBurst();
            m_burst = KeyBurst();
            showHint(InactiveHint);
        } else if (m_result->text() == InactiveHint)
            showHint(PressHint);
    }
    QWidget::changeEvent(event);
}

void KeyTestWindow::takeKey(const QKeyEvent& event)
{
    if (!available() || event.isAutoRepeat())
        return;
    // Bursts are told apart by the events' own times where the system gives them, so a
    // busy moment of this program does not split one key's output or join two.
    const quint64 at = event.timestamp();
    if (m_burstEnd.isActive() && at > m_lastEventMs + quint64(m_burstMs))
        endBurst();
    m_lastEventMs = at;
    m_burstEnd.start();
    const uint8_t usage = usageOfScanCode(m_source, event.nativeScanCode());
    if (event.type() == QEvent::KeyRelease)
        m_burst.release(usage);
    else if (usage != 0)
        m_burst.press(usage);
    else
        m_burst.pressUnknown(event.nativeScanCode());
}

void KeyTestWindow::endBurst()
{
    m_burstEnd.stop();
    const QList<quint32> unknown = m_burst.takeUnknown();
    const KeyOutput output = m_burst.take();
    if (output.isEmpty() && unknown.isEmpty())
        return;  // releases only
    const KeyPress press = unknown.isEmpty() ? m_session.press(output) : KeyPress{};
    QString text = keyOutputText(output);
    for (quint32 code : unknown)
        text += (text.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("клавиша с кодом %1").arg(code);
    if (press.keys.isEmpty()) {
        showResult(QStringLiteral("Неизвестная последовательность: ") + text, Verdict::Unknown);
        QApplication::beep();
    } else if (press.keys.size() == 1)
        showResult(QStringLiteral("Клавиша %1: %2").arg(keysText(press.keys), text), Verdict::Key);
    else {
        const QString counted = press.counted.x() < 0
                                    ? QStringLiteral("все уже засчитаны")
                                    : QStringLiteral("засчитана ") + keyPlaceText(press.counted.x(), press.counted.y());
        showResult(QStringLiteral("Клавиши %1 дают одно и то же (%2), компьютер их не различает: %3")
                       .arg(keysText(press.keys), text, counted),
                   Verdict::Shared);
    }
    // A press may move an earlier one to another key of the same output: all marks anew.
    showMarks();
    m_grid->setLit(press.keys);
    showProgress();
}

void KeyTestWindow::showMarks()
{
    for (const QPoint& k : keysInReadingOrder())
        if (m_session.sendsAnything(k.x(), k.y()))
            m_grid->setMark(k.x(), k.y(),
                            m_session.tested(k.x(), k.y()) ? KeyTestGrid::Mark::Tested : KeyTestGrid::Mark::Untested);
}

void KeyTestWindow::showHint(const QString& text)
{
    m_result->setFont(m_hintFont);
    m_result->setStyleSheet(QString());
    m_result->setText(text);
}

void KeyTestWindow::showResult(const QString& text, Verdict verdict)
{
    static const char* const colours[] = {"#2e7d32", "#e67800", "#c62828"};
    m_result->setFont(m_verdictFont);
    m_result->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(colours[int(verdict)])));
    m_result->setText(text);
    emit resultShown(text);
}

void KeyTestWindow::showProgress()
{
    const QString counters =
        QStringLiteral("Проверено %1 из %2").arg(m_session.testedCount()).arg(m_session.keysThatSend());
    m_counters->setText(counters);
    const bool allDone = m_session.keysThatSend() > 0 && m_session.untested().isEmpty();
    m_counters->setStyleSheet(allDone ? QStringLiteral("color: #2e7d32") : QString());
    emit resultShown(counters);
    m_untested->clear();
    for (const QPoint& k : m_session.untested())
        m_untested->addItem(m_captions.at(keyIndex(k.x(), k.y())));
}
