// A set of files written whole: put in place together, or not at all.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "geometry/FileLayer.h"
#include "geometry/StagedFiles.h"
#include "support/ErrorCapture.h"

namespace fs = std::filesystem;

namespace {

class Folder {
public:
    Folder() : path_(fs::temp_directory_path() / ("sorvi-staged-" + std::to_string(::getpid())))
    {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Folder()
    {
        SetFileFault({});
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string str() const { return path_.string(); }
    void Put(const std::string& name, const std::string& text) const
    {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    // Every file of the folder, hidden ones included, and its bytes.
    std::map<std::string, std::string> Files() const
    {
        std::map<std::string, std::string> all;
        for (const auto& e : fs::directory_iterator(path_)) {
            std::ifstream in(e.path(), std::ios::binary);
            all[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
        return all;
    }

private:
    fs::path path_;
};

bool Write(const std::string& path, const std::string& text)
{
    CheckedFile f;
    return f.Open(path, "wb") && f.Write(text) && f.Close();
}

// The earlier set of a folder: two results, one stale result and files of other kinds.
void Earlier(const Folder& dir)
{
    dir.Put("S001-R001.txt", "old response\n");
    dir.Put("PARAMS-S001-R001.txt", "old parameters\n");
    dir.Put("S002-R001.txt", "a pair that no longer exists\n");
    dir.Put("S001-R001.txt.bak", "not a result\n");
    dir.Put("project.txt", "<PLANES>\n");
}

}  // namespace

TEST(StagedFiles, CommitPutsTheSetInPlaceAndRemovesTheEarlierRunsOtherFiles)
{
    Folder dir;
    Earlier(dir);
    StagedFiles set(dir.str());
    ASSERT_TRUE(Write(set.Path("S001-R001.txt"), "new response\n"));
    ASSERT_TRUE(Write(set.Path("PARAMS-S001-R001.txt"), "new parameters\n"));
    ASSERT_TRUE(Write(set.Path("LostRays.txt"), ""));
    // Until the commit the folder shows the earlier set.
    EXPECT_EQ(dir.Files().at("S001-R001.txt"), "old response\n");
    ASSERT_TRUE(set.Commit({"S?\?\?-R???.txt", "PARAMS-*.txt"}, dir / "project.txt"));
    const std::map<std::string, std::string> expected = {{"S001-R001.txt", "new response\n"},
                                                         {"PARAMS-S001-R001.txt", "new parameters\n"},
                                                         {"LostRays.txt", ""},
                                                         {"S001-R001.txt.bak", "not a result\n"},
                                                         {"project.txt", "<PLANES>\n"}};
    EXPECT_EQ(dir.Files(), expected);
}

// Every step that can fail, on the first or a later file: the message names the file the set
// was to put in place and why, the folder keeps the earlier set byte for byte, no temporary.
TEST(StagedFiles, AFailedStepLeavesTheEarlierSetByteForByte)
{
    struct Case {
        const char* name;
        FileStep step;
        const char* file;  // part of the failing path
        int err;
        const char* message;
    };
    const Case cases[] = {
        {"cannot create", FileStep::Open, "PARAMS", EACCES, "PARAMS-S001-R001.txt: Permission denied"},
        {"disk full on a write", FileStep::Write, "S001-R001.txt", ENOSPC, "S001-R001.txt: No space left on device"},
        {"disk full on the flush", FileStep::Flush, "PARAMS", ENOSPC, "PARAMS-S001-R001.txt: No space left on device"},
        {"close fails", FileStep::Close, "S001-R001.txt", EIO, "S001-R001.txt: Input/output error"},
        {"earlier file cannot be set aside", FileStep::Rename, "/PARAMS-S001-R001.txt", EBUSY,
         "cannot set the earlier file aside"},
        {"new file cannot be put in place", FileStep::Rename, ".sorvi-part-S001-R001.txt", EXDEV,
         "S001-R001.txt: cannot put it in place"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folder dir;
        Earlier(dir);
        const auto before = dir.Files();
        SetFileFault([&](FileStep s, const std::string& path) {
            return s == c.step && path.find(c.file) != std::string::npos ? c.err : 0;
        });
        {
            StagedFiles set(dir.str());
            ErrorCapture cap;
            Write(set.Path("PARAMS-S001-R001.txt"), "new parameters\n");
            Write(set.Path("S001-R001.txt"), "new response\n");
            EXPECT_TRUE(cap.messages.empty()) << "kept by the set, not shown";
            EXPECT_FALSE(set.Commit({"S?\?\?-R???.txt", "PARAMS-*.txt"}, dir / "project.txt"));
            EXPECT_NE(set.Failure().find(c.message), std::string::npos) << set.Failure();
            EXPECT_EQ(set.Failure().find(".sorvi-part-"), std::string::npos) << set.Failure();
        }
        SetFileFault({});
        EXPECT_EQ(dir.Files(), before);
    }
}

TEST(StagedFiles, ADroppedSetAndALeftoverOfAnEndedProcessLeaveNoTemporary)
{
    Folder dir;
    Earlier(dir);
    const auto before = dir.Files();
    {
        StagedFiles set(dir.str());
        Write(set.Path("S001-R001.txt"), "half a response");
    }  // dropped without a commit
    EXPECT_EQ(dir.Files(), before);

    // A process that ended in the middle of a commit: one earlier file set aside, one new file
    // not yet in place.
    fs::rename(dir / "S001-R001.txt", dir / ".sorvi-old-S001-R001.txt");
    dir.Put(".sorvi-part-PARAMS-S001-R001.txt", "half");
    StagedFiles::Recover(dir.str());
    EXPECT_EQ(dir.Files(), before);
}

TEST(StagedFiles, WithoutASetAFailureIsShownWithTheFileAndTheReason)
{
    Folder dir;
    ErrorCapture cap;
    EXPECT_FALSE(Write(dir / "missing/x.txt", "text"));
    EXPECT_EQ(cap.messages,
              std::vector<std::string>{"Cannot write " + (dir / "missing/x.txt") + ": No such file or directory\n"});
}
