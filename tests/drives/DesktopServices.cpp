#include "tests/drives/DesktopServices.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "drives/linux/UDisksClient.h"

namespace vorlane::testing {
namespace fs = std::filesystem;
namespace {

using namespace std::chrono_literals;

constexpr const char* TestUserName = "vorlane-e2e";
constexpr const char* UserMarker = "Vorlane end-to-end test";
constexpr const char* RuleFile = "/etc/polkit-1/rules.d/49-vorlane-e2e-test.rules";

// Polls until done() or the time is up; true when done.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

std::string RunForLine(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  char line[256] = {};
  const bool read = fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  std::string text = read ? line : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// Starts a program with standard output and error on /dev/null (error on errorFd if given),
// as the given user if one is given.
pid_t Spawn(const std::vector<std::string>& arguments, int errorFd = -1,
            const TTestUser* user = nullptr) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int null = open("/dev/null", O_RDWR);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  dup2(errorFd >= 0 ? errorFd : null, STDERR_FILENO);
  if (user && (setgroups(0, nullptr) != 0 || setgid(user->Gid()) != 0 || setuid(user->Uid()) != 0))
    _exit(126);
  execv(argv[0], argv.data());
  _exit(127);
}

int WaitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool IsGone(pid_t pid) {
  if (kill(pid, 0) != 0) return true;
  // A process that is not our child lingers as a zombie where nothing reaps orphans.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  stat >> pidText >> name >> state;
  return state == "Z";
}

// Asks a process started here to end, and makes sure it has.
void Stop(pid_t pid, bool isChild) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  const auto gone = [&] { return isChild ? waitpid(pid, nullptr, WNOHANG) == pid : IsGone(pid); };
  if (WaitUntil(gone, 10s)) return;
  kill(pid, SIGKILL);
  if (isChild) waitpid(pid, nullptr, 0);
}

struct TBus {
  sd_bus* Bus = nullptr;
  TBus() {
    if (sd_bus_open_system(&Bus) < 0) Bus = nullptr;
  }
  ~TBus() {
    if (Bus) sd_bus_flush_close_unref(Bus);
  }
};

// The process owning a bus name; 0 when there is none or no bus.
pid_t OwnerOf(const char* name) {
  TBus bus;
  if (!bus.Bus) return 0;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  std::uint32_t pid = 0;
  if (sd_bus_call_method(bus.Bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "GetConnectionUnixProcessID", &error, &reply, "s",
                         name) >= 0)
    sd_bus_message_read(reply, "u", &pid);
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return static_cast<pid_t>(pid);
}

bool BusAnswers() {
  return OwnerOf("org.freedesktop.DBus") != 0;
}

bool UdevdAnswers() {
  return RunQuietly("udevadm control --ping --timeout=2") == 0;
}

}  // namespace

int RunQuietly(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<TDesktopServices> TDesktopServices::Start(std::string& whyNot) {
  std::unique_ptr<TDesktopServices> services(new TDesktopServices);
  if (!services->StartBus(whyNot) || !services->StartUdevd(whyNot) ||
      !services->StartUdisksd(whyNot))
    return nullptr;  // what did start is stopped again here
  return services;
}

bool TDesktopServices::StartBus(std::string& whyNot) {
  if (BusAnswers()) return true;
  fs::create_directories("/run/dbus");
  // A bus that died without cleaning up leaves its pid file, and a new one refuses to start.
  const std::string stalePid = RunForLine("cat /run/dbus/pid 2>/dev/null");
  if (!stalePid.empty() && IsGone(std::atoi(stalePid.c_str()))) fs::remove("/run/dbus/pid");
  BusPid = std::atoi(RunForLine("dbus-daemon --system --fork --print-pid 2>/dev/null").c_str());
  if (BusPid > 0 && WaitUntil(BusAnswers, 10s)) return true;
  whyNot = "the system bus did not start";
  return false;
}

bool TDesktopServices::StartUdevd(std::string& whyNot) {
  if (UdevdAnswers()) return true;
  UdevdPid = Spawn({"/lib/systemd/systemd-udevd"});
  if (!WaitUntil(UdevdAnswers, 10s)) {
    whyNot = "systemd-udevd did not start";
    return false;
  }
  // udisksd knows only devices udev has processed: replay the block devices present.
  RunQuietly("udevadm trigger --action=add --subsystem-match=block");
  RunQuietly("udevadm settle --timeout=30");
  return true;
}

bool TDesktopServices::StartUdisksd(std::string& whyNot) {
  if (OwnerOf("org.freedesktop.UDisks2") != 0) return true;
  UdisksdPid = Spawn({"/usr/libexec/udisks2/udisksd"});
  if (WaitUntil([this] { return OwnerOf("org.freedesktop.UDisks2") == UdisksdPid; }, 20s))
    return true;
  whyNot = "udisksd did not start";
  return false;
}

TDesktopServices::~TDesktopServices() {
  Stop(UdisksdPid, true);
  // polkitd is started by the bus when first asked; with a bus of our own, it is ours too.
  if (BusPid > 0) Stop(OwnerOf("org.freedesktop.PolicyKit1"), false);
  Stop(UdevdPid, true);
  if (BusPid <= 0) return;
  Stop(BusPid, false);
  // dbus-daemon leaves both behind when told to end; the next bus would refuse the pid file.
  fs::remove("/run/dbus/pid");
  fs::remove("/run/dbus/system_bus_socket");
}

bool TDesktopServices::WaitUntilServiceSeesMounted(const std::string& devicePath,
                                                   bool mounted) const {
  return WaitUntil(
      [&] {
        TUDisksClient service;
        std::string object;
        std::vector<TServiceBlock> blocks;
        if (service.ResolveDevice(devicePath, object) || service.ListBlocks(blocks)) return false;
        for (const TServiceBlock& block : blocks)
          if (block.Object == object) return block.Mounted == mounted;
        return false;
      },
      10s);
}

std::unique_ptr<TTestUser> TTestUser::Create(std::string& whyNot) {
  if (const passwd* old = getpwnam(TestUserName)) {
    if (std::string(old->pw_gecos) != UserMarker) {
      whyNot = std::string("a user named ") + TestUserName + " exists already";
      return nullptr;
    }
    RunQuietly(std::string("userdel ") + TestUserName);  // left by a run that was killed
  }
  if (RunQuietly(std::string("useradd --system --no-create-home --user-group --shell "
                             "/usr/sbin/nologin --comment '") +
                 UserMarker + "' " + TestUserName) != 0) {
    whyNot = "useradd failed";
    return nullptr;
  }
  const passwd* user = getpwnam(TestUserName);
  if (!user) return nullptr;
  return std::make_unique<TTestUser>(TestUserName, user->pw_uid, user->pw_gid);
}

TTestUser::~TTestUser() {
  if (!UserName.empty()) RunQuietly("userdel " + UserName);
}

int TTestUser::Run(const std::vector<std::string>& arguments, std::string& errorOutput) const {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = Spawn(arguments, pipeFds[1], this);
  close(pipeFds[1]);
  char chunk[512];
  for (ssize_t size; (size = read(pipeFds[0], chunk, sizeof chunk)) != 0;) {
    if (size > 0)
      errorOutput.append(chunk, static_cast<std::size_t>(size));
    else if (errno != EINTR)
      break;
  }
  close(pipeFds[0]);
  return pid > 0 ? WaitForExit(pid) : -1;
}

bool TTestUser::IsAllowed(const std::string& actionId, const TPolkitDetails& details) const {
  // pkcheck as root about a process of the user: only root may pass details, as udisksd does.
  const pid_t sleeper = Spawn({"/bin/sleep", "60"}, -1, this);
  const std::string proc = "/proc/" + std::to_string(sleeper);
  struct stat info {};
  // polkit takes the process's user from its /proc entry, which is the user's once exec'd.
  const bool ready =
      WaitUntil([&] { return stat(proc.c_str(), &info) == 0 && info.st_uid == UserId; }, 5s);
  std::string command = "pkcheck --action-id " + actionId + " --process " + std::to_string(sleeper);
  for (const auto& [key, value] : details) command += " --detail " + key + " " + value;
  const bool allowed = ready && RunQuietly(command) == 0;
  kill(sleeper, SIGKILL);
  WaitForExit(sleeper);
  return allowed;
}

bool WaitForPolkit(const TTestUser& user, const std::string& actionId, bool allowed,
                   const TPolkitDetails& details) {
  return WaitUntil([&] { return user.IsAllowed(actionId, details) == allowed; }, 10s);
}

std::string UdisksRuleFor(const TTestUser& user) {
  return "polkit.addRule(function(action, subject) {\n"
         "  if (action.id.indexOf(\"org.freedesktop.udisks2.\") == 0 &&\n"
         "      subject.user == \"" +
         user.Name() +
         "\")\n"
         "    return polkit.Result.YES;\n"
         "});\n";
}

TPolkitRule::TPolkitRule(const TTestUser& user, const std::string& text, std::string probeAction,
                         TPolkitDetails probeDetails)
    : User(user), ProbeAction(std::move(probeAction)), ProbeDetails(std::move(probeDetails)) {
  std::ofstream(RuleFile) << text;
  IsApplied = WaitForPolkit(User, ProbeAction, true, ProbeDetails);
}

TPolkitRule::~TPolkitRule() {
  fs::remove(RuleFile);
  // So the next test meets polkit without the rule.
  WaitForPolkit(User, ProbeAction, false, ProbeDetails);
}

std::unique_ptr<TMountedCard> TMountedCard::Make(std::uint64_t sizeBytes, std::string& whyNot) {
  auto loop = TLoopDevice::Attach(sizeBytes);
  if (!loop) {
    whyNot = "no loop device";
    return nullptr;
  }
  char pattern[] = "/tmp/vorlane-mount-XXXXXX";
  if (!mkdtemp(pattern)) return nullptr;
  auto card = std::make_unique<TMountedCard>(std::move(*loop), pattern);
  if (RunQuietly("mkfs.ext4 -q -F " + card->Loop().Device()) != 0 ||
      RunQuietly("mount -t ext4 " + card->Loop().Device() + " " + card->Folder.string()) != 0) {
    whyNot = "no ext4 file system on a loop device here";
    return nullptr;
  }
  std::ofstream(card->Folder / "card.txt") << "kept\n";
  RunQuietly("sync");  // an idle file system writes nothing more, so its sectors can be compared
  return card;
}

TMountedCard::~TMountedCard() {
  if (BusyFd >= 0) close(BusyFd);
  if (IsMounted()) umount2(Folder.c_str(), 0);
  std::error_code ignored;
  fs::remove(Folder, ignored);
}

bool TMountedCard::IsMounted() const {
  return RunQuietly("findmnt --source " + Device.Device()) == 0;
}

void TMountedCard::HoldBusy() {
  BusyFd = open((Folder / "card.txt").c_str(), O_RDONLY | O_CLOEXEC);
}

}  // namespace vorlane::testing
