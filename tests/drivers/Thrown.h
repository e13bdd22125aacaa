// What a call throws, for tests that check failure messages.
#pragma once

#include <string>

// The message of the `Exception` that `call` throws, or "no exception" when it returns.
template <class Exception, class Call> std::string Thrown(Call call)
{
    try
    {
        call();
    }
    catch (const Exception& e)
    {
        return e.what();
    }
    return "no exception";
}
