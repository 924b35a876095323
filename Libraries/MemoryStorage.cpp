// Growable byte buffers, typed record streams over them, and storage files with a checked header.
#include "Libraries/MemoryStorage.h"

#include "Libraries/Error.h"
#include "Libraries/Text.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

constexpr const char *ThisUnit = "MemoryStorage";

constexpr std::int32_t LargestCapacity = std::numeric_limits<std::int32_t>::max();
// The longest text a text record holds, in bytes.
constexpr std::size_t LargestTextRecord = 65535;
// Offsets of the header fields.
constexpr std::int32_t SignatureOffset = 4;
constexpr std::int32_t VersionOffset = 36;

// The smallest power of two above n, at most the largest 32-bit capacity.
std::int32_t PowerOfTwoAbove(std::int32_t n)
{
    std::int64_t power = 1;
    while (power <= n)
        power <<= 1;
    return static_cast<std::int32_t>(std::min<std::int64_t>(power, LargestCapacity));
}

std::uint32_t Swapped(std::uint32_t x)
{
    return (x >> 24) | ((x >> 8) & 0x0000FF00u) | ((x << 8) & 0x00FF0000u) | (x << 24);
}

void PutUInt32(std::uint8_t *at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetUInt32(const std::uint8_t *at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

void PutUInt64(std::uint8_t *at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t GetUInt64(const std::uint8_t *at)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

// Opens an existing file for reading, or creates a missing one empty. A file the user may
// read but not write still loads.
int OpenOrCreate(const std::string &path)
{
    const int handle = Platform::OpenForReading(path);
    if (handle >= 0 || Platform::LastErrorCode() != ENOENT) return handle;
    return Platform::OpenReadWriteCreate(path);
}

// The file a save replaces: the target of a symbolic link rather than the link itself.
std::string SaveTarget(const std::string &path)
{
    std::string resolved;
    return Platform::PathTaken(path) && Platform::RealPath(path, resolved) ? resolved : path;
}

// Where a file that failed to load is kept.
std::string DamagedFileName(const std::string &file)
{
    return file + ".bad";
}

} // namespace

// ---- TMemoryStorage -------------------------------------------------------------------------

void TMemoryStorage::Clear()
{
    data.reset();
    capacity = 0;
    minimumCapacity = 256;
    size = 0;
}

void TMemoryStorage::Recapacitate(std::int32_t newCapacity)
{
    if (newCapacity == capacity) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "TMemoryStorage::Recapacitate");
    Fun.Run([&] {
        if (newCapacity < 0) {
            Fun.Panic("Capacity must be positive.");
            return;
        }
        if (newCapacity == 0) {
            data.reset();
            capacity = 0;
            size = 0;
            return;
        }
        // Value-initialised: the new block is zero-filled. A failed allocation throws before
        // anything changes.
        std::unique_ptr<std::uint8_t[]> block(
            new std::uint8_t[static_cast<std::size_t>(newCapacity)]());
        const std::int32_t kept = std::min(capacity, newCapacity);
        if (kept > 0) std::memcpy(block.get(), data.get(), static_cast<std::size_t>(kept));
        data = std::move(block);
        capacity = newCapacity;
        size = std::min(size, capacity);
    });
}

void TMemoryStorage::Resize(std::int32_t newSize)
{
    const std::int32_t wanted =
        newSize < 0 ? -1 : std::max(minimumCapacity, PowerOfTwoAbove(newSize));
    if (wanted == capacity) {
        // The block already fits: most appends end here without opening an operation.
        size = newSize;
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "TMemoryStorage::Resize");
    Fun.Run([&] {
        if (newSize < 0) {
            Fun.Panic("Size must be positive.");
            return;
        }
        Recapacitate(wanted);
        if (Fun.CalleeFailed()) return;
        size = newSize;
    });
}

void TMemoryStorage::AddSize(std::int32_t count)
{
    const std::int64_t wanted = std::int64_t{size} + count;
    Resize(wanted > LargestCapacity ? -1 : static_cast<std::int32_t>(wanted));
}

std::int64_t TMemoryStorage::Extend(std::int64_t count)
{
    const std::int64_t oldSize = size;
    const std::int64_t wanted = oldSize + count;
    Resize(wanted > LargestCapacity ? -1 : static_cast<std::int32_t>(wanted));
    return FunStatContext.IsError() ? -1 : oldSize;
}

void TMemoryStorage::AddObject(const void *bytes, std::int32_t count)
{
    if (count <= 0) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    const std::int64_t at = Extend(count);
    if (at < 0) return;
    std::memcpy(data.get() + at, bytes, static_cast<std::size_t>(count));
}

void TMemoryStorage::AddChar(char c)
{
    AddObject(&c, 1);
}

void TMemoryStorage::AddNull()
{
    AddChar('\0');
}

void TMemoryStorage::AddStrCount(const char *text, std::int32_t count)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length == 0 || count <= 0) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    // A product beyond 32 bits is refused by Extend as a negative size.
    const std::int64_t total = length > static_cast<std::size_t>(LargestCapacity)
                                   ? -1
                                   : static_cast<std::int64_t>(length) * count;
    const std::int64_t at = Extend(total < 0 ? std::int64_t{LargestCapacity} + 1 : total);
    if (at < 0) return;
    for (std::int32_t i = 0; i < count; ++i)
        std::memcpy(data.get() + at + static_cast<std::int64_t>(length) * i, text, length);
}

void TMemoryStorage::AddText(const std::string &text, bool withTerminator)
{
    if (text.empty()) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    const std::int64_t count = static_cast<std::int64_t>(text.size()) + (withTerminator ? 1 : 0);
    const std::int64_t at = Extend(count);
    if (at < 0) return;
    std::memcpy(data.get() + at, text.data(), text.size());
    // A block reused after a shrink still holds its old bytes beyond the size.
    if (withTerminator) data[static_cast<std::size_t>(at) + text.size()] = 0;
}

void TMemoryStorage::AddTextEOL(const std::string &text)
{
    if (text.empty()) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    const std::int64_t at = Extend(static_cast<std::int64_t>(text.size()) + 2);
    if (at < 0) return;
    std::memcpy(data.get() + at, text.data(), text.size());
    data[static_cast<std::size_t>(at) + text.size()] = '\r';
    data[static_cast<std::size_t>(at) + text.size() + 1] = '\n';
}

void TMemoryStorage::UpperCase()
{
    for (std::int32_t i = 0; i < size; ++i) {
        std::uint8_t &c = data[static_cast<std::size_t>(i)];
        if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 'a' + 'A');
    }
}

std::string TMemoryStorage::Text() const
{
    if (size <= 0) return {};
    return std::string(reinterpret_cast<const char *>(data.get()), static_cast<std::size_t>(size));
}

// ---- TStreamStorage -------------------------------------------------------------------------

void TStreamStorage::ReadObject(void *buffer, std::int32_t count)
{
    if (Size() <= 0) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "TStreamStorage::ReadObject");
    Fun.Run([&] {
        if (count < 0 || position < 0 || count > Size() - position) {
            Fun.Panic("Data too long.", std::to_string(count), std::to_string(Size()));
            return;
        }
        if (count > 0) std::memcpy(buffer, Data() + position, static_cast<std::size_t>(count));
        position += count;
    });
}

void TStreamStorage::WriteObject(const void *bytes, std::int32_t count)
{
    AddObject(bytes, count);
}

void TStreamStorage::ReadChar(char &c)
{
    ReadObject(&c, 1);
}

void TStreamStorage::WriteChar(char c)
{
    AddChar(c);
}

void TStreamStorage::ReadBool(bool &value)
{
    if (Size() <= 0) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    std::uint8_t byte = 0;
    ReadObject(&byte, 1);
    if (FunStatContext.IsError()) return;
    if (byte <= 1) value = byte == 1;
}

void TStreamStorage::WriteBool(bool value)
{
    AddChar(value ? '\1' : '\0');
}

void TStreamStorage::ReadInt(std::int32_t &value, std::int32_t minimum, std::int32_t maximum)
{
    if (Size() <= 0) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    std::uint8_t bytes[4] = {};
    ReadObject(bytes, 4);
    if (FunStatContext.IsError()) return;
    const auto read = static_cast<std::int32_t>(GetUInt32(bytes));
    if (read >= minimum && read <= maximum) value = read;
}

void TStreamStorage::WriteInt(std::int32_t value)
{
    std::uint8_t bytes[4];
    PutUInt32(bytes, static_cast<std::uint32_t>(value));
    AddObject(bytes, 4);
}

void TStreamStorage::ReadInt64(std::int64_t &value, std::int64_t minimum, std::int64_t maximum)
{
    if (Size() <= 0) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    std::uint8_t bytes[8] = {};
    ReadObject(bytes, 8);
    if (FunStatContext.IsError()) return;
    const auto read = static_cast<std::int64_t>(GetUInt64(bytes));
    if (read >= minimum && read <= maximum) value = read;
}

void TStreamStorage::WriteInt64(std::int64_t value)
{
    std::uint8_t bytes[8];
    PutUInt64(bytes, static_cast<std::uint64_t>(value));
    AddObject(bytes, 8);
}

void TStreamStorage::ReadText(std::string &text, std::int32_t maximumLength, bool acceptEmpty)
{
    TFunScope Fun(ThisUnit, "TStreamStorage::ReadText");
    Fun.Run([&] {
        std::int32_t length = -1;
        if (Size() > 0) {
            std::uint8_t bytes[4] = {};
            ReadObject(bytes, 4);
            if (Fun.CalleeFailed()) return;
            length = static_cast<std::int32_t>(GetUInt32(bytes));
        }
        if (length == 0) {
            if (acceptEmpty) text.clear();
            return;
        }
        if (length < 0) return;
        const auto tooLong = [&] {
            Fun.Raise("Text too long.", std::to_string(length), std::to_string(maximumLength));
        };
        if (length > Size() - position) {
            tooLong();
            return;
        }
        std::string read(reinterpret_cast<const char *>(Data() + position),
                         static_cast<std::size_t>(length));
        // The maximum counts characters, and a character takes at least one byte.
        if (length > maximumLength &&
            CodePointCount(read) > static_cast<std::size_t>(std::max(maximumLength, 0))) {
            tooLong();
            return;
        }
        position += length;
        text = std::move(read);
    });
}

void TStreamStorage::WriteText(const std::string &text)
{
    TFunScope Fun(ThisUnit, "TStreamStorage::WriteText");
    Fun.Run([&] {
        if (text.size() > LargestTextRecord) {
            Fun.Panic("Text too long.", std::to_string(text.size()));
            return;
        }
        // One append for the length and the bytes, so a failure writes neither.
        std::string record(4 + text.size(), '\0');
        PutUInt32(reinterpret_cast<std::uint8_t *>(record.data()),
                  static_cast<std::uint32_t>(text.size()));
        std::memcpy(record.data() + 4, text.data(), text.size());
        AddObject(record.data(), static_cast<std::int32_t>(record.size()));
        if (Fun.CalleeFailed()) return;
    });
}

// ---- Integrity check ------------------------------------------------------------------------

std::uint32_t SignatureSeed(const std::string &text)
{
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    const auto step = [&](char byte) {
        // Sign-extended whatever the signedness of char on this machine.
        const auto x =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(byte)));
        b = std::rotl(Swapped(b) ^ x, 8);
        c = std::rotl(c + b, 8);
    };
    for (char byte : text)
        step(byte);
    for (auto at = text.rbegin(); at != text.rend(); ++at)
        step(*at);
    return c;
}

std::uint32_t PayloadChecksum(const void *bytes, std::uint32_t count, std::uint32_t seed)
{
    const auto *at = static_cast<const std::uint8_t *>(bytes);
    std::uint32_t a = seed + Swapped(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        a = std::rotl(a + Swapped(at[i]) + std::rotl(i, 1), 5);
        if (i % 3 == 0) a = Swapped(a);
    }
    return a;
}

// ---- TFileStorage ---------------------------------------------------------------------------

bool TFileStorage::ReadFileBytes(TFunScope &Fun, int handle, std::int32_t total)
{
    const std::int32_t start = Size();
    if (total <= start) return true;
    Resize(total);
    if (Fun.CalleeFailed()) return false;
    const auto wanted = static_cast<std::size_t>(total - start);
    const std::int64_t got = Platform::ReadFully(handle, Data() + start, wanted);
    if (got < 0) {
        Fun.RaiseLastError("Failed to read.", fileName);
        return false;
    }
    if (static_cast<std::size_t>(got) != wanted) {
        Fun.Raise("Failed to read.", fileName);
        return false;
    }
    return true;
}

bool TFileStorage::HeaderHasSignature(const std::uint8_t *header) const
{
    const char *field = reinterpret_cast<const char *>(header + SignatureOffset);
    const char *end = std::find(field, field + SignatureFieldSize, '\0');
    return std::string(field, end) == signature;
}

void TFileStorage::LoadContent(TFunScope &Fun, int handle, std::int32_t &fileVersion)
{
    const std::int64_t fileSize = Platform::HandleSize(handle);
    if (fileSize < 0) {
        Fun.RaiseLastError("Failed to read.", fileName);
        return;
    }
    if (fileSize > LargestCapacity) {
        Fun.Raise("Failed to read.", fileName, {}, EFBIG);
        return;
    }
    position = 0;
    std::uint8_t header[HeaderSize] = {};
    PutUInt32(header + VersionOffset, static_cast<std::uint32_t>(version));
    if (fileSize == 0) return;
    const auto total = static_cast<std::int32_t>(fileSize);
    // The header first: a file of another kind is refused before the rest of it is read.
    if (!ReadFileBytes(Fun, handle, std::min(total, HeaderSize))) return;
    ReadObject(header, HeaderSize);
    // A file shorter than the header has had its panic shown; the signature check rejects it.
    FunStatContext.Reset(fsPerfect);
    if (!HeaderHasSignature(header)) {
        Fun.Raise("Invalid file signature.", fileName);
        return;
    }
    if (!ReadFileBytes(Fun, handle, total)) return;
    const std::int32_t payload = std::max(Size() - HeaderSize, 0);
    const std::uint32_t check = PayloadChecksum(Data() + std::min(Size(), HeaderSize),
                                                static_cast<std::uint32_t>(payload),
                                                SignatureSeed(signature));
    if (check != GetUInt32(header)) {
        Fun.Raise("Invalid integrity check.", fileName);
        return;
    }
    fileVersion = static_cast<std::int32_t>(GetUInt32(header + VersionOffset));
}

bool TFileStorage::Load()
{
    TFunScope Fun(ThisUnit, "TFileStorage::Load");
    loaded = false;
    damagedFile.clear();
    Clear();
    int handle = -1;
    Fun.Run([&] {
        if (signature.size() >= static_cast<std::size_t>(SignatureFieldSize)) {
            Fun.Panic("Signature too long.", signature);
            return;
        }
        handle = OpenOrCreate(fileName);
        if (handle < 0) {
            Fun.RaiseLastError("Failed to read.", fileName);
            return;
        }
        std::int32_t fileVersion = version;
        LoadContent(Fun, handle, fileVersion);
        if (Fun.Failed()) return;
        if (OnLoad) {
            FunStatContext.Reset(fsPerfect);
            OnLoad(*this, fileVersion);
            if (Fun.CalleeFailed()) return;
        }
        loaded = true;
    });
    Clear();
    if (handle >= 0) Platform::CloseHandle(handle);
    // Every callee's failure is in Fun by now; what the reads left behind was shown already.
    FunStatContext.Reset(fsPerfect);
    std::string message = "Failed to load. Data is probably corrupted.";
    if (!loaded && keepDamagedFile && Platform::PathTaken(fileName)) {
        damagedFile = SaveTarget(fileName);
        message += "\r\nThe damaged file will be kept as \"" + DamagedFileName(damagedFile) + "\".";
    }
    Fun.ShowIfFailed(message);
    return loaded;
}

bool TFileStorage::Save(bool askBeforeOverwrite)
{
    TFunScope Fun(ThisUnit, "TFileStorage::Save");
    bool saved = false;
    Fun.Run([&] {
        if (signature.size() >= static_cast<std::size_t>(SignatureFieldSize)) {
            Fun.Panic("Signature too long.", signature);
            return;
        }
        Clear();
        const std::uint8_t zeros[HeaderSize] = {};
        AddObject(zeros, HeaderSize);
        if (Fun.CalleeFailed()) return;
        if (OnSave) {
            FunStatContext.Reset(fsPerfect);
            OnSave(*this);
            if (Fun.CalleeFailed()) return;
        }
        std::uint8_t *header = Data();
        std::memcpy(header + SignatureOffset, signature.data(), signature.size());
        PutUInt32(header + VersionOffset, static_cast<std::uint32_t>(version));
        PutUInt32(header,
                  PayloadChecksum(header + HeaderSize,
                                  static_cast<std::uint32_t>(Size() - HeaderSize),
                                  SignatureSeed(signature)));
        const std::string target = SaveTarget(fileName);
        if (askBeforeOverwrite && Platform::FileExists(target) &&
            !AskYesNo("File already exists.\nOverwrite it?"))
            return;
        // A file that could not be loaded goes aside before anything replaces it.
        if (target == damagedFile && !Platform::RenamePath(target, DamagedFileName(target), true) &&
            Platform::LastErrorCode() != ENOENT) {
            Fun.RaiseLastError("Failed to save.", DamagedFileName(target));
            return;
        }
        damagedFile.clear();
        // The old file is replaced only by a complete, flushed new one.
        if (!Platform::WriteWholeFile(target, Data(), static_cast<std::size_t>(Size()))) {
            Fun.RaiseLastError("Failed to save.", fileName);
            return;
        }
        saved = true;
    });
    Clear();
    FunStatContext.Reset(fsPerfect);
    Fun.ShowIfFailed("Failed to save.");
    return saved;
}
