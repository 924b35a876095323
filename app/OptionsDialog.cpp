// The program options and the extension lists.
#include "app/OptionsDialog.h"

#include <algorithm>

TProgramOptions ProgramOptions;
TExtensionList ProgramFileExtensions;
TExtensionList DocumentFileExtensions;
TExtensionList AudioFileExtensions;
TExtensionList VideoFileExtensions;
TExtensionList TextFileExtensions;
TExtensionList PictureFileExtensions;

namespace {

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

void TExtensionList::Add(const std::string &extension)
{
    if (extension.empty()) return;
    const std::string key = Lower(extension);
    const auto at = std::lower_bound(Keys.begin(), Keys.end(), key);
    if (at != Keys.end() && *at == key) return;
    Items.insert(Items.begin() + (at - Keys.begin()), extension);
    Keys.insert(at, key);
}

void TExtensionList::Remove(const std::string &extension)
{
    const std::string key = Lower(extension);
    const auto at = std::lower_bound(Keys.begin(), Keys.end(), key);
    if (at == Keys.end() || *at != key) return;
    Items.erase(Items.begin() + (at - Keys.begin()));
    Keys.erase(at);
}

bool TExtensionList::Has(const std::string &extension) const
{
    if (extension.empty()) return false;
    return std::binary_search(Keys.begin(), Keys.end(), Lower(extension));
}

void TExtensionList::Assign(const std::vector<std::string> &extensions)
{
    Clear();
    for (const std::string &extension : extensions) Add(extension);
}

void SetDefaultExtensionLists()
{
    if (ProgramFileExtensions.Empty())
        ProgramFileExtensions.Assign({".bat", ".com", ".cpl", ".exe", ".js", ".msc", ".msi", ".scf", ".vbs",
                                      ".wsf", ".wsh", ".sh", ".AppImage", ".run"});
    if (DocumentFileExtensions.Empty())
        DocumentFileExtensions.Assign(
            {".ace", ".ani", ".arj", ".art", ".asc", ".asf", ".avi", ".bkf", ".bmp", ".bpr", ".c", ".cab",
             ".cal", ".cda", ".cpp", ".crd", ".cs", ".csv", ".cur", ".dhtml", ".dib", ".doc", ".dpr", ".dwg",
             ".dxf", ".emf", ".eml", ".gif", ".gpg", ".gz", ".h", ".hlp", ".hpj", ".hpp", ".htm", ".html",
             ".htt", ".ico", ".img", ".imp", ".iwz", ".jfif", ".jpg", ".jpe", ".jpeg", ".lha", ".lzh", ".mak",
             ".mid", ".midi", ".mov", ".mp3", ".mpa", ".mpeg", ".mpg", ".mpl", ".odg", ".ogg", ".pas", ".pcx",
             ".pdf", ".pfx", ".pgp", ".plt", ".png", ".ppt", ".qt", ".rar", ".reg", ".rle", ".rmi", ".rtf",
             ".sda", ".sdw", ".sgi", ".shb", ".shtml", ".sig", ".snd", ".stc", ".sxi", ".sxd", ".sxw", ".tar",
             ".tga", ".theme", ".tif", ".tiff", ".txt", ".url", ".vqf", ".wav", ".wma", ".wmf", ".wmv", ".wp",
             ".wpd", ".wpg", ".wri", ".xab", ".xls", ".xml", ".z", ".zip"});
    if (AudioFileExtensions.Empty())
        AudioFileExtensions.Assign({".mid", ".midi", ".mp3", ".rmi", ".vqf", ".wav", ".wma"});
    if (VideoFileExtensions.Empty())
        VideoFileExtensions.Assign({".ani", ".asf", ".avi", ".mov", ".mpa", ".mpeg", ".mpg", ".wmv"});
    if (TextFileExtensions.Empty())
        TextFileExtensions.Assign({".bat", ".c", ".cpp", ".dfm", ".dsk", ".eml", ".vds", ".h", ".hpp", ".htm",
                                   ".html", ".ini", ".js", ".log", ".pas", ".scf", ".theme", ".txt", ".url",
                                   ".vbs", ".xml", ".xhtm", ".xhtml"});
}
