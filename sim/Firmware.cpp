#include "sim/Firmware.h"

#include "sim/Board.h"
#include "sim/Core.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern "C" void hardware_init_hook() __attribute__((weak));

namespace Sim
{

namespace
{

unsigned m_restarts = 0;

// The chip's side of a reset request: core and on-chip peripherals back to reset.
void ResetChip()
{
    ++m_restarts;
    Board& board = Board::Instance();
    board.SystemReset();
    board.Log("firmware restarted after a reset request");
}

} // namespace

int RunFirmware(int (*entry)())
{
    for (;;)
    {
        try
        {
            return entry();
        }
        catch (const ResetRequest&)
        {
            ResetChip();
            if (hardware_init_hook != nullptr)
                hardware_init_hook();
        }
    }
}

unsigned FirmwareRestarts()
{
    return m_restarts;
}

FirmwareImage::FirmwareImage(std::string path) : m_path(std::move(path))
{
}

void FirmwareImage::Load()
{
    // The dynamic loader maps a file only once: every copy is loaded from a file of its own, an
    // anonymous one holding the image's bytes.
    std::ifstream file(m_path, std::ios::binary);
    if (!file)
        throw std::runtime_error("firmware image: cannot read " + m_path);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const int fd = memfd_create("velmora-firmware", MFD_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("firmware image: cannot create a copy of " + m_path);
    size_t written = 0;
    while (written < bytes.size())
    {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0)
        {
            close(fd);
            throw std::runtime_error("firmware image: cannot copy " + m_path);
        }
        written += static_cast<size_t>(n);
    }
    // The loader knows an object by the name it was opened with, so the file stays open: a
    // descriptor number used again would make the next copy "already loaded". Local: the copies
    // must not see each other's symbols.
    const std::string name = "/proc/self/fd/" + std::to_string(fd);
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        close(fd);
        const char* error = dlerror();
        throw std::runtime_error("firmware image: " + m_path + ": " + (error != nullptr ? error : "not loadable"));
    }
    m_copies.push_back(handle);
}

int FirmwareImage::Run(const char* entry)
{
    if (m_copies.empty())
        Load();
    for (;;)
    {
        auto function = reinterpret_cast<int (*)()>(Symbol(entry));
        if (function == nullptr)
            throw std::runtime_error(std::string("firmware image: no entry ") + entry + " in " + m_path);
        try
        {
            return function();
        }
        catch (const ResetRequest&)
        {
            ResetChip();
            Load();
        }
    }
}

void* FirmwareImage::Symbol(const char* name) const
{
    return m_copies.empty() ? nullptr : Symbol(name, m_copies.size() - 1);
}

void* FirmwareImage::Symbol(const char* name, size_t copy) const
{
    if (copy >= m_copies.size())
        return nullptr;
    return dlsym(m_copies[copy], name);
}

} // namespace Sim
