// The viewer plug-in host: loading the three slots and calling their entry points.
#include "app/ViewerPlugins.h"
#include "app/ViewerPluginEntries.h"

#include "Libraries/Error.h"
#include "platform/DynamicLibrary.h"

namespace {

constexpr const char *ThisUnit = "ViewerPlugins";

// Upper-cases the ASCII letters only.
std::string UpperAscii(const std::string &text)
{
    std::string result = text;
    for (char &c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

// The library's export of the given name as a function pointer; null when it has none.
template <class TFunction> TFunction FindEntry(void *module, const char *name)
{
    return reinterpret_cast<TFunction>(Platform::FindLibrarySymbol(module, name));
}

} // namespace

TViewerPlugins ViewerPlugins;

TViewerPlugins::~TViewerPlugins()
{
    for (int slot = 0; slot < SlotCount; ++slot)
        UnloadViewerPlugin(slot);
}

const TViewerPlugins::TSlot *TViewerPlugins::SlotAt(int slot) const
{
    if (slot < 0 || slot >= SlotCount) return nullptr;
    return &Slots[slot];
}

void TViewerPlugins::UnloadViewerPlugin(int slot)
{
    if (slot < 0 || slot >= SlotCount) return;
    TSlot &entry = Slots[slot];
    Platform::FreeLibrary(entry.Module);
    entry = TSlot();
}

bool IsPlainPluginName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

void TViewerPlugins::LoadViewerPlugins(bool activatePlugins,
                                       const bool slotActive[SlotCount],
                                       const std::string slotName[SlotCount],
                                       const std::string &pluginsDirectory)
{
    TFunScope Fun(ThisUnit, "TViewerPlugins::LoadViewerPlugins");
    Fun.Run([&] {
        ActivatePlugins = activatePlugins;
        // One line per slot that stays empty; the other slots load all the same.
        std::string refused;
        for (int slot = 0; slot < SlotCount; ++slot) {
            Active[slot] = slotActive[slot];
            UnloadViewerPlugin(slot);
            if (!activatePlugins || !slotActive[slot]) continue;

            const std::string &name = slotName[slot];
            if (name.empty()) {
                refused += "Plugin slot " + std::to_string(slot + 1) + " names no plugin file.\n";
                continue;
            }
            // Only a file of the plug-in folder is loaded, never one a path leads to.
            if (!IsPlainPluginName(name)) {
                refused += "The plugin \"" + name +
                           "\" was not loaded: a plugin is named by its file name in the "
                           "plugin folder " +
                           pluginsDirectory + ".\n";
                continue;
            }
            const std::string path = pluginsDirectory + name;
            // A failed symbol look-up leaves its text behind; start this load without it.
            Platform::LibraryErrorText();
            void *module = Platform::LoadLibrary(path);
            if (!module) {
                const std::string reason = Platform::LibraryErrorText();
                refused += "The plugin \"" + name +
                           "\" was not loaded: " + (reason.empty() ? path : reason) + "\n";
                continue;
            }

            TSlot &entry = Slots[slot];
            entry.Module = module;
            entry.RecacheOnTextFormatChange =
                FindEntry<TRecacheOnTextFormatChangeFunction>(module, "RecacheOnTextFormatChange");
            entry.LoadFileExtensions =
                FindEntry<TLoadFileExtensionsFunction>(module, "LoadFileExtensions");
            entry.GetPictureSize = FindEntry<TGetPictureSizeFunction>(module, "GetPictureSize");
            entry.LoadFileToBitmap =
                FindEntry<TLoadFileToBitmapFunction>(module, "LoadFileToBitmap");
            if (entry.LoadFileExtensions) {
                const char *list = entry.LoadFileExtensions();
                entry.Extensions = UpperAscii(list ? std::string(list) : std::string()) + ".";
            }
        }
        if (!refused.empty()) {
            refused.pop_back();
            ShowWarningMessage(refused);
        }
    });
}

int TViewerPlugins::FindViewerPluginSlot(const std::string &extension) const
{
    if (extension.empty() || !ActivatePlugins) return -1;
    const std::string wanted = UpperAscii(extension) + ".";
    for (int slot = 0; slot < SlotCount; ++slot) {
        const TSlot &entry = Slots[slot];
        if (!Active[slot] || !entry.Module) continue;
        // Whole extensions only: the match starts at a "." of the list.
        for (std::size_t at = entry.Extensions.find(wanted); at != std::string::npos;
             at = entry.Extensions.find(wanted, at + 1)) {
            if (wanted.front() == '.' || at == 0 || entry.Extensions[at - 1] == '.') return slot;
        }
    }
    return -1;
}

bool TViewerPlugins::GetPictureSize(int slot,
                                    const std::string &fileName,
                                    const std::string &extension,
                                    int wantedWidth,
                                    int wantedHeight,
                                    int &width,
                                    int &height) const
{
    const TSlot *entry = SlotAt(slot);
    if (!entry || !entry->GetPictureSize) return false;
    int storedWidth = 0;
    int storedHeight = 0;
    entry->GetPictureSize(fileName.c_str(),
                          UpperAscii(extension).c_str(),
                          wantedWidth,
                          wantedHeight,
                          &storedWidth,
                          &storedHeight);
    width = storedWidth < 1 ? 100 : storedWidth;
    height = storedHeight < 1 ? 100 : storedHeight;
    return true;
}

bool TViewerPlugins::LoadFileToBitmap(int slot,
                                      const std::string &fileName,
                                      const std::string &extension,
                                      TViewerPluginBitmapInfo &info) const
{
    const TSlot *entry = SlotAt(slot);
    if (!entry || !entry->LoadFileToBitmap) return false;
    entry->LoadFileToBitmap(fileName.c_str(), UpperAscii(extension).c_str(), &info);
    return true;
}

bool TViewerPlugins::HasRenderingEntries(int slot) const
{
    const TSlot *entry = SlotAt(slot);
    return entry && entry->GetPictureSize && entry->LoadFileToBitmap;
}

TPluginPictureSizeFunction PictureSizeEntry(const TViewerPlugins &plugins, int slot)
{
    return [&plugins, slot](const std::string &file,
                        const std::string &extension,
                        int wantedWidth,
                        int wantedHeight,
                        int &width,
                        int &height) {
        plugins.GetPictureSize(slot, file, extension, wantedWidth, wantedHeight, width, height);
    };
}

TPluginLoadFileFunction LoadFileEntry(const TViewerPlugins &plugins, int slot)
{
    return [&plugins, slot](const std::string &file,
                        const std::string &extension,
                        int width,
                        int height,
                        TColorRef back,
                        TColorRef fore,
                        std::uint8_t *pixels) {
        TViewerPluginBitmapInfo info;
        info.width = width;
        info.height = height;
        info.backColor = back;
        info.foreColor = fore;
        info.pixels = pixels;
        plugins.LoadFileToBitmap(slot, file, extension, info);
    };
}

bool TViewerPlugins::RecacheOnTextFormatChange(int slot, const std::string &extension) const
{
    const TSlot *entry = SlotAt(slot);
    if (!entry || !entry->RecacheOnTextFormatChange) return false;
    return entry->RecacheOnTextFormatChange(UpperAscii(extension).c_str()) != 0;
}

std::string TViewerPlugins::PluginInfo(int slot) const
{
    const TSlot *entry = SlotAt(slot);
    if (!entry || !entry->Module) return {};
    const auto getInfo = FindEntry<TGetPluginInfoFunction>(entry->Module, "GetPluginInfo");
    const char *info = getInfo ? getInfo() : nullptr;
    return info ? std::string(info) : std::string();
}

bool TViewerPlugins::IsLoaded(int slot) const
{
    const TSlot *entry = SlotAt(slot);
    return entry && entry->Module;
}

std::string TViewerPlugins::Extensions(int slot) const
{
    const TSlot *entry = SlotAt(slot);
    return entry ? entry->Extensions : std::string();
}

bool TViewerPlugins::SlotActive(int slot) const
{
    return slot >= 0 && slot < SlotCount && Active[slot];
}
