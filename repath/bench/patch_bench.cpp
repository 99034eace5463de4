// Patching a large file whose marker sits at its very end, against a plain
// memmem scan of the same file read in large blocks, in the same run.
// usage: patch_bench FILE [MB]
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "repath/patcher.h"

namespace {

class PosixFile : public repath::PatchFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { close(fd_); }
  bool read(uint8_t* data, std::size_t size, std::size_t& got) override {
    const ssize_t n = ::read(fd_, data, size);
    got = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n >= 0;
  }
  bool seek(int64_t offset, repath::SeekFrom from) override {
    return lseek(fd_, offset, from == repath::SeekFrom::begin ? SEEK_SET : SEEK_CUR) >= 0;
  }
  bool write(const uint8_t* data, std::size_t size, std::size_t& written) override {
    const ssize_t n = ::write(fd_, data, size);
    written = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n >= 0;
  }

 private:
  int fd_;
};

class PosixOpener : public repath::FileOpener {
 public:
  std::unique_ptr<repath::PatchFile> open_read_write(const char* name) override {
    const int fd = open(name, O_RDWR);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixFile>(fd);
  }
};

const char kMarker[] = "<<HALVO-INSTALL-DIR>>";

// Offset behind the marker by memmem over 1 MB blocks that overlap by the
// marker's length.
long long memmem_scan(const char* path) {
  const int fd = open(path, O_RDONLY);
  const std::size_t len = sizeof kMarker - 1, block = 1 << 20;
  std::vector<char> buf(block + len);
  std::size_t keep = 0;
  long long base = 0, found = -1;
  for (;;) {
    const ssize_t n = read(fd, buf.data() + keep, block);
    if (n <= 0) break;
    const std::size_t have = keep + static_cast<std::size_t>(n);
    if (const void* p = memmem(buf.data(), have, kMarker, len)) {
      found = base + (static_cast<const char*>(p) - buf.data()) + static_cast<long long>(len);
      break;
    }
    keep = std::min(len - 1, have);
    memmove(buf.data(), buf.data() + have - keep, keep);
    base += static_cast<long long>(have - keep);
  }
  close(fd);
  return found;
}

template <typename F>
double best_seconds(int rounds, F f) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: patch_bench FILE [MB]\n");
    return 2;
  }
  const char* path = argv[1];
  const std::size_t mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256;
  {
    // Text with scattered '<' so the search meets candidates, marker last.
    std::string block(1 << 20, 'a');
    for (std::size_t i = 0; i < block.size(); i += 97) block[i] = '<';
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t i = 0; i < mb; ++i)
      if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) return 1;
    if (write(fd, kMarker, sizeof kMarker - 1) < 0) return 1;
    close(fd);
  }
  const double size_mb = static_cast<double>(mb) + (sizeof kMarker - 1) / 1048576.0;
  const long long want = static_cast<long long>(mb << 20) + static_cast<long long>(sizeof kMarker - 1);

  long long scan_found = 0;
  const double scan_s = best_seconds(3, [&] { scan_found = memmem_scan(path); });
  PosixOpener opener;
  repath::PatchOutcome outcome{};
  const double patch_s = best_seconds(3, [&] {
    repath::replace_sd_path(opener, path, kMarker, "C:\\Program Files\\Halvo", &outcome);
  });
  // The patched file has the path behind the marker.
  PosixOpener check;
  auto file = check.open_read_write(path);
  const uint64_t found = repath::find_marker(*file, kMarker);

  std::printf("  file: %zu MB, marker at the end\n", mb);
  std::printf("  %-28s %10s %10s\n", "", "seconds", "MB/s");
  std::printf("  %-28s %10.3f %10.0f\n", "memmem, 1 MB blocks", scan_s, size_mb / scan_s);
  std::printf("  %-28s %10.3f %10.0f\n", "patcher, 4086-byte chunks", patch_s, size_mb / patch_s);
  std::printf("  ratio patcher/memmem: %.2f\n", scan_s / patch_s);
  const bool ok = scan_found == want && static_cast<long long>(found) == want &&
                  outcome == repath::PatchOutcome::written;
  if (!ok) std::printf("  MISMATCH: memmem %lld, patcher %llu, expected %lld\n", scan_found,
                       static_cast<unsigned long long>(found), want);
  unlink(path);
  return ok ? 0 : 1;
}
