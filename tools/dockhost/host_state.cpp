#include "host_services.h"

namespace dockhost {

namespace {

HostServices* servicesElsewhere = nullptr;

} // namespace

HostServices& Services()
{
    if (servicesElsewhere)
        return *servicesElsewhere;
    static HostServices services;
    return services;
}

bool UseServicesOf(HMODULE library)
{
    if (!library) {
        servicesElsewhere = nullptr;
        return true;
    }
    auto state = reinterpret_cast<ServicesStateFn>(
        reinterpret_cast<void*>(GetProcAddress(library, SERVICES_STATE_EXPORT)));
    HostServices* services = state ? state() : nullptr;
    if (!services)
        return false;
    servicesElsewhere = services;
    return true;
}

int HostServices::CountCalls(const std::string& service, HWND hwnd) const
{
    int count = 0;
    for (const ServiceCall& call : calls)
        if (call.service == service && (!hwnd || call.hwnd == hwnd))
            ++count;
    return count;
}

const ServiceCall* HostServices::LastCall(const std::string& service, HWND hwnd) const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->service == service && (!hwnd || it->hwnd == hwnd))
            return &*it;
    return nullptr;
}

void HostServices::Clear()
{
    calls.clear();
    keptOverlays.clear();
}

void HostServices::DropOverlays()
{
    for (auto& view : views)
        view.second.overlay.reset();
    keptOverlays.clear();
}

} // namespace dockhost
