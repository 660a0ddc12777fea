#pragma once

#include <QProxyStyle>

class QSlider;

namespace tovrel {

// A position bar that behaves as media players' do: a left click on the bar puts the thumb
// under the pointer (and it can be dragged on from there) instead of paging towards it, while
// the arrow keys step one second and PageUp/PageDown `pageSeconds` seconds. The bar keeps the
// look of the application's style; the behaviour lives with the slider and ends with it.
class ClickToSeek : public QProxyStyle
{
    Q_OBJECT

public:
    static void install(QSlider *slider, int pageSeconds = 5);

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;

private:
    ClickToSeek() = default;
};

} // namespace tovrel
