// General page: title, left-click command and parameters, what the icon and
// the label show, and the temperature unit.
#include "config/config.h"

namespace {

PageSlots generalSlots = {};

// The label content buttons, in the order the read-back tries them.
const struct {
    int control;
    int bit;
} LABEL_CONTENT[] = {
    {IDC_GENERAL_LABEL_TEMPERATURE, LABEL_TEMPERATURE},
    {IDC_GENERAL_LABEL_FULL_NAME, LABEL_FULL_NAME},
    {IDC_GENERAL_LABEL_VENDOR, LABEL_VENDOR_STRING},
    {IDC_GENERAL_LABEL_TITLE, LABEL_TITLE},
};

void LoadGeneralPage(HWND page, DockletInstance* copy)
{
    // What can be typed is what will be kept.
    SendDlgItemMessageW(page, IDC_GENERAL_TITLE, EM_LIMITTEXT, TITLE_CAPACITY - 1, 0);
    SendDlgItemMessageW(page, IDC_GENERAL_COMMAND, EM_LIMITTEXT, COMMAND_CAPACITY - 1, 0);
    SendDlgItemMessageW(page, IDC_GENERAL_PARAMETERS, EM_LIMITTEXT, COMMAND_CAPACITY - 1, 0);
    SetDlgItemTextW(page, IDC_GENERAL_TITLE, copy->title);
    SetDlgItemTextW(page, IDC_GENERAL_COMMAND, copy->command);
    SetDlgItemTextW(page, IDC_GENERAL_PARAMETERS, copy->parameters);

    // Lowest priority first: where a button unchecks the rest of its group,
    // the one that shows is the one the read-back keeps.
    for (int i = static_cast<int>(sizeof LABEL_CONTENT / sizeof LABEL_CONTENT[0]) - 1; i >= 0; --i)
        Tick(page, LABEL_CONTENT[i].control, (copy->labelData & LABEL_CONTENT[i].bit) != 0);
    Tick(page, IDC_GENERAL_HIDE_LABEL, (copy->labelData & LABEL_HIDE) != 0);
    Tick(page, IDC_GENERAL_ICON_GRAPH, (copy->dockletData & DOCKLET_GRAPH) != 0);
    Tick(page, IDC_GENERAL_ICON_TEMPERATURE, (copy->dockletData & DOCKLET_TEMPERATURE) != 0);
    Tick(page, IDC_GENERAL_HIDE_ICONS, (copy->dockletData & DOCKLET_HIDE_ICONS) != 0);

    Tick(page, IDC_GENERAL_CELSIUS, copy->celsius != 0);
    Tick(page, IDC_GENERAL_FAHRENHEIT, copy->celsius == 0);
}

void StoreGeneralPage(HWND page, DockletInstance* copy)
{
    GetDlgItemTextW(page, IDC_GENERAL_TITLE, copy->title, TITLE_CAPACITY);
    GetDlgItemTextW(page, IDC_GENERAL_COMMAND, copy->command, COMMAND_CAPACITY);
    GetDlgItemTextW(page, IDC_GENERAL_PARAMETERS, copy->parameters, COMMAND_CAPACITY);

    copy->celsius = Ticked(page, IDC_GENERAL_CELSIUS) ? 1 : 0;

    // Rebuilt from the controls: bits the page does not show are dropped.
    int labelData = 0;
    for (const auto& content : LABEL_CONTENT) {
        if (Ticked(page, content.control)) {
            labelData = content.bit;
            break;
        }
    }
    if (Ticked(page, IDC_GENERAL_HIDE_LABEL))
        labelData |= LABEL_HIDE;
    copy->labelData = labelData;

    int dockletData = 0;
    if (Ticked(page, IDC_GENERAL_ICON_TEMPERATURE))
        dockletData = DOCKLET_TEMPERATURE;
    else if (Ticked(page, IDC_GENERAL_ICON_GRAPH))
        dockletData = DOCKLET_GRAPH;
    if (Ticked(page, IDC_GENERAL_HIDE_ICONS))
        dockletData |= DOCKLET_HIDE_ICONS;
    copy->dockletData = dockletData;
}

const PageHandlers PAGE = {LoadGeneralPage, StoreGeneralPage, nullptr, nullptr, 0, IDD_GENERAL};

} // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunPage(page, message, wParam, lParam, generalSlots, PAGE);
}
