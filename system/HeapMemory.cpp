#include "system/HeapMemory.h"

#include "system/PImpl/HeapMemory.h"
#include "system/System.h"

namespace
{

// One heap operation's arguments and result, handed through the atomic call.
struct Request
{
    void* pointer;
    size_t size;
    void* result;
};

void DoAllocate(void* argument)
{
    Request& request = *static_cast<Request*>(argument);
    request.result = PImpl::HeapMemory::GetInstance().Allocate(request.size);
}

void DoFree(void* argument)
{
    PImpl::HeapMemory::GetInstance().Free(static_cast<Request*>(argument)->pointer);
}

void DoReAllocate(void* argument)
{
    Request& request = *static_cast<Request*>(argument);
    request.result = PImpl::HeapMemory::GetInstance().ReAllocate(request.pointer, request.size);
}

} // namespace

namespace Velmora
{

HeapMemory& HeapMemory::GetInstance()
{
    static HeapMemory instance;
    return instance;
}

void* HeapMemory::Allocate(size_t size)
{
    Request request{nullptr, size, nullptr};
    System::GetInstance().AtomicCall(DoAllocate, &request);
    return request.result;
}

void HeapMemory::Deallocate(const void* pointer)
{
    Request request{const_cast<void*>(pointer), 0, nullptr};
    System::GetInstance().AtomicCall(DoFree, &request);
}

void* HeapMemory::ReAllocate(void* pointer, size_t size)
{
    Request request{pointer, size, nullptr};
    System::GetInstance().AtomicCall(DoReAllocate, &request);
    return request.result;
}

} // namespace Velmora
