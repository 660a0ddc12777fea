#include "DeskApplication.h"
#include "FolderPicker.h"
#include "MessageSink.h"
#include "RecordingMessageSink.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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
        QCOMPARE(shown[0].caption, QString::fromUtf8("错误"));
        // An exception without a message is shown with an empty one.
        QCOMPARE(shown[1].text, QString());
        QCOMPARE(shown[1].icon, MessageIcon::Error);
    }

    void noDisplayNameIsAppendedToTitles()
    {
        // The window system appends an explicitly set display name to every title ("Waring —
        // Tovrel Desk"); without one the display name is the bare program name.
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("tovrel-desk"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("tovrel-desk"));
    }

    // Runs last: the translations stay installed for the rest of the process.
    void folderPickerSpeaksChineseWithQtTranslations()
    {
        // scripts/setup installs them (qt6-translations-l10n).
        QVERIFY(m_app.loadQtTranslations());
        QStringList buttons;
        QString lookIn;
        QTimer::singleShot(0, qApp, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const auto *box = dialog->findChild<QDialogButtonBox *>();
            if (box) {
                for (QAbstractButton *b : box->buttons())
                    buttons.append(b->text());
            }
            if (const auto *label = dialog->findChild<QLabel *>(QStringLiteral("lookInLabel")))
                lookIn = label->text();
            dialog->reject();
        });
        const auto chosen =
            pickFolderWithDialog(QString::fromUtf8("请选择目录:"), QString(), QString());
        QVERIFY(!chosen.has_value());
        QCOMPARE(buttons.size(), 2);
        QVERIFY2(buttons.contains(QString::fromUtf8("选择(&C)")), qPrintable(buttons.join(u',')));
        QVERIFY2(buttons.contains(QString::fromUtf8("取消")), qPrintable(buttons.join(u',')));
        QCOMPARE(lookIn, QString::fromUtf8("查找范围："));

        // The message boxes' standard button, too.
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QString::fromUtf8("确定"));
    }
};

int main(int argc, char *argv[])
{
    DeskApplication app(argc, argv);
    TestDeskApplication test(app);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_deskapplication.moc"
