#include <gtest/gtest.h>

#include <cstring>

#include "bounds_checked.h"

TEST(LibraryVersion, StoresTheNumberAndReturnsTheBanner) {
    const char *banner = get_library_version(nullptr);
    ASSERT_NE(banner, nullptr);
    EXPECT_GT(std::strlen(banner), 0u);
    unsigned short version = 0;
    EXPECT_EQ(get_library_version(&version), banner);
    EXPECT_EQ(version, 1290);
}
