#include "FolderPicker.h"
#include "TestFolders.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tovrel;
using tovrel::test::ScopedCurrentDir;
using tovrel::test::TempFolder;

namespace {

// What the open picker looked like, taken while it was shown.
struct SeenDialog
{
    bool shown = false;
    QString title;
    QString directory;
    bool directoriesOnly = false;
};

// Opens the real picker and, once it is up, records it and then answers it with `answer`.
std::optional<QString> pickAndAnswer(const QString &preselect, SeenDialog &seen,
                                     const std::function<void(QFileDialog *)> &answer)
{
    QTimer::singleShot(0, qApp, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen.shown = true;
        seen.title = dialog->windowTitle();
        seen.directory = QDir::cleanPath(dialog->directory().absolutePath());
        seen.directoriesOnly = dialog->fileMode() == QFileDialog::Directory &&
                               dialog->testOption(QFileDialog::ShowDirsOnly);
        answer(dialog);
    });
    return pickFolderWithDialog(QString::fromUtf8("请选择目录:"), QString(), preselect);
}

} // namespace

class TestFolderPicker : public QObject
{
    Q_OBJECT

private slots:
    void existingFolderPreselectedAndChosen()
    {
        TempFolder dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("calls")));
        const QString folder = QDir::cleanPath(dir.path());
        SeenDialog seen;
        const auto chosen = pickAndAnswer(folder, seen, [&](QFileDialog *dialog) {
            dialog->selectFile(folder + QStringLiteral("/calls"));
            static_cast<QDialog *>(dialog)->accept(); // the dialog's own OK
        });
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, QString::fromUtf8("请选择目录:"));
        QCOMPARE(seen.directory, folder);
        QVERIFY(seen.directoriesOnly);
        QCOMPARE(chosen.value_or(QString()), folder + QStringLiteral("/calls"));
    }

    void missingFolderNotPreselected()
    {
        TempFolder cwd;
        ScopedCurrentDir cd(cwd.path());
        TempFolder other;
        const QString gone = other.path() + QStringLiteral("gone");
        SeenDialog seen;
        const auto chosen =
            pickAndAnswer(gone, seen, [](QFileDialog *dialog) { dialog->reject(); });
        QVERIFY(seen.shown);
        QVERIFY(!seen.directory.startsWith(QDir::cleanPath(other.path())));
        QVERIFY(!chosen.has_value());
    }
};

QTEST_MAIN(TestFolderPicker)
#include "tst_folderpicker.moc"
