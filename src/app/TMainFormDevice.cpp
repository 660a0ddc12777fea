// The telephone tab: connection monitor, login, the telephone's list and the upload.

#include "TMainForm.h"

#include <QTimer>

namespace tovrel {

void TMainForm::connectDeviceHandlers()
{
    connect(TimerUSBConnect, &QTimer::timeout, this, &TMainForm::TimerUSBConnectTimer);
}

void TMainForm::TimerUSBConnectTimer() {}

void TMainForm::PageControl1Change(int) {}

void TMainForm::BitBtnRefershClick() {}

void TMainForm::BitBtnUploadClick() {}

void TMainForm::BitBtnUploadAllClick() {}

void TMainForm::FormClose() {}

} // namespace tovrel
