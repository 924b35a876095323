// The search dialog.
#include "app/SearchFileDialog.h"

TSearchFileForm *SearchFileForm = nullptr;
