// Shared libraries through the dynamic loader.
#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace Platform {

void *LoadLibrary(const std::string &absolutePath)
{
    // A bare name would make the loader search the system's library path.
    if (absolutePath.empty() || absolutePath.front() != '/') return nullptr;
    return ::dlopen(absolutePath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *FindLibrarySymbol(void *library, const char *name)
{
    if (!library) return nullptr;
    return ::dlsym(library, name);
}

void FreeLibrary(void *library)
{
    if (library) ::dlclose(library);
}

std::string LibraryErrorText()
{
    const char *text = ::dlerror();
    return text ? std::string(text) : std::string();
}

} // namespace Platform
