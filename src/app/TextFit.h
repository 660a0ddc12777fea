#pragma once

class QMessageBox;
class QWidget;

namespace tovrel {

// Makes the texts of a window built with drawn geometry fit, once its texts are set: in English
// every caption, check box, button and group box narrower than its text is widened (never
// narrowed) to its size hint. The room comes from the controls beside it in its row, nearest
// first: they are moved aside, and the first line edit, progress bar, slider or list among them
// gives up the width; the side it grows to is the side it is anchored to. When neither side has
// room the row moves right and its parent, up to the window, grows. A window also grows to show
// its whole title. In Chinese the drawn geometry is kept as it is.
void fitTexts(QWidget *window);

// Makes a message box at least as wide as its title bar needs for the whole caption.
void fitTitle(QMessageBox *box);

} // namespace tovrel
