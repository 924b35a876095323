// A viewer plug-in for the tests: reads ".pcx.tga", sizes every picture 64 x 32, paints it plain.
#include "app/ViewerPlugins.h"

#include <cstring>

extern "C" {

const char *GetPluginInfo()
{
    return "Velmordian test plug-in";
}

const char *LoadFileExtensions()
{
    return ".pcx.tga";
}

// Only ".TGA" thumbnails depend on the text format, which shows the extension comes upper-cased.
unsigned char RecacheOnTextFormatChange(const char *extension)
{
    return std::strcmp(extension, ".TGA") == 0 ? 1 : 0;
}

void GetPictureSize(const char *fileName,
                    const char *upperExtension,
                    int wantedWidth,
                    int wantedHeight,
                    int *width,
                    int *height)
{
    static_cast<void>(fileName);
    static_cast<void>(upperExtension);
    static_cast<void>(wantedWidth);
    static_cast<void>(wantedHeight);
    *width = 64;
    *height = 32;
}

// Fills the whole bitmap with the back colour.
void LoadFileToBitmap(const char *fileName,
                      const char *upperExtension,
                      TViewerPluginBitmapInfo *info)
{
    static_cast<void>(fileName);
    static_cast<void>(upperExtension);
    if (!info || info->version != 1 || !info->pixels || info->width < 1 || info->height < 1) return;
    const auto blue = static_cast<std::uint8_t>((info->backColor >> 16) & 0xFFu);
    const auto green = static_cast<std::uint8_t>((info->backColor >> 8) & 0xFFu);
    const auto red = static_cast<std::uint8_t>(info->backColor & 0xFFu);
    const auto count =
        static_cast<std::size_t>(info->width) * static_cast<std::size_t>(info->height);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t *pixel = info->pixels + i * 4;
        pixel[0] = blue;
        pixel[1] = green;
        pixel[2] = red;
        pixel[3] = 0;
    }
}

} // extern "C"
