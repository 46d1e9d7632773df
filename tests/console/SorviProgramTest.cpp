// The console program run as a process: command lines and exit statuses, a whole run with the
// files it leaves, responses rebuilt and auralized again, and the viewer window under X.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ConsoleTestProject.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace console_test;

#ifdef SORVI_EXE

namespace {

// Starts `args` (searched in PATH) in `dir` with stdout and stderr to the given files and the
// extra environment entries ("NAME=value") in place of this process's entries of those names.
pid_t Spawn(const fs::path& dir, const std::vector<std::string>& args, const fs::path& out, const fs::path& err,
            const std::vector<std::string>& extraEnv = {})
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& x : extraEnv) replaced = replaced || x.starts_with(name);
        if (!replaced) envp.push_back(*e);
    }
    for (const std::string& e : extraEnv) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Exit status of the child, or -1 when it did not end in time (it is killed then).
int WaitExit(pid_t pid, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        int wstatus = 0;
        const pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

struct RunResult {
    int status;
    std::string out, err;
};

RunResult RunSorvi(const fs::path& dir, std::vector<std::string> args, const std::vector<std::string>& env = {})
{
    args.insert(args.begin(), SORVI_EXE);
    const fs::path out = dir / ".stdout", err = dir / ".stderr";
    const pid_t pid = Spawn(dir, args, out, err, env);
    if (pid < 0) return {-1, "", "cannot start " + args[0]};
    RunResult r{WaitExit(pid, 180), ReadFile(out), ReadFile(err)};
    fs::remove(out);
    fs::remove(err);
    return r;
}

const std::string kUsage = "USAGE: Sorvi [option] ConfigFile.txt\n"
                           "To RUN the simulation:\n"
                           "       Sorvi ConfigFile.txt\n"
                           "\n"
                           "To view the model:\n"
                           "       Sorvi [-view] ConfigFile.txt\n"
                           "\n"
                           "To extract planes from DXF files to TXT files:\n"
                           "       Sorvi [-dxf2txt] DXFfile [TXTfile].txt\n"
                           "\n"
                           "To get impulse responses from simulated geometry:\n"
                           "       Sorvi [-rayfiles] TXTfile.txt\n"
                           "\n"
                           "To auralize using previous simulation:\n"
                           "       Sorvi [-auralize] TXTfile.txt\n"
                           "\n";

std::string Replace(std::string text, const std::string& key, const std::string& value)
{
    for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

// Checks that the markers occur in `text` in this order.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& markers)
{
    std::size_t from = 0;
    for (const std::string& m : markers) {
        const std::size_t at = text.find(m, from);
        ASSERT_NE(at, std::string::npos) << "\"" << m << "\" missing after offset " << from << " in:\n" << text;
        from = at + m.size();
    }
}

struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    std::string outHead;  // "{dir}" stands for the working directory
    bool exact;           // the whole output, not only its head
    std::string errHas;
    int status;
};

void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string kPaths = "===========================================\n"
                           "Software Path: {dir}\n"
                           "AcousticData Path: {dir}\n";

class CommandLines : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLines, PrintAndEndWithTheirStatus)
{
    const CommandCase& c = GetParam();
    ScratchDir dir(std::string("cmd-") + c.name);
    WriteFile(dir.path() / "undefined_layer.txt", BoxProject({.wallsLayer = "Nowhere"}));
    const RunResult r = RunSorvi(dir.path(), c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    const std::string head = Replace(c.outHead, "{dir}", dir.path().string());
    if (c.exact)
        EXPECT_EQ(r.out, head);
    else
        EXPECT_EQ(r.out.substr(0, head.size()), head);
    if (c.errHas.empty())
        EXPECT_EQ(r.err, "");
    else
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    // Nothing refused leaves a file behind.
    EXPECT_FALSE(fs::exists(dir.path() / "new.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "SIM-INFO.txt"));
}

const char* const kDxfUsage = "Please check usage: Sorvi -dxf2txt dxffile outfile\n";

INSTANTIATE_TEST_SUITE_P(
    Sorvi, CommandLines,
    ::testing::Values(CommandCase{"NoArgument", {}, kUsage, true, "", 1},
                      CommandCase{"ViewAlone", {"-view"}, kUsage, true, "", 1},
                      CommandCase{"RayfilesAlone", {"-rayfiles"}, kUsage, true, "", 1},
                      CommandCase{"AuralizeAlone", {"-auralize"}, kUsage, true, "", 1},
                      CommandCase{"DxfAlone", {"-dxf2txt"}, "", true, kDxfUsage, 1},
                      CommandCase{"DxfWithOneFile", {"-dxf2txt", "new.dxf"}, "", true, kDxfUsage, 1},
                      CommandCase{"DxfUnreadable", {"-dxf2txt", "missing.dxf", "new.txt"}, "", true, "missing.dxf", 1},
                      CommandCase{"UnknownProject",
                                  {"nothere.txt"},
                                  kPaths + "Project Path: {dir}\nProject Name: nothere.txt\n",
                                  false,
                                  "Cannot open nothere.txt for reading",
                                  1},
                      CommandCase{"OptionCaseMatters", {"-VIEW"}, kPaths, false, "Cannot open -VIEW for reading", 1},
                      CommandCase{"RayfilesUnknownProject",
                                  {"-rayfiles", "nothere.txt"},
                                  kPaths,
                                  false,
                                  "Cannot open nothere.txt for reading",
                                  1},
                      CommandCase{"PlaneOnUndefinedLayer", {"undefined_layer.txt"}, kPaths, false, "(Nowhere)", 1}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

std::uintmax_t SizeOf(const fs::path& p)
{
    return fs::exists(p) ? fs::file_size(p) : 0;
}

TEST(SorviRun, ProjectInASubfolderThenRayFilesThenAuralize)
{
    ScratchDir dir("run");
    const fs::path proj = dir.path() / "proj";
    WriteFile(proj / "box.txt", BoxProject({.auralization = 1, .lateRays = 1}));

    const RunResult run = RunSorvi(dir.path(), {"proj/box.txt"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    ExpectInOrder(run.out,
                  {"Project Path: proj\n", "Project Name: box.txt\n", "ENVIRONMENT SETUP",
                   "Volume estimated from Mean Free Path = ", "Room Volume = 30.00 m3\n",
                   "Total Surface Area = 59.00 m2\n", "Room Center: 2.00 1.50 1.25\n",
                   "Estimated T60 (WITH AIR ABSORPTION):\n", "Area by materials:\n",
                   "Press 'ESC' key to finish (interrupt) simulation.\n", "Calculating acoustic parameters ... Done!",
                   "All planes reflected rays.\n", "Removing old files", "lost rays ...done.\n", "Room Cleared.\n"});
    EXPECT_TRUE(std::regex_search(run.out, std::regex("Room Cleared\\.\nProcessing Time: 00:00:\\d\\d \\(H:M:S\\)\n$")))
        << run.out;
    EXPECT_EQ(run.out.find("nan"), std::string::npos) << run.out;

    // The information report lands in the working directory, the results in the project folder.
    EXPECT_TRUE(fs::exists(dir.path() / "SIM-INFO.txt"));
    EXPECT_FALSE(fs::exists(proj / "SIM-INFO.txt"));
    for (const char* f : {"S001-R001.txt", "PARAMS-S001-R001.txt", "RAYS-S001-R001.txt", "S001-R001-IR.wav",
                          "S001-R001.wav", "SALL-R001.wav"}) {
        EXPECT_TRUE(fs::exists(proj / f)) << f;
        EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
    }
    const std::uintmax_t raySize = SizeOf(proj / "RAYS-S001-R001.txt");
    ASSERT_GT(raySize, 0u);

    // Responses from the stored rays: no report, no processing time, the ray files kept.
    fs::remove(dir.path() / "SIM-INFO.txt");
    fs::remove(proj / "S001-R001.txt");
    fs::remove(proj / "PARAMS-S001-R001.txt");
    const RunResult rays = RunSorvi(dir.path(), {"-rayfiles", "proj/box.txt"});
    ASSERT_EQ(rays.status, 0) << rays.out << rays.err;
    EXPECT_TRUE(rays.out.ends_with("SalaClear\n")) << rays.out;
    EXPECT_EQ(rays.out.find("Processing Time"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "SIM-INFO.txt"));
    EXPECT_GT(SizeOf(proj / "S001-R001.txt"), 0u);
    EXPECT_GT(SizeOf(proj / "PARAMS-S001-R001.txt"), 0u);
    EXPECT_EQ(SizeOf(proj / "RAYS-S001-R001.txt"), raySize);

    // Auralization from the stored responses rewrites the sound files and empties no ray file.
    const std::string response = ReadFile(proj / "S001-R001.txt");
    for (const char* f : {"S001-R001-IR.wav", "S001-R001.wav", "SALL-R001.wav"}) fs::remove(proj / f);
    const RunResult aur = RunSorvi(dir.path(), {"-auralize", "proj/box.txt"});
    ASSERT_EQ(aur.status, 0) << aur.out << aur.err;
    EXPECT_TRUE(aur.out.ends_with("SalaClear\n")) << aur.out;
    for (const char* f : {"S001-R001-IR.wav", "S001-R001.wav", "SALL-R001.wav"}) EXPECT_GT(SizeOf(proj / f), 44u) << f;
    EXPECT_EQ(SizeOf(proj / "RAYS-S001-R001.txt"), raySize);
    EXPECT_EQ(ReadFile(proj / "S001-R001.txt"), response);
    EXPECT_FALSE(fs::exists(dir.path() / "SIM-INFO.txt"));
}

// ---------------------------------------------------------------------------------------------
// The viewer window, on the X display of the test run (xvfb-run in scripts/test.sh).

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

Image ReadPPM(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Image img;
    in >> magic >> img.width >> img.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || img.width <= 0 || img.height <= 0) return {};
    img.rgb.resize(static_cast<std::size_t>(img.width) * img.height * 3);
    in.read(reinterpret_cast<char*>(img.rgb.data()), static_cast<std::streamsize>(img.rgb.size()));
    return in ? img : Image{};
}

bool HaveProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string d; std::getline(dirs, d, ':');)
        if (!d.empty() && access((fs::path(d) / name).c_str(), X_OK) == 0) return true;
    return false;
}

// Runs xdotool with the arguments; its standard output.
std::string Xdotool(const fs::path& dir, const std::vector<std::string>& args)
{
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    const fs::path out = dir / ".xdo.out", err = dir / ".xdo.err";
    const pid_t pid = Spawn(dir, all, out, err);
    if (pid < 0) return "";
    WaitExit(pid, 20);
    return ReadFile(out);
}

struct ViewerRun {
    int status = -1;
    std::string out, err, problem;
};

// Starts the viewer with `args`, waits for its first frame (written to `snapshot`), sends the
// keys to its window and waits for the process to end. One window at a time: the window is
// found by its title.
ViewerRun RunViewer(const fs::path& dir, const std::vector<std::string>& args, const std::vector<std::string>& keys,
                    const fs::path& snapshot)
{
    const fs::path places = snapshot.string() + ".txt";
    const fs::path out = dir / "viewer.out", err = dir / "viewer.err";
    std::vector<std::string> all{SORVI_EXE};
    all.insert(all.end(), args.begin(), args.end());
    // The GL driver keeps allocations to the end of the process: no leak report for this one.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0";
    const pid_t pid = Spawn(dir, all, out, err, {"SORVI_VIEWER_SNAPSHOT=" + snapshot.string(), asanOptions});
    ViewerRun run;
    if (pid < 0) {
        run.problem = "cannot start the viewer";
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(places) && std::chrono::steady_clock::now() < deadline) {
        int wstatus;
        if (waitpid(pid, &wstatus, WNOHANG) == pid) {
            run.problem = "the viewer ended before its first frame";
            run.err = ReadFile(err);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!fs::exists(places)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        run.problem = "no frame within a minute";
        return run;
    }
    // The frame is drawn; the window's title can reach the window manager just after it.
    std::string window;
    const auto titled = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window.empty() && std::chrono::steady_clock::now() < titled) {
        window = Xdotool(dir, {"search", "--name", "^SORVI VIEWER$"});
        window = window.substr(0, window.find('\n'));
    }
    if (window.empty()) run.problem = "no window titled SORVI VIEWER";
    for (const std::string& k : keys) Xdotool(dir, {"key", "--window", window, k});
    run.status = WaitExit(pid, 60);
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

TEST(SorviViewer, KeysFirstFrameAndConvertedDrawing)
{
    if (!std::getenv("DISPLAY") || !HaveProgram("xdotool")) GTEST_SKIP() << "no X display or no xdotool";
    ScratchDir dir("viewer");
    WriteFile(dir.path() / "proj" / "box.txt", BoxProject());
    WriteFile(dir.path() / "proj" / "LostRays.txt", "2.00 1.50 1.25 0 0 1 3 0\n");
    const fs::path snapshot = dir.path() / "frame.ppm", places = dir.path() / "frame.ppm.txt";

    const ViewerRun view = RunViewer(dir.path(), {"-view", "proj/box.txt"}, {"n", "l", "q"}, snapshot);
    ASSERT_EQ(view.problem, "") << view.err;
    EXPECT_EQ(view.status, 0) << view.err;
    ExpectInOrder(view.out, {"Room Center: 2.00 1.50 1.25\n", "2 - layer Walls\n", "view lost rays = 1\n",
                             "lost rays ...done.\n"});
    EXPECT_TRUE(view.out.ends_with("SalaClear\n")) << view.out;

    // The first frame: white background, the source red and the receiver green where gluProject
    // puts their centres.
    const Image img = ReadPPM(snapshot);
    ASSERT_EQ(img.width, 1024);
    ASSERT_EQ(img.height, 768);
    for (auto [x, y] : {std::pair{2, 2}, std::pair{1021, 2}}) {
        const unsigned char* p = img.At(x, y);
        EXPECT_EQ(p[0], 255);
        EXPECT_EQ(p[1], 255);
        EXPECT_EQ(p[2], 255);
    }
    std::istringstream lines(ReadFile(places));
    int checked = 0;
    for (std::string label; lines >> label;) {
        double x = 0, y = 0;
        lines >> x >> y;
        ASSERT_TRUE(x >= 0 && x < img.width && y >= 0 && y < img.height) << label;
        const unsigned char* p = img.At(static_cast<int>(x), static_cast<int>(y));
        const int main = label[0] == 'S' ? 0 : 1;  // red sources, green receivers
        EXPECT_GT(p[main], 150) << label << " " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
        EXPECT_LT(p[1 - main], 80) << label;
        EXPECT_LT(p[2], 80) << label;
        ++checked;
    }
    EXPECT_EQ(checked, 2);

    // A drawing converted to a new project (sections, then default settings and material) and
    // shown at once.
    fs::create_directories(dir.path() / "conv");
    const fs::path drawing = fs::path(SORVI_SOURCE_DIR) / "tests" / "room" / "dxf" / "room.dxf";
    const ViewerRun conv =
        RunViewer(dir.path(), {"-dxf2txt", drawing.string(), "conv/new.txt"}, {"q"}, dir.path() / "conv.ppm");
    ASSERT_EQ(conv.problem, "") << conv.err;
    EXPECT_EQ(conv.status, 0) << conv.err;
    ExpectInOrder(conv.out, {"Project Path: conv\n", "Project Name: new.txt\n", "Room Volume = ", "SalaClear\n"});
    const std::string written = ReadFile(dir.path() / "conv" / "new.txt");
    ExpectInOrder(written, {"<PLANES>", "<SOURCES>", "<RECEIVERS>", "<ENVIRONMENT>", "<SIMULATION>", "<MATERIALS>",
                            "DEFAULT_MAT"});
    EXPECT_FALSE(fs::exists(dir.path() / "conv" / "S001-R001.txt"));
}

// ---------------------------------------------------------------------------------------------
// Bad input against results already on disk: every case ends with its message and status 1,
// and the files of an earlier good run stay byte for byte as they were.

using Snapshot = std::map<std::string, std::string>;

// Every file under the folder (relative name -> bytes), without the captured outputs.
Snapshot TakeFolder(const fs::path& folder)
{
    Snapshot s;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        const std::string name = fs::relative(e.path(), folder).string();
        if (name.starts_with(".std")) continue;
        s[name] = ReadFile(e.path());
    }
    return s;
}

// A finished run of the box (auralized, late arrivals stored) in <dir>/proj, made once.
const fs::path& GoodRun()
{
    static ScratchDir dir("goodrun");
    static bool done = false;
    if (!done) {
        WriteFile(dir.path() / "proj" / "box.txt", BoxProject({.rays = 202, .auralization = 1, .lateRays = 1}));
        const RunResult r = RunSorvi(dir.path(), {"proj/box.txt"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        done = true;
    }
    return dir.path();
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;                // run in the case's folder
    std::function<void(const fs::path&)> damage;  // on the copy of the good run's folder
    std::string message;                          // part of what the error output says
};

void Put(const fs::path& p, const std::string& text)
{
    WriteFile(p, text);
}

// The text with its first line replaced.
std::string FirstLine(const std::string& text, const std::string& line)
{
    std::string out = line;
    out.append(text, text.find('\n'), std::string::npos);
    return out;
}

TEST(SorviBadInput, RefusedWithAMessageAndNothingOnDiskChanged)
{
    const fs::path good = GoodRun();
    ASSERT_TRUE(fs::exists(good / "proj" / "PARAMS-S001-R001.txt"));
    const std::string box = BoxProject({.rays = 202, .auralization = 1, .lateRays = 1});
    const std::string proj = "proj/box.txt";
    const std::string rays = "proj/RAYS-S001-R001.txt", response = "proj/S001-R001.txt";
    const auto project = [&](std::string text) { return [text](const fs::path& d) { Put(d / "proj/box.txt", text); }; };
    const auto file = [](std::string name, std::function<std::string(std::string)> f) {
        return [name, f](const fs::path& d) { Put(d / name, f(ReadFile(d / name))); };
    };
    const std::string carpet = "Carpet 0.10 0.10 0.20 0.30 0.40 0.50 0.50 0.50 0.50 0.10\n";
    static const char kJunk[] = "\x7F"
                                "ELF\x02\x01\x01\0\0\0\xFF\xFE<\x01";
    std::string utf16 = "\xFF\xFE";
    for (char c : box) utf16 += std::string{c, '\0'};

    const std::vector<BadCase> cases = {
        // The run: nothing is deleted before the project is known to be able to run.
        {"empty project", {proj}, project(""), "holds no project section"},
        {"binary junk", {proj}, project(std::string(kJunk, sizeof kJunk - 1)), "holds no project section"},
        {"UTF-16 project", {proj}, project(utf16), "holds no project section"},
        {"cut before the receivers", {proj}, project(Cut(box, "<LAYERS::RECEIVER>")), "No receiver was defined"},
        {"lower-case tags",
         {proj},
         project(Replace(Replace(box, "<RECEIVERS>", "<receivers>"), "</RECEIVERS>", "</receivers>")),
         "No receiver was defined"},
        {"project is a folder", {"proj"}, [](const fs::path&) {}, "proj is a folder, not a project file"},
        {"temperature -600",
         {proj},
         project(Replace(box, "TEMPERATURE = 20.0", "TEMPERATURE = -600")),
         "absolute zero"},
        {"temperature -552.33",
         {proj},
         project(Replace(box, "TEMPERATURE = 20.0", "TEMPERATURE = -552.33")),
         "absolute zero"},
        {"absorption -0.5",
         {proj},
         project(Replace(box, carpet, "Carpet -0.5 0.10 0.20 0.30 0.40 0.50 0.50 0.50 0.50 0.10\n")),
         "Absorption '-0.5' on MATERIALS section, line 1, is below 0."},
        {"scattering -2",
         {proj},
         project(Replace(box, carpet, "Carpet 0.10 0.10 0.20 0.30 0.40 0.50 0.50 0.50 0.50 -2\n")),
         "Scattering '-2' on MATERIALS section, line 1, lies outside 0 ... 1."},
        {"MAX_TIME 1e9",
         {proj},
         project(Replace(box, "MAX_TIME = 0.30", "MAX_TIME = 1e9")),
         "longer than a response can be"},
        {"rays and length beyond memory",
         {proj},
         project(Replace(Replace(box, " 202 0.0", " 2147483647 0.0"), "MAX_TIME = 0.30", "MAX_TIME = 90000")),
         "GB of memory"},
        {"unsupported sample rate",
         {proj},
         project(Replace(box, "SAMPLE_RATE = 44100", "SAMPLE_RATE = 22050")),
         "SAMPLE_RATE = 22050 Hz is not supported"},
        {"huge bad token",
         {proj},
         project(Replace(box, " 202 0.0", " " + std::string(1 << 20, '7') + "x 0.0")),
         "Invalid number '777"},
        {"project named as a response",
         {"proj/S001-R001.txt"},
         [&](const fs::path& d) {
             fs::copy_file(d / "proj/S001-R001.txt", d / "proj/keep.txt");
             Put(d / "proj/S001-R001.txt", box);
         },
         "has the name of a result file"},
        // Responses rebuilt from ray files: every ray file is checked first.
        {"rayfiles without late arrivals",
         {"-rayfiles", proj},
         project(Replace(box, "SAVE_LATE_RAYS = 1", "SAVE_LATE_RAYS = 0")),
         "SAVE_LATE_RAYS = 0"},
        {"ray file missing", {"-rayfiles", proj}, [&](const fs::path& d) { fs::remove(d / rays); }, "is missing"},
        {"ray file empty", {"-rayfiles", proj}, file(rays, [](std::string) { return std::string(); }), "is empty"},
        {"ray file junk",
         {"-rayfiles", proj},
         file(rays, [](std::string) { return std::string("junk\n"); }),
         "line 1, is not an arrival record"},
        {"ray file cut",
         {"-rayfiles", proj},
         file(rays, [](std::string t) { return t.substr(0, t.size() / 2 + 3); }),
         "is cut short"},
        {"ray file nan",
         {"-rayfiles", proj},
         file(rays,
              [](std::string t) {
                  const auto b = t.find(' ', t.find(' ') + 1);
                  return t.substr(0, b) + " nan" + t.substr(t.find(' ', b + 1));
              }),
         "line 1, is not an arrival record"},
        // Responses auralized again: every response and its direct sound are checked first.
        {"response missing", {"-auralize", proj}, [&](const fs::path& d) { fs::remove(d / response); }, "is missing"},
        {"response empty", {"-auralize", proj}, file(response, [](std::string) { return std::string(); }), "is empty"},
        {"response junk",
         {"-auralize", proj},
         file(response, [](std::string) { return std::string("junk\n"); }),
         "line 1, does not hold 1 finite values"},
        {"response truncated",
         {"-auralize", proj},
         file(response, [](std::string t) { return t.substr(0, t.find('\n', t.size() / 2) + 1); }),
         "of the 13230 values"},
        {"response nan",
         {"-auralize", proj},
         file(response, [](std::string t) { return FirstLine(t, "nan"); }),
         "line 1, does not hold 1 finite values"},
        {"response 1e38",
         {"-auralize", proj},
         file(response, [](std::string t) { return FirstLine(t, "1e38"); }),
         "line 1, does not hold 1 finite values"},
        {"parameters missing",
         {"-auralize", proj},
         [](const fs::path& d) { fs::remove(d / "proj/PARAMS-S001-R001.txt"); },
         "holds no direct sound"},
        // A conversion never writes over its own drawing.
        {"dxf2txt onto itself",
         {"-dxf2txt", "proj/room.dxf", "proj/room.dxf"},
         [](const fs::path& d) {
             fs::copy_file(fs::path(SORVI_SOURCE_DIR) / "tests/room/dxf/room.dxf", d / "proj/room.dxf");
         },
         "is the drawing itself"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir(std::string("bad-") + std::to_string(&c - cases.data()));
        fs::copy(good, dir.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        c.damage(dir.path());
        const Snapshot before = TakeFolder(dir.path());
        const RunResult r = RunSorvi(dir.path(), c.args);
        EXPECT_EQ(r.status, 1) << r.out << r.err.substr(0, 2000);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err.substr(0, 2000);
        EXPECT_LT(r.err.size(), 2048u) << "messages are cut at 511 characters";
        const Snapshot after = TakeFolder(dir.path());
        for (const auto& [name, bytes] : before) {
            if (name == "SIM-INFO.txt") continue;  // the report of the project just read
            const auto it = after.find(name);
            ASSERT_NE(it, after.end()) << name << " was deleted";
            EXPECT_TRUE(it->second == bytes) << name << " was changed";
        }
        for (const auto& [name, bytes] : after)
            EXPECT_TRUE(before.count(name) || name == "SIM-INFO.txt") << name << " was written";
    }
}

// What may run does, and keeps what it must: a project named like a result file survives its own
// clean-up, and auralizing good results again writes them back as they were, direct sound too.
TEST(SorviBadInput, ProjectFileSurvivesItsRunAndAuralizingKeepsTheResults)
{
    for (const char* name : {"RAYS-hall.txt", "PARAMS-hall.txt", "S001-R002.txt"}) {
        ScratchDir dir(std::string("name-") + name);
        const std::string box = BoxProject({.rays = 202});
        WriteFile(dir.path() / name, box);
        const RunResult r = RunSorvi(dir.path(), {name});
        EXPECT_EQ(r.status, 0) << name << r.out << r.err;
        EXPECT_EQ(ReadFile(dir.path() / name), box) << name;
    }

    // Responses rebuilt from the ray files of a run with hit files leave the hit files alone.
    {
        ScratchDir hits("rayfiles-hits");
        std::string box = BoxProject({.rays = 202, .lateRays = 1});
        box.insert(box.find("</SIMULATION>"), "HIT_FILES = 1\n");
        WriteFile(hits.path() / "box.txt", box);
        ASSERT_EQ(RunSorvi(hits.path(), {"box.txt"}).status, 0);
        const std::string hitFile = ReadFile(hits.path() / "HITS-S001-R001.txt");
        const std::string earlyHits = ReadFile(hits.path() / "HITS-S001-R001-EARLY.txt");
        EXPECT_FALSE(hitFile.empty() && earlyHits.empty());
        const RunResult again = RunSorvi(hits.path(), {"-rayfiles", "box.txt"});
        EXPECT_EQ(again.status, 0) << again.out << again.err;
        EXPECT_EQ(ReadFile(hits.path() / "HITS-S001-R001.txt"), hitFile);
        EXPECT_EQ(ReadFile(hits.path() / "HITS-S001-R001-EARLY.txt"), earlyHits);
    }

    ScratchDir dir("auralize-again");
    fs::copy(GoodRun(), dir.path(), fs::copy_options::recursive);
    const Snapshot before = TakeFolder(dir.path() / "proj");
    const RunResult r = RunSorvi(dir.path(), {"-auralize", "proj/box.txt"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const Snapshot after = TakeFolder(dir.path() / "proj");
    for (const char* f : {"PARAMS-S001-R001.txt", "S001-R001.txt", "RAYS-S001-R001.txt"})
        EXPECT_EQ(after.at(f), before.at(f)) << f;
    EXPECT_EQ(after.at("PARAMS-S001-R001.txt").find("-inf"), std::string::npos);
}

}  // namespace

#else

TEST(SorviProgram, NotBuilt)
{
    GTEST_SKIP() << "the program Sorvi is not built (SORVI_GUI off)";
}

#endif
