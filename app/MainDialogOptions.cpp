// The main window's options files: the stored text lists and the options data file.
#include "app/MainDialog.h"

void TMainForm::LoadOptionsFiles() {}

void TMainForm::SaveOptionsFiles() {}
