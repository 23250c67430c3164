// The module's own activation context: dialogs, the sheet and the menu get
// version 6 of the common controls from the module's manifest, also in hosts
// whose manifest asks for none.
#include "config/config.h"

#include "core/module_lock.h"
#include "core/system_library.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// Made once for the module, for docklets on any thread (each thread has
// its own stack of active contexts). Guarded by the module's lock.
HANDLE moduleContext = INVALID_HANDLE_VALUE;
bool contextTried = false;
HMODULE commonControls = nullptr;

HANDLE ModuleContext()
{
    ModuleLock lock;
    if (!contextTried) {
        contextTried = true;
        wchar_t modulePath[MAX_PATH] = L"";
        GetModuleFileNameW(ModuleInstance(), modulePath, MAX_PATH);
        ACTCTXW request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = modulePath;
        request.hModule = ModuleInstance();
        request.lpResourceName = MAKEINTRESOURCEW(IDR_MANIFEST);
        moduleContext = CreateActCtxW(&request);
    }
    return moduleContext;
}

typedef INT_PTR(WINAPI* PropertySheetFunction)(LPCPROPSHEETHEADERW header);
typedef BOOL(WINAPI* InitCommonControlsExFunction)(const INITCOMMONCONTROLSEX* classes);

template <typename Function>
Function Lookup(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Loaded under the current context, which decides the version: with the
// module's context by name, which the context redirects to version 6, and
// without one the system's own; a static import would be bound to whatever
// the host loaded first. It stays loaded: loading and freeing it for every
// sheet costs the process memory each time (Wine's loader keeps some of
// every load).
HMODULE CommonControls()
{
    const bool withContext = ModuleContext() != INVALID_HANDLE_VALUE;
    ModuleLock lock;
    if (!commonControls)
        commonControls = withContext ? LoadLibraryW(L"comctl32.dll") : LoadSystemLibrary(L"comctl32.dll");
    return commonControls;
}

} // namespace

HINSTANCE ModuleInstance()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

ModuleActivation::ModuleActivation()
{
    HANDLE context = ModuleContext();
    if (context != INVALID_HANDLE_VALUE)
        active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

ModuleActivation::~ModuleActivation()
{
    if (active_)
        DeactivateActCtx(0, cookie_);
}

void ReleaseModuleActivationContext()
{
    if (moduleContext != INVALID_HANDLE_VALUE)
        ReleaseActCtx(moduleContext);
    moduleContext = INVALID_HANDLE_VALUE;
    contextTried = false;
}

INT_PTR RunPropertySheet(const PROPSHEETHEADERW* header)
{
    HMODULE library = CommonControls();
    if (!library)
        return -1;
    auto initialise = Lookup<InitCommonControlsExFunction>(library, "InitCommonControlsEx");
    auto propertySheet = Lookup<PropertySheetFunction>(library, "PropertySheetW");
    if (!propertySheet)
        return -1;
    if (initialise) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
        initialise(&classes);
    }
    return propertySheet(header);
}
