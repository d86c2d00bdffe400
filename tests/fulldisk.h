#pragma once
// A folder on a disk that fills up while a save runs: a tmpfs of its own filled to the last byte,
// or, where this user may not mount, the usual disk under a file-size limit of a few bytes.
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

class FullDisk {
 public:
  // Makes dir, which must not exist yet.
  explicit FullDisk(std::filesystem::path dir) : dir_(std::move(dir)) {
    std::filesystem::create_directory(dir_);
    mounted_ = ::mount("corvatalen-test", dir_.c_str(), "tmpfs", 0, "size=256k,mode=0755") == 0;
  }
  ~FullDisk() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  std::string operator/(const std::string& name) const { return (dir_ / name).string(); }

  // Runs save with no room for one more byte; what the folder held before stays, and the room is
  // given back afterwards.
  template <class F>
  void WhileFull(F save) {
    if (mounted_) {
      const std::filesystem::path filler = dir_ / "filler.bin";
      Fill(filler);
      Finally done([&] { std::filesystem::remove(filler); });
      save();
      return;
    }
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const sighandler_t handler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &small);
    Finally done([&] {
      ::setrlimit(RLIMIT_FSIZE, &saved);
      ::signal(SIGXFSZ, handler);
    });
    save();
  }

 private:
  template <class G>
  struct Finally {
    explicit Finally(G g) : g_(g) {}
    ~Finally() { g_(); }
    G g_;
  };

  static void Fill(const std::filesystem::path& filler) {
    std::ofstream out(filler, std::ios::binary);
    const std::string block(4096, 'f');
    while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
    out.clear();
    for (int i = 0; i < 4096 && out.put('f') && out.flush(); ++i) {
    }
  }

  std::filesystem::path dir_;
  bool mounted_ = false;
};
