#include "ConversionPanel.h"

#include "Anchors.h"
#include "ControlMaking.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace tovrel {
namespace {

constexpr Qt::Edges kLeft = Qt::LeftEdge | Qt::TopEdge;
constexpr Qt::Edges kRight = Qt::RightEdge | Qt::TopEdge;
constexpr Qt::Edges kStretch = Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge;
constexpr int kCaptionLeft = 10;
constexpr QSize kCaptionSize{62, 16};

QLineEdit *folderEdit(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("EditOutput"));
    edit->setReadOnly(true);
    edit->setEnabled(false);
    return edit;
}

constexpr int kFormatHeight = 18;
constexpr int kRoleFormat = Qt::UserRole;
constexpr int kRoleBitrate = Qt::UserRole + 1;
constexpr int kOpusBitrates[] = {12, 16, 24, 32};
constexpr int kMp3Bitrates[] = {8, 16, 24, 32};

QString choiceText(const AudioChoice &choice)
{
    switch (choice.format) {
    case AudioFormat::Wav:
        return QStringLiteral("WAV");
    case AudioFormat::Flac:
        return QStringLiteral("FLAC");
    case AudioFormat::Opus:
        return ConversionPanel::tr("Opus %1 kbit/s").arg(choice.bitrateKbps);
    case AudioFormat::Mp3:
        return ConversionPanel::tr("MP3 %1 kbit/s").arg(choice.bitrateKbps);
    }
    return {};
}

void addChoice(QComboBox *format, const AudioChoice &choice)
{
    format->addItem(choiceText(choice));
    const int index = format->count() - 1;
    format->setItemData(index, formatName(choice.format), kRoleFormat);
    format->setItemData(index, choice.bitrateKbps, kRoleBitrate);
}

QComboBox *formatBox(QWidget *parent)
{
    auto *format = new QComboBox(parent);
    format->setObjectName(QStringLiteral("ComboFormat"));
    format->setToolTip(ConversionPanel::tr(
        "转换成的格式。FLAC、Opus 和 MP3 文件里写有通话的类型、号码、时间、联系人和备注。"));
    addChoice(format, {AudioFormat::Wav, 0});
    addChoice(format, {AudioFormat::Flac, 0});
    for (int kbps : kOpusBitrates)
        addChoice(format, {AudioFormat::Opus, kbps});
    for (int kbps : kMp3Bitrates)
        addChoice(format, {AudioFormat::Mp3, kbps});
    return format;
}

QLabel *fileLabel(QWidget *parent, const char *name)
{
    if (!name)
        return nullptr;
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

ConversionPanel::ConversionPanel(QWidget *parent, const ConversionPanelLayout &layout)
    : QGroupBox(tr("转换WAV文件"), parent), output(folderEdit(this)),
      outputButton(controls::pictureButton(this, "BitBtnOutput", QStyle::SP_DirOpenIcon)),
      selectedLabel(fileLabel(this, layout.selectedLabelName)),
      fileBar(controls::progressBar(this, "ProgressBar1")),
      allLabel(layout.allLabelName ? fileLabel(this, layout.allLabelName) : selectedLabel),
      runBar(controls::progressBar(this, "ProgressBar2")),
      selectedButton(
          controls::pictureButton(this, "BitBtn4", QStyle::SP_DialogApplyButton, tr("转换选择"))),
      allButton(
          controls::pictureButton(this, "BitBtn5", QStyle::SP_DialogApplyButton, tr("转换全部"))),
      format(formatBox(this))
{
    setObjectName(QString::fromLatin1(layout.name));
    resize(layout.size);
    auto *anchors = new Anchors(this, layout.size);
    const auto caption = [&](const QString &text, int top) {
        anchors->place(new QLabel(text, this), {QPoint(kCaptionLeft, top), kCaptionSize}, kLeft);
    };
    caption(tr("输出目录.."), 24);
    anchors->place(output, layout.output, kStretch);
    anchors->place(outputButton, layout.outputButton, kRight);
    anchors->place(selectedLabel, layout.selectedLabel, kStretch);
    caption(tr("当前进度.."), layout.fileBar.top());
    anchors->place(fileBar, layout.fileBar, kStretch);
    if (allLabel != selectedLabel)
        anchors->place(allLabel, layout.allLabel, kStretch);
    caption(tr("总体进度.."), layout.runBar.top());
    anchors->place(runBar, layout.runBar, kStretch);
    anchors->place(selectedButton, layout.selectedButton, kRight);
    anchors->place(allButton, layout.allButton, kRight);
    // As wide as its longest entry needs, right-aligned with the buttons above the folder's
    // button.
    const int formatWidth = format->sizeHint().width();
    anchors->place(format,
                   {layout.allButton.right() + 1 - formatWidth, 0, formatWidth, kFormatHeight},
                   kRight);
}

ConversionControls ConversionPanel::controls() const
{
    ConversionControls c;
    c.selectedButton = selectedButton;
    c.allButton = allButton;
    c.fileBar = fileBar;
    c.runBar = runBar;
    c.selectedLabel = selectedLabel;
    c.allLabel = allLabel;
    c.output = output;
    c.format = format;
    return c;
}

AudioChoice choiceOf(const QComboBox *format, int index)
{
    const auto name = formatFromName(format->itemData(index, kRoleFormat).toString());
    return {name.value_or(AudioFormat::Wav), format->itemData(index, kRoleBitrate).toInt()};
}

void selectChoice(QComboBox *format, const AudioChoice &choice)
{
    const AudioChoice wanted{choice.format,
                             takesBitrate(choice.format) ? choice.effectiveBitrate() : 0};
    for (int i = 0; i < format->count(); ++i) {
        if (choiceOf(format, i) == wanted) {
            format->setCurrentIndex(i);
            return;
        }
    }
    addChoice(format, wanted);
    format->setCurrentIndex(format->count() - 1);
}

} // namespace tovrel
