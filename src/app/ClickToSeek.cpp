#include "ClickToSeek.h"

#include <QSlider>

namespace tovrel {

void ClickToSeek::install(QSlider *slider, int pageSeconds)
{
    // Without a base style the proxy follows the application's style (and does not own it).
    auto *style = new ClickToSeek;
    style->setParent(slider);
    slider->setStyle(style);
    slider->setSingleStep(1);
    slider->setPageStep(pageSeconds);
}

int ClickToSeek::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                           QStyleHintReturn *returnData) const
{
    // The buttons that set the thumb where they press: the left one, and the middle one as
    // before.
    if (hint == SH_Slider_AbsoluteSetButtons)
        return Qt::LeftButton | Qt::MiddleButton;
    // Paging is left to the keys.
    if (hint == SH_Slider_PageSetButtons)
        return Qt::NoButton;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace tovrel
