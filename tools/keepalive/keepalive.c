/* Keeps one program with a window alive in a Wine prefix (the 64-bit one and
 * the 32-bit one), so its services and desktop stay up between test programs:
 * Wine ends the desktop whenever no program uses it, and one started again by
 * a test program would keep that program's output open. Started with nothing
 * inherited. Writes the file named by its argument once the window exists;
 * ends with the Wine server. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)previous;
    (void)show;
    HWND window = CreateWindowExW(0, L"STATIC", L"keepalive", WS_POPUP, 0, 0, 1, 1,
                                  NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    if (command_line && *command_line) {
        HANDLE ready = CreateFileA(command_line, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, NULL);
        if (ready == INVALID_HANDLE_VALUE)
            return 2;
        CloseHandle(ready);
    }
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
