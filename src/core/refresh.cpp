#include "core/refresh.h"

#include <windows.h>
#include <gdiplus.h>

#include "core/docklet.h"
#include "core/host.h"
#include "core/images.h"
#include "core/text.h"
#include "gpu/driver.h"
#include "gpu/sensor.h"
#include "render/render.h"

namespace {

void ChooseReadyLabel(const DockletInstance* instance, char* label, size_t capacity)
{
    const int labelData = instance->labelData;
    const GpuState& gpu = instance->gpu;
    if (labelData & LABEL_HIDE) {
        label[0] = 0;
    } else if (labelData & LABEL_TEMPERATURE) {
        // The degree sign is one byte only in some code pages (0xB0 is a lead
        // byte in the East Asian ones): the text goes through the host's.
        wchar_t text[LABEL_BYTES] = L"GPU Temperature: ";
        const size_t prefix = wcslen(text);
        FormatTemperature(text + prefix, LABEL_BYTES - prefix, instance, LABEL_FAHRENHEIT);
        NarrowForHost(label, capacity, text);
    } else if (labelData & LABEL_FULL_NAME) {
        // A driver text goes back to the bytes the driver gave.
        NarrowToBytes(label, capacity, gpu.gpuNames[0]);
    } else if (labelData & LABEL_VENDOR_STRING) {
        // Driver texts may fill their 64 bytes without a terminator.
        FormatBytes(label, capacity, "%.64hs - %.64hs", gpu.chipsetInfo.vendorName, gpu.chipsetInfo.chipsetName);
    } else if (labelData & LABEL_TITLE) {
        NarrowForHost(label, capacity, instance->title);
    } else {
        CopyBytes(label, capacity, "Unknown Label Type");
    }
}

const char NO_GPU_LABEL[] = "No Nvidia Driver/GPU Found";

void ChooseLabel(const DockletInstance* instance, char* label, size_t capacity)
{
    const int status = instance->gpu.gpuStatus;
    if (status == GPU_LIBRARY_NOT_FOUND) {
        CopyBytes(label, capacity, NO_GPU_LABEL);
    } else if (status != GPU_OK) {
        // A driver that failed to start (no NVIDIA processor, say) has no
        // message to give: an empty label would tell the user nothing.
        char message[GPU_TEXT_BYTES + 1] = "";
        DriverGetErrorMessage(status, message);
        message[GPU_TEXT_BYTES] = 0;
        CopyBytes(label, capacity, message[0] ? message : NO_GPU_LABEL);
    } else {
        ChooseReadyLabel(instance, label, capacity);
    }
}

} // namespace

void RefreshDocklet(DockletInstance* instance)
{
    instance->lastTemperature = SampleGpu(instance->gpu, instance->gpuWatch, instance->history);

    char label[LABEL_BYTES];
    ChooseLabel(instance, label, sizeof label);
    HostSetLabel(instance->hwndDocklet, label);

    HostGiveImageOverlay(instance->hwndDocklet, ComposeDockletImage(instance));
}

void ArmRefreshTimer(DockletInstance* instance)
{
    SetTimer(instance->hwndDocklet, REFRESH_TIMER_ID, REFRESH_PERIOD, nullptr);
    instance->created = 1;
}

void RefreshOnTimer(DockletInstance* instance)
{
    if (instance->destroyPending)
        return;
    KillTimer(instance->hwndDocklet, REFRESH_TIMER_ID);
    instance->created = 0;
    RefreshDocklet(instance);
    // A menu or the settings sheet may have re-armed it while the refresh ran.
    if (!instance->created)
        ArmRefreshTimer(instance);
}

void SetBaseImage(DockletInstance* instance)
{
    const wchar_t* image =
        (instance->dockletData & DOCKLET_HIDE_ICONS) ? instance->emptyImage : instance->backgroundImage;
    char path[PATH_CAPACITY];
    NarrowForHost(path, sizeof path, image);
    HostSetImageFile(instance->hwndDocklet, path);
}

void SetDefaultBaseImage(DockletInstance* instance)
{
    const wchar_t* name = (instance->dockletData & DOCKLET_HIDE_ICONS) ? EMPTY_IMAGE : BACKGROUND_IMAGE;
    // A path cut short would name another file.
    wchar_t image[PATH_CAPACITY];
    char path[PATH_CAPACITY];
    if (ImagesFolderPath(image, PATH_CAPACITY, instance->hwndDocklet, instance->imagesFolder, name) &&
        NarrowForHost(path, sizeof path, image))
        HostSetImageFile(instance->hwndDocklet, path);
}
