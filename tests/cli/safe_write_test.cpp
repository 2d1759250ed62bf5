// carillo as a process whose writing fails or is interrupted: every file it would replace stays
// byte for byte, and no temporary file is left beside it.
#include <poll.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>

#include "process.h"
#include "support/midi_files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Every file below `root`, hidden ones too, with its bytes.
std::map<std::string, Bytes> Snapshot(const std::string& root) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadBytes(entry.path().string());
  }
  return files;
}

TEST(SafeWrite, AFullDiskLeavesEveryFileItWouldReplaceAsItWas) {
  TempDir temp;
  const std::string root = temp.path(), disk = root + "/disk", out = disk + "/out";
  MakeDirectory(root + "/two");
  MakeDirectory(disk);
  WriteBytes(root + "/two/a.mid", OneNoteTune(0, 1, 19998));
  WriteBytes(root + "/two/b.mid", OneNoteTune(0, 2, 59997));
  ASSERT_EQ(RunProgram({"compile", root + "/two", root + "/two.pdb", "--name", "Two"}).status, 0);
  WriteBytes(root + "/big.mid", OneNoteTune(1, 60, 60000));
  // 48 KiB in a mount namespace of this test's own, so that nothing else sees it.
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=48k") != 0) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs takes root";
    FAIL() << "root could not mount a small tmpfs: " << std::strerror(errno);
  }
  MakeDirectory(out);  // on the small disk now
  for (const char* old : {"/old.pdb", "/old.mid", "/out/a.mid", "/out/b.mid"}) WriteBytes(disk + old, MidiBytes(900));
  std::map<std::string, Bytes> expected = Snapshot(disk);
  for (const auto& [run, full] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"compile", root + "/two", disk + "/old.pdb", "--yes", "--name", "Two"}, disk + "/old.pdb"},
           {{"convert", root + "/big.mid", disk + "/old.mid", "--yes"}, disk + "/old.mid"},
           {{"extract", root + "/two.pdb", out, "--yes"}, out + "/b.mid"},  // a.mid fits, b.mid does not
           {{"extract", root + "/two.pdb", disk + "/new", "--yes"}, disk + "/new/a.mid"}}) {  // new files: none fits
    ProcessResult result = RunProgram(run);
    EXPECT_EQ(result.status, 3) << run[0];
    EXPECT_EQ(result.err, "carillo: " + full + ": Disk full.\n") << run[0];
  }
  expected[out + "/a.mid"] = OneNoteTune(0, 1, 19998);
  EXPECT_EQ(Snapshot(disk), expected) << "a file replaced in part, or a temporary file left";
  umount(disk.c_str());
}

TEST(SafeWrite, AnInterruptedCompileEndsByTheSignalAndLeavesTheOldDatabase) {
  TempDir temp;
  const std::string root = temp.path(), many = root + "/many", old = root + "/old.pdb";
  // 128 MB to write: far longer than it takes to see the temporary file appear.
  MakeDirectory(many);
  WriteBytes(many + "/t.mid", OneNoteTune(0, 60, 63900));  // whole (padding in 3-byte events), as the collection checks
  for (int i = 1; i < 2000; ++i) fs::create_hard_link(many + "/t.mid", many + "/t" + std::to_string(i) + ".mid");
  WriteBytes(old, MidiBytes(5000));
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(watch, root.c_str(), IN_CREATE), 0);
  const pid_t child = fork();
  if (child == 0) {
    execl(CARILLO_PROGRAM, CARILLO_PROGRAM, "compile", many.c_str(), old.c_str(), "--yes", "--name", "N", nullptr);
    _exit(127);
  }
  pollfd created{watch, POLLIN, 0};
  EXPECT_EQ(poll(&created, 1, 30000), 1) << "no temporary file appeared";
  kill(child, SIGINT);
  close(watch);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;  // 130 in a shell
  EXPECT_EQ(ReadBytes(old), MidiBytes(5000));
  EXPECT_EQ(EntryNames(root), (std::vector<std::string>{"many", "old.pdb"}));
}

}  // namespace
