#include "search/SearchScan.h"

#include "notes/RecordingNote.h"
#include "recordings/FolderScan.h"
#include "recordings/FolderWalk.h"
#include "recordings/RecordingWholeness.h"

#include <cstring>

namespace tovrel::search {

bool isSearchRecordingName(const char *name, size_t length)
{
    const void *first = memmem(name, length, ".spx", 4);
    return first != nullptr && static_cast<const char *>(first) == name + length - 4;
}

SearchOutcome runSearchScan(const SearchCriteria &criteria, const SearchHooks &hooks)
{
    SearchOutcome outcome;
    SearchCounts &counts = outcome.counts;
    FolderWalkRules rules;
    rules.maxDepth = kMaxScanDepth;
    rules.isRecordingName = isSearchRecordingName;
    FolderWalkHooks walk;
    walk.recording = [&](const WalkedRecording &r) {
        const SearchHeader header = readSearchHeader(r.header);
        if (!matches(header, criteria))
            return;
        // The note test last, and only on a recording whose note file was listed.
        if (!criteria.note.isEmpty()) {
            if (!r.hasNote)
                return;
            const NoteRead note = readNote(r.path());
            if (!note.ok()) {
                if (hooks.openFailed)
                    hooks.openFailed(note.notePath, note.reason);
                return;
            }
            if (!noteHolds(note.text, criteria.note))
                return;
        }
        ++counts.total;
        switch (header.attribute) {
        case 0:
            ++counts.incoming;
            break;
        case 1:
            ++counts.outgoing;
            break;
        default:
            ++counts.local;
            break;
        }
        if (hooks.found)
            hooks.found(SearchHit{r.fileName(), r.folder, header,
                                  recordingDamage(r).value_or(QString()), r.hasNote});
    };
    walk.fileFailed = hooks.openFailed;
    walk.folderFailed = hooks.folderFailed;
    walk.progress = hooks.progress;
    walk.stop = hooks.stop;
    const auto failure = walkRecordingFolders(criteria.folder, rules, walk);
    outcome.stopped = hooks.stop && hooks.stop->load();
    if (failure && !outcome.stopped) {
        outcome.folderMessage =
            failure->missing ? folderMissingMessage() : unreadableFolderMessage();
        outcome.folderReason = failure->reason;
    }
    return outcome;
}

} // namespace tovrel::search
