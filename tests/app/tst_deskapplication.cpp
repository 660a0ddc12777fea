#include "DeskApplication.h"
#include "RecordingMessageSink.h"

#include <QEvent>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;

namespace {

// Throws from its event handler, as a failing click handler would.
class Throwing : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("Unable to write to /x/SysConf.ini");
        if (event->type() == QEvent::User + 1)
            throw 42;
        return QObject::event(event);
    }
};

} // namespace

class TestDeskApplication : public QObject
{
    Q_OBJECT

public:
    explicit TestDeskApplication(DeskApplication &app) : m_app(app) {}

private:
    DeskApplication &m_app;

private slots:
    void exceptionInHandlerShownAndLoopGoesOn()
    {
        RecordingMessageSink messages;
        m_app.setErrorSink(&messages);
        Throwing receiver;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::Type(QEvent::User + 1)));
        bool laterEventRan = false;
        QTimer::singleShot(0, &receiver, [&] { laterEventRan = true; });
        QTRY_VERIFY(laterEventRan);
        m_app.setErrorSink(nullptr);

        const auto shown = messages.messages();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("Unable to write to /x/SysConf.ini"));
        QCOMPARE(shown[0].icon, MessageIcon::Error);
        QCOMPARE(shown[0].caption, QGuiApplication::applicationDisplayName());
        // An exception without a message is shown with an empty one.
        QCOMPARE(shown[1].text, QString());
        QCOMPARE(shown[1].icon, MessageIcon::Error);
    }
};

int main(int argc, char *argv[])
{
    DeskApplication app(argc, argv);
    TestDeskApplication test(app);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_deskapplication.moc"
