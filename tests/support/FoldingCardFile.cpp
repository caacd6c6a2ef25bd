// A counterfeit card as a file, for end-to-end tests with a loop device on top: a FUSE file
// system serving one file, "card", that reports more bytes than its backing file keeps. Offsets
// past the kept bytes fold back over the start, as many fake cards do, or are dropped and read
// as zeros. Every transfer goes to the backing file (direct I/O), so no page cache remembers a
// write the "card" did not keep. With CACHE_BYTES, the card keeps its latest writes in a cache
// of that size, answers reads of them from it, and writes the oldest out to where they land as
// newer ones come; an fsync writes it all out, unless the cache ignores flushes.
//
//   folding-card-file BACKING REPORTED_BYTES KEPT_BYTES fold|drop MOUNTPOINT
//                     [CACHE_BYTES honour|ignore]
#define FUSE_USE_VERSION 31
#include <fcntl.h>
#include <fuse.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>

namespace {

struct TCard {
  int Backing = -1;
  off_t Reported = 0;
  off_t Kept = 0;
  bool Drops = false;
};
TCard Card;
const char* const CardPath = "/card";

constexpr std::size_t SectorBytes = 512;
using TSectorBytes = std::array<char, SectorBytes>;

// Writes held in the card's cache, by the offset written; written out oldest first.
struct TCache {
  std::size_t Sectors = 0;  // its size; 0: no cache
  bool IgnoresFlush = false;
  std::map<off_t, TSectorBytes> Held;
  std::deque<off_t> Order;
};
TCache Cache;

int GetAttributes(const char* path, struct stat* attributes, fuse_file_info*) {
  std::memset(attributes, 0, sizeof *attributes);
  if (std::strcmp(path, "/") == 0) {
    attributes->st_mode = S_IFDIR | 0755;
    attributes->st_nlink = 2;
    return 0;
  }
  if (std::strcmp(path, CardPath) != 0) return -ENOENT;
  attributes->st_mode = S_IFREG | 0644;
  attributes->st_nlink = 1;
  attributes->st_size = Card.Reported;
  return 0;
}

int ReadFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
  fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
  fill(buffer, CardPath + 1, nullptr, 0, fuse_fill_dir_flags{});
  return 0;
}

int Open(const char* path, fuse_file_info* file) {
  if (std::strcmp(path, CardPath) != 0) return -ENOENT;
  file->direct_io = 1;
  return 0;
}

// Moves one run that stays on one side of the kept bytes; returns the bytes moved or -errno.
template <typename TMove>
long MoveRun(char* bytes, std::size_t size, off_t at, TMove move, bool writing) {
  if (at >= Card.Reported) return 0;
  std::size_t count = std::min<std::size_t>(size, static_cast<std::size_t>(Card.Reported - at));
  if (at < Card.Kept) {
    count = std::min<std::size_t>(count, static_cast<std::size_t>(Card.Kept - at));
  } else if (Card.Drops) {
    if (!writing) std::memset(bytes, 0, count);
    return static_cast<long>(count);
  } else {
    at %= Card.Kept;
    count = std::min<std::size_t>(count, static_cast<std::size_t>(Card.Kept - at));
  }
  const ssize_t moved = move(bytes, count, at);
  return moved < 0 ? -errno : static_cast<long>(moved);
}

template <typename TMove>
int MoveAll(char* bytes, std::size_t size, off_t offset, TMove move, bool writing) {
  std::size_t done = 0;
  while (done < size) {
    const long moved =
        MoveRun(bytes + done, size - done, offset + static_cast<off_t>(done), move, writing);
    if (moved < 0) return static_cast<int>(moved);
    if (moved == 0) break;
    done += static_cast<std::size_t>(moved);
  }
  return static_cast<int>(done);
}

int ReadStore(char* bytes, std::size_t size, off_t offset) {
  return MoveAll(
      bytes, size, offset,
      [](char* b, std::size_t n, off_t at) { return pread(Card.Backing, b, n, at); }, false);
}

int WriteStore(const char* bytes, std::size_t size, off_t offset) {
  return MoveAll(
      const_cast<char*>(bytes), size, offset,
      [](char* b, std::size_t n, off_t at) { return pwrite(Card.Backing, b, n, at); }, true);
}

// Writes the oldest held sectors out until at most keep are left; 0 or -errno.
int WriteOut(std::size_t keep) {
  while (Cache.Order.size() > keep) {
    const auto held = Cache.Held.find(Cache.Order.front());
    const int moved = WriteStore(held->second.data(), SectorBytes, held->first);
    if (moved < 0) return moved;
    Cache.Held.erase(held);
    Cache.Order.pop_front();
  }
  return 0;
}

// What the store holds, with the sectors the cache holds laid over it.
int Read(const char*, char* bytes, std::size_t size, off_t offset, fuse_file_info*) {
  const int moved = ReadStore(bytes, size, offset);
  if (moved <= 0) return moved;
  const off_t end = offset + moved;
  for (auto held = Cache.Held.lower_bound(offset - static_cast<off_t>(SectorBytes) + 1);
       held != Cache.Held.end() && held->first < end; ++held) {
    const off_t from = std::max(offset, held->first);
    const off_t to = std::min(end, held->first + static_cast<off_t>(SectorBytes));
    std::memcpy(bytes + (from - offset), held->second.data() + (from - held->first),
                static_cast<std::size_t>(to - from));
  }
  return moved;
}

int Write(const char*, const char* bytes, std::size_t size, off_t offset, fuse_file_info*) {
  if (Cache.Sectors == 0) return WriteStore(bytes, size, offset);
  if (offset % SectorBytes != 0 || size % SectorBytes != 0) return -EINVAL;
  size = std::min<std::size_t>(
      size, static_cast<std::size_t>(std::max<off_t>(0, Card.Reported - offset)));
  for (std::size_t done = 0; done < size; done += SectorBytes) {
    const auto [held, added] = Cache.Held.try_emplace(offset + static_cast<off_t>(done));
    std::memcpy(held->second.data(), bytes + done, SectorBytes);
    if (added) Cache.Order.push_back(held->first);
  }
  const int written = WriteOut(Cache.Sectors);
  return written < 0 ? written : static_cast<int>(size);
}

int Sync(const char*, int, fuse_file_info*) {
  if (!Cache.IgnoresFlush)
    if (const int written = WriteOut(0); written < 0) return written;
  return fsync(Card.Backing) == 0 ? 0 : -errno;
}

}  // namespace

int main(int argc, char** argv) {
  const bool cached =
      argc == 8 && (std::strcmp(argv[7], "honour") == 0 || std::strcmp(argv[7], "ignore") == 0);
  if ((argc != 6 && !cached) ||
      (std::strcmp(argv[4], "fold") != 0 && std::strcmp(argv[4], "drop") != 0)) {
    std::fprintf(stderr,
                 "usage: %s BACKING REPORTED_BYTES KEPT_BYTES fold|drop MOUNTPOINT "
                 "[CACHE_BYTES honour|ignore]\n",
                 argv[0]);
    return 2;
  }
  if (cached) {
    Cache.Sectors = static_cast<std::size_t>(std::strtoull(argv[6], nullptr, 10)) / SectorBytes;
    Cache.IgnoresFlush = std::strcmp(argv[7], "ignore") == 0;
  }
  Card.Backing = open(argv[1], O_RDWR | O_CLOEXEC);
  Card.Reported = std::strtoll(argv[2], nullptr, 10);
  Card.Kept = std::strtoll(argv[3], nullptr, 10);
  Card.Drops = std::strcmp(argv[4], "drop") == 0;
  if (Card.Backing < 0 || Card.Kept <= 0 || Card.Reported < Card.Kept) {
    std::perror(argv[1]);
    return 2;
  }
  fuse_operations operations{};
  operations.getattr = GetAttributes;
  operations.readdir = ReadFolder;
  operations.open = Open;
  operations.read = Read;
  operations.write = Write;
  operations.fsync = Sync;
  char* fuseArguments[] = {argv[0], argv[5], const_cast<char*>("-f"), const_cast<char*>("-s")};
  return fuse_main(4, fuseArguments, &operations, nullptr);
}
