#include "ConversionPanel.h"

#include "Anchors.h"
#include "ControlMaking.h"

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
          controls::pictureButton(this, "BitBtn5", QStyle::SP_DialogApplyButton, tr("转换全部")))
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
    return c;
}

} // namespace tovrel
