#include "drives/linux/DiskServiceError.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

namespace vorlane {
namespace {

// An error_code holds one int, but the log needs the service's own words. The int keeps the
// answer in its low bits and, above them, the place of the text in a list kept for the run.
// Equal texts share a place, so the list stays as short as the set of distinct failures.
constexpr int AnswerBits = 3;

struct TNamedAnswer {
  std::string_view Prefix;
  TDiskServiceAnswer Answer;
};

// Prefixes, as UDisks2 has several NotAuthorized variants (CanObtain, Dismissed) and the bus
// several ways of failing to start a service (Spawn.ExecFailed, Spawn.ChildExited, ...).
constexpr std::array<TNamedAnswer, 13> KnownErrors{{
    {"org.freedesktop.UDisks2.Error.NotAuthorized", TDiskServiceAnswer::NotAuthorized},
    {"org.freedesktop.DBus.Error.AccessDenied", TDiskServiceAnswer::NotAuthorized},
    {"org.freedesktop.UDisks2.Error.DeviceBusy", TDiskServiceAnswer::Busy},
    {"org.freedesktop.UDisks2.Error.NotMounted", TDiskServiceAnswer::NotMounted},
    {"org.freedesktop.UDisks2.Error.NotFound", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.UnknownObject", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.UnknownInterface", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.UnknownMethod", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.ServiceUnknown", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.NameHasNoOwner", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.NoServer", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.Disconnected", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.Spawn.", TDiskServiceAnswer::ServiceMissing},
}};

class TTextList {
 public:
  int Place(std::string text) {
    std::lock_guard lock(Lock);
    const auto found = std::ranges::find(Texts, text);
    if (found != Texts.end()) return static_cast<int>(found - Texts.begin()) + 1;
    Texts.push_back(std::move(text));
    return static_cast<int>(Texts.size());
  }
  std::string At(int place) const {
    std::lock_guard lock(Lock);
    if (place < 1 || place > static_cast<int>(Texts.size())) return "unknown disk service error";
    return Texts[static_cast<std::size_t>(place) - 1];
  }

 private:
  mutable std::mutex Lock;
  std::vector<std::string> Texts;
};

TTextList& Texts() {
  static TTextList texts;
  return texts;
}

TDiskServiceAnswer AnswerBitsOf(int value) {
  return static_cast<TDiskServiceAnswer>(value & ((1 << AnswerBits) - 1));
}

class TDiskServiceCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "disk service"; }
  std::string message(int value) const override { return Texts().At(value >> AnswerBits); }
  std::error_condition default_error_condition(int value) const noexcept override {
    switch (AnswerBitsOf(value)) {
      case TDiskServiceAnswer::NotAuthorized:
        return std::errc::permission_denied;
      case TDiskServiceAnswer::Busy:
        return std::errc::device_or_resource_busy;
      case TDiskServiceAnswer::NoSuchDevice:
        return std::errc::no_such_device;
      default:
        return {value, *this};
    }
  }
};

}  // namespace

TDiskServiceAnswer ClassifyDBusError(std::string_view errorName) {
  for (const TNamedAnswer& known : KnownErrors)
    if (errorName.starts_with(known.Prefix)) return known.Answer;
  return TDiskServiceAnswer::Other;
}

const std::error_category& DiskServiceCategory() {
  static const TDiskServiceCategory category;
  return category;
}

std::error_code MakeDiskServiceError(std::string_view errorName, std::string_view errorMessage) {
  std::string text(errorName);
  if (!errorMessage.empty()) text += ": " + std::string(errorMessage);
  const int place = Texts().Place(std::move(text));
  const int answer = static_cast<int>(ClassifyDBusError(errorName));
  return {place << AnswerBits | answer, DiskServiceCategory()};
}

TDiskServiceAnswer AnswerOf(std::error_code error) {
  if (error.category() != DiskServiceCategory()) return TDiskServiceAnswer::Other;
  return AnswerBitsOf(error.value());
}

}  // namespace vorlane
