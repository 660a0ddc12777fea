#include "codec/SpeexDecoder.h"
#include "codec/WavFile.h"

#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace tovrel;
using tovrel::test::referenceDecode;
using tovrel::test::TempFolder;

namespace {

QByteArray speechPayload(int milliseconds, unsigned seed = 1)
{
    return spx::encodeSpeech(spx::syntheticSpeech(milliseconds, seed));
}

quint32 le32(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

} // namespace

class TestCodec : public QObject
{
    Q_OBJECT

private slots:
    void encoderMakesTwentyByteFrames()
    {
        QCOMPARE(speechPayload(1000).size(), 1000);
        QCOMPARE(spx::encodeSpeech(QList<int16_t>(161, 0)).size(), 40);
    }

    void decodedSizes_data()
    {
        QTest::addColumn<int>("payload");
        QTest::addColumn<int>("pcm");
        QTest::newRow("chunk") << 500 << 8000;
        QTest::newRow("block") << 5000 << 80000;
        QTest::newRow("trailing piece dropped") << 519 << 8000;
        QTest::newRow("less than a frame") << 19 << 0;
        QTest::newRow("nothing") << 0 << 0;
    }

    void decodedSizes()
    {
        QFETCH(int, payload);
        SpeexDecoder decoder;
        QTEST(int(decoder.decode(speechPayload(6000).left(payload)).size()), "pcm");
        QTEST(int(SpeexDecoder::pcmBytesFor(payload)), "pcm");
    }

    void matchesLibspeexAcrossChunks()
    {
        const QByteArray payload = speechPayload(3000);
        const QByteArray reference = referenceDecode(payload);
        SpeexDecoder decoder;
        QByteArray chunked;
        for (qsizetype at = 0; at < payload.size(); at += 500)
            chunked += decoder.decode(
                QByteArrayView(payload).sliced(at, std::min<qsizetype>(500, payload.size() - at)));
        QCOMPARE(chunked.size(), reference.size());
        QVERIFY(chunked == reference);

        // The state carries over: fresh decoders per chunk give a different sound.
        QByteArray fresh;
        for (qsizetype at = 0; at < payload.size(); at += 500)
            fresh += SpeexDecoder().decode(
                QByteArrayView(payload).sliced(at, std::min<qsizetype>(500, payload.size() - at)));
        QVERIFY(fresh != reference);
    }

    void resetStartsAfresh()
    {
        const QByteArray payload = speechPayload(2000);
        const QByteArray secondHalf = payload.mid(1000);
        SpeexDecoder decoder;
        decoder.decode(payload.left(1000));
        decoder.reset();
        QVERIFY(decoder.decode(secondHalf) == referenceDecode(secondHalf));
    }

    void garbageKeepsItsLength()
    {
        QByteArray noise(5000, '\0');
        QRandomGenerator rng(7);
        for (char &c : noise)
            c = char(rng.bounded(256));
        noise.replace(1000, 500, QByteArray(500, '\xFF'));
        SpeexDecoder decoder;
        QCOMPARE(decoder.decode(noise).size(), 80000);
    }

    void wavHeaderBytes()
    {
        const QByteArray h = wavHeader(16000);
        QCOMPARE(h.size(), 44);
        QCOMPARE(h.toHex(), QByteArray("52494646a43e000057415645666d7420100000000100010040"
                                       "1f0000803e0000020010006461746180"
                                       "3e0000"));
        QCOMPARE(le32(wavHeader(0), 4), 36u);
        QCOMPARE(le32(wavHeader(0), 40), 0u);
    }

    void writerKeepsHeaderTrue_data()
    {
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("written");
        QTest::newRow("complete") << 16000 << 16000;
        QTest::newRow("stopped after one chunk") << 16000 << 8000;
        QTest::newRow("nothing written") << 24000 << 0;
    }

    void writerKeepsHeaderTrue()
    {
        QFETCH(int, announced);
        QFETCH(int, written);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("out.wav"));
        {
            WavWriter writer;
            QVERIFY(writer.open(path, quint32(announced)));
            for (int i = 0; i < written / 8000; ++i)
                QVERIFY(writer.append(QByteArray(8000, '\x01')));
            QVERIFY(writer.finish());
        }
        const QByteArray file = dir.read(QStringLiteral("out.wav"));
        QCOMPARE(file.size(), 44 + written);
        QCOMPARE(file.left(44), wavHeader(quint32(written)));
    }

    void writerCannotCreate()
    {
        TempFolder dir;
        dir.write(QStringLiteral("plain"), "x");
        WavWriter writer;
        QVERIFY(!writer.open(dir.file(QStringLiteral("plain/out.wav")), 0));
        QVERIFY(!writer.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
