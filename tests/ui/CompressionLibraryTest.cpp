// Loading the optional compression library at start-up and releasing it at the end.
#include "server/ui/CompressionLibrary.h"

#include "server/net/ProcessState.h"
#include "tests/support/ServerProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(CompressionLibrary, BothEntriesOfTheRealLibrary) {
    loadCompressionLibrary((binaryFolder() + "/libquodra.so").c_str());
    EXPECT_NE(compressFn.load(), nullptr);
    EXPECT_NE(decompressFn.load(), nullptr);
    releaseCompressionLibrary();
    EXPECT_EQ(compressFn.load(), nullptr);
    EXPECT_EQ(decompressFn.load(), nullptr);
}

TEST(CompressionLibrary, MissingLibraryLeavesBothEntriesNull) {
    loadCompressionLibrary("libkelvane-no-such-library.so");
    EXPECT_EQ(compressFn.load(), nullptr);
    EXPECT_EQ(decompressFn.load(), nullptr);
    releaseCompressionLibrary();
}

TEST(CompressionLibrary, EachEntryIsLookedUpOnItsOwn) {
    loadCompressionLibrary(DECOMPRESS_ONLY_LIBRARY);
    EXPECT_EQ(compressFn.load(), nullptr);
    ASSERT_NE(decompressFn.load(), nullptr);
    int32_t length = 5;
    EXPECT_EQ(decompressFn.load()(nullptr, nullptr, 0, &length), 0);
    EXPECT_EQ(length, 0);
    releaseCompressionLibrary();
    EXPECT_EQ(decompressFn.load(), nullptr);
}

} // namespace
