#include "DeskWindows.h"
#include "RecordingMessageSink.h"
#include "TMainForm.h"
#include "TestFolders.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tovrel;
using tovrel::test::RecordingMessageSink;
using tovrel::test::ScopedCurrentDir;
using tovrel::test::TempFolder;

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void onlyMainWindowShownAndExitReturnsZero()
    {
        TempFolder dir;
        ScopedCurrentDir cd(dir.path());
        RecordingMessageSink messages;
        AppContext context;
        context.messages = &messages;
        context.pickFolder = [](const QString &, const QString &, const QString &) {
            return std::optional<QString>();
        };

        QHash<QString, bool> visible;
        QHash<QString, QString> parentOf;
        bool exitClicked = false;
        QTimer::singleShot(0, qApp, [&] {
            TMainForm *main = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                visible.insert(w->objectName(), w->isVisible());
                parentOf.insert(w->objectName(),
                                w->parentWidget() ? w->parentWidget()->objectName() : QString());
                if (auto *m = qobject_cast<TMainForm *>(w))
                    main = m;
            }
            if (main) {
                QTest::mouseClick(main->ButtonExit, Qt::LeftButton);
                exitClicked = true;
            }
        });
        const int code = runWindows(context);

        QVERIFY(exitClicked);
        QCOMPARE(code, 0);
        QCOMPARE(visible.value(QStringLiteral("MainForm")), true);
        for (const QString &name : {QStringLiteral("PasswordDlg"), QStringLiteral("FindForm"),
                                    QStringLiteral("ExportForm1")}) {
            QVERIFY2(visible.contains(name), qPrintable(name));
            QVERIFY2(!visible.value(name), qPrintable(name));
            QCOMPARE(parentOf.value(name), QStringLiteral("MainForm"));
        }
        QVERIFY(messages.messages().isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
