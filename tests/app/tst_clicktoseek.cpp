#include "ClickToSeek.h"

#include <QApplication>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

using namespace tovrel;

namespace {

// A position bar of `maximum` seconds, laid out and shown as in a window.
struct Bar
{
    QSlider slider{Qt::Horizontal};

    explicit Bar(int maximum)
    {
        slider.setRange(0, maximum);
        ClickToSeek::install(&slider);
        slider.resize(310, 26);
        slider.show();
    }

    // The point of the groove where the style draws the thumb's centre for `value`.
    QPoint pointOf(int value) const
    {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = value;
        option.sliderValue = value;
        const QRect groove = slider.style()->subControlRect(QStyle::CC_Slider, &option,
                                                            QStyle::SC_SliderGroove, &slider);
        const QRect handle = slider.style()->subControlRect(QStyle::CC_Slider, &option,
                                                            QStyle::SC_SliderHandle, &slider);
        const int span = groove.width() - handle.width();
        const int x =
            groove.left() + handle.width() / 2 +
            QStyle::sliderPositionFromValue(slider.minimum(), slider.maximum(), value, span);
        return {x, slider.height() / 2};
    }
};

} // namespace

class TestClickToSeek : public QObject
{
    Q_OBJECT

private slots:
    void leftClickPutsTheThumbThere_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("target");
        QTest::newRow("short recording, forward") << 12 << 0 << 7;
        QTest::newRow("short recording, back") << 12 << 11 << 4;
        QTest::newRow("long recording") << 600 << 30 << 450;
        QTest::newRow("the end") << 40 << 3 << 40;
    }

    void leftClickPutsTheThumbThere()
    {
        QFETCH(int, maximum);
        QFETCH(int, start);
        QFETCH(int, target);
        Bar bar(maximum);
        bar.slider.setValue(start);
        QSignalSpy pressed(&bar.slider, &QSlider::sliderPressed);
        QTest::mousePress(&bar.slider, Qt::LeftButton, {}, bar.pointOf(target));
        // Taken as a drag from there, so the position watch holds the timer off.
        QVERIFY(bar.slider.isSliderDown());
        QCOMPARE(pressed.size(), 1);
        QTest::mouseRelease(&bar.slider, Qt::LeftButton, {}, bar.pointOf(target));
        // A pixel is worth several seconds on a long bar.
        const int slack = maximum / 200 + 1;
        QVERIFY2(qAbs(bar.slider.value() - target) <= slack,
                 qPrintable(QString::number(bar.slider.value())));
    }

    void keysStep_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("value");
        QTest::newRow("right") << int(Qt::Key_Right) << 21;
        QTest::newRow("left") << int(Qt::Key_Left) << 19;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 25;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 15;
    }

    void keysStep()
    {
        QFETCH(int, key);
        QFETCH(int, value);
        Bar bar(60);
        bar.slider.setValue(20);
        QTest::keyClick(&bar.slider, Qt::Key(key));
        QCOMPARE(bar.slider.value(), value);
    }

    void lookFollowsTheApplicationStyle()
    {
        Bar bar(10);
        auto *proxy = qobject_cast<QProxyStyle *>(bar.slider.style());
        QVERIFY(proxy);
        QCOMPARE(proxy->baseStyle()->name(), QApplication::style()->name());
        QCOMPARE(bar.slider.style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons),
                 int(Qt::LeftButton | Qt::MiddleButton));
    }
};

QTEST_MAIN(TestClickToSeek)
#include "tst_clicktoseek.moc"
