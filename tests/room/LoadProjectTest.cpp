// LoadProject: the chains, and failures that leave nothing behind.

#include "room/LoadProject.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ErrorCapture.h"
#include "support/ProjectFileSupport.h"

using namespace projtest;

namespace {

// The room layer loads the model.
using ProjectLoad = BasicProjectLoad<TRoomModel>;
using ProjectLoadSteps = BasicProjectLoadSteps<TRoomModel>;
ProjectLoad LoadProject(const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps = {})
{
    return LoadProjectAs<TRoomModel>(path, chain, steps);
}

}  // namespace

TEST_F(ProjectFiles, EachChainReadsItsSections)
{
    // A colour that differs from the default shows whether the colours were read.
    const std::string path = Write("shoebox.txt", Replace(Shoebox(), "Walls 200 200 200", "Walls 200 200 17"));
    const struct {
        ProjectChain chain;
        unsigned planes, materials;
        bool colours;
    } cases[] = {
        {ProjectChain::Full, 6, 1, true},
        {ProjectChain::Run, 6, 1, false},
        {ProjectChain::Short, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.chain));
        ErrorCapture cap;
        ProjectLoad load;
        Quietly([&] { load = LoadProject(path, c.chain); });
        ASSERT_TRUE(load) << load.error;
        EXPECT_EQ(load.status, 0);
        EXPECT_TRUE(load.error.empty());
        EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
        TRoomModel& r = *load.room;
        EXPECT_EQ(r.NumPlanes, c.planes);
        EXPECT_EQ(r.NumMaterials, c.materials);
        EXPECT_EQ(r.NumSources, 1u);
        EXPECT_EQ(r.NumReceivers, 1u);
        EXPECT_EQ(r.ProjectName, "shoebox.txt");
        if (c.planes) {
            EXPECT_EQ(r.planeLayer[0].cor[2] == 17, c.colours);
        }
        Quietly([&] { load.room.reset(); });
    }
}

TEST_F(ProjectFiles, StepsRunBetweenTheReaders)
{
    const std::string path = Write("shoebox.txt", Shoebox());
    std::string order;
    ProjectLoadSteps steps;
    steps.afterMaterials = [&](TRoomModel& r) {
        order += "materials:" + std::to_string(r.NumMaterials) + std::to_string(r.NumPlanes) + ' ';
    };
    steps.afterPlanes = [&](TRoomModel& r) {
        order += "planes:" + std::to_string(r.NumPlanes) + std::to_string(r.NumDirectivities) + ' ';
    };
    steps.afterDirectivities = [&](TRoomModel& r) { order += "patterns:" + std::to_string(r.NumSources); };
    ProjectLoad load;
    Quietly([&] { load = LoadProject(path, ProjectChain::Run, steps); });
    ASSERT_TRUE(load);
    EXPECT_EQ(order, "materials:10 planes:60 patterns:0");
    Quietly([&] { load.room.reset(); });
}

TEST_F(ProjectFiles, FailedLoadGivesTheShownMessageAndStatusAndNoRoom)
{
    const std::string missing = Path("missing.txt");
    const std::string unknownMaterial =
        Write("bad.txt", Replace(Shoebox(), "Concrete", "Concrete2"));  // a layer names an undefined material
    for (const std::string& path : {missing, unknownMaterial}) {
        SCOPED_TRACE(path);
        ErrorCapture cap;
        ProjectLoad load;
        Quietly([&] { load = LoadProject(path, ProjectChain::Full); });
        EXPECT_FALSE(load);
        EXPECT_EQ(load.room, nullptr);
        EXPECT_EQ(load.status, 1);
        ASSERT_EQ(cap.messages.size(), 1u) << cap.Joined();
        EXPECT_EQ(cap.messages[0], load.error);
    }
}
