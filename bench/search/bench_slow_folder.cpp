// The windows while a slow folder is read: the search window's search and the PC tab's scan run
// over a folder served through the tests' FUSE file system (tests/support/SlowFolderFs.c), which
// waits in every call. Another thread posts a mouse click on a button of the window every 20 ms;
// the figures are how long the window took to answer each click (from its posting to the
// button's clicked signal) while the folder was read, how many clicks went unanswered, and, for
// the search, how long its "停止查询" click took to end it.
//
//   bench_slow_folder [--benchmark_...]   (environment: SLOW_FILES, default 600; SLOW_DELAY_MS,
//                                          default 5)

#include "AppContext.h"
#include "MessageSink.h"
#include "SlowFolder.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TestFolders.h"

#include "report/ReportModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace tovrel;

namespace {

class SilentSink : public MessageSink
{
public:
    MessageAnswer show(const Message &) override { return MessageAnswer::Ok; }
};

constexpr int kClickEveryMs = 20;

// Clicks a probe button from another thread every 20 ms and times each answer.
class ClickProbe
{
public:
    ClickProbe()
    {
        // Made here, on the window thread: the clicks of the probe's thread take it.
        QPointingDevice::primaryPointingDevice();
        m_button.resize(80, 30);
        m_button.show();
        QObject::connect(&m_button, &QPushButton::clicked, [this] {
            const std::lock_guard lock(m_lock);
            if (!m_posted.empty()) {
                m_latenciesMs.push_back(double(m_clock.nsecsElapsed() - m_posted.front()) / 1e6);
                m_posted.erase(m_posted.begin());
            }
        });
        m_clock.start();
    }
    void start()
    {
        m_running = true;
        m_thread = std::thread([this] {
            while (m_running.load()) {
                {
                    const std::lock_guard lock(m_lock);
                    m_posted.push_back(m_clock.nsecsElapsed());
                }
                const QPointF at(40, 15);
                QCoreApplication::postEvent(
                    &m_button, new QMouseEvent(QEvent::MouseButtonPress, at, at, Qt::LeftButton,
                                               Qt::LeftButton, Qt::NoModifier));
                QCoreApplication::postEvent(
                    &m_button, new QMouseEvent(QEvent::MouseButtonRelease, at, at, Qt::LeftButton,
                                               Qt::NoButton, Qt::NoModifier));
                std::this_thread::sleep_for(std::chrono::milliseconds(kClickEveryMs));
            }
        });
    }
    void stop()
    {
        m_running = false;
        m_thread.join();
        QCoreApplication::processEvents();
    }
    void report(benchmark::State &state)
    {
        double worst = 0, sum = 0;
        for (double ms : m_latenciesMs) {
            worst = std::max(worst, ms);
            sum += ms;
        }
        state.counters["clicks"] = double(m_latenciesMs.size());
        state.counters["unanswered"] = double(m_posted.size());
        state.counters["click_max_ms"] = worst;
        state.counters["click_mean_ms"] = m_latenciesMs.empty() ? 0 : sum / m_latenciesMs.size();
    }

private:
    QPushButton m_button;
    QElapsedTimer m_clock;
    std::mutex m_lock;
    std::vector<qint64> m_posted;
    std::vector<double> m_latenciesMs;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

struct SlowTree
{
    test::TempFolder source;
    std::unique_ptr<test::SlowFolder> slow;
    SlowTree()
    {
        const int files = envInt("SLOW_FILES", 600);
        QByteArray header(32, '\0');
        for (int i = 0; i < files; ++i)
            source.write(QStringLiteral("d%1/%2.spx").arg(i % 4).arg(i, 5, 10, QLatin1Char('0')),
                         header);
        slow = std::make_unique<test::SlowFolder>(source.path(), envInt("SLOW_DELAY_MS", 5));
    }
};

SlowTree &tree()
{
    static SlowTree t;
    return t;
}

AppContext silentContext()
{
    static SilentSink sink;
    AppContext context;
    context.messages = &sink;
    return context;
}

void waitWhile(const std::function<bool()> &running)
{
    while (running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_SearchSlowFolder(benchmark::State &state)
{
    if (!tree().slow->isMounted()) {
        state.SkipWithError("FUSE cannot mount here");
        return;
    }
    TFindForm window(silentContext());
    window.setSearchFolder(tree().slow->path());
    window.show();
    for (auto _ : state) {
        ClickProbe probe;
        probe.start();
        // A whole search, clicked at all along.
        window.BtnFindClick();
        waitWhile([&] { return window.isSearching(); });
        const int rows = window.FindListViewModel->rowCount();
        // A search stopped after its first rows.
        window.BtnFindClick();
        waitWhile([&] { return window.FindListViewModel->rowCount() == 0; });
        QElapsedTimer stop;
        stop.start();
        window.BtnFind->click();
        waitWhile([&] { return window.isSearching(); });
        state.counters["stop_ms"] = double(stop.nsecsElapsed()) / 1e6;
        probe.stop();
        probe.report(state);
        state.counters["rows"] = rows;
    }
}

void BM_ComputerTabSlowFolder(benchmark::State &state)
{
    if (!tree().slow->isMounted()) {
        state.SkipWithError("FUSE cannot mount here");
        return;
    }
    TMainForm window(silentContext());
    window.TimerUSBConnect->stop();
    window.show();
    for (auto _ : state) {
        ClickProbe probe;
        probe.start();
        window.EditInput->setText(tree().slow->path() + QStringLiteral("d0/"));
        window.TabSheetComputerShow();
        waitWhile([&] { return window.isScanning(); });
        probe.stop();
        probe.report(state);
        state.counters["rows"] = window.ListViewFileModel->rowCount();
    }
}

BENCHMARK(BM_SearchSlowFolder)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComputerTabSlowFolder)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
