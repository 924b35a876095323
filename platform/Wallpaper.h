// The desktop wallpaper.
#pragma once

#include <string>

namespace Platform {

// Sets the picture as the wallpaper through the desktop portal, else the desktop's own
// mechanism; false when no way succeeded.
bool SetDesktopWallpaper(const std::string &absolutePath);

} // namespace Platform
