// Pair files: the text pending in memory stays small when many files are open, and what a file
// holds after Close (or after Restore) is exactly the text appended, whatever the block size.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "simulation/PairFile.h"
#include "simulation/ResultTestSupport.h"
#include "support/FileText.h"

namespace pairfiletest {

std::string Lines(unsigned from, unsigned count)
{
    std::string text;
    for (unsigned k = from; k < from + count; ++k) text += std::to_string(k) + " 0.125 -3.5 7 12345.678\n";
    return text;
}

}  // namespace pairfiletest

TEST(PairFile, PendingTextStaysSmallWithManyFilesOpenAndEveryLineReachesTheFile)
{
    resulttest::Scratch dir("sorvi-pair-files");
    auto path = [&](const std::string& name) { return (dir.dir / name).string(); };
    const std::string text = pairfiletest::Lines(0, 40000);  // about 1.2 MB
    ASSERT_GT(text.size(), TPairFile::kMaxBlockBytes);

    for (const unsigned others : {0u, 1100u}) {
        SCOPED_TRACE(others);
        std::vector<std::unique_ptr<TPairFile>> open;
        for (unsigned k = 0; k < others; ++k) {
            open.push_back(std::make_unique<TPairFile>());
            ASSERT_TRUE(open.back()->Create(path("other" + std::to_string(k))));
        }
        TPairFile file;
        ASSERT_TRUE(file.Create(path("rays.txt")));
        std::size_t pendingMost = 0;
        TPairFile::Mark mark;
        std::size_t marked = 0;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at) + 1;
            file.Append(std::string_view(text).substr(at, end - at));
            pendingMost = std::max(pendingMost, file.Buffer().size());
            at = end;
            if (marked == 0 && at > text.size() / 2) {
                mark = file.Remember();
                marked = at;
            }
        }
        // Every file's block is at most its share of what all may hold, never below the least.
        if (others > 0) {
            EXPECT_LT(pendingMost, TPairFile::kBlockBytes + 64);
        }
        EXPECT_LT(pendingMost, TPairFile::kMaxBlockBytes + 64);
        EXPECT_TRUE(file.Flush());
        EXPECT_EQ(ReadFile(path("rays.txt")), text);
        // Back to the mark: the file holds what it held then, pending text included.
        file.Restore(mark);
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(ReadFile(path("rays.txt")), text.substr(0, marked));
    }
}
