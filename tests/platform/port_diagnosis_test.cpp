// Why a port will not open, read from a prepared system tree: the programs in
// /proc that hold it, /etc/group, lock files, udev's database and brltty's rules.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/system_view.h"
#include "scratch_directory.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr char kDevice[] = "/dev/ttyUSB0";

class FakeSystem {
 public:
  FakeSystem() {
    view_.root = scratch_.Path();
    view_.uid = ::getuid() + 1;  // not the device's owner
    view_.user = "ann";
    view_.ownPid = 99;
    Write("/etc/group", "staff:x:" + std::to_string(::getegid() + 1) + ":ann\ndialout:x:" + std::to_string(::getegid()) + ":bob\n");
    Write("/etc/passwd", "ann:x:1000:1000::/home/ann:/bin/sh\n");
    Write(kDevice, "");
    ::chmod(scratch_.PathOf("dev/ttyUSB0").c_str(), 0660);
    Write("/sys/class/tty/ttyUSB0/dev", "188:0\n");
  }
  void Write(const std::string& path, const std::string& text) {
    scratch_.WriteFile(fs::path(path).relative_path().string(), text);
  }
  // A process with `name`, holding the paths open.
  void Run(int pid, const std::string& name, const std::vector<std::string>& open = {}) {
    const std::string proc = "/proc/" + std::to_string(pid);
    Write(proc + "/comm", name + "\n");
    fs::create_directories(view_.At(proc + "/fd"));
    int fd = 3;
    for (const std::string& path : open) fs::create_symlink(path, view_.At(proc + "/fd/" + std::to_string(fd++)));
  }
  // `pid` holds a lock on the device, as /proc/locks lists one (a waiter's line first).
  void Lock(int pid) {
    struct stat status {};
    ASSERT_EQ(::stat(view_.At(kDevice).c_str(), &status), 0);
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(status.st_dev), minor(status.st_dev),
                  static_cast<unsigned long>(status.st_ino));
    Write("/proc/locks", std::string("1: FLOCK  ADVISORY  WRITE ") + std::to_string(pid) + " " + file +
                             " 0 EOF\n1: -> FLOCK  ADVISORY  WRITE 4200 " + file + " 0 EOF\n");
  }
  SystemView& View() { return view_; }

 private:
  testing::ScratchDirectory scratch_;
  SystemView view_;
};

struct DiagnosisCase {
  const char* name;
  std::function<void(FakeSystem&)> prepare;
  OpenFailure failure;
  bool onUsb;  // an FTDI adapter, 0403:6001; else a port off USB
  std::vector<PortObstacle> expected;
};
void PrintTo(const DiagnosisCase& c, std::ostream* out) { *out << c.name; }

class PortDiagnosisTest : public ::testing::TestWithParam<DiagnosisCase> {};

TEST_P(PortDiagnosisTest, NamesWhatStandsInTheWayWithItsFix) {
  const DiagnosisCase& c = GetParam();
  FakeSystem system;
  c.prepare(system);
  SerialPortInfo identity;
  if (c.onUsb) {
    identity.usbVendor = 0x0403;
    identity.usbProduct = 0x6001;
  }
  const std::vector<PortObstacle> found = DiagnosePortIn(system.View(), kDevice, identity, c.failure, "error text");
  ASSERT_EQ(found.size(), c.expected.size()) << (found.empty() ? "" : found.front().problem);
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].problem, c.expected[i].problem);
    EXPECT_EQ(found[i].fix, c.expected[i].fix);
  }
}

const PortObstacle kModemManagerProbes{
    "ModemManager runs and opens new USB serial adapters to look for modems, /dev/ttyUSB0 (USB 0403:6001) among them",
    "sudo systemctl stop ModemManager, or leave this adapter alone for good: echo 'ATTRS{idVendor}==\"0403\", "
    "ATTRS{idProduct}==\"6001\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee /etc/udev/rules.d/70-corvane.rules"};

const DiagnosisCase kCases[] = {
    {"HeldByModemManager", [](FakeSystem& s) { s.Run(612, "ModemManager", {"/dev/null", kDevice}); },
     OpenFailure::InUse, true,
     {{"/dev/ttyUSB0 is held open by ModemManager (pid 612)", "sudo systemctl stop ModemManager"}}},
    {"OnlyTheProgramThatLocksItNotOneThatSharesItNorThisOne",
     [](FakeSystem& s) {
       s.Run(99, "corvane", {kDevice});
       s.Run(4100, "picocom", {kDevice});
       s.Run(4200, "corvane-dc", {kDevice});
       s.Lock(4100);
     },
     OpenFailure::InUse, false,
     {{"/dev/ttyUSB0 is held open by picocom (pid 4100)", "end it once it is done with the port: kill 4100"}}},
    {"InUseByAProgramOutOfSight", [](FakeSystem&) {}, OpenFailure::InUse, false,
     {{"/dev/ttyUSB0 is in use by a program that this user cannot see", "sudo fuser -v /dev/ttyUSB0"}}},
    {"AGettyHoldsItThoughItOpened", [](FakeSystem& s) { s.Run(300, "agetty", {kDevice}); }, OpenFailure::None, false,
     {{"/dev/ttyUSB0 is held open by agetty (pid 300)", "sudo systemctl stop serial-getty@ttyUSB0"}}},
    {"NotInTheGroup", [](FakeSystem&) {}, OpenFailure::Denied, false,
     {{"/dev/ttyUSB0 belongs to group dialout (-rw-rw----) and ann is not in it",
       "sudo usermod -aG dialout ann, then log in again"}}},
    {"InTheGroupSinceThisLogin",
     [](FakeSystem& s) { s.Write("/etc/group", "dialout:x:" + std::to_string(::getegid()) + ":bob,ann\n"); },
     OpenFailure::Denied, false,
     {{"ann was added to group dialout, which may open /dev/ttyUSB0, after this login began: the group comes with "
       "the next login",
       "log in again (or, in this shell only: newgrp dialout)"}}},
    {"StaleLockFile", [](FakeSystem& s) { s.Write("/var/lock/LCK..ttyUSB0", "      4242\n"); }, OpenFailure::None,
     false,
     {{"/var/lock/LCK..ttyUSB0 names process 4242, which has ended: programs that honour lock files refuse the port",
       "sudo rm /var/lock/LCK..ttyUSB0"}}},
    {"LockedByARunningProgram",
     [](FakeSystem& s) {
       s.Write("/var/lock/LCK..ttyUSB0", "       777\n");
       s.Run(777, "minicom");
     },
     OpenFailure::None, false,
     {{"/dev/ttyUSB0 is locked through /var/lock/LCK..ttyUSB0 by minicom (pid 777)",
       "end it once it is done with the port: kill 777"}}},
    {"ALockFileOfThisProgramItself",
     [](FakeSystem& s) {
       s.Write("/var/lock/LCK..ttyUSB0", "        99\n");
       s.Run(99, "corvane");
     },
     OpenFailure::None, false, {}},
    {"ModemManagerMayProbeTheAdapter", [](FakeSystem& s) { s.Run(500, "ModemManager"); }, OpenFailure::None, true,
     {kModemManagerProbes}},
    {"ModemManagerToldToLeaveItAlone",
     [](FakeSystem& s) {
       s.Run(500, "ModemManager");
       s.Write("/run/udev/data/c188:0", "E:ID_VENDOR_ID=0403\nE:ID_MM_DEVICE_IGNORE=1\n");
     },
     OpenFailure::None, true, {}},
    {"BrlttyClaimsTheAdapter",
     [](FakeSystem& s) {
       s.Write("/usr/lib/udev/rules.d/85-brltty.rules",
               "ENV{PRODUCT}==\"1a86/7523/*\", GOTO=\"brltty_usb_run\"\nENV{PRODUCT}==\"403/6001/*\", "
               "GOTO=\"brltty_usb_run\"\n");
     },
     OpenFailure::None, true,
     {{"brltty takes USB 0403:6001 adapters for braille displays and holds them once plugged in",
       "sudo apt remove brltty"}}},
    {"NothingInTheWay", [](FakeSystem& s) { s.Run(4100, "corvane-dc", {kDevice}); }, OpenFailure::None, true, {}},
    {"Unplugged", [](FakeSystem& s) { fs::remove(s.View().At(kDevice)); }, OpenFailure::Missing, true,
     {{"/dev/ttyUSB0 does not exist: the adapter is unplugged, or the system named it otherwise",
       "ls -l /dev/serial/by-id/ (the adapters plugged in, by name)"}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, PortDiagnosisTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace corvane
