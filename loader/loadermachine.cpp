#include "loadermachine.h"
#include "hexcodes.h"

#include "bytelink.h"
#include "loaderview.h"
#include "waitclock.h"

#include <cstring>

using namespace KeyboardProtocol;

namespace {
constexpr int BytesPerLogLine = 11;

TransferResult failed(TransferOutcome outcome, QByteArray expected = {}, QByteArray received = {})
{
    TransferResult r;
    r.outcome = outcome;
    r.expected = std::move(expected);
    r.received = std::move(received);
    return r;
}

// A byte of the log's dump, with the space that separates it from the next.
QString hexByte(uint8_t b) { return hexCode(b) + QLatin1Char(' '); }
}  // namespace

LoaderMachine::LoaderMachine(ByteLink* link, LoaderView* view, LoaderTimings timings, QObject* parent,
                             WaitClock* clock)
    : QObject(parent), m_link(link), m_view(view), m_timings(timings),
      m_wait((clock ? *clock : systemClock()).timer())
{
    m_wait->onTimeout = [this] { procevent(EvTimeout); };
    startWait(m_timings.initialMs);
}

LoaderMachine::~LoaderMachine() = default;

bool LoaderMachine::waiting() const
{
    return m_wait->isActive();
}

void LoaderMachine::startWait(int ms)
{
    // Restarting the one timer drops whatever wait was pending: an older wait
    // must never cut a newer one short.
    m_wait->start(ms);
}

void LoaderMachine::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
    switch (state) {
    case UploadAwaitAnswer: emit stageChanged(TransferStage::AwaitingAnswer); break;
    case UploadAwaitReboot: emit stageChanged(TransferStage::Restarting); break;
    case ReadAwaitData: emit stageChanged(TransferStage::Verifying); break;
    default: break;
    }
}

void LoaderMachine::end(const TransferResult& result)
{
    m_result = result;
    emit finished(m_result);
}

bool LoaderMachine::upload(const QString& port)
{
    if (!m_image || (m_state != UploadIdle && m_state != ReadIdle))
        return false;
    setState(UploadIdle);
    if (openPort(UploadPortOpen, false, port))
        sendImage();
    return true;
}

bool LoaderMachine::readBack(const QString& port)
{
    if (!m_image || (m_state != UploadIdle && m_state != ReadIdle))
        return false;
    if (m_state == UploadIdle)
        procevent(EvReadMode);
    if (openPort(ReadPortOpen, true, port))
        requestImage();
    return true;
}

void LoaderMachine::procevent(int event)
{
    switch (m_state) {
    case UploadIdle:
        if (event == EvPortButton)
            openPort(UploadPortOpen, false, m_view->currentPortName());
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
            end({});
        }
        break;
    case ReadIdle:
        if (event == EvPortButton)
            openPort(ReadPortOpen, true, m_view->currentPortName());
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

// True with the port open and the machine in `openState`; otherwise the
// transfer has ended and finished() said so.
bool LoaderMachine::openPort(State openState, bool resetOnFailure, const QString& name)
{
    m_view->clearLog();
    m_view->resetProgress();
    if (name.isEmpty()) {
        m_view->appendLog(QString::fromUtf16(NoPortText));
        end(failed(TransferOutcome::NoPort));
        return false;
    }
    if (!m_link->open(name)) {
        closePort();
        if (resetOnFailure)
            resetControls();
        TransferResult r = failed(TransferOutcome::OpenFailed);
        r.systemReason = m_link->errorString();
        r.accessRefused = m_link->accessRefused();
        m_view->appendLog(loaderText(r.outcome));
        end(r);
        return false;
    }
    m_view->appendLog(QStringLiteral("Порт открыт."));
    m_view->setTransferButtonEnabled(true);
    m_view->setPortButtonText(QStringLiteral("Закрыть порт"));
    m_view->setTransferButtonText(openState == UploadPortOpen ? QStringLiteral("ЗАГРУЗИТЬ РАСКЛАДКУ")
                                                              : QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
    setState(openState);
    return true;
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
    m_result = {};
    emit stageChanged(TransferStage::Sending);

    QString line;
    for (int i = 0; i < ImageSize; ++i) {
        if (!m_link->writeByte(m_image[i])) {
            // The log shows what went out, the line begun included; the bar
            // stays on the last byte written.
            if (!line.isEmpty())
                m_view->appendDump(line);
            failUpload(failed(TransferOutcome::WriteFailed), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
            return;
        }
        line += hexByte(m_image[i]);
        if ((i + 1) % BytesPerLogLine == 0) {
            m_view->appendDump(line);
            line.clear();
        }
        m_view->setProgress(i);
    }
    // The checksum gets a line of its own; the partial line holding it is dropped.
    m_view->appendDump(hexByte(m_image[ImageChecksumOffset]));

    // The answer wait is measured from the moment the keyboard has the whole
    // image, not from when it was queued on the host; no earlier wait may end
    // it meanwhile. Bytes that never leave the host are a failed write too.
    setState(UploadAwaitAnswer);
    m_wait->stop();
    m_link->drainThen(this, [this](bool drained) {
        if (drained)
            startWait(m_timings.answerMs);
        else
            failUpload(failed(TransferOutcome::WriteFailed), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
    });
}

void LoaderMachine::failUpload(const TransferResult& result, const QString& buttonText, const QString& hint)
{
    TransferResult r = result;
    if (r.portFault())
        r.systemReason = m_link->errorString();
    m_view->appendLog(loaderText(r.outcome));
    if (!hint.isEmpty())
        m_view->appendLog(hint);
    m_view->setTransferButtonText(buttonText);
    closePort();
    resetControls();
    setState(UploadIdle);
    m_result = r;
    emit transferFinished(false);
    end(r);
}

void LoaderMachine::examineUploadAnswer()
{
    m_view->appendLog(QStringLiteral("Таймаут истек."));
    QByteArray answer;
    if (m_link->bytesAvailable() >= AnswerSize)
        answer = m_link->readAll();
    if (answer.size() < AnswerSize) {
        failUpload(failed(TransferOutcome::NoAnswer, {}, answer), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"),
                   QStringLiteral("Повторите попытку."));
        return;
    }
    closePort();
    m_view->appendLog(QStringLiteral("Ответ принят."));
    // Only the first five bytes are the answer; anything after them is dropped.
    if (uint8_t(answer[0]) != m_image[ImageChecksumOffset]) {
        failUpload(failed(TransferOutcome::ChecksumMismatch, QByteArray(1, char(m_image[ImageChecksumOffset])),
                          answer.left(1)),
                   QStringLiteral("ОШИБКА СУММЫ"));
        return;
    }
    m_view->appendLog(QStringLiteral("Контрольная сумма совпала."));
    if (std::memcmp(answer.constData() + 1, LayoutAddress, sizeof LayoutAddress) != 0) {
        failUpload(failed(TransferOutcome::AddressMismatch,
                          QByteArray(reinterpret_cast<const char*>(LayoutAddress), sizeof LayoutAddress),
                          answer.mid(1, sizeof LayoutAddress)),
                   QStringLiteral("ОШИБКА АДРЕСА"));
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
    m_result = {};
    const char requestBytes[] = {char(ReadCommand), char(ReadCommandCrc)};
    const QByteArray request(requestBytes, sizeof requestBytes);
    const auto refused = [this] {
        // No request reached the keyboard: nothing to wait for.
        TransferResult r = failed(TransferOutcome::WriteFailed);
        r.systemReason = m_link->errorString();
        m_view->appendLog(loaderText(r.outcome));
        endReadBack(r);
    };
    if (!m_link->write(request)) {
        refused();
        return;
    }
    setState(ReadAwaitData);
    m_wait->stop();
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
            m_view->appendDump(line);
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
        const TransferResult r = failed(TransferOutcome::ImageShort, {}, data);
        m_view->appendLog(loaderText(r.outcome));
        m_view->appendLog(QStringLiteral("Повторите попытку."));
        endReadBack(r);
        return;
    }
    m_view->appendLog(QStringLiteral("Данные приняты."));
    // Bytes 0..879 are shown; the checksum byte and anything after the image are not.
    logHexLines(data, ImageSlots * BytesPerLogLine);
    const auto* received = reinterpret_cast<const uint8_t*>(data.constData());
    if (!imageChecksumValid(received)) {
        const TransferResult r = failed(TransferOutcome::ImageChecksumBad, {}, data.left(ImageSize));
        m_view->appendLog(loaderText(r.outcome));
        endReadBack(r);
        return;
    }
    m_view->appendLog(QStringLiteral("Контрольная сумма совпала."));
    std::memset(m_image, 0, ImageSize);
    std::memcpy(m_image, received, ImageSize);
    m_view->appendLog(QStringLiteral("Раскладка получена."));
    emit sendmsg(QStringLiteral("KEYMAPREADOK"));
    endReadBack({});
}

// Every read-back ends here, the transfer button's text as it was (the mode's own).
void LoaderMachine::endReadBack(const TransferResult& result)
{
    closePort();
    resetControls();
    m_view->setTransferButtonText(QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
    setState(ReadIdle);
    m_result = result;
    emit transferFinished(result.ok());
    end(result);
}
