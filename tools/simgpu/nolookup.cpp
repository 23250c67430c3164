// Loads like the driver library but offers no nvapi_QueryInterface, as a
// broken or foreign library of that name would.
extern "C" int __cdecl SimGpu_NoLookup()
{
    return 0;
}
