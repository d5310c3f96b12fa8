#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace jumelix {

enum class UnreadableReason { None, AccessDenied, Gone, NotARegularFile, ReadError };

// Opens a file to read it only: non-blocking, so that a FIFO or a device put
// in the file's place cannot hang the open (the caller refuses it before a
// byte is read), and without touching its access time where that is allowed.
// A relative path starts from `folder`. Returns -1 with errno set when it
// cannot be opened.
int OpenForReading(const char* path, int folder = AT_FDCWD);

// Why a file could not be opened, from the open's errno.
UnreadableReason ReasonOf(int error);

// Fills the buffer; fewer bytes only at the end of the file, -1 on an error.
ssize_t ReadFully(int fd, char* buffer, std::size_t length);

// A 64-bit hash of the bytes (XXH64), for routing files into groups only:
// equal hashes never stand for equal bytes.
std::uint64_t HashBytes(const char* bytes, std::size_t length, std::uint64_t seed = 0);

}  // namespace jumelix
