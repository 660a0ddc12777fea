// The pump that keeps a window painting during a long piece of work: input to the windows open
// when it began is refused, but a message box raised meanwhile (a failure reported from another
// thread) can be answered, with real boxes offscreen.

#include "BusyPump.h"
#include "MessageSink.h"
#include "TestText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace tovrel;
using tovrel::test::u;

namespace {

enum class Answer
{
    ClickOk,
    Enter,
    Escape,
    CloseRequest,
};

// Answers the message box as a user does once it is shown.
void answer(QMessageBox *box, Answer how)
{
    switch (how) {
    case Answer::ClickOk:
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        break;
    case Answer::Enter:
        QTest::keyClick(box, Qt::Key_Return);
        break;
    case Answer::Escape:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    case Answer::CloseRequest: {
        QCloseEvent close;
        QApplication::sendEvent(box, &close);
        break;
    }
    }
}

// Reports a failure from its own thread, as the player's threads do.
class FailingThread : public QThread
{
    Q_OBJECT
signals:
    void failed(const QString &text);

protected:
    void run() override { emit failed(u("无法打开录音文件")); }
};

} // namespace

class TestBusyPump : public QObject
{
    Q_OBJECT

private slots:
    void boxRaisedDuringPumpCanBeAnswered_data()
    {
        QTest::addColumn<Answer>("how");
        QTest::newRow("OK clicked") << Answer::ClickOk;
        QTest::newRow("Enter") << Answer::Enter;
        QTest::newRow("Escape") << Answer::Escape;
        QTest::newRow("close request") << Answer::CloseRequest;
    }
    void boxRaisedDuringPumpCanBeAnswered()
    {
        QFETCH(Answer, how);
        QWidget window;
        auto *button = new QPushButton(u("查询"), &window);
        int clicks = 0;
        connect(button, &QPushButton::clicked, this, [&] { ++clicks; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QtMessageSink sink;
        bool shown = false;
        FailingThread thread;
        connect(&thread, &FailingThread::failed, this, [&](const QString &text) {
            sink.warn(text);
            shown = true;
        });
        // The user answers the box once it is up; a box still up after 5 s is hidden by the
        // test itself (not as input, nor as a close request, which a refusing pump drops too),
        // so a box that refuses its input fails the test instead of hanging it.
        bool forced = false;
        QTimer user;
        user.setInterval(20);
        connect(&user, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                user.stop();
                answer(box, how);
                QTimer::singleShot(5000, box, [box, &forced] {
                    forced = true;
                    box->hide();
                });
            }
        });
        user.start();

        BusyPump pump;
        thread.start();
        QVERIFY(thread.wait(5000));
        // The click on the window that was open when the pump began is refused.
        QMetaObject::invokeMethod(
            this, [button] { QTest::mouseClick(button, Qt::LeftButton); }, Qt::QueuedConnection);
        pump.pump();
        QVERIFY(shown);
        QVERIFY2(!forced, "the box raised during the pump did not take its answer");
        QCOMPARE(clicks, 0);

        // Outside a pump the window takes input again.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(TestBusyPump)
#include "tst_busypump.moc"
