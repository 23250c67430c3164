/* Keeps one program with a window alive in the 32-bit Wine prefix, so its
 * services and desktop stay up between test programs instead of starting
 * again under emulation for each. Writes the file named by its argument once
 * the window exists; ends with the Wine server. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)previous;
    (void)show;
    HWND window = CreateWindowExW(0, L"STATIC", L"keepalive32", WS_POPUP, 0, 0, 1, 1,
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
