// What the importer may write over: only its own regular output files, never a folder, a
// device, a FIFO or a file the model uses; a failed or interrupted import leaves every file as
// it was.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "core/image_file.h"
#include "import/staged_files.h"
#include "support/files.h"
#include "support/process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* kTriangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

int runImporter(std::vector<std::string> arguments, const std::string& log, const std::string& folder = "") {
    arguments.insert(arguments.begin(), QUELMAR_IMPORT_COMMAND);
    return runProgram(arguments, log, {"", folder});
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void writePicture(const std::string& path, int size, float shade) {
    Image picture = imageCreate(size, size);
    for (int i = 0; i < size * size; ++i) picture.pixels[i] = makeColour(shade, (i % 7) / 7.0f, 0.5f, 1);
    std::string why;
    ASSERT_TRUE(writePng(picture, path, why)) << why;
}

}  // namespace

TEST(ImportOutput, FoldersDevicesAndFifosAreRefusedBeforeAnythingIsWritten) {
    TempFolder folder;
    writeTextFile(folder.file("t.obj"), kTriangleObj);
    writeTextFile(folder.file("scene-0.tga"), "older picture");
    writeTextFile(folder.file("scene-1.tga"), "another older picture");
    fs::create_directory(folder.path() / "scene.txt");
    ASSERT_EQ(mkfifo(folder.file("fifo.txt").c_str(), 0600), 0);
    const std::string log = folder.file("log");

    EXPECT_EQ(runImporter({"-o", folder.file("scene.txt"), folder.file("t.obj")}, log), 1);
    EXPECT_EQ(readTextFile(log), "quelmar-import: cannot write '" + folder.file("scene.txt") +
                                     "': it is a folder, not a file; choose another name\n");
    EXPECT_EQ(runImporter({"-o", folder.file("fifo.txt"), folder.file("t.obj")}, log), 1);
    EXPECT_EQ(readTextFile(log), "quelmar-import: cannot write '" + folder.file("fifo.txt") +
                                     "': it is a FIFO, not a file; choose another name\n");
    if (getuid() == 0) {  // only root can make a device node; the same as /dev/null
        ASSERT_EQ(mknod(folder.file("device.txt").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
        EXPECT_EQ(runImporter({"-o", folder.file("device.txt"), folder.file("t.obj")}, log), 1);
        EXPECT_NE(readTextFile(log).find("': it is a device, not a file"), std::string::npos) << readTextFile(log);
        struct stat info;
        ASSERT_EQ(stat(folder.file("device.txt").c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
    EXPECT_EQ(readTextFile(folder.file("scene-0.tga")), "older picture");
    EXPECT_EQ(readTextFile(folder.file("scene-1.tga")), "another older picture");
    std::vector<std::string> expected = {"device.txt", "fifo.txt", "log", "scene-0.tga", "scene-1.tga", "scene.txt", "t.obj"};
    if (getuid() != 0) expected.erase(expected.begin());
    EXPECT_EQ(namesIn(folder.path()), expected);
}

TEST(ImportOutput, TexturesNeverReplaceTheModelsOwnFiles) {
    // Imported in its own folder, m.obj's scene is m.txt and its first texture would be m-0.tga:
    // the very name of the model's texture.
    TempFolder folder;
    writePicture(folder.file("m-0.tga.png"), 2, 0.2f);
    fs::rename(folder.file("m-0.tga.png"), folder.file("m-0.tga"));  // PNG bytes under a .tga name
    writeTextFile(folder.file("m.mtl"), "newmtl Own\nKd 1 1 1\nmap_Kd m-0.tga\n");
    writeTextFile(folder.file("m.obj"), std::string("mtllib m.mtl\nvt 0 0\nvt 1 0\nvt 0 1\nusemtl Own\n") + kTriangleObj +
                                            "f 1/1 2/2 3/3\n");
    const std::string before = readTextFile(folder.file("m-0.tga"));
    EXPECT_EQ(runImporter({"m.obj"}, folder.file("log"), folder.path().string()), 0) << readTextFile(folder.file("log"));
    EXPECT_EQ(readTextFile(folder.file("m-0.tga")), before);
    EXPECT_NE(readTextFile(folder.file("m.txt")).find("m-1.tga"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder.file("m-1.tga")));

    // The scene named after the model itself (or the texture) is refused.
    EXPECT_EQ(runImporter({"-o", "m.obj", "m.obj"}, folder.file("log"), folder.path().string()), 1);
    EXPECT_EQ(readTextFile(folder.file("log")),
              "quelmar-import: cannot write 'm.obj': the model itself uses that file; choose another output name\n");
    EXPECT_EQ(runImporter({"-o", "m-0.tga", "m.obj"}, folder.file("log"), folder.path().string()), 1);
    EXPECT_EQ(readTextFile(folder.file("m-0.tga")), before);
}

TEST(ImportOutput, AFailedCommitPutsBackEveryFileItReplaced) {
    TempFolder folder;
    writeTextFile(folder.file("a.txt"), "old a");
    std::string why;
    {
        StagedFiles files;
        ASSERT_TRUE(files.stage(folder.file("a.txt"), std::string("new a"), why)) << why;
        ASSERT_TRUE(files.stage(folder.file("b.txt"), std::string("new b"), why)) << why;
        // b's staged file disappears: a is renamed into place, b fails, a must come back.
        for (const std::string& name : namesIn(folder.path()))
            if (name.rfind("b.txt.", 0) == 0) fs::remove(folder.path() / name);
        EXPECT_FALSE(files.commit(why));
        EXPECT_NE(why.find("cannot write '" + folder.file("b.txt") + "'"), std::string::npos) << why;
    }
    EXPECT_EQ(readTextFile(folder.file("a.txt")), "old a");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"a.txt"});

    StagedFiles files;
    ASSERT_TRUE(files.stage(folder.file("a.txt"), std::string("new a"), why));
    ASSERT_TRUE(files.stage(folder.file("c.txt"), std::string("new c"), why));
    EXPECT_TRUE(files.commit(why)) << why;
    EXPECT_EQ(readTextFile(folder.file("a.txt")), "new a");
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"a.txt", "c.txt"}));
}

TEST(ImportOutput, AnInterruptWhileTexturesAreStagedLeavesNoFileBehind) {
    // Six large textures take a while to decode, scale and stage; the interrupt comes as soon
    // as the first staged file shows.
    TempFolder folder;
    std::ostringstream mtl, obj;
    obj << "mtllib m.mtl\nvt 0 0\nvt 1 0\nvt 0 1\n";
    for (int i = 0; i < 6; ++i) {
        std::string picture = std::to_string(i);  // p0.png, p1.png, ...
        writePicture(folder.file(picture.insert(0, 1, 'p').append(".png")), 1024, i / 6.0f);
        mtl << "newmtl M" << i << "\nmap_Kd p" << i << ".png\n";
        obj << "v " << i << " 0 0\nv " << i + 1 << " 0 0\nv " << i << " 1 0\nusemtl M" << i << "\nf " << 3 * i + 1
            << "/1 " << 3 * i + 2 << "/2 " << 3 * i + 3 << "/3\n";
    }
    writeTextFile(folder.file("m.mtl"), mtl.str());
    writeTextFile(folder.file("m.obj"), obj.str());
    fs::create_directory(folder.path() / "out");

    std::vector<std::string> arguments = {QUELMAR_IMPORT_COMMAND, "--max-texture", "1000", "-o",
                                          folder.file("out/m.txt"), folder.file("m.obj")};
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool staged = false;
    while (!staged && std::chrono::steady_clock::now() < giveUp && waitpid(child, nullptr, WNOHANG) == 0) {
        for (const std::string& name : namesIn(folder.path() / "out")) staged = staged || name.find(".tga.") != std::string::npos;
        if (!staged) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(staged) << "the import ended before a texture was staged";
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(namesIn(folder.path() / "out"), std::vector<std::string>{});
}

TEST(ImportOutput, DoubleDashEndsTheOptions) {
    TempFolder folder;
    writeTextFile(folder.file("-x.obj"), kTriangleObj);
    EXPECT_EQ(runImporter({"-o", "x.txt", "--", "-x.obj"}, folder.file("log"), folder.path().string()), 0)
        << readTextFile(folder.file("log"));
    EXPECT_TRUE(fs::exists(folder.file("x.txt")));
    EXPECT_EQ(runImporter({"-x.obj"}, folder.file("log"), folder.path().string()), 2);
}
