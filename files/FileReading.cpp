#include "files/FileReading.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

namespace jumelix {

int OpenForReading(const char* path, int folder)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    const int fd = openat(folder, path, flags | O_NOATIME);
    // O_NOATIME is refused on another user's file.
    return fd >= 0 || errno != EPERM ? fd : openat(folder, path, flags);
}

UnreadableReason ReasonOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return UnreadableReason::AccessDenied;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:  // the path now ends in a loop of links
        return UnreadableReason::Gone;
    case ENXIO:  // a socket, or a device without its driver
    case ENODEV:
        return UnreadableReason::NotARegularFile;
    default:
        return UnreadableReason::ReadError;
    }
}

ssize_t ReadFully(int fd, char* buffer, std::size_t length)
{
    std::size_t filled = 0;
    while (filled < length) {
        const ssize_t got = read(fd, buffer + filled, length - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(filled);
}

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;

template <typename T>
std::uint64_t Load(const char* bytes)
{
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::uint64_t Round(std::uint64_t accumulator, std::uint64_t input)
{
    return std::rotl(accumulator + input * kPrime2, 31) * kPrime1;
}

std::uint64_t Merge(std::uint64_t hash, std::uint64_t lane)
{
    return (hash ^ Round(0, lane)) * kPrime1 + kPrime4;
}

}  // namespace

std::uint64_t HashBytes(const char* bytes, std::size_t length, std::uint64_t seed)
{
    const char* const end = bytes + length;
    std::uint64_t hash = seed + kPrime5;
    if (length >= 32) {
        std::uint64_t lanes[4] = {seed + kPrime1 + kPrime2, seed + kPrime2, seed, seed - kPrime1};
        for (; end - bytes >= 32; bytes += 32) {
            for (std::size_t k = 0; k < 4; ++k)
                lanes[k] = Round(lanes[k], Load<std::uint64_t>(bytes + 8 * k));
        }
        hash = std::rotl(lanes[0], 1) + std::rotl(lanes[1], 7) + std::rotl(lanes[2], 12) +
               std::rotl(lanes[3], 18);
        for (const std::uint64_t lane : lanes)
            hash = Merge(hash, lane);
    }
    hash += length;
    for (; end - bytes >= 8; bytes += 8)
        hash = std::rotl(hash ^ Round(0, Load<std::uint64_t>(bytes)), 27) * kPrime1 + kPrime4;
    if (end - bytes >= 4) {
        hash = std::rotl(hash ^ (Load<std::uint32_t>(bytes) * kPrime1), 23) * kPrime2 + kPrime3;
        bytes += 4;
    }
    for (; bytes < end; ++bytes)
        hash = std::rotl(hash ^ (static_cast<unsigned char>(*bytes) * kPrime5), 11) * kPrime1;
    hash = (hash ^ (hash >> 33)) * kPrime2;
    hash = (hash ^ (hash >> 29)) * kPrime3;
    return hash ^ (hash >> 32);
}

}  // namespace jumelix
