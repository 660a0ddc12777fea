#include "ConversionControl.h"

#include "ConversionPanel.h"
#include "MessageSink.h"
#include "ReportListView.h"
#include "StandardError.h"

#include "Utf8Text.h"
#include "activity/ActivityFlags.h"
#include "activity/ActivityRules.h"
#include "conversion/ConversionWorker.h"
#include "io/NativePath.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace tovrel {
namespace {

// Progress bars count in int; a run's chunk total may not fit.
int barValue(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

void setBarPosition(QProgressBar *bar, qint64 value)
{
    // A position beyond the maximum leaves the bar at its maximum.
    bar->setValue(std::min(barValue(value), bar->maximum()));
}

std::atomic<int> &conversionFlag(bool selected)
{
    return selected ? ConvertSelectedFlag : ConvertAllFlag;
}

} // namespace

ConversionControl::ConversionControl(const ConversionControls &controls,
                                     const ConversionRules &rules, MessageSink *messages,
                                     QObject *parent)
    : QObject(parent), m_c(controls), m_rules(rules), m_messages(messages)
{
    connect(m_c.selectedButton, &QPushButton::clicked, this, &ConversionControl::selectedClick);
    connect(m_c.allButton, &QPushButton::clicked, this, &ConversionControl::allClick);
    if (m_c.format) {
        readChoice();
        connect(m_c.format, &QComboBox::currentIndexChanged, this,
                &ConversionControl::formatChosen);
        // The other window may have stored another choice meanwhile.
        m_c.format->window()->installEventFilter(this);
    }
}

bool ConversionControl::eventFilter(QObject *watched, QEvent *event)
{
    if (m_c.format && watched == m_c.format->window() && !m_run &&
        (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate))
        readChoice();
    return QObject::eventFilter(watched, event);
}

void ConversionControl::readChoice()
{
    const QSignalBlocker quiet(m_c.format);
    selectChoice(m_c.format, sysconf::readConversionChoice());
}

void ConversionControl::formatChosen(int index)
{
    // A choice that cannot be stored is said so; the window shows the stored one again when it is
    // next shown or activated.
    if (const auto error = sysconf::writeConversionChoice(choiceOf(m_c.format, index)))
        showStandardError(*m_messages, *error);
}

AudioChoice ConversionControl::choice() const
{
    return m_c.format ? choiceOf(m_c.format, m_c.format->currentIndex()) : AudioChoice{};
}

QLabel *ConversionControl::label() const
{
    return m_selected ? m_c.selectedLabel : m_c.allLabel;
}

QString ConversionControl::outputFolder() const
{
    return QDir::fromNativeSeparators(m_c.output->text());
}

// The rules both buttons start with. A click during a run is its stop request: the run ends
// after the chunk in hand, and until its worker has ended the button stays disabled, so two runs
// never overlap. Then playback and a missing output folder refuse. Returns true when the click
// has been dealt with.
bool ConversionControl::clickHandled(bool selected)
{
    std::atomic<int> &flag = conversionFlag(selected);
    if (flag.load() == 1) {
        flag.store(0);
        (selected ? m_c.selectedButton : m_c.allButton)->setEnabled(false);
        return true;
    }
    if (m_run)
        return true;
    if (const auto refusal = refusalFor(Activity::ConversionStart)) {
        m_messages->warn(*refusal);
        return true;
    }
    if (m_c.output->text().isEmpty()) {
        m_messages->warn(tr("请选择转换的输出目录！"));
        return true;
    }
    return false;
}

void ConversionControl::selectedClick()
{
    if (clickHandled(true))
        return;
    if (m_c.list->selectedRows().isEmpty()) {
        m_messages->warn(tr("请选择需要转换的文件！"));
        return;
    }
    startRun(true);
}

void ConversionControl::allClick()
{
    if (clickHandled(false))
        return;
    if (m_c.model->rowCount() == 0) {
        // Nothing listed: say so rather than report an empty run as a success.
        m_messages->warn(m_rules.emptyListText);
        return;
    }
    if (m_rules.convertAllSelectsRows)
        m_c.list->selectAll();
    else
        m_c.list->clearSelection();
    startRun(false);
}

void ConversionControl::startRun(bool selected)
{
    // The rows keep their files' paths: the run converts exactly the files listed.
    QStringList inputs;
    if (selected) {
        for (int row : m_c.list->selectedRows())
            inputs.append(m_c.model->row(row).key.toString());
    } else {
        for (const ReportRow &row : m_c.model->rows())
            inputs.append(row.key.toString());
    }
    conversionFlag(selected).store(1);
    m_selected = selected;
    m_incomplete.clear();
    // The files are decoded on every core.
    auto *worker = new ConversionWorker(inputs, outputFolder(), conversionFlag(selected));
    const AudioChoice format = choice();
    // A WAV has no tags: its run reads no book.
    worker->setOutput(format, format.format != AudioFormat::Wav && m_rules.contacts
                                  ? m_rules.contacts()
                                  : nullptr);
    m_run = new ConversionRun(worker, this);
    connect(worker, &ConversionWorker::fileStarted, this, &ConversionControl::fileStarted);
    connect(worker, &ConversionWorker::progress, this, &ConversionControl::progress);
    connect(worker, &ConversionWorker::fileFinished, this, [this] { m_c.fileBar->setValue(0); });
    connect(worker, &ConversionWorker::fileIncomplete, this,
            [this](const QString &input, const QString &text) {
                m_incomplete.append(tr("%1：%2").arg(shownPath(QFileInfo(input).fileName()), text));
            });
    connect(worker, &ConversionWorker::failed, this, [this](const QString &text) { failed(text); });
    connect(worker, &ConversionWorker::finished, this, &ConversionControl::finished);

    setRunControlsEnabled(selected, false, true);
    (selected ? m_c.selectedButton : m_c.allButton)->setText(tr("停止转换"));
    m_run->start();
}

// The controls a run disables: the play buttons, the window's run controls and the other
// conversion button.
void ConversionControl::setRunControlsEnabled(bool selected, bool enabled, bool withPlayButtons)
{
    if (withPlayButtons) {
        for (QWidget *w : std::as_const(m_c.playButtons))
            w->setEnabled(enabled);
    }
    for (QWidget *w : std::as_const(m_c.runControls))
        w->setEnabled(enabled);
    if (m_c.format)
        m_c.format->setEnabled(enabled);
    (selected ? m_c.allButton : m_c.selectedButton)->setEnabled(enabled);
}

void ConversionControl::fileStarted(const QString &fileName, int chunkCount, qint64 overallMaximum)
{
    label()->setText(fileName);
    // An empty range would turn the bars into busy indicators.
    m_c.runBar->setMaximum(std::max(1, barValue(overallMaximum)));
    m_c.fileBar->setMaximum(std::max(1, chunkCount));
    m_c.fileBar->setValue(0);
}

void ConversionControl::progress(int fileChunks, qint64 runChunks)
{
    setBarPosition(m_c.fileBar, fileChunks);
    setBarPosition(m_c.runBar, runChunks);
}

QString ConversionControl::incompleteFilesText() const
{
    if (m_incomplete.isEmpty())
        return {};
    return tr("以下文件没有完整转换：") + QLatin1Char('\n') + m_incomplete.join(QLatin1Char('\n'));
}

void ConversionControl::failed(const QString &text)
{
    // The files before the failure that were not converted whole are named with it.
    const QString incomplete = incompleteFilesText();
    m_messages->warn(incomplete.isEmpty() ? text : text + QLatin1Char('\n') + incomplete);
    m_c.fileBar->setValue(0);
    m_c.runBar->setValue(0);
    label()->setText({});
    conversionFlag(m_selected).store(0);
    // The play buttons are left to the playback timer.
    setRunControlsEnabled(m_selected, true, false);
    endRun();
}

void ConversionControl::finished()
{
    std::atomic<int> &flag = conversionFlag(m_selected);
    setRunControlsEnabled(m_selected, true, true);
    // Files not converted whole are named, after a stop too; a run with any is no success.
    if (const QString incomplete = incompleteFilesText(); !incomplete.isEmpty())
        m_messages->warn(incomplete);
    else if (flag.load() == 1)
        m_messages->warn(m_selected ? m_rules.selectedSucceededText : m_rules.allSucceededText);
    m_c.runBar->setValue(0);
    label()->setText({});
    if (flag.load() == 1) {
        const QString folder = outputFolder();
        if (m_rules.openFolder)
            m_rules.openFolder(folder);
        else
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
    flag.store(0);
    endRun();
}

// Gives the button of the ended run back its caption and lets the run's thread go.
void ConversionControl::endRun()
{
    QPushButton *button = m_selected ? m_c.selectedButton : m_c.allButton;
    button->setText(m_selected ? tr("转换选择") : tr("转换全部"));
    button->setEnabled(true);
    if (m_run) {
        m_run->deleteLater();
        m_run = nullptr;
    }
    emit runEnded();
}

} // namespace tovrel
