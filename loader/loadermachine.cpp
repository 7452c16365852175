#include "loadermachine.h"

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

QString hexByte(uint8_t b)
{
    return QString::asprintf("%02X ", b);
}
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
            m_state = ReadIdle;
        }
        break;
    case UploadPortOpen:
        if (event == EvLoadButton && m_image)
            sendImage();
        else if (event == EvPortButton) {
            closePort();
            resetControls();
            m_state = UploadIdle;
        }
        break;
    case UploadAwaitAnswer:
        if (event == EvTimeout)
            examineUploadAnswer();
        break;
    case UploadAwaitReboot:
        if (event == EvTimeout) {
            m_state = UploadIdle;
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
            m_state = ReadIdle;
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
        m_view->appendLog(QStringLiteral("Ошибка открытия порта"));
        return;
    }
    m_view->appendLog(QStringLiteral("Порт открыт."));
    m_view->setTransferButtonEnabled(true);
    m_view->setPortButtonText(QStringLiteral("Закрыть порт"));
    m_view->setTransferButtonText(openState == UploadPortOpen ? QStringLiteral("ЗАГРУЗИТЬ РАСКЛАДКУ")
                                                              : QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
    m_state = openState;
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

    QString line;
    for (int i = 0; i < ImageSize; ++i) {
        m_link->writeByte(m_image[i]);
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
    // image, not from when it was queued on the host.
    m_link->drain();
    m_state = UploadAwaitAnswer;
    startWait(m_timings.answerMs);
}

void LoaderMachine::failUpload(const QString& logLine, const QString& buttonText)
{
    m_view->appendLog(logLine);
    m_view->setTransferButtonText(buttonText);
    closePort();
    resetControls();
    m_state = UploadIdle;
    emit transferFinished(false);
}

void LoaderMachine::examineUploadAnswer()
{
    m_view->appendLog(QStringLiteral("Таймаут истек."));
    QByteArray answer;
    if (m_link->bytesAvailable() >= AnswerSize)
        answer = m_link->readAll();
    if (answer.size() < AnswerSize) {
        m_view->appendLog(QStringLiteral("Ответ не получен."));
        failUpload(QStringLiteral("Повторите попытку."), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
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
    m_state = UploadAwaitReboot;
    startWait(m_timings.rebootMs);
}

void LoaderMachine::requestImage()
{
    QByteArray request(2, '\0');
    request[0] = char(ReadCommand);
    request[1] = char(crc8(&ReadCommand, 1));
    m_link->write(request);
    m_link->drain();
    startWait(m_timings.readMs);
    m_state = ReadAwaitData;
    m_view->appendLog(QStringLiteral("Ожидание ответа."));
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
    bool ok = false;
    if (data.size() < ImageSize) {
        m_view->appendLog(QStringLiteral("Не удалось выгрузить раскладку."));
        m_view->appendLog(QStringLiteral("Повторите попытку."));
    } else {
        m_view->appendLog(QStringLiteral("Данные приняты."));
        // Bytes 0..879 are shown; the checksum byte and anything after the image are not.
        logHexLines(data, ImageSlots * BytesPerLogLine);
        const auto* received = reinterpret_cast<const uint8_t*>(data.constData());
        if (!imageChecksumValid(received)) {
            m_view->appendLog(QStringLiteral("Ошибка контрольной суммы."));
            closePort();
            resetControls();
            m_state = ReadIdle;
            emit transferFinished(false);
            return;
        }
        m_view->appendLog(QStringLiteral("Контрольная сумма совпала."));
        std::memset(m_image, 0, ImageSize);
        std::memcpy(m_image, received, ImageSize);
        m_view->appendLog(QStringLiteral("Раскладка получена."));
        ok = true;
        emit sendmsg(QStringLiteral("KEYMAPREADOK"));
    }
    closePort();
    resetControls();
    m_view->setTransferButtonText(QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
    m_state = ReadIdle;
    emit transferFinished(ok);
}
