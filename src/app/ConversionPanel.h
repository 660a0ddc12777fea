#pragma once

#include "ConversionControl.h"

#include <QGroupBox>
#include <QRect>
#include <QSize>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tovrel {

// Where one window puts the controls of its conversion group (relative to the group) and what it
// names the group and its file-name labels. Each bar's caption stands at the group's left edge,
// level with its bar.
struct ConversionPanelLayout
{
    const char *name = nullptr;
    // The group as designed; the edit, the labels and the bars take up any width it gains or
    // loses, the buttons keep their distance to its right edge.
    QSize size;
    QRect output;       // EditOutput
    QRect outputButton; // BitBtnOutput
    QRect selectedLabel;
    const char *selectedLabelName = nullptr;
    QRect fileBar; // ProgressBar1
    // None (no name): the label of convert selected serves convert all too.
    QRect allLabel;
    const char *allLabelName = nullptr;
    QRect runBar;         // ProgressBar2
    QRect selectedButton; // BitBtn4
    QRect allButton;      // BitBtn5
};

// The group "转换WAV文件": the output folder (EditOutput, chosen with BitBtnOutput), the progress
// of the current file (ProgressBar1) and of the whole run (ProgressBar2), the name of the file
// being converted, the buttons 转换选择 (BitBtn4) and 转换全部 (BitBtn5), and in the title band
// at the right, above the buttons, the format the files are converted into (ComboFormat). The PC
// tab and the search window each show one and convert through it with a ConversionControl.
class ConversionPanel : public QGroupBox
{
    Q_OBJECT

public:
    ConversionPanel(QWidget *parent, const ConversionPanelLayout &layout);

    // The group's controls for a ConversionControl; the window adds its list and the controls a
    // run holds off.
    ConversionControls controls() const;

    // Disabled and read-only; empty until a folder is chosen.
    QLineEdit *const output;
    QPushButton *const outputButton;
    QLabel *const selectedLabel;
    QProgressBar *const fileBar;
    // The same label as selectedLabel when the window has only one.
    QLabel *const allLabel;
    QProgressBar *const runBar;
    QPushButton *const selectedButton;
    QPushButton *const allButton;
    // WAV, FLAC, then Opus and MP3 at the bit rates offered; each entry's data is its
    // AudioChoice (see choiceOf).
    QComboBox *const format;
};

// The choice an entry of the format box stands for.
AudioChoice choiceOf(const QComboBox *format, int index);
// Selects the entry of `choice` in the format box, adding one for a bit rate not offered.
void selectChoice(QComboBox *format, const AudioChoice &choice);

} // namespace tovrel
