#pragma once

#include <QStyle>

class QProgressBar;
class QPushButton;
class QWidget;

// Small makers for controls the windows build the same way.
namespace tovrel::controls {

// A button with one of the style's standard pictures, and a caption when given.
QPushButton *pictureButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                           const QString &caption = {});

// An idle progress bar: 0 of 100, no text.
QProgressBar *progressBar(QWidget *parent, const char *name);

} // namespace tovrel::controls
