// Mouse actions on the docklet's icon and its context menu.
#pragma once

struct DockletInstance;

// Menu command ids; the separators carry ids too, which the menu never returns.
enum MenuCommand {
    MENU_SHOW_TEMPERATURE = 3,
    MENU_SHOW_GRAPH = 4,
    MENU_HIDE_ICONS = 5,
    MENU_SEPARATOR_ICON = 6,
    MENU_HIDE_LABEL = 7,
    MENU_ABOUT = 9,
    MENU_REMOVE = 10,
    MENU_SETTINGS = 11,
    MENU_LABEL_TEMPERATURE = 12,
    MENU_LABEL_TITLE = 13,
    MENU_LABEL_FULL_NAME = 14,
    MENU_LABEL_VENDOR = 15,
    MENU_SEPARATOR_LABEL = 16,
    MENU_CELSIUS = 17,
    MENU_FAHRENHEIT = 18,
    MENU_SEPARATOR_UNIT = 12,
};

// A left click: the user's command launched with its parameters.
void LaunchCommand(DockletInstance* instance);

// A right click: the context menu, and the command chosen from it.
void ShowContextMenu(DockletInstance* instance);

// Carries out one menu command as if it had been chosen.
void RunMenuCommand(DockletInstance* instance, int command);

// Gives back the dock's mouse-over effect if the open menu holds it.
void ReleaseMouseEffect(DockletInstance* instance);
