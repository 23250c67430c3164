// The module's own allocation functions. It is built without exceptions and
// allocates only with `new (std::nothrow)`, which returns null when memory is
// short. The C++ runtime's nothrow new is the throwing one inside a catch: it
// would bring the exception machinery into the module, and with it a
// registration of the module's unwind tables that keeps a handle at every load.
#include <new>
#include <stdlib.h>

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void operator delete(void* memory) noexcept
{
    free(memory);
}

void operator delete[](void* memory) noexcept
{
    free(memory);
}

void operator delete(void* memory, size_t) noexcept
{
    free(memory);
}

void operator delete[](void* memory, size_t) noexcept
{
    free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    free(memory);
}
