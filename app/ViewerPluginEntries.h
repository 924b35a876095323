// A viewer plug-in slot's rendering entries in the form the picture services call them.
#pragma once

#include "Libraries/MyGDIPlus.h"
#include "app/ViewerPlugins.h"

TPluginPictureSizeFunction PictureSizeEntry(const TViewerPlugins &plugins, int slot);
TPluginLoadFileFunction LoadFileEntry(const TViewerPlugins &plugins, int slot);
