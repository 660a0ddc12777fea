// The PC tab: the local recording list and WAV conversion.

#include "TMainForm.h"

namespace tovrel {

void TMainForm::connectComputerHandlers() {}

void TMainForm::TabSheetComputerShow() {}

void TMainForm::BitBtn3Click() {}

void TMainForm::BitBtn4Click() {}

void TMainForm::BitBtn5Click() {}

} // namespace tovrel
