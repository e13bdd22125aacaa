// The run-time's terminate handler and pure virtual call, replaced so that an exception nobody
// caught in the main flow reaches the console through the unhandled-exception handler instead of
// the run-time's own diagnostics (which would pull in the demangler).

#include "system/System.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace
{
bool m_terminating = false;
}

namespace __gnu_cxx
{

void __verbose_terminate_handler()
{
    if (m_terminating)
    {
        std::fputs("terminate called recursively\r\n", stderr);
        return;
    }
    m_terminating = true;

    if (std::current_exception())
    {
        try
        {
            throw;
        }
        catch (const std::exception& exception)
        {
            Velmora::System::GetInstance().GetOnUnhandledException()(exception);
        }
        catch (...)
        {
            std::fputs("An unknown object was thrown\r\n", stderr);
        }
    }
    else
    {
        std::fputs("terminate called without an active exception\r\n", stderr);
    }
}

} // namespace __gnu_cxx

namespace
{

// The board toolchain's C++ run-time is built with std::abort as its terminate handler, not the
// one above, so an exception nobody caught would stop the board without a word. Installed before
// the other static constructors run (priority 101 comes first), so that what they throw is
// reported too.
__attribute__((constructor(101))) void InstallTerminateHandler()
{
    std::set_terminate(__gnu_cxx::__verbose_terminate_handler);
}

} // namespace

// A call through a vtable slot that was never filled: the object is half built or half destroyed,
// and returning would carry on with whatever the caller does next. Say so and stop.
extern "C" void __cxa_pure_virtual()
{
    std::fputs("pure virtual method called\r\n", stderr);
    std::abort();
}
