// Named streams of files: the user extended attributes ("user." + name) beside a file's content.
#pragma once

// A stream is addressed by a file name and a stream name; the empty stream name addresses the
// file's content, the main stream, which is never listed among the named streams. Every failure
// carries the file name and the stream name (copies: the source and the destination file names)
// and the system's error code. A name holding a zero byte is refused with EINVAL.

#include <cstdint>
#include <string>
#include <vector>

// Enumerates the named streams of files; the program has one instance, MyFileStream.
class TMyFileStream
{
public:
    // Number of named streams; the list (cleared first) receives their names in the order the
    // file system reports them.
    // Errors: "Failed to open file.", "Failed to get file information."
    std::int32_t GetNames(const std::string &fileName,
                          std::vector<std::string> *names = nullptr) const;
};

extern TMyFileStream MyFileStream;

// MyFileStream.GetNames with a list.
std::int32_t GetFileStreamNames(const std::string &fileName, std::vector<std::string> &names);
// Number of named streams. Errors: as GetNames.
std::int32_t GetFileStreamsCount(const std::string &fileName);
// Size of a stream in bytes (the empty name gives the file's size); 0 on failure.
// Errors: "Failed to open file.", "Failed to get file size."
std::uint64_t GetFileStreamSize(const std::string &fileName, const std::string &streamName);
// Sum of the sizes of the named streams, up to the first failure. Errors: as the two above.
std::uint64_t GetFileStreamsSize(const std::string &fileName);
// Creates a named stream empty; an existing one keeps its content.
// Error: "Failed to open file." (also for an empty name)
void AddFileStream(const std::string &fileName, const std::string &streamName);
// Deletes a named stream. Error: "Failed to delete file." (also for an empty name)
void DeleteFileStream(const std::string &fileName, const std::string &streamName);
// Reads a stream, or its first byteLimit bytes when byteLimit > 0, into a new buffer (a text
// read and a binary read give the same bytes: a std::string keeps a zero after them); size
// receives the buffer's size. On failure the buffer is empty.
// Warning: "Stream size too big." (the read goes on with byteLimit bytes)
// Errors: "Failed to open file.", "Failed to get file size.", "Failed to read data."
void ReadFileStream(const std::string &fileName,
                    const std::string &streamName,
                    bool asText,
                    std::int64_t byteLimit,
                    std::uint64_t &size,
                    std::string &buffer);
// The stream's content up to its first zero byte; a text cut by byteLimit never ends inside a
// UTF-8 sequence. Empty on failure. Warning and errors: as ReadFileStream.
std::string GetTextFromFileStream(const std::string &fileName,
                                  const std::string &streamName,
                                  std::int64_t byteLimit);
// The text of the "Description" stream, or of "xdg.comment" when the file has no
// "Description". Warning and errors: as ReadFileStream, for "Description".
std::string GetFileDescription(const std::string &fileName, std::int64_t byteLimit);
// Replaces the content of an existing stream with byteCount bytes of data (byteCount < 0: the
// data is a zero-terminated text); a refused named stream keeps its old content. The main
// stream is written to a new file beside the old one (its folder must be writable), which
// takes the old one's mode, owner where permitted and named streams and is renamed over it, so
// a full disk or a failing write leaves the old content whole; another hard link of the file
// keeps the old content.
// Errors: "Failed to open file." (also for a missing named stream), "Failed to write data."
void WriteFileStream(const std::string &fileName,
                     const std::string &streamName,
                     const char *data,
                     std::int64_t byteCount);
void WriteFileStream(const std::string &fileName,
                     const std::string &streamName,
                     const std::string &data);
// Replaces the content of an existing destination stream with the source stream's content (a
// main stream as WriteFileStream replaces it). Errors: "Failed to open file.", "Failed to get
// source file size.", "Failed to read data.", "Failed to write data."
void CopyFileStream(const std::string &sourceFile,
                    const std::string &sourceStream,
                    const std::string &destinationFile,
                    const std::string &destinationStream);
// Gives the destination a copy of every named stream of the source, in the order they are
// listed, up to the first failure; nothing is done when both name the same file (the same
// device and inode). Errors: as GetNames and CopyFileStream.
void CopyFileStreams(const std::string &sourceFile, const std::string &destinationFile);
