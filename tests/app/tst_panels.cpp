#include "StartupWindows.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QTest>

using namespace tovrel;

namespace {

QRect inWindow(const QWidget *w)
{
    return {w->mapTo(w->window(), QPoint(0, 0)), w->size()};
}

} // namespace

// The player row and the conversion group, as the PC tab and the search window each show them:
// every control once under its name, the row's controls side by side in their order, and the
// group's controls apart from one another, all inside the page, at any size the window takes.
class TestPanels : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("group");
        const QString pcRow =
            QStringLiteral("BitBtnPlayStart BitBtnPlayPause BitBtnPlayStop BitBtn2 "
                           "BitBtn1 TrackBar1 Label3 Label5 Label4 LabelSpeed "
                           "CheckBoxRewind");
        for (const QSize size : {QSize(666, 685), QSize(550, 450), QSize(1000, 760)})
            QTest::addRow("pc tab %dx%d", size.width(), size.height())
                << false << size << pcRow << QStringLiteral("GroupBox3");
        QTest::newRow("search window")
            << true << QSize(800, 640)
            << QStringLiteral("BitBtnPlayStart BitBtnPlayPause BitBtnPlayStop BitBtn2 BitBtn1 "
                              "TrackBar1 Label5 Label7 Label6 LabelSpeed CheckBoxRewind")
            << QStringLiteral("GroupBox2");
    }

    void layout()
    {
        QFETCH(bool, search);
        QFETCH(QSize, size);
        QFETCH(QString, row);
        QFETCH(QString, group);
        test::TestSandbox sandbox;
        test::StartupWindows w;
        QWidget *window = search ? static_cast<QWidget *>(w.find) : w.main.get();
        window->show();
        window->resize(size);
        w.main->PageControl1->setCurrentWidget(w.main->TabSheetComputer);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QWidget *page = search ? window : w.main->TabSheetComputer;
        QTRY_COMPARE(window->size(), size);

        QRect left;
        for (const QString &name : row.split(u' ')) {
            const QList<QWidget *> found = page->findChildren<QWidget *>(name);
            QVERIFY2(found.size() == 1, qPrintable(name));
            const QRect r = inWindow(found.first());
            QVERIFY2(!r.isEmpty() && inWindow(page).contains(r), qPrintable(name));
            QVERIFY2(left.isNull() || r.left() > left.right(), qPrintable(name));
            QVERIFY2(left.isNull() || (r.top() <= left.bottom() && r.bottom() >= left.top()),
                     qPrintable(name));
            left = r;
        }

        const QList<QGroupBox *> groups = page->findChildren<QGroupBox *>(group);
        QCOMPARE(groups.size(), 1);
        QVERIFY(inWindow(page).contains(inWindow(groups.first())));
        const QList<QWidget *> inside =
            groups.first()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *a : inside) {
            QVERIFY2(groups.first()->rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (QWidget *b : inside)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + u'/' + b->objectName()));
        }
    }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
