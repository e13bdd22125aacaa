// Disk images for the virtual card, made and inspected with the platform's own FAT tools
// (mkfs.fat from dosfstools, mcopy/mtype/mdir from mtools).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace CardImage
{

// A fresh folder for one test process.
inline std::string Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/velmora-card-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        static std::string made_;
        made_ = made;
        // Images can be large (sparse) files: they go when the test process ends.
        std::atexit([] { std::system(("rm -rf " + made_).c_str()); });
        return made_;
    }();
    return folder;
}

inline void Run(const std::string& command)
{
    const std::string quiet = "MTOOLS_SKIP_CHECK=1 " + command + " >/dev/null 2>&1";
    if (std::system(quiet.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// An image of `bytes` (sparse), formatted as FAT `fatBits` (12, 16 or 32), holding `files`
// (name on the volume, content) copied in with mcopy; names may include folders that exist.
inline std::string Make(const std::string& name, uint64_t bytes, int fatBits,
                        const std::map<std::string, std::string>& files = {},
                        const std::string& extraFormatOptions = "")
{
    const std::string image = Folder() + "/" + name;
    std::remove(image.c_str());
    Run("truncate -s " + std::to_string(bytes) + " " + image);
    Run("mkfs.fat -F " + std::to_string(fatBits) + " -n VELMORA " + extraFormatOptions + " " + image);
    int count = 0;
    for (const auto& file : files)
    {
        const std::string source = Folder() + "/source" + std::to_string(count++);
        WriteFile(source, file.second);
        Run("mcopy -i " + image + " " + source + " '::/" + file.first + "'");
    }
    return image;
}

inline void MakeFolder(const std::string& image, const std::string& folder)
{
    Run("mmd -i " + image + " '::/" + folder + "'");
}

// A file's bytes as mtype reads them from the image.
inline std::string Type(const std::string& image, const std::string& name)
{
    const std::string output = Folder() + "/typed";
    const std::string command = "MTOOLS_SKIP_CHECK=1 mtype -i " + image + " '::/" + name + "' > " + output + " 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
    std::ifstream in(output, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The image passes the file system check (read-only).
inline bool Consistent(const std::string& image)
{
    return std::system(("fsck.fat -n " + image + " >/dev/null 2>&1").c_str()) == 0;
}

// Deterministic bytes that make a misplaced block visible.
inline std::string Pattern(size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : bytes)
    {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

} // namespace CardImage
