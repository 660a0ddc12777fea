#include "activity/ActivityFlags.h"
#include "activity/ActivityRules.h"

#include <QTest>

using namespace tovrel;

Q_DECLARE_METATYPE(tovrel::Activity)

class TestActivityRules : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetActivityFlags(); }
    void cleanup() { resetActivityFlags(); }

    void refusal_data()
    {
        QTest::addColumn<Activity>("activity");
        QTest::addColumn<int>("uploading");
        QTest::addColumn<int>("play");
        QTest::addColumn<int>("convertSelected");
        QTest::addColumn<int>("convertAll");
        QTest::addColumn<QString>("expected"); // empty: allowed

        const QString stopPlay = QString::fromUtf8("请先停止播放！");
        const QString stopConvert = QString::fromUtf8("请先停止转换！");
        const QString stopUpload = QString::fromUtf8("请先停止上传！");
        const QString stopPlayFile = QString::fromUtf8("请先停止播放文件！");

        QTest::newRow("list idle") << Activity::TelephoneList << 0 << 0 << 0 << 0 << QString();
        QTest::newRow("list while paused")
            << Activity::TelephoneList << 0 << 1 << 0 << 0 << stopPlay;
        QTest::newRow("upload while playing") << Activity::Upload << 0 << 2 << 0 << 0 << stopPlay;
        QTest::newRow("export while converting all")
            << Activity::MainListExport << 0 << 0 << 0 << 1 << stopConvert;
        QTest::newRow("list: playback checked before conversion")
            << Activity::TelephoneList << 0 << 2 << 1 << 0 << stopPlay;
        QTest::newRow("list ignores a running upload")
            << Activity::TelephoneList << 1 << 0 << 0 << 0 << QString();
        QTest::newRow("search idle") << Activity::OpenSearch << 0 << 0 << 0 << 0 << QString();
        QTest::newRow("search while uploading")
            << Activity::OpenSearch << 1 << 0 << 0 << 0 << stopUpload;
        QTest::newRow("search: upload wins over playback")
            << Activity::OpenSearch << 1 << 2 << 1 << 1 << stopUpload;
        QTest::newRow("search: playback wins over conversion")
            << Activity::OpenSearch << 0 << 1 << 1 << 0 << stopPlay;
        QTest::newRow("search while converting selected")
            << Activity::OpenSearch << 0 << 0 << 1 << 0 << stopConvert;
        QTest::newRow("play while converting")
            << Activity::PlaybackStart << 0 << 0 << 0 << 1 << stopConvert;
        QTest::newRow("play while uploading is allowed")
            << Activity::PlaybackStart << 1 << 0 << 0 << 0 << QString();
        QTest::newRow("convert while playing")
            << Activity::ConversionStart << 0 << 2 << 0 << 0 << stopPlayFile;
        QTest::newRow("convert while converting is not this table's rule")
            << Activity::ConversionStart << 0 << 0 << 1 << 0 << QString();
        QTest::newRow("stopping conversion flag 0 counts as idle")
            << Activity::PlaybackStart << 0 << 0 << 0 << 0 << QString();
    }

    void refusal()
    {
        QFETCH(Activity, activity);
        QFETCH(int, uploading);
        QFETCH(int, play);
        QFETCH(int, convertSelected);
        QFETCH(int, convertAll);
        QFETCH(QString, expected);
        Uploading = uploading;
        PlayStateFlag = play;
        ConvertSelectedFlag = convertSelected;
        ConvertAllFlag = convertAll;
        const auto refusal = refusalFor(activity);
        QCOMPARE(refusal.value_or(QString()), expected);
    }
};

QTEST_GUILESS_MAIN(TestActivityRules)
#include "tst_activityrules.moc"
