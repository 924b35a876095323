// The program options.
#include "app/OptionsDialog.h"

TProgramOptions ProgramOptions;
