// The project life cycle without the window: the save question, loads that fail, the append
// through a scratch room, stored responses and the save target's check.

#include <gtest/gtest.h>

#include <filesystem>

#include "desktop/DesktopProjectSupport.h"
#include "desktop/ProjectCommands.h"
#include "desktop/RunControl.h"
#include "support/ErrorCapture.h"

using namespace desktoptest;

TEST(ProjectCommands, SaveQuestionTable)
{
    struct Case {
        int status;
        SaveAnswer answer;
        bool saved;
        bool asked, saveCalled, proceed;
    };
    const Case cases[] = {
        {0, SaveAnswer::Cancel, false, false, false, true}, {1, SaveAnswer::Cancel, false, false, false, true},
        {2, SaveAnswer::No, false, true, false, true},      {2, SaveAnswer::Yes, true, true, true, true},
        {2, SaveAnswer::Yes, false, true, true, false},  // save cancelled or failed
        {2, SaveAnswer::Cancel, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " answer " << static_cast<int>(c.answer));
        bool asked = false, saveCalled = false;
        const bool proceed = ProceedPastSaveQuestion(
            c.status,
            [&] {
                asked = true;
                return c.answer;
            },
            [&] {
                saveCalled = true;
                return c.saved;
            });
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(saveCalled, c.saveCalled);
        EXPECT_EQ(proceed, c.proceed);
    }
    EXPECT_TRUE(ImportReplacesProject(true, 2));
    EXPECT_TRUE(ImportReplacesProject(false, 0));
    EXPECT_FALSE(ImportReplacesProject(false, 1));
}

class ProjectFolder : public WorkingFolder {};

TEST_F(ProjectFolder, LoadDerivesTheRoomOrReportsTheFailure)
{
    WriteText("room.txt", TinyProject());
    ProjectLoad load;
    projtest::Quietly([&] { load = LoadProjectRoom("room.txt"); });
    ASSERT_TRUE(load) << load.error;
    EXPECT_NEAR(load.room->Volume, 240.0, 1e-3);
    EXPECT_EQ(load.room->NumPlanes, 6u);
    EXPECT_FALSE(load.room->IsRunning.load());
    projtest::Quietly([&] { load.room.reset(); });

    // A malformed file, a missing one and a text that is no project: a message, no room, the
    // process alive.
    WriteText("bad.txt", projtest::Replace(TinyProject(), "2.00 4.00 1.50 1002", "2.00 4.00 x 1002"));
    WriteText("README.md", "# Notes\n\nA <b>text</b>, no project.\n");
    for (const char* name : {"bad.txt", "missing.txt", "README.md"}) {
        SCOPED_TRACE(name);
        ErrorCapture errors;
        projtest::Quietly([&] { load = LoadProjectRoom(name); });
        EXPECT_FALSE(load);
        EXPECT_FALSE(errors.messages.empty());
        EXPECT_EQ(load.status, 1);
    }
}

TEST_F(ProjectFolder, AppendMergesOrLeavesTheRoomAlone)
{
    WriteText("room.txt", TinyProject());
    ProjectLoad load;
    projtest::Quietly([&] { load = LoadProjectRoom("room.txt"); });
    ASSERT_TRUE(load);
    TRoom& room = *load.room;

    // The same project appended: its planes, source and receiver come twice, its material and
    // layers once.
    WriteText("Temporary.txt", TinyProject());
    bool ok = false;
    projtest::Quietly([&] { ok = AppendProject(room, "Temporary.txt"); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(room.NumPlanes, 12u);
    EXPECT_EQ(room.NumSources, 2u);
    EXPECT_EQ(room.NumReceivers, 2u);
    EXPECT_EQ(room.NumMaterials, 1u);

    // A hand-over file broken in its last section: nothing of it is merged.
    WriteText("Temporary.txt",
              projtest::Replace(TinyProject(), "7.00 5.00 1.20 0.5 0.0 Listener", "7.00 5.00 1.20 0.5 0.0 Nobody"));
    ErrorCapture errors;
    projtest::Quietly([&] { ok = AppendProject(room, "Temporary.txt"); });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(errors.messages.empty());
    EXPECT_EQ(room.NumPlanes, 12u);
    EXPECT_EQ(room.NumSources, 2u);
    EXPECT_EQ(room.NumReceivers, 2u);
    projtest::Quietly([&] { load.room.reset(); });
}

TEST_F(ProjectFolder, SaveChooserStartsAtTheProjectsFile)
{
    fs::create_directory("hall");
    WriteText("hall/room.txt", TinyProject());
    ProjectLoad load;
    projtest::Quietly([&] { load = LoadProjectRoom("hall/room.txt"); });
    ASSERT_TRUE(load);
    TRoom& room = *load.room;
    const std::string folder = fs::absolute("hall").lexically_normal().string();
    for (int status : {1, 2}) {
        const SaveChooserStart start = SaveChooserStartFor(room, status);
        EXPECT_EQ(fs::path(start.folder).lexically_normal(), folder) << status;
        EXPECT_EQ(start.file, "room.txt") << status;
    }
    // An empty project and a handed-over one have no file: nothing is proposed.
    EXPECT_EQ(SaveChooserStartFor(room, 0).file, "");
    MakeUntitled(room);
    for (int status : {0, 2}) {
        const SaveChooserStart start = SaveChooserStartFor(room, status);
        EXPECT_EQ(start.folder, "");
        EXPECT_EQ(start.file, "");
    }
    projtest::Quietly([&] { load.room.reset(); });
}

TEST_F(ProjectFolder, SaveTargetCheckLeavesAnExistingFileAsItWas)
{
    WriteText("old.txt", "old project");
    EXPECT_TRUE(CanWriteProjectFile("old.txt"));
    EXPECT_EQ(ReadText("old.txt"), "old project");
    EXPECT_TRUE(CanWriteProjectFile("new.txt"));
    EXPECT_FALSE(fs::exists("new.txt"));
    EXPECT_FALSE(CanWriteProjectFile("no/such/folder/x.txt"));
    fs::create_directory("dir.txt");
    EXPECT_FALSE(CanWriteProjectFile("dir.txt"));
    EXPECT_EQ(AboutText("Dec 10 2026", "20:41:47"), "Sorvi Version 2.0 compiled on Dec 10 2026 (20:41:47)\n");
}
