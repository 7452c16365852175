// Replays the fuzzer's seed corpus through the fuzz entry point, built with the
// ordinary compiler (and under the sanitizers in the sanitizer build). Each input is
// also cut at the sizes where the readers change their minds.
#include <QDir>
#include <QTest>

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
// An exact-size heap copy, so reading one byte too far is an error the sanitizer sees.
void feed(const QByteArray& bytes)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size_t(bytes.size()) + (bytes.isEmpty() ? 1 : 0)]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), size_t(bytes.size()));
}
}  // namespace

class TestFuzzCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay()
    {
        const QDir corpus(qEnvironmentVariable("RASKLADKA_SOURCE_DIR") + "/fuzz/corpus");
        const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
        QVERIFY2(names.size() >= 3, qPrintable(corpus.path()));
        QStringList kinds;
        for (const QString& name : names) {
            QFile f(corpus.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            feed(bytes);
            for (int cut : {0, 1, 880, 881, 882, 28083, 28095, 28096})
                if (cut < bytes.size())
                    feed(bytes.left(cut));
            kinds << QFileInfo(name).suffix();
        }
        for (const char* kind : {"kmp", "btv", "json", "journal"})
            QVERIFY2(kinds.contains(kind), kind);
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
