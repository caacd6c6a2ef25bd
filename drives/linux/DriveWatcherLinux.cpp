#include "drives/linux/DriveWatcherLinux.h"

#include <linux/netlink.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "drives/DriveWatcher.h"
#include "drives/RemovableDrives.h"

namespace vorlane {
namespace {

// The kernel's own multicast group; group 2 carries udev's re-broadcasts, which need udevd.
constexpr unsigned KernelGroup = 1;

std::string_view ValueOf(std::string_view message, std::string_view key) {
  for (std::size_t at = 0; at < message.size();) {
    std::size_t end = message.find('\0', at);
    if (end == std::string_view::npos) end = message.size();
    const std::string_view field = message.substr(at, end - at);
    if (field.size() > key.size() && field.starts_with(key) && field[key.size()] == '=')
      return field.substr(key.size() + 1);
    at = end + 1;
  }
  return {};
}

class TLinuxDriveWatcher final : public TDriveWatcher {
 public:
  TLinuxDriveWatcher(int socket, int stopEvent, std::function<void()> changed)
      : Socket(socket), StopEvent(stopEvent), Changed(std::move(changed)) {
    Thread = std::thread([this] { Watch(); });
    Looker = std::jthread([this](std::stop_token stop) { LookForMedia(stop); });
  }
  ~TLinuxDriveWatcher() override {
    Looker.request_stop();
    Looker.join();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(StopEvent, &one, sizeof one);
    Thread.join();
    close(Socket);
    close(StopEvent);
  }
  TLinuxDriveWatcher(const TLinuxDriveWatcher&) = delete;
  TLinuxDriveWatcher& operator=(const TLinuxDriveWatcher&) = delete;

 private:
  void Watch() {
    std::array<pollfd, 2> waits{{{Socket, POLLIN, 0}, {StopEvent, POLLIN, 0}}};
    for (;;) {
      if (poll(waits.data(), waits.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (waits[1].revents != 0) return;
      if (waits[0].revents != 0 && ReceivePending()) Tell();
    }
  }

  // Readers that stay plugged in are asked for their card every second (LookForNewMedia). The
  // kernel then tells of what changed, but not of a card swapped for one of the same size
  // without partitions: a change seen here is told too. A reader slow to answer delays only this.
  void LookForMedia(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    while (!stop.stop_requested()) {
      if (LookForNewMedia()) Tell();
      woken.wait_for(lock, stop, std::chrono::seconds(1), [] { return false; });
    }
  }

  void Tell() {
    const std::lock_guard lock(Telling);
    Changed();
  }

  // Reads every message waiting; true when one of them may have changed the list. Messages
  // lost because the socket's buffer ran over may have, too.
  bool ReceivePending() {
    bool relevant = false;
    std::array<char, 8192> buffer;
    for (;;) {
      sockaddr_nl sender{};
      iovec part{buffer.data(), buffer.size()};
      msghdr message{};
      message.msg_name = &sender;
      message.msg_namelen = sizeof sender;
      message.msg_iov = &part;
      message.msg_iovlen = 1;
      const ssize_t size = recvmsg(Socket, &message, MSG_DONTWAIT);
      if (size < 0 && errno == EINTR) continue;
      if (size < 0) return relevant || errno == ENOBUFS;
      // Only the kernel (port 0) speaks on its group; anything else is no device event.
      if (sender.nl_pid == 0 &&
          IsDriveListEvent(std::string_view(buffer.data(), static_cast<std::size_t>(size))))
        relevant = true;
    }
  }

  int Socket;
  int StopEvent;
  std::function<void()> Changed;
  std::mutex Telling;  // one call of Changed at a time, from either thread
  std::thread Thread;
  std::jthread Looker;
};

}  // namespace

bool IsDriveListEvent(std::string_view message) {
  // The kernel's header is "action@devpath"; udev's messages start with "libudev".
  const std::string_view header = message.substr(0, message.find('\0'));
  if (header.find('@') == std::string_view::npos) return false;
  const std::string_view action = ValueOf(message, "ACTION");
  return ValueOf(message, "SUBSYSTEM") == "block" &&
         (action == "add" || action == "remove" || action == "change" || action == "move");
}

std::unique_ptr<TDriveWatcher> WatchDriveChanges(std::function<void()> changed) {
  const int socketFd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
  if (socketFd < 0) return nullptr;
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = KernelGroup;
  const int stopEvent = eventfd(0, EFD_CLOEXEC);
  if (bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      stopEvent < 0) {
    close(socketFd);
    if (stopEvent >= 0) close(stopEvent);
    return nullptr;
  }
  return std::make_unique<TLinuxDriveWatcher>(socketFd, stopEvent, std::move(changed));
}

}  // namespace vorlane
