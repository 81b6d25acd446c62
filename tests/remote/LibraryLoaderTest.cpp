// Tests of run-time library loading: the program's folder first, the search path, entry lookup.
#include "platform/LibraryLoader.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using CodecEntry = int32_t (*)(const uint8_t*, uint8_t*, int32_t, int32_t*);

std::string binFolder() {
    const char* folder = std::getenv("KELVANE_BIN_DIR");
    return folder ? folder : KELVANE_DEFAULT_BIN_DIR;
}

class LibraryLoaderTest : public testing::Test {
  protected:
    void TearDown() override { platform::releaseLibrary(library); }
    platform::LibraryHandle library = nullptr;
};

TEST_F(LibraryLoaderTest, AMissingLibraryGivesNull) {
    library = platform::loadLibrary("libquodra-that-is-not-there.so");
    EXPECT_EQ(library, nullptr);
    EXPECT_EQ(platform::findLibraryEntry(nullptr, "Compress"), nullptr);
    EXPECT_EQ(platform::loadLibrary(""), nullptr);
    EXPECT_EQ(platform::loadLibrary(nullptr), nullptr);
}

// The stand-in lies only beside this test program, not on any search path, so finding it by bare
// name shows that the program's own folder is searched.
TEST_F(LibraryLoaderTest, ABareNameIsFoundInTheProgramFolder) {
    library = platform::loadLibrary("libkelvane_decompress_only.so");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(platform::findLibraryEntry(library, "Decompress"), nullptr);
    EXPECT_EQ(platform::findLibraryEntry(library, "Compress"), nullptr);
}

// The program's own modules are taken from its folder only; outside libraries also from the system.
TEST_F(LibraryLoaderTest, TheSearchDecidesWhetherTheSystemPathIsTried) {
    using platform::LibrarySearch;
    struct Case {
        std::string name;
        LibrarySearch search;
        bool loads;
    };
    const Case cases[] = {
        // Beside this test program only.
        {.name = "libkelvane_decompress_only.so", .search = LibrarySearch::ProgramFolderOnly, .loads = true},
        {.name = "libkelvane_decompress_only.so",
         .search = LibrarySearch::ProgramFolderThenSystem,
         .loads = true},
        // On the system's search path only (libquodra's own dependency).
        {.name = "libdeflate.so.0", .search = LibrarySearch::ProgramFolderThenSystem, .loads = true},
        {.name = "libdeflate.so.0", .search = LibrarySearch::ProgramFolderOnly, .loads = false},
        // A name with a folder is loaded as it stands.
        {.name = binFolder() + "/libquodra.so", .search = LibrarySearch::ProgramFolderOnly, .loads = true},
    };
    for (const Case& row : cases) {
        platform::LibraryHandle loaded = platform::loadLibrary(row.name.c_str(), row.search);
        EXPECT_EQ(loaded != nullptr, row.loads)
            << row.name
            << (row.search == LibrarySearch::ProgramFolderOnly ? " from the program folder only" : "");
        platform::releaseLibrary(loaded);
    }
}

TEST_F(LibraryLoaderTest, TheCompressionLibraryGivesEntriesThatRoundTrip) {
    library = platform::loadLibrary((binFolder() + "/libquodra.so").c_str());
    ASSERT_NE(library, nullptr);
    // Looked up in the order start-up uses.
    const auto decompress = reinterpret_cast<CodecEntry>(platform::findLibraryEntry(library, "Decompress"));
    const auto compress = reinterpret_cast<CodecEntry>(platform::findLibraryEntry(library, "Compress"));
    ASSERT_NE(compress, nullptr);
    ASSERT_NE(decompress, nullptr);
    EXPECT_EQ(platform::findLibraryEntry(library, "compress"), nullptr) << "names are exact";

    std::vector<uint8_t> band(480 * 4, 0);
    band[100] = 0x1F;
    std::vector<uint8_t> stream(band.size());
    int32_t length = static_cast<int32_t>(band.size());
    ASSERT_EQ(compress(band.data(), stream.data(), length, &length), 0);
    std::vector<uint8_t> back(band.size());
    int32_t produced = static_cast<int32_t>(back.size());
    ASSERT_EQ(decompress(stream.data(), back.data(), length, &produced), 0);
    EXPECT_EQ(back, band);
}

} // namespace
