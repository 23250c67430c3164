#include "gpu_support.h"

using namespace gpu_test;

class GpuSensor : public GpuTest {};

TEST_F(GpuSensor, TwoProcessorsStoredOnlyTheFirstSampled)
{
    UseLibrary(Library::Simulated, "gpus 2\n"
                                   "name 0 GeForce Zero\n"
                                   "name 1 GeForce One\n"
                                   "properties 0 1 2 3\n"
                                   "properties 1 0x80000011 12 13\n"
                                   "temperature 66\n");
    dockhost::Docklet* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    Tick(docklet);
    ASSERT_EQ(Label(docklet), "GPU Temperature: 66 " + std::string(DEGREE) + "C");
    // Nothing shows the second processor: what the sensor stored of it.
    const GpuState& gpu = record::Gpu(docklet);
    EXPECT_EQ(gpu.gpuCount, 2u);
    EXPECT_STREQ(gpu.gpuNames[0], L"GeForce Zero");
    EXPECT_STREQ(gpu.gpuNames[1], L"GeForce One");
    const uint32_t expected[2][3] = {{1, 2, 3}, {0x80000011u, 12, 13}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(gpu.gpuPropertyA[i], expected[i][0]) << "processor " << i;
        EXPECT_EQ(gpu.gpuPropertyB[i], expected[i][1]) << "processor " << i;
        EXPECT_EQ(gpu.gpuPropertyC[i], expected[i][2]) << "processor " << i;
    }
    EXPECT_NE(gpu.gpuHandles[0], gpu.gpuHandles[1]);
    EXPECT_EQ(CallCount("thermal:0"), 2);
    EXPECT_EQ(CallCount("thermal:1"), 0);
    // The driver refuses handles cut to 32 bits; a 66 shows they came back whole.
    EXPECT_EQ(Samples(docklet), (std::vector<int>{66, 66}));
    EXPECT_EQ(CallCount("rejected"), 0);
}

TEST_F(GpuSensor, NameFailureForSecondProcessorKeepsTheFirst)
{
    UseLibrary(Library::Simulated, "gpus 2\nname 0 GeForce Zero\nproperties 0 7 8 9\nstatus name -1 at 2\n"
                                   "message -1 Name query failed\n");
    dockhost::Docklet* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(Label(docklet), "Name query failed");
    const GpuState& gpu = record::Gpu(docklet);
    EXPECT_STREQ(gpu.gpuNames[0], L"GeForce Zero");
    EXPECT_EQ(gpu.gpuPropertyC[0], 9u);
    EXPECT_NE(gpu.gpuHandles[1], nullptr) << "processor 1's handle is stored before its name is asked";
    EXPECT_STREQ(gpu.gpuNames[1], L"");
    EXPECT_EQ(gpu.gpuPropertyA[1], 0u);
    EXPECT_EQ(CallCount("propertyA:1"), 0);
    Tick(docklet);
    EXPECT_EQ(CallCount("thermal"), 0);
    EXPECT_TRUE(Samples(docklet).empty());
}

TEST_F(GpuSensor, UnterminatedTextsAreCut)
{
    const std::string name(70, 'N'), version(64, 'R'), chipset(64, 'C'), vendor(64, 'V');
    UseLibrary(Library::Simulated, "name 0 " + name + "\nversion " + version + "\nchipset " + chipset +
                                       "\nvendor " + vendor + "\n");
    dockhost::Docklet* fullName = CreateWithLabel(LABEL_FULL_NAME);
    dockhost::Docklet* vendorString = CreateWithLabel(LABEL_VENDOR_STRING);
    ASSERT_NE(fullName, nullptr);
    ASSERT_NE(vendorString, nullptr);
    EXPECT_EQ(Label(fullName), std::string(63, 'N'));
    // The version text, which nothing shows.
    EXPECT_EQ(std::wstring(record::Gpu(fullName).interfaceVersion), std::wstring(63, L'R'));
    // The record's texts are read at most 64 bytes each, never into the filler after them.
    EXPECT_EQ(Label(vendorString), vendor + " - " + chipset);
}

TEST_F(GpuSensor, ProcessorCountAboveCapacityIsClamped)
{
    UseLibrary(Library::Simulated, "gpus 70\nname 63 Last One\ntemperature 70\n");
    dockhost::Docklet* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    EXPECT_EQ(Label(docklet), "GPU Temperature: 70 " + std::string(DEGREE) + "C");
    const GpuState& gpu = record::Gpu(docklet);
    EXPECT_EQ(gpu.gpuCount, 64u);
    EXPECT_STREQ(gpu.gpuNames[63], L"Last One");
    EXPECT_EQ(CallCount("name"), 64);
    EXPECT_EQ(CallCount("propertyC"), 64);
    EXPECT_EQ(Samples(docklet), std::vector<int>{70});
}

// The history may be missing when its allocation failed at creation.
TEST_F(GpuSensor, SamplesWithoutHistory)
{
    UseLibrary(Library::Simulated, "temperatures 30 31");
    dockhost::Docklet* docklet = Create();
    ASSERT_NE(docklet, nullptr);
    {
        record::WithoutHistory without(docklet);
        Tick(docklet);
    }
    EXPECT_EQ(Label(docklet), "GPU Temperature: 31 " + std::string(DEGREE) + "C");
    EXPECT_EQ(Samples(docklet), std::vector<int>{30});
}
