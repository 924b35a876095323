// Named streams over the user extended attributes; the file's content is the main stream.
#include "Libraries/FileStream.h"

#include "Libraries/Error.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "platform/Xattr.h"

#include <cerrno>
#include <utility>

namespace {

constexpr const char *ThisUnit = "FileStream";

const std::string DescriptionStream = "Description";
const std::string CommentStream = "xdg.comment";
// Content copies between files go through one buffer of this size.
constexpr std::size_t CopyBufferSize = 1000000;
// The kernel refuses larger attribute values (E2BIG); a larger source is not even read.
constexpr std::uint64_t LargestStreamValue = 65536;

const char *const OpenFailed = "Failed to open file.";
const char *const ReadFailed = "Failed to read data.";
const char *const WriteFailed = "Failed to write data.";

// The file, or a directory on its way, cannot be reached.
bool IsPathError(int code)
{
    return code == ENOENT || code == ENOTDIR || code == ELOOP || code == ENAMETOOLONG ||
           code == EACCES;
}

// A named stream cannot be opened: the file cannot be reached, the stream is missing, its name
// is refused, or the file system keeps no streams for this file.
bool IsStreamOpenError(int code)
{
    return IsPathError(code) || code == ENODATA || code == ENOTSUP || code == EPERM ||
           code == ERANGE || code == EINVAL;
}

bool HasZero(const std::string &name)
{
    return name.find('\0') != std::string::npos;
}

// Closes a handle on every path out of a scope.
class THandleCloser
{
public:
    explicit THandleCloser(int handle) : Handle(handle) {}
    ~THandleCloser()
    {
        if (Handle >= 0) Platform::CloseHandle(Handle);
    }
    THandleCloser(const THandleCloser &) = delete;
    THandleCloser &operator=(const THandleCloser &) = delete;
    int Get() const { return Handle; }
    // Closes now; false (errno) when the close reports a failure.
    bool Close()
    {
        const int handle = std::exchange(Handle, -1);
        return Platform::CloseHandle(handle);
    }

private:
    int Handle;
};

// The names a failure carries: the file and stream of one stream, or the two files of a copy.
struct TParameters
{
    const std::string &First;
    const std::string &Second;
};

// The size of a stream, or false after raising "Failed to open file." or sizeWords.
bool StreamSize(TFunScope &Fun,
                const std::string &file,
                const std::string &stream,
                const char *sizeWords,
                const TParameters &names,
                std::uint64_t &size)
{
    if (HasZero(stream)) {
        Fun.Raise(OpenFailed, names.First, names.Second, EINVAL);
        return false;
    }
    if (stream.empty()) {
        if (Platform::FileSize(file, size)) return true;
        const int code = Platform::LastErrorCode();
        Fun.Raise(IsPathError(code) ? OpenFailed : sizeWords, names.First, names.Second, code);
        return false;
    }
    std::size_t length = 0;
    if (Platform::UserAttributeSize(file, stream, length)) {
        size = length;
        return true;
    }
    const int code = Platform::LastErrorCode();
    Fun.Raise(IsStreamOpenError(code) ? OpenFailed : sizeWords, names.First, names.Second, code);
    return false;
}

// Reads the first limit bytes of the file's content (all of it when limit is 0); total
// receives the content's size.
bool ReadContent(TFunScope &Fun,
                 const std::string &file,
                 std::uint64_t limit,
                 const char *sizeWords,
                 const TParameters &names,
                 std::string &value,
                 std::uint64_t &total)
{
    THandleCloser input(Platform::OpenForReading(file));
    if (input.Get() < 0) {
        Fun.RaiseLastError(OpenFailed, names.First, names.Second);
        return false;
    }
    const std::int64_t size = Platform::HandleSize(input.Get());
    if (size < 0) {
        Fun.RaiseLastError(sizeWords, names.First, names.Second);
        return false;
    }
    total = static_cast<std::uint64_t>(size);
    value.resize(static_cast<std::size_t>(limit > 0 && limit < total ? limit : total));
    const std::int64_t got = Platform::ReadFully(input.Get(), value.data(), value.size());
    if (got < 0) {
        Fun.RaiseLastError(ReadFailed, names.First, names.Second);
        value.clear();
        return false;
    }
    value.resize(static_cast<std::size_t>(got));
    return true;
}

// Reads the first limit bytes of a stream (all of it when limit is 0); total receives the
// stream's size. A named stream's value is read whole: the kernel keeps it below 64 KiB.
bool ReadStream(TFunScope &Fun,
                const std::string &file,
                const std::string &stream,
                std::uint64_t limit,
                const char *sizeWords,
                const TParameters &names,
                std::string &value,
                std::uint64_t &total)
{
    value.clear();
    total = 0;
    if (HasZero(stream)) {
        Fun.Raise(OpenFailed, names.First, names.Second, EINVAL);
        return false;
    }
    if (stream.empty()) return ReadContent(Fun, file, limit, sizeWords, names, value, total);
    if (!Platform::ReadUserAttribute(file, stream, value)) {
        const int code = Platform::LastErrorCode();
        Fun.Raise(
            IsStreamOpenError(code) ? OpenFailed : ReadFailed, names.First, names.Second, code);
        value.clear();
        return false;
    }
    total = value.size();
    if (limit > 0 && limit < total) value.resize(static_cast<std::size_t>(limit));
    return true;
}

// Replaces the content of an existing file through a temporary file renamed over it, which
// keeps its mode, owner and named streams: a full disk or a failing write leaves the old
// content whole.
bool WriteContent(TFunScope &Fun,
                  const std::string &file,
                  const std::string &value,
                  const TParameters &names)
{
    std::uint64_t ignored = 0;
    if (!Platform::FileSize(file, ignored)) {
        Fun.RaiseLastError(OpenFailed, names.First, names.Second);
        return false;
    }
    // Failures before the writing begins are the file's; the others are the writing's.
    bool writing = false;
    if (!Platform::ReplaceFileContent(file, [&](int handle) {
            writing = true;
            return Platform::WriteAtEnd(handle, value.data(), value.size());
        })) {
        Fun.RaiseLastError(writing ? WriteFailed : OpenFailed, names.First, names.Second);
        return false;
    }
    return true;
}

// Gives a stream its new value in one step, so that a refused value leaves the old one. A
// named stream must already exist when mustExist is set; the main stream always must.
bool WriteStream(TFunScope &Fun,
                 const std::string &file,
                 const std::string &stream,
                 const std::string &value,
                 bool mustExist,
                 const TParameters &names)
{
    if (HasZero(stream)) {
        Fun.Raise(OpenFailed, names.First, names.Second, EINVAL);
        return false;
    }
    if (stream.empty()) return WriteContent(Fun, file, value, names);
    std::size_t ignored = 0;
    if (mustExist && !Platform::UserAttributeSize(file, stream, ignored)) {
        Fun.RaiseLastError(OpenFailed, names.First, names.Second);
        return false;
    }
    if (Platform::WriteUserAttribute(file, stream, value)) return true;
    Fun.RaiseLastError(WriteFailed, names.First, names.Second);
    return false;
}

// Copies one file's content over another's through the copy buffer.
bool CopyContent(TFunScope &Fun,
                 const std::string &source,
                 const std::string &destination,
                 const TParameters &names)
{
    THandleCloser input(Platform::OpenForReading(source));
    if (input.Get() < 0) {
        Fun.RaiseLastError(OpenFailed, names.First, names.Second);
        return false;
    }
    const std::int64_t size = Platform::HandleSize(input.Get());
    if (size < 0) {
        Fun.RaiseLastError("Failed to get source file size.", names.First, names.Second);
        return false;
    }
    std::uint64_t ignored = 0;
    if (!Platform::FileSize(destination, ignored)) {
        Fun.RaiseLastError(OpenFailed, names.First, names.Second);
        return false;
    }
    // A file's content is never copied over itself.
    if (Platform::SameFile(source, destination)) {
        Fun.Raise(OpenFailed, names.First, names.Second, EBUSY);
        return false;
    }
    // The destination is written whole beside itself and renamed over, so that a failure in
    // the middle leaves its old content.
    bool writing = false, readFailed = false;
    const bool replaced = Platform::ReplaceFileContent(destination, [&](int output) {
        writing = true;
        std::string buffer(CopyBufferSize, '\0');
        std::uint64_t copied = 0;
        for (;;) {
            const std::int64_t got = Platform::ReadFully(input.Get(), buffer.data(), buffer.size());
            if (got < 0) {
                readFailed = true;
                return false;
            }
            if (!Platform::WriteAtEnd(output, buffer.data(), static_cast<std::size_t>(got)))
                return false;
            copied += CopyBufferSize;
            if (static_cast<std::uint64_t>(got) < CopyBufferSize ||
                copied >= static_cast<std::uint64_t>(size))
                return true;
        }
    });
    if (!replaced) {
        Fun.RaiseLastError(readFailed ? ReadFailed : (writing ? WriteFailed : OpenFailed),
                           names.First,
                           names.Second);
        return false;
    }
    return true;
}

// Copies one stream onto another; a missing named destination is refused when mustExist is
// set and created otherwise.
bool CopyStream(TFunScope &Fun,
                const std::string &source,
                const std::string &sourceStream,
                const std::string &destination,
                const std::string &destinationStream,
                bool mustExist)
{
    const TParameters names{source, destination};
    if (sourceStream.empty() && destinationStream.empty())
        return CopyContent(Fun, source, destination, names);
    const char *sourceSizeWords = "Failed to get source file size.";
    std::uint64_t size = 0;
    if (!StreamSize(Fun, source, sourceStream, sourceSizeWords, names, size)) return false;
    std::uint64_t ignored = 0;
    if (mustExist && !destinationStream.empty() &&
        !StreamSize(Fun, destination, destinationStream, OpenFailed, names, ignored))
        return false;
    if (!destinationStream.empty() && size > LargestStreamValue) {
        Fun.Raise(WriteFailed, names.First, names.Second, E2BIG);
        return false;
    }
    std::string value;
    if (!ReadStream(Fun, source, sourceStream, 0, sourceSizeWords, names, value, size))
        return false;
    return WriteStream(Fun, destination, destinationStream, value, false, names);
}

// Drops an incomplete UTF-8 sequence that a byte limit left at the end of a text.
void DropSplitSequence(std::string &text)
{
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;
        std::size_t length = 1;
        if ((byte & 0xE0) == 0xC0)
            length = 2;
        else if ((byte & 0xF0) == 0xE0)
            length = 3;
        else if ((byte & 0xF8) == 0xF0)
            length = 4;
        if (length > back) text.resize(size - back);
        return;
    }
}

// Makes a warning that a callee left this operation's outcome too; true when it left an error.
bool TakeCalleeOutcome(TFunScope &Fun)
{
    if (Fun.CalleeFailed()) return true;
    if (FunStatContext.status == fsWarning) Fun.Local = FunStatContext;
    return false;
}

} // namespace

TMyFileStream MyFileStream;

std::int32_t TMyFileStream::GetNames(const std::string &fileName,
                                     std::vector<std::string> *names) const
{
    std::int32_t count = 0;
    if (names) names->clear();
    TFunScope Fun(ThisUnit, "TMyFileStream::GetNames");
    Fun.Run([&] {
        std::vector<std::string> found;
        if (!Platform::ListUserAttributes(fileName, found)) {
            const int code = Platform::LastErrorCode();
            Fun.Raise(IsPathError(code) ? OpenFailed : "Failed to get file information.",
                      fileName,
                      {},
                      code);
            return;
        }
        count = static_cast<std::int32_t>(found.size());
        if (names) *names = std::move(found);
    });
    return count;
}

std::int32_t GetFileStreamNames(const std::string &fileName, std::vector<std::string> &names)
{
    return MyFileStream.GetNames(fileName, &names);
}

std::int32_t GetFileStreamsCount(const std::string &fileName)
{
    return MyFileStream.GetNames(fileName);
}

std::uint64_t GetFileStreamSize(const std::string &fileName, const std::string &streamName)
{
    std::uint64_t size = 0;
    TFunScope Fun(ThisUnit, "GetFileStreamSize");
    Fun.Run([&] {
        std::uint64_t found = 0;
        if (StreamSize(Fun,
                       fileName,
                       streamName,
                       "Failed to get file size.",
                       {fileName, streamName},
                       found))
            size = found;
    });
    return size;
}

std::uint64_t GetFileStreamsSize(const std::string &fileName)
{
    std::uint64_t total = 0;
    TFunScope Fun(ThisUnit, "GetFileStreamsSize");
    Fun.Run([&] {
        std::vector<std::string> names;
        MyFileStream.GetNames(fileName, &names);
        if (Fun.CalleeFailed()) return;
        for (const std::string &name : names) {
            const std::uint64_t size = GetFileStreamSize(fileName, name);
            if (Fun.CalleeFailed()) return;
            total += size;
        }
    });
    return total;
}

void AddFileStream(const std::string &fileName, const std::string &streamName)
{
    TFunScope Fun(ThisUnit, "AddFileStream");
    Fun.Run([&] {
        if (streamName.empty() || HasZero(streamName)) {
            Fun.Raise(OpenFailed, fileName, streamName, EINVAL);
            return;
        }
        std::size_t size = 0;
        if (Platform::UserAttributeSize(fileName, streamName, size)) return;
        if (Platform::LastErrorCode() == ENODATA &&
            Platform::WriteUserAttribute(fileName, streamName, std::string()))
            return;
        Fun.RaiseLastError(OpenFailed, fileName, streamName);
    });
}

void DeleteFileStream(const std::string &fileName, const std::string &streamName)
{
    TFunScope Fun(ThisUnit, "DeleteFileStream");
    Fun.Run([&] {
        const char *words = "Failed to delete file.";
        // The empty name would be the file itself, which is never deleted here.
        if (streamName.empty() || HasZero(streamName)) {
            Fun.Raise(words, fileName, streamName, EINVAL);
            return;
        }
        if (!Platform::RemoveUserAttribute(fileName, streamName))
            Fun.RaiseLastError(words, fileName, streamName);
    });
}

void ReadFileStream(const std::string &fileName,
                    const std::string &streamName,
                    bool /*asText*/,
                    std::int64_t byteLimit,
                    std::uint64_t &size,
                    std::string &buffer)
{
    buffer = std::string();
    size = 0;
    TFunScope Fun(ThisUnit, "ReadFileStream");
    Fun.Run([&] {
        const std::uint64_t limit = byteLimit > 0 ? static_cast<std::uint64_t>(byteLimit) : 0;
        std::string value;
        std::uint64_t total = 0;
        if (!ReadStream(Fun,
                        fileName,
                        streamName,
                        limit,
                        "Failed to get file size.",
                        {fileName, streamName},
                        value,
                        total))
            return;
        if (limit > 0 && limit < total)
            Fun.RaiseAt(fsWarning, __LINE__, "Stream size too big.", fileName, streamName);
        size = value.size();
        buffer = std::move(value);
    });
}

std::string GetTextFromFileStream(const std::string &fileName,
                                  const std::string &streamName,
                                  std::int64_t byteLimit)
{
    std::string text;
    TFunScope Fun(ThisUnit, "GetTextFromFileStream");
    Fun.Run([&] {
        std::uint64_t size = 0;
        std::string buffer;
        ReadFileStream(fileName, streamName, true, byteLimit, size, buffer);
        const bool cut = FunStatContext.status == fsWarning;
        if (TakeCalleeOutcome(Fun)) return;
        text = buffer.substr(0, buffer.find('\0'));
        if (cut && text.size() == buffer.size()) DropSplitSequence(text);
    });
    return text;
}

std::string GetFileDescription(const std::string &fileName, std::int64_t byteLimit)
{
    std::string text;
    TFunScope Fun(ThisUnit, "GetFileDescription");
    Fun.Run([&] {
        std::size_t ignored = 0;
        const bool useComment =
            !Platform::UserAttributeSize(fileName, DescriptionStream, ignored) &&
            Platform::LastErrorCode() == ENODATA &&
            Platform::UserAttributeSize(fileName, CommentStream, ignored);
        text = GetTextFromFileStream(
            fileName, useComment ? CommentStream : DescriptionStream, byteLimit);
        TakeCalleeOutcome(Fun);
    });
    return text;
}

void WriteFileStream(const std::string &fileName,
                     const std::string &streamName,
                     const char *data,
                     std::int64_t byteCount)
{
    TFunScope Fun(ThisUnit, "WriteFileStream");
    Fun.Run([&] {
        std::string value;
        if (byteCount < 0 && data) {
            value = data;
        } else if (byteCount > 0) {
            if (!data) {
                Fun.Raise(WriteFailed, fileName, streamName, EINVAL);
                return;
            }
            value.assign(data, static_cast<std::size_t>(byteCount));
        }
        WriteStream(Fun, fileName, streamName, value, true, {fileName, streamName});
    });
}

void WriteFileStream(const std::string &fileName,
                     const std::string &streamName,
                     const std::string &data)
{
    TFunScope Fun(ThisUnit, "WriteFileStream");
    Fun.Run([&] { WriteStream(Fun, fileName, streamName, data, true, {fileName, streamName}); });
}

void CopyFileStream(const std::string &sourceFile,
                    const std::string &sourceStream,
                    const std::string &destinationFile,
                    const std::string &destinationStream)
{
    TFunScope Fun(ThisUnit, "CopyFileStream");
    Fun.Run([&] {
        CopyStream(Fun, sourceFile, sourceStream, destinationFile, destinationStream, true);
    });
}

void CopyFileStreams(const std::string &sourceFile, const std::string &destinationFile)
{
    TFunScope Fun(ThisUnit, "CopyFileStreams");
    Fun.Run([&] {
        if (sourceFile == destinationFile || Platform::SameFile(sourceFile, destinationFile))
            return;
        std::vector<std::string> names;
        MyFileStream.GetNames(sourceFile, &names);
        if (Fun.CalleeFailed()) return;
        // Each stream is written in one step, created where missing, so that a refused stream
        // leaves nothing behind at the destination.
        for (const std::string &name : names)
            if (!CopyStream(Fun, sourceFile, name, destinationFile, name, false)) return;
    });
}
