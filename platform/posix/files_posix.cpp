// Files, folders, the program's path, texts and the string table on POSIX
// systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "platform/platform.h"
#include "resources/text_table.h"

namespace platform {

const char kPathSeparator = '/';
const char* const kLineEnd = "\n";

namespace {

std::string gProgramPathOverride;
bool gProgramPathOverridden = false;

bool CopyText(const char* text, char* buffer, std::size_t size) {
    std::size_t length = std::strlen(text);
    if (length + 1 > size) {
        return false;
    }
    std::memcpy(buffer, text, length + 1);
    return true;
}

}  // namespace

bool GetProgramPath(char* buffer, std::size_t size) {
    if (gProgramPathOverridden) {
        return CopyText(gProgramPathOverride.c_str(), buffer, size);
    }
    ssize_t n = readlink("/proc/self/exe", buffer, size);
    if (n <= 0 || static_cast<std::size_t>(n) >= size) {
        return false;
    }
    buffer[n] = '\0';
    return true;
}

void OverrideProgramPath(const char* path) {
    gProgramPathOverridden = path != nullptr;
    gProgramPathOverride = path != nullptr ? path : "";
}

bool IsLeadByte(unsigned char) {
    return false;
}

// The native text is UTF-8: every text is shown as it is.
void ShowableText(const char* text, char* buffer, std::size_t size) {
    std::snprintf(buffer, size, "%s", text);
}

PathKind LookUpPath(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) {
        return PathKind::Missing;
    }
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

bool CanOpenForSharedReading(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // A folder opens for reading here but not on Windows.
    struct stat info;
    bool isFile = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    close(fd);
    return isFile;
}

bool CanOpenExclusively(const char* path) {
    return CanOpenForSharedReading(path);
}

bool CreateNewFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool CopyFileOver(const char* from, const char* to) {
    int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return false;
    }
    int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    char buffer[8192];
    while (ok) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = write(out, buffer + done, static_cast<std::size_t>(got - done));
            ok = put > 0;
            done += put > 0 ? put : 0;
        }
    }
    if (out >= 0 && close(out) != 0) {
        ok = false;
    }
    close(in);
    return ok;
}

bool MoveFileOver(const char* from, const char* to) {
    return rename(from, to) == 0;
}

bool FlushToDisk(const char* path) {
    int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    bool ok = fsync(file) == 0;
    close(file);
    return ok;
}

bool RemoveFile(const char* path) {
    // A file without write permission stands for a read-only file, which
    // cannot be deleted on Windows; the same holds here, also for root.
    struct stat info;
    if (stat(path, &info) != 0 || S_ISDIR(info.st_mode) ||
        (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    return unlink(path) == 0;
}

bool MakeFolder(const char* path) {
    return mkdir(path, 0755) == 0;
}

bool GetTempFolder(char* buffer, std::size_t size) {
    const char* folder = std::getenv("TMPDIR");
    std::string text = (folder != nullptr && *folder != '\0') ? folder : "/tmp";
    if (text.back() != '/') {
        text.push_back('/');
    }
    return CopyText(text.c_str(), buffer, size);
}

bool CreateUniqueTempFile(const char* folder, const char* prefix, char* buffer) {
    static std::mt19937 generator{std::random_device{}()};
    std::string base = folder;
    if (!base.empty() && base.back() != '/') {
        base.push_back('/');
    }
    for (int attempt = 0; attempt < 65536; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%X.tmp", prefix,
                      static_cast<unsigned>(generator() & 0xFFFF));
        std::string path = base + name;
        if (path.size() + 1 > kMaxPath) {
            return false;
        }
        if (CreateNewFile(path.c_str())) {
            return CopyText(path.c_str(), buffer, kMaxPath);
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

FileStamp StampFile(const char* path) {
    FileStamp stamp{};
    struct stat info;
    if (stat(path, &info) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.identity.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.identity.index = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                     static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
    return stamp;
}

void WipeMemory(void* data, std::size_t size) {
    explicit_bzero(data, size);
}

int LoadText(int id, char* buffer, int size) {
    if (size <= 0) {
        return 0;
    }
    const char* text = FindText(id);
    if (text == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    int length = static_cast<int>(std::strlen(text));
    if (length > size - 1) {
        length = size - 1;
    }
    std::memcpy(buffer, text, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return length;
}

bool GetGpgFileName(const char* path, char* buffer) {
    return CopyText(path, buffer, kMaxPath);
}

OsHandle OpenFileForSharedReading(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return kNoHandle;
    }
    // A folder opens for reading here but not on Windows.
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return kNoHandle;
    }
    return fd;
}

bool ReadFileOnce(OsHandle file, void* buffer, std::size_t capacity, std::size_t* received) {
    ssize_t n;
    do {
        n = read(static_cast<int>(file), buffer, capacity);
    } while (n < 0 && errno == EINTR);
    *received = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n >= 0;
}

OsHandle OpenFileForWriting(const char* path) {
    // A file without write permission stands for a read-only file, which
    // Windows does not open for writing; the same holds here, also for root.
    struct stat info;
    if (stat(path, &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return kNoHandle;
    }
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    return fd < 0 ? kNoHandle : fd;
}

bool WriteFileAtStart(OsHandle file, const void* data, std::size_t size, std::size_t* written) {
    ssize_t n;
    do {
        n = pwrite(static_cast<int>(file), data, size, 0);
    } while (n < 0 && errno == EINTR);
    *written = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n >= 0;
}

bool CutFile(OsHandle file, std::size_t size) {
    return ftruncate(static_cast<int>(file), static_cast<off_t>(size)) == 0;
}

}  // namespace platform
