#include "cli/report/RecordLine.h"

#include <charconv>
#include <cmath>

#include "cli/report/JsonScan.h"

namespace vorlane::cli {
namespace {

constexpr TCardVerdict Verdicts[] = {TCardVerdict::Passed, TCardVerdict::Failed,
                                     TCardVerdict::Refused, TCardVerdict::Stopped};
constexpr TStepKind Steps[] = {TStepKind::Check, TStepKind::Write, TStepKind::Verify,
                               TStepKind::Grade};

bool IsDigest(std::string_view text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// "2026-12-09T04:30:05Z", as the station writes it: the form that sorts by time.
bool IsRecordTime(std::string_view text) {
  constexpr std::string_view form = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != form.size()) return false;
  for (std::size_t i = 0; i < form.size(); ++i)
    if (form[i] == 'd' ? text[i] < '0' || text[i] > '9' : text[i] != form[i]) return false;
  return true;
}

template <typename TNumber>
bool ReadNumber(const TJsonValue& value, TNumber& number) {
  if (value.Kind != TJsonKind::Number) return false;
  const char* const end = value.Text.data() + value.Text.size();
  const auto [stop, error] = std::from_chars(value.Text.data(), end, number);
  return error == std::errc() && stop == end;
}

// Takes the fields a report needs as the scanner passes them; the first one of a wrong type
// makes the line no record.
class TRecordFields final : public TJsonVisitor {
 public:
  explicit TRecordFields(TReportRecord& record) : Record(record) {}

  void Visit(std::span<const TJsonStep> path, const TJsonValue& value) override {
    if (!Problem.empty()) return;
    if (path.empty()) {
      if (value.Kind != TJsonKind::Object) Problem = "not a JSON object";
      return;
    }
    const std::string_view key = path[0].Key;
    if (path.size() == 1) return Top(key, value);
    const std::string_view inner = path[1].Key;
    if (path.size() == 2 && key == "reader") return Reader(inner, value);
    if (path.size() == 2 && key == "card" && inner == "cid") {
      Text(value, Record.Cid, "card cid");
      return;
    }
    if (path.size() == 2 && key == "failure" && inner == "step") return Step(value);
    if (path.size() == 2 && key == "write") return Speed(inner, value, Record.Write, key);
    if (path.size() == 2 && key == "verify") return Speed(inner, value, Record.Verify, key);
    if (key == "segments" && path[1].Item) return Segment(path.subspan(2), value);
  }

  std::string Problem;
  bool HasTime = false;
  bool HasResult = false;

 private:
  void Top(std::string_view key, const TJsonValue& value) {
    if (key == "time") HasTime = Text(value, Record.Time, key) && IsRecordTime(Record.Time);
    if (key == "time" && !HasTime && Problem.empty()) Problem = "time is not a UTC time";
    if (key == "host") Text(value, Record.Host, key);
    if (key == "operator") Text(value, Record.Operator, key, true);
    if (key == "batch") Text(value, Record.Batch, key, true);
    if (key == "slot") Text(value, Record.Slot, key);
    if (key == "device") Text(value, Record.Device, key);
    if (key == "sizeBytes" && !ReadNumber(value, Record.SizeBytes))
      Problem = "sizeBytes is not a whole number of bytes";
    if (key == "result") Result(value);
    if (key == "previous") Previous(value);
    if (key == "reader" || key == "card" || key == "failure")
      Kind(value, TJsonKind::Object, key, true);
    if (key == "write" || key == "verify") Kind(value, TJsonKind::Object, key);
    if (key == "segments") Kind(value, TJsonKind::Array, key);
  }

  void Reader(std::string_view key, const TJsonValue& value) {
    if (key == "vendor") Text(value, Record.Vendor, "reader vendor");
    if (key == "model") Text(value, Record.Model, "reader model");
    if (key == "serial") Text(value, Record.Serial, "reader serial");
  }

  void Result(const TJsonValue& value) {
    for (const TCardVerdict verdict : Verdicts)
      if (value.Kind == TJsonKind::String && value.Text == VerdictName(verdict)) {
        Record.Result = verdict;
        HasResult = true;
      }
    if (!HasResult) Problem = "result is none of passed, failed, refused, stopped";
  }

  void Previous(const TJsonValue& value) {
    if (value.Kind == TJsonKind::Null) {
      Record.Link = TRecordLink::First;
    } else if (value.Kind == TJsonKind::String && IsDigest(value.Text)) {
      Record.Link = TRecordLink::To;
      Record.Previous.assign(value.Text);
    } else {
      Problem = "previous is neither null nor a SHA-256";
    }
  }

  void Step(const TJsonValue& value) {
    for (const TStepKind step : Steps)
      if (value.Kind == TJsonKind::String && value.Text == StepName(step)) Record.FailedStep = step;
    if (!Record.FailedStep) Problem = "failure step is none of check, write, verify, grade";
  }

  void Speed(std::string_view key, const TJsonValue& value, TRecordSpeed& speed,
             std::string_view step) {
    bool read = true;
    if (key == "bytes") read = ReadNumber(value, speed.Bytes);
    if (key == "megabytesPerSecond")
      read = ReadNumber(value, speed.MegabytesPerSecond) &&
             std::isfinite(speed.MegabytesPerSecond) && speed.MegabytesPerSecond >= 0;
    if (!read) Problem = std::string(step) + " " + std::string(key) + " is not a number it can be";
  }

  // Inside one item of segments: its number and its file's digest, in either order.
  void Segment(std::span<const TJsonStep> path, const TJsonValue& value) {
    if (path.empty()) {
      ItemNumber = 0;
      ItemDigest.clear();
      Kind(value, TJsonKind::Object, "a segment");
      return;
    }
    if (path.size() != 1) return;
    if (path[0].Key == "segment" &&
        !(ReadNumber(value, ItemNumber) && ItemNumber >= 1 && ItemNumber <= 2))
      Problem = "a segment's number is neither 1 nor 2";
    if (path[0].Key == "sha256" && !(value.Kind == TJsonKind::String && IsDigest(value.Text)))
      Problem = "a segment's sha256 is not a SHA-256";
    if (path[0].Key == "sha256") ItemDigest.assign(value.Text);
    if (ItemNumber != 0 && !ItemDigest.empty()) Record.Sha256[ItemNumber - 1] = ItemDigest;
  }

  bool Text(const TJsonValue& value, std::string& field, std::string_view name,
            bool nullable = false) {
    if (nullable && value.Kind == TJsonKind::Null) return true;
    if (!Kind(value, TJsonKind::String, name)) return false;
    field.assign(value.Text);
    return true;
  }

  bool Kind(const TJsonValue& value, TJsonKind kind, std::string_view name, bool nullable = false) {
    if (value.Kind == kind || (nullable && value.Kind == TJsonKind::Null)) return true;
    static constexpr const char* Kinds[] = {"null",     "false",     "true",    "a number",
                                            "a string", "an object", "an array"};
    Problem = std::string(name) + " is " + Kinds[static_cast<int>(value.Kind)] + ", not " +
              Kinds[static_cast<int>(kind)];
    return false;
  }

  TReportRecord& Record;
  int ItemNumber = 0;
  std::string ItemDigest;
};

void Reset(TReportRecord& record) {
  for (std::string* text :
       {&record.Time, &record.Host, &record.Operator, &record.Batch, &record.Slot, &record.Device,
        &record.Vendor, &record.Model, &record.Serial, &record.Cid, &record.Sha256[0],
        &record.Sha256[1], &record.Previous})
    text->clear();
  record.SizeBytes = 0;
  record.Result = TCardVerdict::Failed;
  record.FailedStep.reset();
  record.Write = {};
  record.Verify = {};
  record.Link = TRecordLink::Unlinked;
}

}  // namespace

bool TRecordReader::Read(std::string_view line, TReportRecord& record, std::string& why) {
  Reset(record);
  TRecordFields fields(record);
  if (!Scanner.Scan(line, fields)) {
    why = "not JSON: " + Scanner.Problem();
    return false;
  }
  why = fields.Problem;
  if (why.empty() && !fields.HasTime) why = "no time";
  if (why.empty() && !fields.HasResult) why = "no result";
  return why.empty();
}

bool ParseRecordLine(std::string_view line, TReportRecord& record, std::string& why) {
  return TRecordReader().Read(line, record, why);
}

}  // namespace vorlane::cli
