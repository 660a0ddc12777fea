#include "activity/ActivityRules.h"

#include "activity/ActivityFlags.h"

#include <array>
#include <span>

#include <QCoreApplication>

namespace tovrel {
namespace {

enum class Blocker
{
    UploadRuns,
    PlayingOrPaused,
    ConversionRuns,
};

struct Rule
{
    Blocker blocker;
    const char *message; // UTF-8
};

// The exclusion table. Within one activity the rules are tested in the order given here.
constexpr std::array listRules{
    Rule{Blocker::PlayingOrPaused, QT_TRANSLATE_NOOP("ActivityRules", "请先停止播放！")},
    Rule{Blocker::ConversionRuns, QT_TRANSLATE_NOOP("ActivityRules", "请先停止转换！")},
};
constexpr std::array searchRules{
    Rule{Blocker::UploadRuns, QT_TRANSLATE_NOOP("ActivityRules", "请先停止上传！")},
    Rule{Blocker::PlayingOrPaused, QT_TRANSLATE_NOOP("ActivityRules", "请先停止播放！")},
    Rule{Blocker::ConversionRuns, QT_TRANSLATE_NOOP("ActivityRules", "请先停止转换！")},
};
constexpr std::array playbackRules{
    Rule{Blocker::ConversionRuns, QT_TRANSLATE_NOOP("ActivityRules", "请先停止转换！")},
};
constexpr std::array conversionRules{
    Rule{Blocker::PlayingOrPaused, QT_TRANSLATE_NOOP("ActivityRules", "请先停止播放文件！")},
};

std::span<const Rule> rulesFor(Activity activity)
{
    switch (activity) {
    case Activity::TelephoneList:
    case Activity::Upload:
    case Activity::MainListExport:
        return listRules;
    case Activity::OpenSearch:
        return searchRules;
    case Activity::PlaybackStart:
        return playbackRules;
    case Activity::ConversionStart:
        return conversionRules;
    }
    return {};
}

bool holds(Blocker blocker)
{
    switch (blocker) {
    case Blocker::UploadRuns:
        return isUploading();
    case Blocker::PlayingOrPaused:
        return isPlayingOrPaused();
    case Blocker::ConversionRuns:
        return isConverting();
    }
    return false;
}

} // namespace

QString refusalCaption()
{
    return QStringLiteral("Waring");
}

std::optional<QString> refusalFor(Activity activity)
{
    for (const Rule &rule : rulesFor(activity)) {
        if (holds(rule.blocker))
            return QCoreApplication::translate("ActivityRules", rule.message);
    }
    return std::nullopt;
}

} // namespace tovrel
