// Prints a few lines and returns the exit code it is given: the 32-bit run
// must pass both through unchanged.
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int main(int argc, char** argv)
{
    int lines = argc > 2 ? std::atoi(argv[2]) : 1;
    for (int i = 0; i < lines; ++i)
        std::printf("line %d of %d from a %d-bit process\n", i + 1, lines, int(sizeof(void*) * 8));
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::fprintf(stderr, "IsWow64Process: %d\n", int(wow64));
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
