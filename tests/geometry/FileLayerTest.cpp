// Appends: whatever their sizes and the path they take (large ones past the page cache where the
// file system allows it), the file holds every byte appended, in order; a failed step is
// reported and leaves what was appended before it.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "geometry/FileLayer.h"
#include "support/FileText.h"
#include "support/TempDir.h"

namespace appendtest {

// n bytes of numbered lines, from line `from` on, so that a misplaced block shows.
std::string Text(std::size_t n, unsigned from)
{
    std::string s;
    while (s.size() < n) s += std::to_string(from++) + " 0.125 -3.5\n";
    s.resize(n);
    return s;
}

}  // namespace appendtest

using appendtest::Text;

TEST(CheckedFileAppend, EveryByteInOrderWhateverTheSizesAndTheFileAlreadyThere)
{
    TempDir dir("sorvi-append");
    const std::string path = (dir / "rays.txt").string();
    constexpr std::size_t big = CheckedFile::kDirectBytes;
    // Small and large appends, file ends on and off a 4096-byte block, a large one into an
    // empty file and one after a small one.
    const std::size_t sizes[] = {big + 1, 10, 4096 - 10 - 1, big, 3 * big + 4095, 1, 2 * big, 0, big + 4097};
    std::string expected = "made elsewhere\n";
    WriteFile(path, expected);
    CheckedFile file;
    unsigned line = 0;
    for (const std::size_t n : sizes) {
        const std::string text = Text(n, line);
        line += 1000;
        ASSERT_TRUE(file.Append(path, text)) << n << ": " << file.Error();
        expected += text;
        ASSERT_EQ(ReadFile(path), expected) << "after " << n << " bytes";
    }
    // A file that does not exist yet is created.
    const std::string fresh = (dir / "fresh.txt").string();
    ASSERT_TRUE(file.Append(fresh, Text(big + 7, 0)));
    EXPECT_EQ(ReadFile(fresh), Text(big + 7, 0));
}

TEST(CheckedFileAppend, AFailedStepIsReportedAndKeepsWhatWasThere)
{
    TempDir dir("sorvi-append-fails");
    const std::string path = (dir / "rays.txt").string();
    const std::string before = Text(5000, 0);
    for (const std::size_t n : {std::size_t{100}, CheckedFile::kDirectBytes + 100}) {
        for (const FileStep step : {FileStep::Open, FileStep::Write}) {
            SCOPED_TRACE(std::to_string(n) + " bytes, step " + std::to_string(static_cast<int>(step)));
            WriteFile(path, before);
            const FileFault previous =
                SetFileFault([&](FileStep s, const std::string& p) { return p == path && s == step ? ENOSPC : 0; });
            CheckedFile file;
            const bool ok = file.Append(path, Text(n, 77));
            SetFileFault(previous);
            EXPECT_FALSE(ok);
            EXPECT_EQ(file.Error(), std::strerror(ENOSPC));
            EXPECT_EQ(ReadFile(path), before);
        }
    }
}
