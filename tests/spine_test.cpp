#include "harness.h"

using harness::DockTest;

class Spine : public DockTest {};

TEST_F(Spine, ReportsItsIdentity)
{
    char name[256], author[256], description[2048];
    memset(name, 0xCC, sizeof name);
    int version = 0xdeadbeef;
    GetDock().Entry().OnGetInformation(name, author, &version, description);
    EXPECT_STREQ(name, "Moravel Docklet");
    EXPECT_STREQ(description, "A Moravel Docklet for ObjectDock");
    EXPECT_EQ(version, 100);
    EXPECT_GT(strlen(author), 0u);
}
