#include "uploadjob.h"

#include "bytelink.h"
#include "imagecheck.h"
#include "keyimage.h"
#include "waitclock.h"

UploadJob::UploadJob(const QString& port, const QByteArray& image, LoaderTimings timings, bool verify,
                     std::unique_ptr<ByteLink> link, WaitClock& clock, QObject* parent)
    : QObject(parent), m_sent(image), m_readBack(ImageSize, '\0'), m_verify(verify), m_clock(clock),
      m_next(clock.timer()), m_link(std::move(link)), m_machine(m_link.get(), this, timings, this, &clock)
{
    m_result.port = port;
    m_result.checksum = m_sent.size() == ImageSize ? uint8_t(m_sent[ImageChecksumOffset]) : 0;
    m_machine.setImage(reinterpret_cast<uint8_t*>(m_sent.data()));
    m_next->onTimeout = [this] { readBack(); };
    connect(&m_machine, &LoaderMachine::finished, this, &UploadJob::onTransferFinished);
    connect(&m_machine, &LoaderMachine::stageChanged, this, &UploadJob::setStage);
}

UploadJob::~UploadJob() = default;

void UploadJob::start()
{
    m_startedMs = m_clock.nowMs();
    m_machine.upload(m_result.port);
}

void UploadJob::setStage(TransferStage stage)
{
    if (stage == m_stage || m_done || (m_reading && stage != TransferStage::Verifying))
        return;
    m_stage = stage;
    emit stageChanged(stage);
}

void UploadJob::onTransferFinished(const TransferResult& r)
{
    if (m_done)
        return;
    if (r.outcome != TransferOutcome::NoPort && r.outcome != TransferOutcome::OpenFailed)
        m_opened = true;
    if (!m_reading) {
        if (!r.ok())
            finish(StationOutcome::TransferFailed, r);
        else {
            m_restarted = true;
            emit restartEnded();
        }
        return;
    }
    if (!r.ok()) {
        finish(StationOutcome::VerifyFailed, r);
        return;
    }
    const int at = firstImageDifference(m_sent, m_readBack);
    if (at >= 0 && m_result.afterLeaving)
        finish(StationOutcome::Replaced, r);  // ours was written and answered: what came back is another
    else
        finish(at < 0 ? StationOutcome::Programmed : StationOutcome::Differed, r, at);
}

void UploadJob::proceed(bool afterLeaving)
{
    if (m_done || !m_restarted || m_proceeding)
        return;
    m_proceeding = true;
    m_result.afterLeaving = afterLeaving;
    // What comes back from a restart may be another keyboard, unprogrammed: it is
    // read back whether or not the station verifies.
    if (!m_verify && !afterLeaving)
        finish(StationOutcome::Programmed);
    else  // once the machine has finished its own step
        m_next->start(0);
}

void UploadJob::abandon(StationOutcome kind)
{
    if (m_done)
        return;
    finish(kind);
    m_link->close();
}

// A failed upload leaves nothing to verify: verification was asked for (or was due
// after a return) and did not happen.
Verification UploadJob::unverified() const
{
    return m_verify || m_reading ? Verification::Failed : Verification::NotAsked;
}

void UploadJob::readBack()
{
    if (m_done)
        return;
    m_reading = true;
    setStage(TransferStage::Verifying);
    // A good read-back overwrites the image the machine holds: give it its own.
    m_machine.setImage(reinterpret_cast<uint8_t*>(m_readBack.data()));
    m_machine.readBack(m_result.port);
}

void UploadJob::finish(StationOutcome kind, const TransferResult& transfer, int slot)
{
    if (m_done)
        return;
    m_done = true;
    m_result.kind = kind;
    m_result.ok = kind == StationOutcome::Programmed || kind == StationOutcome::Replaced;
    m_result.transfer = transfer;
    m_result.slot = slot;
    m_result.reason = m_result.ok ? QString() : transfer.systemReason;
    m_result.seconds = (m_clock.nowMs() - m_startedMs) / 1000.0;
    if (kind == StationOutcome::Programmed)
        m_result.verification = m_reading ? Verification::Matched : Verification::NotAsked;
    else if (kind == StationOutcome::Replaced)
        m_result.verification = Verification::NotAsked;  // what was read back is another keyboard's
    else
        m_result.verification = kind == StationOutcome::Differed ? Verification::Differed : unverified();
    m_result.outcome = outcomeText(m_result);
    QMetaObject::invokeMethod(this, [this] { emit finished(m_result); }, Qt::QueuedConnection);
}
