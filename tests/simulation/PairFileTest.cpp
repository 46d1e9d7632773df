// Pair files: the text pending in memory stays small when many files are open, and what a file
// holds after Close (or after Restore) is exactly the text appended, whatever the block size; a
// block that fails to be written is reported once, by the appending thread, and ends the file.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "geometry/FileLayer.h"
#include "geometry/HeldOutput.h"
#include "simulation/PairFile.h"
#include "simulation/ResultTestSupport.h"
#include "support/ErrorCapture.h"
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

TEST(PairFile, AFailedBlockIsReportedOnceByTheAppendingThreadAndEndsTheFile)
{
    resulttest::Scratch dir("sorvi-pair-file-fails");
    const std::string failing = (dir.dir / "rays.txt").string();
    const std::string text = pairfiletest::Lines(0, 120000);  // several of the largest blocks
    ASSERT_GT(text.size(), 3 * TPairFile::kMaxBlockBytes);

    // Fails the first block written (open) or the second (write); and a flush of the rest.
    struct Case {
        FileStep step;
        unsigned nth;
    };
    for (const Case c : {Case{FileStep::Open, 1}, Case{FileStep::Write, 2}, Case{FileStep::Flush, 1}}) {
        SCOPED_TRACE(static_cast<int>(c.step) * 10 + static_cast<int>(c.nth));
        unsigned seen = 0;
        const FileFault previous = SetFileFault([&](FileStep step, const std::string& path) {
            return path == failing && step == c.step && ++seen == c.nth ? ENOSPC : 0;
        });
        ErrorCapture errors;
        HeldOutput output;
        bool closed = true;
        bool failed = false;
        {
            ScopedOutputHold hold(output);
            TPairFile file;
            ASSERT_TRUE(file.Create(failing));
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t end = text.find('\n', at) + 1;
                file.Append(std::string_view(text).substr(at, end - at));
                at = end;
            }
            closed = file.Close();
            failed = file.Failed();
        }
        SetFileFault(previous);
        // Held by the appending thread's output, like its other reports.
        EXPECT_TRUE(errors.messages.empty()) << errors.Joined();
        output.Release();
        ASSERT_EQ(errors.messages.size(), 1u) << errors.Joined();
        EXPECT_EQ(errors.messages[0], "Cannot write " + failing + ": " + std::strerror(ENOSPC) + "\n");
        EXPECT_FALSE(closed);
        EXPECT_TRUE(failed);
        // What reached the file before the failure, whole blocks of the text, nothing after.
        const std::string kept = ReadFile(failing);
        EXPECT_TRUE(kept == text.substr(0, kept.size())) << kept.size() << " bytes kept";
        EXPECT_LT(kept.size(), 2 * TPairFile::kMaxBlockBytes + 64);
        if (c.step == FileStep::Write) {
            EXPECT_GE(kept.size(), TPairFile::kMaxBlockBytes);
        }
    }
}
