#include "loadermachine.h"
#include "hexcodes.h"

#include "bytelink.h"
#include "keyimage.h"
#include "loaderview.h"

#include <cstring>

namespace {
constexpr int BytesPerLogLine = 11;
constexpr int AnswerSize = 5;
// Where the keyboard keeps the layout; its answer must name this address.
constexpr uint8_t LayoutAddress[4] = {0x00, 0x68, 0x00, 0x00};
constexpr uint8_t ReadCommand = 0x42;

// A byte of the log's dump, with the space that separates it from the next.
QString hexByte(uint8_t b) { return hexCode(b) + QLatin1Char(' '); }
}  // namespace

LoaderMachine::LoaderMachine(ByteLink* link, LoaderView* view, LoaderTimings timings, QObject* parent)
    : QObject(parent), m_link(link), m_view(view), m_timings(timings)
{
    m_wait.setSingleShot(true);
    // A coarse timer may end up to 5% early; the keyboard needs its full time.
    m_wait.setTimerType(Qt::PreciseTimer);
    connect(&m_wait, &QTimer::timeout, this, &LoaderMachine::onWaitExpired);
    startWait(m_timings.initialMs);
}

void LoaderMachine::startWait(int ms)
{
    // Restarting the one timer drops whatever wait was pending: an older wait
    // must never cut a newer one short.
    m_wait.start(ms);
}

void LoaderMachine::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void LoaderMachine::onWaitExpired()
{
    procevent(EvTimeout);
}

void LoaderMachine::procevent(int event)
{
    switch (m_state) {
    case UploadIdle:
        if (event == EvPortButton)
            openPort(UploadPortOpen, false);
        else if (event == EvReadMode) {
            m_view->setTransferButtonText(QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
            setState(ReadIdle);
        }
        break;
    case UploadPortOpen:
        if (event == EvLoadButton && m_image)
            sendImage();
        else if (event == EvPortButton) {
            closePort();
            resetControls();
            setState(UploadIdle);
        }
        break;
    case UploadAwaitAnswer:
        if (event == EvTimeout)
            examineUploadAnswer();
        break;
    case UploadAwaitReboot:
        if (event == EvTimeout) {
            setState(UploadIdle);
            m_view->appendLog(QStringLiteral("Готово!"));
            resetControls();
            emit transferFinished(true);
        }
        break;
    case ReadIdle:
        if (event == EvPortButton)
            openPort(ReadPortOpen, true);
        break;
    case ReadPortOpen:
        if (event == EvLoadButton && m_image)
            requestImage();
        else if (event == EvPortButton) {
            closePort();
            resetControls();
            setState(ReadIdle);
        }
        break;
    case ReadAwaitData:
        if (event == EvTimeout)
            examineReadAnswer();
        break;
    }
}

void LoaderMachine::openPort(State openState, bool resetOnFailure)
{
    m_view->clearLog();
    m_view->resetProgress();
    const QString name = m_view->currentPortName();
    if (name.isEmpty()) {
        m_view->appendLog(QStringLiteral("Порт загрузки не обнаружен"));
        return;
    }
    if (!m_link->open(name)) {
        closePort();
        if (resetOnFailure)
            resetControls();
        m_failure = QStringLiteral("Ошибка открытия порта");
        m_view->appendLog(m_failure);
        return;
    }
    m_view->appendLog(QStringLiteral("Порт открыт."));
    m_view->setTransferButtonEnabled(true);
    m_view->setPortButtonText(QStringLiteral("Закрыть порт"));
    m_view->setTransferButtonText(openState == UploadPortOpen ? QStringLiteral("ЗАГРУЗИТЬ РАСКЛАДКУ")
                                                              : QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
    setState(openState);
}

void LoaderMachine::closePort()
{
    if (!m_link->isOpen())
        return;
    m_link->close();
    m_view->appendLog(QStringLiteral("Порт Закрыт."));
}

void LoaderMachine::resetControls()
{
    m_view->setPortButtonText(QStringLiteral("Открыть порт"));
    m_view->setTransferButtonEnabled(false);
    m_view->setPortButtonEnabled(true);
    m_view->setExitButtonEnabled(true);
}

void LoaderMachine::sendImage()
{
    m_view->setExitButtonEnabled(false);
    m_view->setPortButtonEnabled(false);
    m_view->setTransferButtonEnabled(false);
    m_failure.clear();

    const QString writeFailed = QString::fromUtf16(WriteFailedText);
    QString line;
    for (int i = 0; i < ImageSize; ++i) {
        if (!m_link->writeByte(m_image[i])) {
            // The log shows what went out, the line begun included; the bar
            // stays on the last byte written.
            if (!line.isEmpty())
                m_view->appendLog(line);
            failUpload(writeFailed, QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
            return;
        }
        line += hexByte(m_image[i]);
        if ((i + 1) % BytesPerLogLine == 0) {
            m_view->appendLog(line);
            line.clear();
        }
        m_view->setProgress(i);
    }
    // The checksum gets a line of its own; the partial line holding it is dropped.
    m_view->appendLog(hexByte(m_image[ImageChecksumOffset]));

    // The answer wait is measured from the moment the keyboard has the whole
    // image, not from when it was queued on the host; no earlier wait may end
    // it meanwhile. Bytes that never leave the host are a failed write too.
    setState(UploadAwaitAnswer);
    m_wait.stop();
    m_link->drainThen(this, [this](bool drained) {
        if (drained)
            startWait(m_timings.answerMs);
        else
            failUpload(QString::fromUtf16(WriteFailedText), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
    });
}

void LoaderMachine::failUpload(const QString& reason, const QString& buttonText, const QString& hint)
{
    m_failure = reason;
    m_view->appendLog(reason);
    if (!hint.isEmpty())
        m_view->appendLog(hint);
    m_view->setTransferButtonText(buttonText);
    closePort();
    resetControls();
    setState(UploadIdle);
    emit transferFinished(false);
}

void LoaderMachine::examineUploadAnswer()
{
    m_view->appendLog(QStringLiteral("Таймаут истек."));
    QByteArray answer;
    if (m_link->bytesAvailable() >= AnswerSize)
        answer = m_link->readAll();
    if (answer.size() < AnswerSize) {
        failUpload(QStringLiteral("Ответ не получен."), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"),
                   QStringLiteral("Повторите попытку."));
        return;
    }
    closePort();
    m_view->appendLog(QStringLiteral("Ответ принят."));
    // Only the first five bytes are the answer; anything after them is dropped.
    if (uint8_t(answer[0]) != m_image[ImageChecksumOffset]) {
        failUpload(QStringLiteral("Ошибка суммы"), QStringLiteral("ОШИБКА СУММЫ"));
        return;
    }
    m_view->appendLog(QStringLiteral("Контрольная сумма совпала."));
    if (std::memcmp(answer.constData() + 1, LayoutAddress, sizeof LayoutAddress) != 0) {
        failUpload(QStringLiteral("Ошибка адреса"), QStringLiteral("ОШИБКА АДРЕСА"));
        return;
    }
    m_view->setTransferButtonText(QStringLiteral("OK!"));
    m_view->appendLog(QStringLiteral("Адрес раскладки совпал."));
    m_view->appendLog(QStringLiteral("Ожидание перезагрузки клавиатуры"));
    setState(UploadAwaitReboot);
    startWait(m_timings.rebootMs);
}

void LoaderMachine::requestImage()
{
    m_failure.clear();
    QByteArray request(2, '\0');
    request[0] = char(ReadCommand);
    request[1] = char(crc8(&ReadCommand, 1));
    const auto refused = [this] {
        // No request reached the keyboard: nothing to wait for.
        m_failure = QString::fromUtf16(WriteFailedText);
        m_view->appendLog(m_failure);
        endReadBack(false);
    };
    if (!m_link->write(request)) {
        refused();
        return;
    }
    setState(ReadAwaitData);
    m_wait.stop();
    m_link->drainThen(this, [this, refused](bool drained) {
        if (!drained) {
            refused();
            return;
        }
        startWait(m_timings.readMs);
        m_view->appendLog(QStringLiteral("Ожидание ответа."));
    });
}

void LoaderMachine::logHexLines(const QByteArray& bytes, int count)
{
    QString line;
    for (int i = 0; i < count; ++i) {
        line += hexByte(uint8_t(bytes[i]));
        if ((i + 1) % BytesPerLogLine == 0) {
            m_view->appendLog(line);
            line.clear();
        }
    }
}

void LoaderMachine::examineReadAnswer()
{
    QByteArray data;
    if (m_link->bytesAvailable() >= ImageSize)
        data = m_link->readAll();
    if (data.size() < ImageSize) {
        m_failure = QStringLiteral("Не удалось выгрузить раскладку.");
        m_view->appendLog(m_failure);
        m_view->appendLog(QStringLiteral("Повторите попытку."));
        endReadBack(false);
        return;
    }
    m_view->appendLog(QStringLiteral("Данные приняты."));
    // Bytes 0..879 are shown; the checksum byte and anything after the image are not.
    logHexLines(data, ImageSlots * BytesPerLogLine);
    const auto* received = reinterpret_cast<const uint8_t*>(data.constData());
    if (!imageChecksumValid(received)) {
        m_failure = QStringLiteral("Ошибка контрольной суммы.");
        m_view->appendLog(m_failure);
        endReadBack(false);
        return;
    }
    m_view->appendLog(QStringLiteral("Контрольная сумма совпала."));
    std::memset(m_image, 0, ImageSize);
    std::memcpy(m_image, received, ImageSize);
    m_view->appendLog(QStringLiteral("Раскладка получена."));
    emit sendmsg(QStringLiteral("KEYMAPREADOK"));
    endReadBack(true);
}

// Every read-back ends here, the transfer button's text as it was (the mode's own).
void LoaderMachine::endReadBack(bool ok)
{
    closePort();
    resetControls();
    m_view->setTransferButtonText(QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
    setState(ReadIdle);
    emit transferFinished(ok);
}
