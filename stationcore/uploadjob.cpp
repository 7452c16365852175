#include "uploadjob.h"

#include "imagecheck.h"
#include "keyimage.h"

#include <QTimer>

UploadJob::UploadJob(const QString& port, const QByteArray& image, LoaderTimings timings, bool verify,
                     QObject* parent)
    : QObject(parent), m_sent(image), m_readBack(ImageSize, '\0'), m_verify(verify),
      m_machine(&m_link, this, timings, this)
{
    m_result.port = port;
    m_result.checksum = m_sent.size() == ImageSize ? uint8_t(m_sent[ImageChecksumOffset]) : 0;
    m_link.setEventDriven(true);
    m_machine.setImage(reinterpret_cast<uint8_t*>(m_sent.data()));
    connect(&m_machine, &LoaderMachine::transferFinished, this, &UploadJob::onTransferFinished);
    connect(&m_machine, &LoaderMachine::stateChanged, this, &UploadJob::onMachineState);
}

void UploadJob::start()
{
    m_clock.start();
    m_machine.procevent(LoaderMachine::EvPortButton);
    if (m_machine.state() != LoaderMachine::UploadPortOpen) {
        finish(false, m_machine.failure(), unverified());
        return;
    }
    m_machine.procevent(LoaderMachine::EvLoadButton);
}

void UploadJob::setStage(TransferStage stage)
{
    if (stage == m_stage || m_done)
        return;
    m_stage = stage;
    emit stageChanged(stage);
}

void UploadJob::onMachineState(int state)
{
    if (state == LoaderMachine::UploadPortOpen)
        m_opened = true;
    if (state == LoaderMachine::UploadAwaitAnswer)
        setStage(TransferStage::AwaitingAnswer);
    else if (state == LoaderMachine::UploadAwaitReboot)
        setStage(TransferStage::Restarting);
}

void UploadJob::onTransferFinished(bool ok)
{
    if (m_done)
        return;
    if (!m_reading) {
        if (!ok) {
            finish(false, m_machine.failure(), unverified());
        } else {
            m_restarted = true;
            emit restartEnded();
        }
        return;
    }
    if (!ok) {
        finish(false, QStringLiteral("Сверка не удалась: ") + m_machine.failure(), Verification::Failed);
        return;
    }
    const bool same = firstImageDifference(m_sent, m_readBack) < 0;
    QString verdict = verificationText(m_sent, m_readBack);
    if (!same && m_afterLeaving)
        verdict += QStringLiteral("; возможно, клавиатуру заменили во время перезапуска");
    finish(same, same ? QStringLiteral("Готово! ") + verdict : verdict,
           same ? Verification::Matched : Verification::Differed);
}

void UploadJob::proceed(bool afterLeaving)
{
    if (m_done || !m_restarted || m_proceeding)
        return;
    m_proceeding = true;
    m_afterLeaving = afterLeaving;
    if (!m_verify)
        finish(true, QStringLiteral("Готово!"), Verification::NotAsked);
    else  // once the machine has finished its own step
        QTimer::singleShot(0, this, &UploadJob::readBack);
}

void UploadJob::abandon(const QString& outcome)
{
    if (m_done)
        return;
    finish(false, outcome, unverified());
    m_result.reason.clear();
    m_link.close();
}

// A failed upload leaves nothing to verify: verification was asked for and did not happen.
Verification UploadJob::unverified() const
{
    return m_verify ? Verification::Failed : Verification::NotAsked;
}

void UploadJob::readBack()
{
    if (m_done)
        return;
    m_reading = true;
    setStage(TransferStage::Verifying);
    // A good read-back overwrites the image the machine holds: give it its own.
    m_machine.setImage(reinterpret_cast<uint8_t*>(m_readBack.data()));
    m_machine.procevent(LoaderMachine::EvReadMode);
    m_machine.procevent(LoaderMachine::EvPortButton);
    if (m_machine.state() != LoaderMachine::ReadPortOpen) {
        finish(false, QStringLiteral("Сверка не удалась: ") + m_machine.failure(), Verification::Failed);
        return;
    }
    m_machine.procevent(LoaderMachine::EvLoadButton);
}

QString UploadJob::systemReason() const
{
    const QString failure = m_machine.failure();
    const bool portAtFault =
        failure == QStringLiteral("Ошибка открытия порта") || failure == QString::fromUtf16(WriteFailedText);
    return portAtFault ? m_link.errorString() : QString();
}

void UploadJob::finish(bool ok, const QString& outcome, Verification verification)
{
    if (m_done)
        return;
    m_done = true;
    m_result.ok = ok;
    m_result.outcome = outcome;
    m_result.reason = ok ? QString() : systemReason();
    m_result.seconds = m_clock.elapsed() / 1000.0;
    m_result.verification = verification;
    QMetaObject::invokeMethod(this, [this] { emit finished(m_result); }, Qt::QueuedConnection);
}
