#pragma once

#include "TelephoneLink.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

// The upload worker: copies the chosen recordings from the telephone into the local folder,
// one .spx file each (the directory record as header, then the payload in packets of at most
// 256 bytes). It works from its own copy of the rows' device indices and reports by signals;
// it never touches a window. Run Execute() on a worker thread (the window) or directly (the
// command line).
//
// Each file is written under a temporary name in the folder and renamed over its final name
// only when it is complete, so an earlier complete copy of the same recording is never
// destroyed. A file cut short (failed or short packet, stop request) takes the final name only
// when no file of that name exists yet; otherwise the partial copy is removed. Every write is
// checked and the file is synced before the rename: a full disk ends the batch with
// "写入文件错误" and never leaves a short or empty file under the final name.
//
// The batch counts as complete only when every selected recording arrived whole; otherwise
// one message names those that did not (unless the user stopped the batch).
//
// Every file takes the call's date and time as its modification time (when the record names a
// real date), before it takes its name.
//
// With "only new" set, a recording is known by its call, not by its place in the telephone's
// list: a telephone that drops its oldest recordings or reorganises its memory changes every
// position (part of the file name) and start address (part of the record). The folder is
// listed once per batch, its files indexed by their names without the position. A recording
// counts as present when a file of its name apart from the position holds its record apart
// from the start address (recordIdentity) and is exactly header plus payload long: no data
// command is sent for it and that file is not touched. Otherwise it is uploaded under its
// name; copies of the same call cut short by an earlier upload, under whatever position, are
// removed once the whole file has taken its name (the one under its name is replaced by it).
// A name held by a file of another call (two calls to the same number in the same minute
// whose positions shifted) is never replaced: the recording takes the first free name of
// "<name> (2).spx", "<name> (3).spx", ... The end message then also gives the counts.
namespace tovrel {

class TStorageSingleThread : public QObject
{
    Q_OBJECT

public:
    // `folder` ends with a separator; `deviceIndices` are the telephone's recording indices in
    // row order.
    TStorageSingleThread(std::shared_ptr<TelephoneLink> link, QString folder,
                         QList<int> deviceIndices, QObject *parent = nullptr);

    // The terminate request: takes effect before the next file or packet.
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop.load(); }
    // The pause between a record command and its answer (100 ms; benchmarks set 0).
    void setRecordPauseMs(int ms) { m_recordPauseMs = ms; }
    // The file names the telephone's list showed for the indices, so a recording whose record
    // never arrived can still be named when it is reported as not uploaded whole.
    void setListedNames(QHash<int, QString> names) { m_listedNames = std::move(names); }
    // After the body: the recordings of the selection that did not arrive whole, in row order.
    QStringList notWhole() const { return m_notWhole; }
    // Whether a file cut short by a stop request keeps what arrived (under its name, when no
    // file of that name exists yet) or is removed with its temporary file. The window's cancel
    // keeps it; an interrupted command line removes it.
    void setKeepPartialOnStop(bool keep) { m_keepPartialOnStop = keep; }
    // Upload only what is not in the folder yet. The records are then read without the pause
    // before their answer, as the telephone's list reads them, so a batch of recordings all
    // present costs no more than reading the list.
    void setOnlyNew(bool onlyNew) { m_onlyNew = onlyNew; }
    // A batch that arrived whole ends without the completion message: the caller says it in its
    // own way (the window's upload on plugging in, as a desktop notification). Failures are
    // still messages.
    void setQuietCompletion(bool quiet) { m_quietCompletion = quiet; }
    // After the body: recordings uploaded whole, and those left as they were (only new).
    int uploadedCount() const { return m_uploaded; }
    int alreadyPresentCount() const { return m_present; }

public slots:
    void Execute();

signals:
    void labelChanged(const QString &text);
    void packetRangeChanged(int maximum);
    void packetProgress(int value);
    void batchRangeChanged(int maximum);
    void batchProgress(int value);
    // A message box to show; a window shows it before the worker goes on.
    void message(const QString &text);
    // The body has ended. `idle` is false only when the folder could not be created: the
    // window then stays in its running state until the upload is cancelled. `complete` is true
    // only when every selected recording arrived whole. The worker leaves Uploading alone: the
    // receiver clears it when it puts its controls back.
    void ended(bool idle, bool complete);

private:
    enum class FileOutcome
    {
        Complete,
        Present,   // only new: the folder holds it whole already; nothing was exchanged
        Short,     // the file ended early; the batch goes on
        StopBatch, // no further files
    };
    // `name` receives the file's name once its record has been read.
    FileOutcome uploadOne(int deviceIndex, int filesDone, QString *name);

    // Only new: a recording file of the folder. Its first bytes are read when a recording of
    // the same name key (uploadNameKey) asks for them.
    struct FolderEntry
    {
        QString name;
        qint64 size = 0;
        bool headRead = false;
        QByteArray head; // the record's length of bytes; empty when unreadable or too short
    };
    // What the folder holds of one recording's call.
    struct FolderMatch
    {
        bool whole = false;         // a whole file of the call, under any position
        QStringList cutCopies;      // files of the call shorter than whole
        QString name;               // the name to write when not whole
        bool nameHoldsCall = false; // `name` holds a copy of the call (it is replaced)
    };
    void indexFolder();
    bool holdsCall(FolderEntry &entry, const QByteArray &identity, bool longForm);
    FolderMatch lookUp(const QString &uploadName, const QByteArray &record, quint32 payloadLength);
    // Removes `cutCopies` (never `name`) and records `name` (size < 0: unchanged) in the index.
    void noteFile(const QString &name, qint64 size, const QByteArray &record,
                  const QStringList &cutCopies);
    void finish();
    QString nameOf(int deviceIndex) const;

    std::shared_ptr<TelephoneLink> m_link;
    QString m_folder;
    QList<int> m_indices;
    QHash<int, QString> m_listedNames;
    QStringList m_notWhole;
    std::atomic<bool> m_stop{false};
    int m_recordPauseMs = 100;
    bool m_keepPartialOnStop = true;
    bool m_onlyNew = false;
    bool m_quietCompletion = false;
    int m_uploaded = 0;
    int m_present = 0;
    QHash<QString, QList<FolderEntry>> m_folderIndex;
};

// The key of the only-new index: an upload file name (MMDDhhmm_NNNN_<number>.spx, or with
// " (k)" before ".spx") without its position and number suffix, "MMDDhhmm_<number>"; empty for
// any other name.
QString uploadNameKey(QStringView name);

// The upload's own messages.
QString folderCreateErrorText(); // "创建文件夹错误"
QString fileCreateErrorText();   // "创建文件错误"
QString fileWriteErrorText();    // "写入文件错误"
QString uploadFinishedText();    // "所选择的文件上传结束"
// "以下文件没有完整上传：" and one name a line: the recordings of a batch not uploaded whole.
QString uploadNotWholeText(const QStringList &names);
QString recordingNumberText(int position); // "第N条录音", for a recording not named yet
QString uploadLabelText(int fileNumber);   // "上传进度：正在上传选择的第N个文件"
QString uploadIdleLabelText();             // "上传进度"
// The counts of an "only new" batch: "上传 N 个，已有 M 个，不完整 K 个".
QString uploadCountsText(int uploaded, int present, int notWhole);

} // namespace tovrel
