// Growable byte buffers, typed record streams over them, and storage files with a checked header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TFunScope;

// A growable byte block with append operations; also the program's byte and text builder.
// The capacity is a power of two above the size, never below the minimum capacity.
class TMemoryStorage
{
public:
    TMemoryStorage() = default;
    TMemoryStorage(const TMemoryStorage &) = delete;
    TMemoryStorage &operator=(const TMemoryStorage &) = delete;

    // Frees the block: no block, capacity 0, minimum capacity 256, size 0.
    void Clear();
    // Changes the block to exactly newCapacity bytes, zero-filled beyond the kept bytes.
    // Panic: "Capacity must be positive."
    void Recapacitate(std::int32_t newCapacity);
    // Sets the size; the capacity becomes the larger of the minimum capacity and the smallest
    // power of two above the size (at most 2147483647). Panic: "Size must be positive."
    void Resize(std::int32_t newSize);
    // Resize(Size() + count); a sum beyond 32 bits counts as negative.
    // Panic: "Size must be positive."
    void AddSize(std::int32_t count);
    // Appends count raw bytes (nothing for count <= 0). Panic: as AddSize.
    void AddObject(const void *bytes, std::int32_t count);
    // Appends one byte. Panic: as AddSize.
    void AddChar(char c);
    // Appends the byte 0. Panic: as AddSize.
    void AddNull();
    // Appends count copies of a zero-terminated string without its terminator; a null or
    // empty string appends nothing. Panic: as AddSize.
    void AddStrCount(const char *text, std::int32_t count);
    // Appends the text's bytes and, when withTerminator, a zero byte; an empty text appends
    // nothing at all. Panic: as AddSize.
    void AddText(const std::string &text, bool withTerminator);
    // Appends the text's bytes and CR LF; an empty text appends nothing at all.
    // Panic: as AddSize.
    void AddTextEOL(const std::string &text);
    // Upper-cases the ASCII letters among the bytes in use.
    void UpperCase();

    // The block (null when the capacity is 0).
    std::uint8_t *Data() { return data.get(); }
    const std::uint8_t *Data() const { return data.get(); }
    std::int32_t Capacity() const { return capacity; }
    std::int32_t MinimumCapacity() const { return minimumCapacity; }
    std::int32_t Size() const { return size; }
    // The bytes in use as a text.
    std::string Text() const;

private:
    // Makes room for count more bytes at the end; the old size, or -1 after a failure.
    std::int64_t Extend(std::int64_t count);

    std::unique_ptr<std::uint8_t[]> data;
    std::int32_t capacity = 0;
    std::int32_t minimumCapacity = 256;
    std::int32_t size = 0;
};

// A memory storage with a read position: values are written at the end and read back in order,
// integers as little-endian fixed widths, texts as a 32-bit length and the bytes.
class TStreamStorage : public TMemoryStorage
{
public:
    // Copies the next count bytes and advances; nothing happens when the storage is empty.
    // Panic: "Data too long." (count; size)
    void ReadObject(void *buffer, std::int32_t count);
    // Appends count raw bytes. Panic: "Size must be positive."
    void WriteObject(const void *bytes, std::int32_t count);
    // One byte. Panic: as ReadObject.
    void ReadChar(char &c);
    void WriteChar(char c);
    // A truth value as one byte, 0 or 1; another byte leaves the target as it was.
    // Panic: as ReadObject.
    void ReadBool(bool &value);
    void WriteBool(bool value);
    // A 32-bit integer, stored in the target only when minimum <= value <= maximum.
    // Panic: as ReadObject.
    void ReadInt(std::int32_t &value, std::int32_t minimum, std::int32_t maximum);
    void WriteInt(std::int32_t value);
    // A 64-bit integer, stored in the target only when minimum <= value <= maximum.
    // Panic: as ReadObject.
    void ReadInt64(std::int64_t &value, std::int64_t minimum, std::int64_t maximum);
    void WriteInt64(std::int64_t value);
    // A text record; an empty one is taken only when acceptEmpty, a missing one is not taken.
    // Error: "Text too long." (the length; maximumLength, in characters) when it holds more
    // characters than maximumLength or more bytes than are left; the target keeps its value.
    // Panic: as ReadObject (for the length).
    void ReadText(std::string &text, std::int32_t maximumLength, bool acceptEmpty);
    // Panic: "Text too long." (the length) for 65536 bytes or more; nothing is written.
    void WriteText(const std::string &text);

    // Offset of the next byte to read.
    std::int32_t Position() const { return position; }

protected:
    std::int32_t position = 0;
};

// The integrity seed of a signature text (its bytes sign-extended, forwards then backwards).
std::uint32_t SignatureSeed(const std::string &text);
// The integrity check of count payload bytes with a seed.
std::uint32_t PayloadChecksum(const void *bytes, std::uint32_t count, std::uint32_t seed);

// A stream storage bound to a file: a 48-byte header (integrity check, 32-byte signature field,
// version, two reserved words) and the owner's records. The buffer only carries data between
// the file and the owner's callbacks; it is empty between Load and Save.
class TFileStorage : public TStreamStorage
{
public:
    // Size of the header in front of the payload.
    static constexpr std::int32_t HeaderSize = 48;
    // Bytes of the signature field; the signature leaves room for its terminating zero.
    static constexpr std::int32_t SignatureFieldSize = 32;

    std::string fileName;
    // At most 31 bytes.
    std::string signature;
    // The version Save writes.
    std::int32_t version = 0;
    // Reads the owner's records; version is the file's (the storage's own for an empty file).
    std::function<void(TStreamStorage &storage, std::int32_t version)> OnLoad;
    // Writes the owner's records.
    std::function<void(TStreamStorage &storage)> OnSave;
    // A file that fails to load is kept as its name + ".bad" (replacing an older one) before the
    // next save replaces it, and the load's message says so.
    bool keepDamagedFile = false;

    // Reads the file (a missing one is created empty) and hands it to OnLoad; returns Loaded().
    // A failure is shown as "Failed to load. Data is probably corrupted." and FunStatContext is
    // left Perfect. Errors: "Failed to read." (file name; system error code), "Invalid file
    // signature." (file name), "Invalid integrity check." (file name), OnLoad's own.
    // Panic: "Signature too long." (signature); "Data too long." for a file shorter than the
    // header.
    bool Load();
    // Writes the header and OnSave's records through a temporary file renamed over the old one,
    // which stays intact on a failure; asks before replacing an existing file when
    // askBeforeOverwrite. True when the file was written. A failure is shown as
    // "Failed to save.". Errors: "Failed to save." (file name, or the ".bad" name when the
    // damaged file cannot be kept; system error code), OnSave's own.
    // Panic: "Signature too long." (signature)
    bool Save(bool askBeforeOverwrite);
    // The last Load succeeded.
    bool Loaded() const { return loaded; }

private:
    // Checks and reads the file into the buffer; fileVersion receives the header's version.
    void LoadContent(TFunScope &Fun, int handle, std::int32_t &fileVersion);
    // Reads the file's next bytes until the buffer holds total bytes.
    bool ReadFileBytes(TFunScope &Fun, int handle, std::int32_t total);
    bool HeaderHasSignature(const std::uint8_t *header) const;
    bool loaded = false;
    // The file the last Load failed on, while no save has kept it aside.
    std::string damagedFile;
};
