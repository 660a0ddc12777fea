#include "ControlMaking.h"

#include <QProgressBar>
#include <QPushButton>

namespace tovrel::controls {

QPushButton *pictureButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                           const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    return button;
}

QProgressBar *progressBar(QWidget *parent, const char *name)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

} // namespace tovrel::controls
