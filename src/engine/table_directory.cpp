// Directory listing and whole-file reading over POSIX calls, with the error
// texts the loading methods report.
#include "engine/table_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "common/utf8.h"

namespace vdz {
namespace {

Error os_error(int err) {
    char buffer[256];
    // GNU strerror_r returns the message, which may or may not be `buffer`.
    const char* text = strerror_r(err, buffer, sizeof buffer);
    return make_error(std::string(text) + " (os error " + std::to_string(err) + ")");
}

// The largest table file read. The largest table of a real region is a few
// megabytes; a load holds each table's text twice (the region's raw tables
// and the loader's copy) beside its parsed rows, so a table beyond this
// could not be loaded anyway, and is refused before any of it is read.
constexpr usize MAX_TABLE_FILE_BYTES = usize{1} << 30;

Error table_too_large_error(std::string_view name) {
    return make_error("table file " + std::string(name) + " is larger than the " +
                      std::to_string(MAX_TABLE_FILE_BYTES >> 20) + " MiB a table may have");
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Closes the descriptor on every path.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

std::string join_path(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

Result<std::string> read_whole_file(const std::string& path, std::string_view name) {
    // 1. Look at what the name leads to (links followed) before opening it:
    //    only regular files end; a directory fails on reading, as the
    //    operating system says.
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return os_error(errno);
    if (S_ISDIR(info.st_mode)) return os_error(EISDIR);
    if (!S_ISREG(info.st_mode)) return make_error(std::string(name) + " is not a regular file");

    // 2. Open without blocking and check again, in case the entry was
    //    replaced in between.
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return os_error(errno);
    if (fstat(fd.get(), &info) != 0) return os_error(errno);
    if (!S_ISREG(info.st_mode)) return make_error(std::string(name) + " is not a regular file");

    // 3. Read to the end; the size is only a hint, and a file that grows
    //    past the limit while it is read is refused as well.
    if (static_cast<u64>(info.st_size) > MAX_TABLE_FILE_BYTES) return table_too_large_error(name);
    std::string text;
    text.resize(static_cast<usize>(info.st_size > 0 ? info.st_size : 0) + 1);
    usize used = 0;
    for (;;) {
        if (used > MAX_TABLE_FILE_BYTES) return table_too_large_error(name);
        if (used == text.size()) text.resize(std::min(text.size() * 2, MAX_TABLE_FILE_BYTES + 1));
        const ssize_t n = read(fd.get(), text.data() + used, text.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return os_error(errno);
        }
        if (n == 0) break;
        used += static_cast<usize>(n);
    }
    text.resize(used);

    // 4. Tables are text.
    if (find_utf8_error(text)) return make_error("stream did not contain valid UTF-8");
    return text;
}

}  // namespace

bool is_table_file_name(std::string_view name) {
    const usize dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name == "..") return false;
    return name.substr(dot + 1) == "json" && !find_utf8_error(name);
}

Result<RawTables> read_table_directory(std::string_view base_dir) {
    const std::string dir_path(base_dir);
    if (dir_path.find('\0') != std::string::npos)
        return make_error("file name contained an unexpected NUL byte");
    std::unique_ptr<DIR, DirCloser> dir(opendir(dir_path.c_str()));
    if (!dir) return os_error(errno);

    RawTables tables;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) return os_error(errno);
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!is_table_file_name(name)) continue;
        auto text = read_whole_file(join_path(base_dir, name), name);
        if (!text) return std::move(text).error();
        tables.emplace(std::string(name), std::move(*text));
    }
    return tables;
}

}  // namespace vdz
