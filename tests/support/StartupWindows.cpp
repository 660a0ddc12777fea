#include "StartupWindows.h"

#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"

#include <QEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace tovrel::test {

StartupWindows::StartupWindows(const std::function<void(AppContext &)> &adjust)
{
    AppContext context;
    context.messages = &messages;
    context.pickFolder = [this](const QString &prompt, const QString &, const QString &preselect) {
        pickerPrompts.append(prompt);
        pickerPreselections.append(preselect);
        return pickerAnswer;
    };
    if (adjust)
        adjust(context);
    main = std::make_unique<TMainForm>(context);
    password = new TPasswordDlg(context, main.get());
    find = new TFindForm(context, main.get());
    exportForm = new TExportForm1(context, main.get());
    main->setWindows(password, find, exportForm);
}

StartupWindows::~StartupWindows() = default;

void answerWhenShown(QWidget *dialog, std::function<void()> answer)
{
    // Watches for the dialog's next show, once.
    class ShowWatch : public QObject
    {
    public:
        ShowWatch(QWidget *dialog, std::function<void()> answer)
            : QObject(dialog), m_answer(std::move(answer))
        {
            dialog->installEventFilter(this);
        }
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Show) {
                watched->removeEventFilter(this);
                QTimer::singleShot(0, watched, std::move(m_answer));
                deleteLater();
            }
            return false;
        }

    private:
        std::function<void()> m_answer;
    };
    new ShowWatch(dialog, std::move(answer));
}

void runSearch(TFindForm *find)
{
    find->BtnFindClick();
    QVERIFY(QTest::qWaitFor([find] { return !find->isSearching(); }, 60000));
}

void waitForScan(TMainForm *main)
{
    QVERIFY(QTest::qWaitFor([main] { return !main->isScanning(); }, 60000));
}

} // namespace tovrel::test
