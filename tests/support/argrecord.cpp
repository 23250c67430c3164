// Stands in for the user's program: writes the arguments it was started
// with, one per line in UTF-8, into the file its first argument names.
#include <windows.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    FILE* file = _wfopen(argv[1], L"wb");
    if (!file)
        return 1;
    for (int i = 2; i < argc; ++i) {
        char line[1024];
        int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, line, sizeof line, nullptr, nullptr);
        if (size > 0)
            fprintf(file, "%s\n", line);
    }
    fclose(file);
    return 0;
}
