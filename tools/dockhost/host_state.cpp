#include "host_services.h"


namespace dockhost {

HostServices& Services()
{
    static HostServices services;
    return services;
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

} // namespace dockhost
