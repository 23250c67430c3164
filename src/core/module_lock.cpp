#include "core/module_lock.h"

#include <windows.h>

namespace {

CRITICAL_SECTION moduleLock;

} // namespace

void CreateModuleLock()
{
    InitializeCriticalSection(&moduleLock);
}

void DeleteModuleLock()
{
    DeleteCriticalSection(&moduleLock);
}

ModuleLock::ModuleLock()
{
    EnterCriticalSection(&moduleLock);
}

ModuleLock::~ModuleLock()
{
    LeaveCriticalSection(&moduleLock);
}
