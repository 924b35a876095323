// The viewer plug-in interface (bitmap record, entry points) and the host of the three slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bitmap a plug-in draws a file into; the caller allocates and frees the pixels.
struct TViewerPluginBitmapInfo
{
    // Always 1.
    std::int32_t version = 1;
    // The wanted bitmap in pixels.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // 0x00BBGGRR behind the picture; for text files the page colour.
    std::uint32_t backColor = 0;
    // 0x00BBGGRR for the text the plug-in draws.
    std::uint32_t foreColor = 0;
    // width * height * 4 bytes, rows top-down, each pixel B, G, R and one ignored byte.
    std::uint8_t *pixels = nullptr;
};

static_assert(offsetof(TViewerPluginBitmapInfo, pixels) == 24);
static_assert(sizeof(TViewerPluginBitmapInfo) == 32);

// The entry points a plug-in exports under these names, each optional.
extern "C" {
// "GetPluginInfo": the plug-in's description, in storage the plug-in owns.
typedef const char *(*TGetPluginInfoFunction)();
// "LoadFileExtensions": the extensions the plug-in reads, each with its leading ".".
typedef const char *(*TLoadFileExtensionsFunction)();
// "RecacheOnTextFormatChange": non-zero when thumbnails of the extension depend on the text
// font and colours.
typedef unsigned char (*TRecacheOnTextFormatChangeFunction)(const char *extension);
// "GetPictureSize": the picture's size for a wanted size (-1, -1 for none); a stored value below
// 1 is read as 100.
typedef void (*TGetPictureSizeFunction)(const char *fileName,
                                        const char *upperExtension,
                                        int wantedWidth,
                                        int wantedHeight,
                                        int *width,
                                        int *height);
// "LoadFileToBitmap": draws the file scaled to info->width x info->height over the back colour.
typedef void (*TLoadFileToBitmapFunction)(const char *fileName,
                                          const char *upperExtension,
                                          TViewerPluginBitmapInfo *info);
}

// True for a name that can only be a file of the plug-in folder: not empty, no "/", not "." or
// "..".
bool IsPlainPluginName(const std::string &name);

// The loaded viewer plug-ins, one per slot, and safe calls of their entry points.
class TViewerPlugins
{
public:
    static constexpr int SlotCount = 3;

    TViewerPlugins() = default;
    // Unloads every slot.
    ~TViewerPlugins();
    TViewerPlugins(const TViewerPlugins &) = delete;
    TViewerPlugins &operator=(const TViewerPlugins &) = delete;

    // Frees the slot's library and clears its entry points and extension list.
    void UnloadViewerPlugin(int slot);
    // Reloads every slot from pluginsDirectory (ending with "/") + the slot's file name when
    // plug-ins and the slot are active. A slot whose name is not a plain file name, or whose
    // library does not load, stays empty and is named in one warning; the other slots load all
    // the same and the load does not fail.
    void LoadViewerPlugins(bool activatePlugins,
                           const bool slotActive[SlotCount],
                           const std::string slotName[SlotCount],
                           const std::string &pluginsDirectory);
    // The first active, loaded slot whose list holds the extension (".pcx", any case); -1 when
    // none does.
    int FindViewerPluginSlot(const std::string &extension) const;

    // The picture's size from the slot's plug-in (a value below 1 becomes 100); false when the
    // slot has no "GetPictureSize".
    bool GetPictureSize(int slot,
                        const std::string &fileName,
                        const std::string &extension,
                        int wantedWidth,
                        int wantedHeight,
                        int &width,
                        int &height) const;
    // Lets the slot's plug-in draw the file into info; false when it has no "LoadFileToBitmap".
    bool LoadFileToBitmap(int slot,
                          const std::string &fileName,
                          const std::string &extension,
                          TViewerPluginBitmapInfo &info) const;
    // True when the slot's plug-in has both "GetPictureSize" and "LoadFileToBitmap".
    bool HasRenderingEntries(int slot) const;
    // True when thumbnails of the extension depend on the text format; false as well when the
    // slot has no "RecacheOnTextFormatChange".
    bool RecacheOnTextFormatChange(int slot, const std::string &extension) const;
    // The plug-in's description; empty when the slot has no "GetPluginInfo".
    std::string PluginInfo(int slot) const;

    // True when the slot holds a library.
    bool IsLoaded(int slot) const;
    // The slot's extension list, upper-cased and ended by "." (".PCX.TGA."); empty when it has
    // none.
    std::string Extensions(int slot) const;
    // The flags of the last load.
    bool PluginsActive() const { return ActivatePlugins; }
    bool SlotActive(int slot) const;

private:
    struct TSlot
    {
        void *Module = nullptr;
        TRecacheOnTextFormatChangeFunction RecacheOnTextFormatChange = nullptr;
        TLoadFileExtensionsFunction LoadFileExtensions = nullptr;
        TGetPictureSizeFunction GetPictureSize = nullptr;
        TLoadFileToBitmapFunction LoadFileToBitmap = nullptr;
        std::string Extensions;
    };

    // The slot, or null when the number is out of range.
    const TSlot *SlotAt(int slot) const;

    TSlot Slots[SlotCount];
    bool ActivatePlugins = false;
    bool Active[SlotCount] = {false, false, false};
};

// The program's plug-in host.
extern TViewerPlugins ViewerPlugins;
