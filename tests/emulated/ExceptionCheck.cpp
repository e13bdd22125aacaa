// Throws and catches C++ exceptions the ways the firmware relies on them: standard exceptions from
// the C++ run-time caught by type, rethrows, destructors run while unwinding, exceptions from the
// firmware library's own error paths, std::bad_alloc when the heap is exhausted, and the report of
// an exception nobody caught. Built for the emulated Cortex-M4 with the board's run-time and the
// board's rules for the unwinding tables, so a broken table, a missing personality routine or a
// run-time built without exceptions ends the run with a failure (an exception that finds no
// handler ends in the terminate handler, which reports it and aborts). Also built for the host.
// Prints one line per check and "exception check passed" or "exception check FAILED".

#include "drivers/DateTime.h"
#include "drivers/Driver/DigitalOutputEx.h"
#include "graphics/MemoryStream.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

int m_failures = 0;

void Report(const char* check, bool ok, const char* detail = "")
{
    if (ok)
    {
        std::printf("exception check: %s: ok\n", check);
    }
    else
    {
        ++m_failures;
        std::printf("exception check: %s: FAILED %s\n", check, detail);
    }
}

// Values the optimiser cannot see through, so that every throw below happens at run time.
volatile int m_badIndex = 7;
volatile std::size_t m_hugeCount = ~std::size_t(0) / 4;

// A run-time call that throws deep inside the C++ library, caught by its exact type after a handler
// for an unrelated type, then the same by a base class, then through catch (...).
void ThrowsFromRunTime()
{
    const char* detail = "no exception";
    bool ok = false;
    try
    {
        std::vector<int> values(3);
        values.at(static_cast<std::size_t>(m_badIndex)) = 1;
    }
    catch (const std::invalid_argument&)
    {
        detail = "caught as std::invalid_argument";
    }
    catch (const std::out_of_range& exception)
    {
        ok = std::strlen(exception.what()) > 0;
        detail = "empty what()";
    }
    Report("std::out_of_range from std::vector::at caught by type", ok, detail);

    ok = false;
    detail = "no exception";
    try
    {
        (void)std::stoi(std::string("board"));
    }
    catch (const std::logic_error& exception)
    {
        ok = dynamic_cast<const std::invalid_argument*>(&exception) != nullptr;
        detail = "wrong dynamic type";
    }
    Report("std::invalid_argument from std::stoi caught as std::logic_error", ok, detail);

    ok = false;
    try
    {
        std::function<void()> empty;
        empty();
    }
    catch (...)
    {
        try
        {
            throw;
        }
        catch (const std::bad_function_call&)
        {
            ok = true;
        }
        catch (...)
        {
        }
    }
    Report("std::bad_function_call from an empty std::function", ok);

    ok = false;
    try
    {
        int* block = new int[m_hugeCount];
        delete[] block;
    }
    catch (const std::bad_alloc&)
    {
        ok = true;
    }
    Report("std::bad_array_new_length caught as std::bad_alloc", ok);
}

#if defined(__arm__)
// On the board operator new throws when the heap cannot serve a request; the emulated board's heap
// is its 16 MB PSRAM. (A host heap would serve this request.)
void ThrowsWhenTheHeapIsExhausted()
{
    bool ok = false;
    try
    {
        std::unique_ptr<char[]> block(new char[32u * 1024 * 1024]);
        block[0] = 1;
    }
    catch (const std::bad_alloc&)
    {
        ok = true;
    }
    Report("std::bad_alloc from operator new when the heap is exhausted", ok);
}
#endif

struct Ours
{
    int code;
};

struct Derived : Ours
{
};

// A rethrow from a handler reaches the next handler out with the same object; an exception_ptr
// carries an exception out of its handler (as the atomic call does); a nested exception keeps its
// cause.
void Rethrows()
{
    int seen = 0;
    const Ours* first = nullptr;
    try
    {
        try
        {
            throw Derived{{42}};
        }
        catch (Ours& exception)
        {
            first = &exception;
            exception.code += 1;
            throw;
        }
    }
    catch (const Derived& exception)
    {
        seen = &exception == first ? exception.code : -1;
    }
    Report("rethrow from a nested handler reaches the outer handler", seen == 43);

    std::exception_ptr kept;
    try
    {
        throw std::range_error("kept");
    }
    catch (...)
    {
        kept = std::current_exception();
    }
    bool ok = false;
    try
    {
        std::rethrow_exception(kept);
    }
    catch (const std::runtime_error& exception)
    {
        ok = std::string(exception.what()) == "kept";
    }
    Report("std::exception_ptr rethrown after its handler ended", ok);

    std::string chain;
    try
    {
        try
        {
            throw std::out_of_range("inner");
        }
        catch (...)
        {
            std::throw_with_nested(std::runtime_error("outer"));
        }
    }
    catch (const std::runtime_error& outer)
    {
        chain = outer.what();
        try
        {
            std::rethrow_if_nested(outer);
        }
        catch (const std::out_of_range& inner)
        {
            chain += std::string("<") + inner.what();
        }
    }
    Report("nested exception keeps its cause", chain == "outer<inner");
}

// Destructors of every frame between the throw and the handler run, innermost first; a half-built
// object's finished members are destroyed and its own destructor is not run.
int m_destroyed[8];
int m_destroyedCount = 0;

struct Guard
{
    explicit Guard(int id) : id(id) {}
    ~Guard()
    {
        if (m_destroyedCount < 8)
            m_destroyed[m_destroyedCount++] = id;
    }
    int id;
};

struct Refuses
{
    Refuses() { throw std::length_error("member"); }
};

struct HalfBuilt
{
    HalfBuilt() : first(10) {}
    ~HalfBuilt() { m_destroyed[m_destroyedCount++] = 99; }
    Guard first;
    Refuses second;
};

__attribute__((noinline)) void Innermost()
{
    Guard guard(3);
    std::string text(40, 'x'); // freed while unwinding
    throw Ours{int(text.size())};
}

__attribute__((noinline)) void Middle()
{
    Guard guard(2);
    Innermost();
    m_destroyed[m_destroyedCount++] = -1; // not reached
}

__attribute__((noinline)) void Outermost()
{
    Guard guard(1);
    Middle();
}

void UnwindsFrames()
{
    m_destroyedCount = 0;
    int code = 0;
    try
    {
        Outermost();
    }
    catch (const Ours& exception)
    {
        code = exception.code;
    }
    Report("destructors run innermost first while unwinding",
           code == 40 && m_destroyedCount == 3 && m_destroyed[0] == 3 && m_destroyed[1] == 2 && m_destroyed[2] == 1);

    m_destroyedCount = 0;
    bool caught = false;
    try
    {
        HalfBuilt object;
    }
    catch (const std::length_error&)
    {
        caught = true;
    }
    Report("a half-built object's built members are destroyed", caught && m_destroyedCount == 1 && m_destroyed[0] == 10);
}

// The firmware library's own error paths, thrown from its code and unwound through its frames.
void ThrowsFromTheLibrary()
{
    bool ok = false;
    try
    {
        Velmora::DateTime date(2026, 13, 1, 0, 0, 0);
        (void)date;
    }
    catch (const std::range_error& exception)
    {
        ok = std::string(exception.what()) == "Not a valid value for month";
    }
    Report("std::range_error from the DateTime constructor", ok);

    ok = false;
    Velmora::DateTime date(2026, 11, 8, 13, 5, 0);
    try
    {
        date.SetDayOfMonth(31);
    }
    catch (const std::exception& exception)
    {
        ok = dynamic_cast<const std::range_error*>(&exception) != nullptr && date.GetDayOfMonth() == 8;
    }
    Report("a rejected DateTime value is reported and the old one kept", ok);

    ok = false;
    try
    {
        Driver::DigitalOutputEx::GetInstance(static_cast<Driver::DigitalOutputEx::Channel>(m_badIndex));
    }
    catch (const std::out_of_range& exception)
    {
        ok = std::string(exception.what()) == "DigitalOutputEx: no channel 7";
    }
    Report("std::out_of_range from a driver's channel lookup", ok);

    static const unsigned char bytes[4] = {1, 2, 3, 4};
    Velmora::MemoryStream stream(bytes, sizeof bytes);
    stream.Seek(2);
    ok = false;
    try
    {
        stream.Seek(4);
    }
    catch (const std::runtime_error&)
    {
        ok = stream.GetCurrentPosition() == 2;
    }
    Report("std::runtime_error from a stream seek past its end", ok);
}

} // namespace

// The firmware's terminate handler (system/Terminate.cpp): rethrows the exception in flight and
// hands it to the unhandled-exception handler, whose default prints it.
namespace __gnu_cxx
{
void __verbose_terminate_handler();
}

namespace
{

// The run-time calls the terminate handler, with the exception still current, when no handler
// takes it; here it is called the same way from inside a handler, since its own ending (abort)
// would stop the check. The report line is checked by tools/check-emulated.
void ReportsAnUnhandledException()
{
    const bool installed = std::get_terminate() == &__gnu_cxx::__verbose_terminate_handler;
    Report("the firmware's terminate handler is installed", installed);
    if (!installed)
        return;
    try
    {
        throw std::logic_error("nobody caught this");
    }
    catch (...)
    {
        std::fflush(stdout);
        __gnu_cxx::__verbose_terminate_handler();
        std::fflush(stdout);
    }
}

} // namespace

int main()
{
    ThrowsFromRunTime();
#if defined(__arm__)
    ThrowsWhenTheHeapIsExhausted();
#endif
    Rethrows();
    UnwindsFrames();
    ThrowsFromTheLibrary();
    ReportsAnUnhandledException();
    std::puts(m_failures == 0 ? "exception check passed" : "exception check FAILED");
    return m_failures == 0 ? 0 : 1;
}
